// How an engine call ended. Every entry point of the engine that can fail says so in one way:
// done, cancelled by the user, or failed with the file it concerns and the system's error
// number. Results that carry more (the offsets a scan wrote, the counts of a run) build on it.
#pragma once

#include <string>

namespace kadrel {

struct Outcome {
    enum class Status { Done, Cancelled, Failed };

    Status status = Status::Done;
    std::string file;    ///< the file a failure concerns; "" when it concerns none
    int error = 0;       ///< the system's error number (errno) of a failure; 0 when there is none
    std::string reason;  ///< in place of the system's text, when the failure is the engine's own

    bool ok() const { return status == Status::Done; }
    bool failed() const { return status == Status::Failed; }
    bool cancelled() const { return status == Status::Cancelled; }

    static Outcome done() { return {}; }
    static Outcome cancelledRun() { return {Status::Cancelled, {}, 0, {}}; }
    /// A failure with the system's error number, or with the engine's own reason.
    static Outcome failure(int error, std::string file, std::string reason = {});
    /// What a platform call's error number means: 0 done, the copy's cancel number cancelled,
    /// anything else a failure concerning file.
    static Outcome fromError(int error, std::string file);
    /// The same for a copy from source to target: a failure names the file whose side failed,
    /// the target when it is full, read-only or cannot take a file that large, else the source.
    static Outcome fromCopyError(int error, std::string source, std::string target);
    /// True for the errors of a full or read-only target, which the target's name explains.
    static bool isTargetSide(int error);

    /// Why it failed: the reason, else the system's text for the error number.
    std::string description() const;
    /// "Error " + number + CR LF + description, the first lines of every failure's message; the
    /// description alone when there is no number.
    std::string errorText() const;
};

/// "Error " + number + CR LF + description; the description alone for number 0, which is no
/// error the user could look up.
std::string errorText(int number, const std::string& description);

}  // namespace kadrel
