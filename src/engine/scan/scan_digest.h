// The digest of a scanned file as its planned edits leave it, taken while the scan reads it: a
// copy marked 16:9 then needs no second pass over it for its digest. Each chunk is hashed once
// the scan has done with its bytes, the bytes planned by then put in; an edit planned later over
// bytes already hashed voids the digest, and the caller reads the file once more instead.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "engine/scan/chunk_scan.h"
#include "engine/scan/stream_file.h"
#include "platform/content_digest.h"

namespace kadrel {

class ScanDigest {
  public:
    explicit ScanDigest(const StreamFile& file) : file_(file) {}

    /// Hashes the bytes of chunk before the file offset end that are not hashed yet.
    void chunkDone(const ScanChunk& chunk, int64_t end);
    /// The digest of the file's size bytes with every planned byte in, when each byte was hashed
    /// once, in order, with the bytes planned for it; nullopt otherwise.
    std::optional<platform::Digest> result(int64_t size) const;

  private:
    const StreamFile& file_;
    platform::DigestState hash_;
    int64_t hashedUpTo_ = 0;
    bool gap_ = false;
    std::map<int64_t, uint8_t> hashedPlanned_;  ///< the planned bytes the hash took in
};

}  // namespace kadrel
