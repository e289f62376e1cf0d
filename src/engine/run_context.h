// Flags through which a run and the user's Abort talk to each other, and the bundle of
// program-wide state that engine routines take by reference. A run may go on a worker thread
// while the front end's thread sets the flags, so every flag the run reads is atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/debug_log.h"
#include "settings/settings.h"

namespace kadrel {

struct RunControl {
    std::atomic<bool> running{false};         ///< a copy run goes on to the next file only while set
    std::atomic<int32_t> copyCancel{0};       ///< 1 cancels the copy in progress
    std::atomic<bool> abortRequested{false};  ///< stops a search or a thumbnail run
    bool warningContinue = false;             ///< answer of the patch-mode warning
};

/// Progress text and percentage (0..100) of a run, called on the run's own thread.
using ProgressCall = std::function<void(const std::string& text, int percent)>;

/// What an engine routine needs of the program: settings, flags and the log, and what the front
/// end wants to follow. The engine only reports to it; every message and question is the front
/// end's, after the engine has returned.
struct RunContext {
    Settings& settings;
    RunControl& control;
    DebugLog& log;
    ProgressCall progress = {};
    /// True when the front end can ask the delete questions (a window, a terminal with a user):
    /// the copy then keeps the digest of what it read, so that a delete never reads the card again.
    bool canAsk = false;

    void showProgress(const std::string& text, int percent) const {
        if (progress)
            progress(text, percent);
    }

    /// Writes a log line when debugmode is on and the log is open.
    void debug(const std::string& line) const {
        if (settings.debugMode)
            log.writeDebugLine(line);
    }
};

}  // namespace kadrel
