// Copying and moving whole files so that no recording is ever half-written under its final
// name: a copy goes to a temporary name beside the target and only takes the target's name
// once it holds every byte its source had, is flushed to the disk, and the source did not
// change meanwhile. A move that has to copy flushes the copy before removing the source.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/content_digest.h"
#include "platform/file_faults.h"
#include "platform/file_system.h"

namespace kadrel::platform {

/// Error numbers of a copy that no system call returns. Stopped through its cancel flag:
inline constexpr int kCopyCancelled = 1235;
/// The source's identity, size or modification time changed while it was copied:
inline constexpr int kSourceChanged = 1236;
/// The source ended before the size it had when its copy began:
inline constexpr int kCopyIncomplete = 1237;

/// Bytes copied between two progress calls unless the caller asks for other slices.
inline constexpr size_t kDefaultSliceBytes = size_t{16} << 20;

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
    FileFaults* faults = nullptr;
    /// Bytes per slice; 0 means kDefaultSliceBytes.
    size_t sliceBytes = 0;
    /// Set: every byte passes through memory, read once, hashed and written, and the digest of
    /// what was read is left here once the copy is whole. Null: the kernel copies where the system
    /// has a copy of its own that goes slice by slice (Linux); elsewhere every copy is buffered.
    Digest* digest = nullptr;
};

/// The files a copy read and made, as they were when the copy took its name.
struct CopiedFile {
    FileId source;
    FileId copy;
};

/// A complete copy under a hidden temporary name beside its target that has not taken the
/// target's name yet; work on the copy (a 16:9 scan, its times) is done before it does. The
/// object holds a lock on the temporary file for as long as it lives, so that no other run
/// takes it for the leftover of a killed one. The temporary file is removed when the object
/// goes without a commit.
class StagedCopy {
  public:
    StagedCopy() = default;
    ~StagedCopy();
    StagedCopy(StagedCopy&& other) noexcept { *this = std::move(other); }
    StagedCopy& operator=(StagedCopy&& other) noexcept;

    /// The temporary file, "" when nothing is staged.
    const std::string& temporary() const { return temporary_; }
    /// Flushes the copy to the disk and gives it the target's name, read-only when its source
    /// was. Returns 0 or an error number; EEXIST (a file took the name, replace off) leaves the
    /// copy staged for another name. ids() tells the files once this succeeded.
    int commit(const std::string& target, bool replace);
    const CopiedFile& ids() const { return ids_; }
    /// After the commit: lets go of the copy and its lock. Returns 0 or the error close()
    /// reports; the copy keeps its name either way.
    int release();
    /// Removes the temporary file.
    void discard();

  private:
    friend int stageCopy(const std::string&, const std::string&, const CopyOptions&, StagedCopy&);
    std::string temporary_;
    std::string target_;  ///< the name the copy took
    intptr_t lock_ = -1;  ///< the open descriptor (POSIX) or handle (Windows) that holds the lock
    CopiedFile ids_;
    bool sourceWritable_ = true;
    FileFaults* faults_ = nullptr;
};

/// Copies the contents of a regular file source to a temporary file beside target: exactly the
/// source's size at open, failing with kSourceChanged or kCopyIncomplete when the source changed
/// or ended early. Returns 0 or an error number; on failure no temporary file is left.
int stageCopy(const std::string& source, const std::string& target, const CopyOptions& options,
              StagedCopy& staged);

/// Copies source to target: stageCopy, commit, release. Returns 0 or an error number; on failure
/// nothing is left under the target name that was not there before, unless only the close of the
/// named copy failed.
int copyFile(const std::string& source, const std::string& target, const CopyOptions& options);

/// Renames source to target; across file systems copies, flushes, carries the times over and
/// removes the source. Returns 0 or an error number; the source stays where it was on failure.
int moveFile(const std::string& source, const std::string& target, const CopyOptions& options);

/// Removes this program's temporary copies in folder that no process holds locked (a run holds
/// its lock until the copy has its name); where the file system refuses locks none is removed.
/// Returns the names removed.
std::vector<std::string> removeStaleTemporaries(const std::string& folder);

}  // namespace kadrel::platform
