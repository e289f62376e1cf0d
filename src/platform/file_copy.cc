#include "platform/file_copy.h"

#include <cerrno>
#include <utility>

#include "platform/copy_proof.h"
#include "platform/file_io.h"
#include "platform/file_naming.h"

namespace kadrel::platform {

StagedCopy::~StagedCopy() {
    discard();
    release();
}

StagedCopy& StagedCopy::operator=(StagedCopy&& other) noexcept {
    if (this != &other) {
        discard();
        release();
        temporary_ = std::exchange(other.temporary_, std::string());
        target_ = std::move(other.target_);
        lock_ = std::exchange(other.lock_, -1);
        ids_ = other.ids_;
        sourceWritable_ = other.sourceWritable_;
        faults_ = other.faults_;
    }
    return *this;
}

int copyFile(const std::string& source, const std::string& target, const CopyOptions& options) {
    StagedCopy staged;
    if (const int e = stageCopy(source, target, options, staged))
        return e;
    if (const int e = staged.commit(target, options.replaceExisting))
        return e;
    return staged.release();
}

int moveFile(const std::string& source, const std::string& target, const CopyOptions& options) {
    if (options.faults)
        if (const int e = options.faults->beforeOpen(source))
            return e;
    int e = options.faults ? options.faults->beforeRename(source, target) : 0;
    if (e == 0)
        e = renameInto(source, target, options.replaceExisting);
    if (e != EXDEV)
        return e;
    FileTimes times;
    const bool haveTimes = getFileTimes(source, times) == 0;
    if (const int c = copyFile(source, target, options))
        return c;
    if (haveTimes)
        setFileTimes(target, times);
    if (const int f = flushFile(target))
        return f;
    return removeNamedFile(source);
}

}  // namespace kadrel::platform
