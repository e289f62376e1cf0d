// The chunked scan shared by setting and resetting the wide-screen flag: 10000-byte chunks,
// search passes over several structure kinds, and the rules that decide where the next
// chunk begins so that no structure is cut by a chunk end.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/scan/ps_continuation.h"
#include "engine/scan/stream_file.h"

namespace kadrel {

inline constexpr size_t kChunkSize = 10000;

/// The chunk a scan holds. Positions are 1-based: position p is data[p - 1].
struct ScanChunk {
    const uint8_t* data = nullptr;             ///< kChunkSize bytes: a view of the file, or buffer
    std::array<uint8_t, kChunkSize> buffer{};  ///< holds the last, short chunk
    size_t length = 0;
    int64_t offset = 0;  ///< file offset of position 1
    bool last = false;   ///< shorter than a full chunk: the file ends with it

    /// File offset of a 1-based position.
    int64_t fileOffset(size_t position) const { return offset + static_cast<int64_t>(position) - 1; }
    /// Takes length bytes of the file at offset; false at the end of the file.
    bool read(StreamFile& file, int64_t at);
    /// Lists where each start code of codes lies; done once per chunk for all searches.
    void indexStartCodes(const std::vector<uint8_t>& codes);
    /// 1-based position of the first start code 00 00 01 code at a position in [from, before)
    /// with all four bytes in the chunk, or 0; code must have been indexed.
    size_t find(uint8_t code, size_t from, size_t before) const;

  private:
    std::array<std::vector<uint32_t>, 256> positions_;
};

/// What one search of a pass did.
enum class SearchResult {
    NotFound,  ///< nothing more of this kind before the limit
    Handled,   ///< a structure was handled; the search start moved past it
    NearEnd,   ///< a structure's bytes run past the chunk end; hit is its position
};

/// One structure kind. step searches from start for hits at positions below before,
/// handles one and moves start, or reports a hit too near the chunk end.
struct SearchKind {
    uint8_t code = 0;  ///< the start code value the kind searches for
    std::function<SearchResult(const ScanChunk& chunk, size_t& start, size_t before, size_t& hit)> step;
    int64_t resume = 0;  ///< file offset where the next search of this kind begins
    size_t start = 1;
    bool done = false;
};

/// Where a full chunk's end may cut a start code, the count of bytes to read again.
using TailRule = size_t (*)(const ScanChunk& chunk);
/// 00 00 01, 00 00 or 00 at the end: the longest start-code beginning there.
size_t setTail(const ScanChunk& chunk);
/// The first 00 among the last three bytes.
size_t resetTail(const ScanChunk& chunk);

/// Called with every chunk read, before it is searched.
using ChunkObserver = std::function<void(const ScanChunk& chunk)>;

/// Called once the scan is done with a chunk's bytes before end (a file offset): they are not
/// read again.
using ChunkDone = std::function<void(const ScanChunk& chunk, int64_t end)>;

/// Scans the whole file chunk by chunk; bytes and seen are told of every chunk read, done (when
/// set) of every chunk searched.
void runChunkScan(StreamFile& file, ByteSource& bytes, std::vector<SearchKind>& kinds, TailRule tail,
                  const ChunkObserver& seen, const ChunkDone& done = {});

}  // namespace kadrel
