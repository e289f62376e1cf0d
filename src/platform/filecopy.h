// Copying and moving whole files so that no recording is ever half-written under its final
// name: a copy goes to a temporary name beside the target and only takes the target's name
// once it is complete. A move that has to copy flushes the copy before removing the source.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kadrel::platform {

/// Error number of a copy stopped through its cancel flag; no system call returns it.
inline constexpr int kCopyCancelled = 1235;

/// Bytes copied between two progress calls unless the caller asks for other slices.
inline constexpr size_t kDefaultSliceBytes = size_t{16} << 20;

/// Fault seam: tests override these to make a copy fail where they choose. Each returns 0 to
/// go on or an error number that fails the copy at that point, exactly as a failing system
/// call would (the temporary file is removed, the target stays as it was).
class CopyFaults {
public:
    virtual ~CopyFaults() = default;
    /// Before the source is opened (a test may remove the source here).
    virtual int beforeOpen(const std::string& source) {
        (void)source;
        return 0;
    }
    /// Before the slice that starts at offset is written.
    virtual int beforeSlice(int64_t offset) {
        (void)offset;
        return 0;
    }
    /// After the copy is complete, before it takes the target's name.
    virtual int beforeCommit(const std::string& target) {
        (void)target;
        return 0;
    }
};

/// How one copy or move runs.
struct CopyOptions {
    /// Replace an existing target (atomically, once the copy is complete). Off: a target that
    /// exists when the copy is complete fails the copy with EEXIST and is left untouched.
    bool replaceExisting = false;
    /// Checked before every slice and after the last; non-zero cancels with kCopyCancelled.
    const std::atomic<int32_t>* cancel = nullptr;
    /// Called after every slice with the bytes done and the source's size.
    std::function<void(int64_t done, int64_t total)> progress;
    /// Fault seam for tests; null in the program.
    CopyFaults* faults = nullptr;
    /// Bytes per slice; 0 means kDefaultSliceBytes.
    size_t sliceBytes = 0;
};

/// Copies the contents of source to target (mode bits as the source has them, write bits
/// only if the source has them). Returns 0 or an error number; on failure nothing is left
/// under the target name that was not there before.
int copyFile(const std::string& source, const std::string& target, const CopyOptions& options);

/// Renames source to target; across file systems copies, flushes, carries the times over and
/// removes the source. Returns 0 or an error number; the source stays where it was on failure.
int moveFile(const std::string& source, const std::string& target, const CopyOptions& options);

/// Flushes a file's data and metadata to the storage device. Returns 0 or an error number.
int flushFile(const std::string& path);

/// The size of a file in bytes, -1 when it cannot be examined.
int64_t fileSize(const std::string& path);

/// True when both paths name the same existing file (also through links).
bool isSameFile(const std::string& a, const std::string& b);

}  // namespace kadrel::platform
