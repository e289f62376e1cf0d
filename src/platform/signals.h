// Termination requests (SIGINT, SIGTERM, SIGHUP) during a run: instead of killing the process
// halfway through a file they stop the run the way the user's Abort does, so the run can
// remove its temporary file and put an original's times back before the process ends.
#pragma once

#include <atomic>
#include <cstdint>

namespace kadrel::platform {

/// While alive, a termination request sets cancel to 1 and running to false. Handlers are
/// installed without SA_RESTART, so a blocking terminal question returns at once.
class SignalStop {
  public:
    SignalStop(std::atomic<int32_t>& cancel, std::atomic<bool>& running);
    ~SignalStop();
    SignalStop(const SignalStop&) = delete;
    SignalStop& operator=(const SignalStop&) = delete;

    /// The signal caught while this object lived, 0 when none was.
    int caught() const;
};

/// The signal caught during the last run of this process, 0 when none was.
int lastCaughtSignal();

/// Waits until fd has input to read; false as soon as a termination request has been caught,
/// also one that came just before the wait began (a plain blocking read would miss it).
bool waitForInputOrStop(int fd);

}  // namespace kadrel::platform
