// Following a video structure across the pack and PES headers that a program-stream muxer
// may put in the middle of it, so that its bytes are examined and edited where they are.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/scan/mpeg2_fields.h"
#include "engine/scan/stream_file.h"

namespace kadrel {

/// Bytes as the scan sees them: from the chunk it holds when they lie there, else from the
/// file. The chunk keeps the bytes as they were read, even after a write.
class ByteSource {
  public:
    /// Serves bytes outside the chunk from file.
    explicit ByteSource(StreamFile& file) : file_(file) {}
    /// The chunk now held: length bytes of data read from file offset offset.
    void setChunk(const uint8_t* data, size_t length, int64_t offset);
    /// One byte at a file offset; false past the end of the file.
    bool byteAt(int64_t offset, uint8_t& value) const;

  private:
    StreamFile& file_;
    const uint8_t* data_ = nullptr;
    size_t length_ = 0;
    int64_t offset_ = 0;
};

/// The first bytes of a structure and the file offset of each.
struct StructureBytes {
    std::array<uint8_t, kRdiPckExamined> value{};
    std::array<int64_t, kRdiPckExamined> offset{};
    size_t count = 0;
    bool continued = false;  ///< at least one packet header lies between its bytes
};

/// How the bytes of a structure were found.
enum class Continuation {
    Whole,           ///< one run of bytes, as the byte search found it
    Followed,        ///< cut by packet headers and followed into the next video packet
    CutByEndOfFile,  ///< the file ends before the structure does
    Uncertain,       ///< cut, but where it goes on cannot be established for certain
};

/// Maps the first count bytes (at most kRdiPckExamined) of the video structure whose start
/// code begins at file offset start. A 00 00 01 inside those bytes (or 00 00 ending them)
/// is the beginning of an interrupting header; it is followed only when it begins exactly
/// where the enclosing video PES packet ends and every header up to the next packet of the
/// same stream parses.
Continuation locateStructure(const ByteSource& src, int64_t start, size_t count, StructureBytes& out);

}  // namespace kadrel
