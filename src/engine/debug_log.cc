#include "engine/debug_log.h"

#include <cerrno>
#include <utility>

#include "platform/file_system.h"

namespace kadrel {

Outcome DebugLog::openDebugLog(const std::string& path) {
    closeDebugLog();
    file_ = platform::openLogFile(path);
    return file_ ? Outcome::done() : Outcome::failure(errno, path);
}

void DebugLog::collectLines() {
    closeDebugLog();
    collecting_ = true;
}

std::string DebugLog::takeCollected() {
    return std::exchange(collected_, std::string());
}

void DebugLog::writeDebugLine(const std::string& text) {
    if (collecting_) {
        collected_ += text + "\r\n";
        return;
    }
    if (!file_)
        return;
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fputs("\r\n", file_);
    // A crash later in the run must not swallow the lines that explain it.
    std::fflush(file_);
}

void DebugLog::closeDebugLog() {
    collecting_ = false;
    if (!file_)
        return;
    std::fclose(file_);
    file_ = nullptr;
}

std::string debugLogPath(const std::string& settingsFolder) {
    if (!settingsFolder.empty() && platform::isPathSeparator(settingsFolder.back()))
        return settingsFolder + "kadrel.dbg";
    return settingsFolder + platform::kSeparator + "kadrel.dbg";
}

}  // namespace kadrel
