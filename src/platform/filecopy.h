// Copying and moving whole files so that no recording is ever half-written under its final
// name: a copy goes to a temporary name beside the target and only takes the target's name
// once it is complete. A move that has to copy flushes the copy before removing the source.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/filefaults.h"
#include "platform/filesys.h"

namespace kadrel::platform {

/// Error number of a copy stopped through its cancel flag; no system call returns it.
inline constexpr int kCopyCancelled = 1235;

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
    /// Runs on the complete temporary copy before it takes the target's name (the 16:9 scan
    /// and the times); an error number discards the copy. Null: nothing to do.
    std::function<int(const std::string& temporary)> finish;
    /// Bytes per slice; 0 means kDefaultSliceBytes.
    size_t sliceBytes = 0;
};

/// The files a copy read and made, as they were when the copy took its name.
struct CopiedFile {
    FileId source;
    FileId copy;
};

/// Copies the contents of a regular file source to target (mode bits as the source has them,
/// write bits only if the source has them). Returns 0 or an error number; on failure nothing
/// is left under the target name that was not there before. made, when given, receives the
/// identities of both files.
int copyFile(const std::string& source, const std::string& target, const CopyOptions& options,
             CopiedFile* made = nullptr);

/// Renames source to target; across file systems copies, flushes, carries the times over and
/// removes the source. Returns 0 or an error number; the source stays where it was on failure.
int moveFile(const std::string& source, const std::string& target, const CopyOptions& options);

/// Flushes a file's data and metadata to the storage device. Returns 0 or an error number.
int flushFile(const std::string& path);

/// Flushes a folder's entries (new and renamed names) to the storage device.
int flushFolder(const std::string& folder);

/// Why a copy does or does not prove its source.
enum class CopyProof { Proven, SourceChanged, CopyChanged, Differs, Unreadable };

/// Proves that copy, still the file copyId, holds source (still the file sourceId) byte for
/// byte except at the offsets in changed (sorted): the copy is flushed, its cached pages are
/// dropped and it is read back from the disk.
CopyProof proveCopy(const std::string& source, const FileId& sourceId, const std::string& copy,
                    const FileId& copyId, const std::vector<int64_t>& changed);

/// Removes this program's temporary copies in folder whose process no longer runs; returns
/// the names removed.
std::vector<std::string> removeStaleTemporaries(const std::string& folder);

}  // namespace kadrel::platform
