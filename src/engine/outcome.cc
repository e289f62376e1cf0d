#include "engine/outcome.h"

#include <cerrno>
#include <utility>

#include "platform/file_copy.h"
#include "platform/file_system.h"

namespace kadrel {

Outcome Outcome::failure(int error, std::string file, std::string reason) {
    return {Status::Failed, std::move(file), error, std::move(reason)};
}

Outcome Outcome::fromError(int error, std::string file) {
    if (error == 0)
        return done();
    if (error == platform::kCopyCancelled)
        return cancelledRun();
    // A copy that does not hold its whole source is an input error with the reason why.
    if (error == platform::kSourceChanged)
        return failure(EIO, std::move(file),
                       "The source changed while it was copied (its size, modification time or identity is "
                       "not what it was when the copy began); the copy was discarded.");
    if (error == platform::kCopyIncomplete)
        return failure(
            EIO, std::move(file),
            "The source ended before the size it had when the copy began; the copy was discarded.");
    return failure(error, std::move(file));
}

bool Outcome::isTargetSide(int error) {
    if (error == ENOSPC || error == EROFS || error == EFBIG)
        return true;
#ifdef EDQUOT
    return error == EDQUOT;
#else
    // No error number of its own here: a full quota arrives as ENOSPC.
    return false;
#endif
}

Outcome Outcome::fromCopyError(int error, std::string source, std::string target) {
    return fromError(error, isTargetSide(error) ? std::move(target) : std::move(source));
}

std::string Outcome::description() const {
    if (!reason.empty())
        return reason;
    // A call that failed without setting errno: "Success" would say the opposite.
    return error == 0 ? "The system reported a failure without a reason." : platform::systemErrorText(error);
}

std::string Outcome::errorText() const {
    return kadrel::errorText(error, description());
}

std::string errorText(int number, const std::string& description) {
    if (number == 0)
        return description;
    return "Error " + std::to_string(number) + "\r\n" + description;
}

}  // namespace kadrel
