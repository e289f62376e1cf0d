#include "app/terminal_progress.h"

#include <cstdio>

namespace kadrel {

namespace {

/// Redrawing more often than this only costs time on a slow terminal.
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

}  // namespace

std::string TerminalProgress::line(int32_t index, int32_t count, double fileDone, int64_t bytesTotal,
                                   double seconds) {
    const int percent = count > 0 ? static_cast<int>((index + fileDone) * 100.0 / count) : 0;
    const double mib = static_cast<double>(bytesTotal) / (1024.0 * 1024.0);
    char text[160];
    std::snprintf(text, sizeof text, "processing File %d of %d  %3d%%  %.1f MiB/s", index + 1, count, percent,
                  seconds > 0 ? mib / seconds : 0.0);
    return text;
}

void TerminalProgress::onFile(int32_t index, int32_t count, const std::string&) {
    finishedBytes_ += currentBytes_;
    currentBytes_ = 0;
    fileDone_ = 0;
    index_ = index;
    count_ = count;
    show(true);
}

void TerminalProgress::onBytes(int64_t done, int64_t total) {
    currentBytes_ = done;
    fileDone_ = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    show(false);
}

void TerminalProgress::show(bool force) {
    const auto now = Clock::now();
    if (!force && now - lastShown_ < kRedrawInterval)
        return;
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    ui_.showStatusLine(line(index_, count_, fileDone_, finishedBytes_ + currentBytes_, seconds));
}

}  // namespace kadrel
