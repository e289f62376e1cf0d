// The plain-text trace "kadrel.dbg" of one run: message lines ended by CR LF.
#pragma once

#include <cstdio>
#include <string>

#include "engine/outcome.h"

namespace kadrel {

class DebugLog {
  public:
    DebugLog() = default;
    ~DebugLog() { closeDebugLog(); }
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    /// Creates or truncates the log file. A log that cannot be created leaves the run as it
    /// is: writes are then dropped.
    Outcome openDebugLog(const std::string& path);
    /// Appends the text and CR LF when the log is open.
    void writeDebugLine(const std::string& text);
    /// Closes the log; closing when nothing is open does nothing.
    void closeDebugLog();
    /// Keeps the lines in memory instead of a file, for work on another thread whose lines
    /// must come out in the run's order; takeCollected hands them over.
    void collectLines();
    std::string takeCollected();

  private:
    std::FILE* file_ = nullptr;
    bool collecting_ = false;
    std::string collected_;
};

/// The log's path: the settings folder followed by "kadrel.dbg".
std::string debugLogPath(const std::string& settingsFolder);

}  // namespace kadrel
