// Flags through which a run and the user's Abort talk to each other, and the bundle of
// program-wide state that engine routines take by reference.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/debug_log.h"
#include "platform/ui_seam.h"
#include "settings/settings.h"

namespace kadrel {

struct RunControl {
    std::atomic<bool> running{false};    ///< a copy run goes on to the next file only while set
    std::atomic<int32_t> copyCancel{0};  ///< 1 cancels the copy in progress
    bool abortRequested = false;         ///< stops a search or a thumbnail run
    bool warningContinue = false;        ///< answer of the patch-mode warning
};

/// What an engine routine needs of the program: settings, flags, the user and the log.
struct RunContext {
    Settings& settings;
    RunControl& control;
    UiSeam& ui;
    DebugLog& log;

    /// Writes a log line when debugmode is on and the log is open.
    void debug(const std::string& line) const {
        if (settings.debugMode)
            log.writeDebugLine(line);
    }
};

}  // namespace kadrel
