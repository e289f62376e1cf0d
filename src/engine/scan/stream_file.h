// The file under a scan: chunks handed out as views into one large cached block, single
// bytes elsewhere from a second block, and positional writes that reach the cached bytes
// only when the scan takes its next chunk, as a chunk read into a buffer would behave.
// A file opened for planning is never written: its writes are kept as planned bytes, and
// every read shows them, exactly as the file would after the writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/file_io.h"

namespace kadrel {

class StreamFile {
  public:
    /// One byte a planning scan would write: what the file holds there and what it would get.
    struct PlannedByte {
        uint8_t before = 0;
        uint8_t after = 0;
    };

    /// Reads and writes through file, which must stay open while this object is used; with
    /// planOnly, writes are only planned and the file is only read.
    explicit StreamFile(platform::RandomAccessFile& file, bool planOnly = false);

    /// Up to n bytes from offset, valid until the next call of view; got is the count
    /// (short at the end of the file).
    const uint8_t* view(int64_t offset, size_t n, size_t& got);
    /// One byte at offset; false past the end of the file or on a read error.
    bool byteAt(int64_t offset, uint8_t& value);
    /// Writes n bytes at offset (plans them, when planning); returns the count written, -1 on error.
    int64_t write(int64_t offset, const uint8_t* src, size_t n);
    /// The first read or write error of the scan, 0 when there was none. A read that ends
    /// before the file does counts as one: the rest of the file would go unscanned.
    int error() const { return error_; }
    /// Every byte planned so far by its offset; the last write of an offset gives its after.
    const std::map<int64_t, PlannedByte>& planned() const { return planned_; }

  private:
    struct Block {
        std::vector<uint8_t> bytes;
        int64_t offset = 0;
        size_t length = 0;
        bool holds(int64_t at) const { return at >= offset && at < offset + static_cast<int64_t>(length); }
    };
    struct PendingByte {
        int64_t offset;
        uint8_t value;
    };
    bool fill(Block& block, int64_t offset);
    void plan(int64_t offset, uint8_t value);
    /// The file's byte at offset; EIO past its end.
    int readByte(int64_t offset, uint8_t& value);
    void showPlanned(Block& block) const;
    void noteError(int error);

    platform::RandomAccessFile& file_;
    int64_t size_ = 0;  ///< the file's length when the scan began; a scan never changes it
    int error_ = 0;
    Block main_;                        ///< where chunks are viewed
    Block aside_;                       ///< bytes around a structure outside the main block
    std::vector<PendingByte> pending_;  ///< written bytes the main block shows from the next view on
    bool planOnly_ = false;
    std::map<int64_t, PlannedByte> planned_;
};

}  // namespace kadrel
