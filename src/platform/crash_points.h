// A test seam of the program itself: it stops the process abruptly at a chosen write, so that a
// test can see what every point of a run leaves behind when the power goes, without timing.
// The program asks for it only when the test's environment variable is set.
#pragma once

#include <memory>
#include <string>

#include "platform/file_faults.h"

namespace kadrel::platform {

/// How a process that a write stop ended exits on Windows: 128 + 9, as a shell reports SIGKILL.
inline constexpr unsigned kWriteStopExitCode = 137;

/// Counts the writes a run makes through its fault seam (renames, scan writes, journal writes)
/// and stops the process as the write after the n-th begins: with SIGKILL, or with SIGSTOP so
/// that the test can kill it from outside. Windows has no stop a process can give itself: there
/// both end the process at once (TerminateProcess) with kWriteStopExitCode.
class WriteStop : public FileFaults {
  public:
    WriteStop(long writes, bool pause) : writes_(writes), pause_(pause) {}
    int beforeRename(const std::string&, const std::string&) override { return count(); }
    int beforeWrite(int64_t, size_t) override { return count(); }
    int beforeJournalWrite(const std::string&) override { return count(); }

  private:
    int count();
    long writes_;
    bool pause_;
    long seen_ = 0;
};

/// The stop the environment asks for: KADREL_TEST_KILL_AFTER_WRITES=n kills the process at the
/// write after its n-th, KADREL_TEST_PAUSE_AFTER_WRITES=n stops it there. Null when neither is
/// set to a number.
std::unique_ptr<FileFaults> writeStopFromEnvironment();

}  // namespace kadrel::platform
