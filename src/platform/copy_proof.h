// Proof that a copy holds its source before the source may go: the copy and its folder are
// flushed to the storage device and the copy is read back from the disk, not from the cache.
// Calls return 0 or the system's error number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/content_digest.h"
#include "platform/file_system.h"

namespace kadrel::platform {

/// Flushes a file's data and metadata to the storage device. Returns 0 or an error number.
int flushFile(const std::string& path);

/// Why a copy does or does not prove its source.
enum class CopyProof { Proven, SourceChanged, CopyChanged, Differs, Unreadable };

/// Proves that copy, still the file copyId, holds source (still the file sourceId) byte for
/// byte except at the offsets in changed (sorted): the copy is flushed, its cached pages are
/// dropped and it is read back from the disk.
CopyProof proveCopy(const std::string& source, const FileId& sourceId, const std::string& copy,
                    const FileId& copyId, const std::vector<int64_t>& changed);

/// The bytes a scan wrote into a copy: their offsets, sorted, and what each held before.
struct ChangedBytes {
    std::vector<int64_t> offsets;
    std::vector<uint8_t> original;
};

/// Proves that copy, still the file copyId, holds what was read from source once: source is
/// still the file sourceId with its size and modification time (it is not read), and the copy,
/// flushed and read back from the disk with the original bytes put back where the scan wrote,
/// has the digest read. Compares like with like without a second read of the source.
CopyProof proveCopyByDigest(const std::string& source, const FileId& sourceId, const std::string& copy,
                            const FileId& copyId, const Digest& read, const ChangedBytes& changed);

/// The digest of a file as it is (read through the cache). Returns 0 or an error number.
int digestOfFile(const std::string& path, Digest& digest);

}  // namespace kadrel::platform
