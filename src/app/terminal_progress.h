// Progress of a command-line copy run on the terminal: file i of n, percent and throughput
// on one line of standard error that is rewritten in place.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "app/terminal_ui.h"
#include "engine/copy/copy_run.h"

namespace kadrel {

class TerminalProgress : public CopyObserver {
  public:
    using Clock = std::chrono::steady_clock;

    explicit TerminalProgress(TerminalUi& ui) : ui_(ui), start_(Clock::now()) {}

    void onFile(int32_t index, int32_t count, const std::string& source) override;
    void onBytes(int64_t done, int64_t total) override;

    /// The line shown for the state given; public so it can be checked without a clock.
    /// fileDone is the part of the current file copied (0..1); bytesTotal counts the whole run.
    static std::string line(int32_t index, int32_t count, double fileDone, int64_t bytesTotal,
                            double seconds);

  private:
    void show(bool force);

    TerminalUi& ui_;
    Clock::time_point start_;
    Clock::time_point lastShown_{};
    int32_t index_ = 0;
    int32_t count_ = 0;
    int64_t finishedBytes_ = 0;  ///< bytes of the files before the current one
    int64_t currentBytes_ = 0;
    double fileDone_ = 0;
};

}  // namespace kadrel
