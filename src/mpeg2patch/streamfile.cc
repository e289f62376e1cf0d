#include "mpeg2patch/streamfile.h"

#include <algorithm>
#include <cstring>

namespace kadrel {

namespace {
// The scan asks for 10000-byte chunks; one system call per megabyte instead of one per
// chunk keeps it close to the speed of a plain sequential read.
constexpr size_t kBlockSize = 1 << 20;
}  // namespace

StreamFile::StreamFile(platform::RandomAccessFile& file) : file_(file), block_(kBlockSize) {}

bool StreamFile::fill(int64_t offset) {
    const int64_t got = file_.readAt(block_.data(), block_.size(), offset);
    blockOffset_ = offset;
    blockLength_ = got > 0 ? static_cast<size_t>(got) : 0;
    return blockLength_ > 0;
}

size_t StreamFile::read(int64_t offset, uint8_t* dst, size_t n) {
    size_t done = 0;
    while (done < n && offset >= 0) {
        const int64_t at = offset + static_cast<int64_t>(done);
        const bool inside = at >= blockOffset_ && at < blockOffset_ + static_cast<int64_t>(blockLength_);
        if (!inside && !fill(at)) break;
        const size_t from = static_cast<size_t>(at - blockOffset_);
        const size_t take = std::min(n - done, blockLength_ - from);
        std::memcpy(dst + done, block_.data() + from, take);
        done += take;
    }
    return done;
}

bool StreamFile::byteAt(int64_t offset, uint8_t& value) {
    if (offset >= blockOffset_ && offset < blockOffset_ + static_cast<int64_t>(blockLength_)) {
        value = block_[static_cast<size_t>(offset - blockOffset_)];
        return true;
    }
    return read(offset, &value, 1) == 1;
}

int64_t StreamFile::write(int64_t offset, const uint8_t* src, size_t n) {
    const int64_t written = file_.writeAt(src, n, offset);
    // A chunk read again after a write must see the new bytes, as it would from the file.
    for (int64_t i = 0; i < written; ++i) {
        const int64_t at = offset + i;
        if (at >= blockOffset_ && at < blockOffset_ + static_cast<int64_t>(blockLength_))
            block_[static_cast<size_t>(at - blockOffset_)] = src[i];
    }
    return written;
}

}  // namespace kadrel
