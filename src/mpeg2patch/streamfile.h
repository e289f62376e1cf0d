// The file under a scan: small positional reads served from one large cached block, and
// positional writes that keep that block in step with the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/fileio.h"

namespace kadrel {

class StreamFile {
public:
    /// Reads and writes through file, which must stay open while this object is used.
    explicit StreamFile(platform::RandomAccessFile& file);

    /// Copies up to n bytes from offset; returns the count copied (short at the end).
    size_t read(int64_t offset, uint8_t* dst, size_t n);
    /// One byte at offset; false past the end of the file or on a read error.
    bool byteAt(int64_t offset, uint8_t& value);
    /// Writes n bytes at offset; returns the count written, -1 on error.
    int64_t write(int64_t offset, const uint8_t* src, size_t n);

private:
    bool fill(int64_t offset);

    platform::RandomAccessFile& file_;
    std::vector<uint8_t> block_;
    int64_t blockOffset_ = 0;
    size_t blockLength_ = 0;
};

}  // namespace kadrel
