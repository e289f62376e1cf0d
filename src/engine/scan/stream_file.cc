#include "engine/scan/stream_file.h"

#include <algorithm>
#include <cerrno>

namespace kadrel {

namespace {
// The scan asks for 10000-byte chunks; one system call per 256 KiB instead of one per
// chunk keeps it close to the speed of a plain sequential read, and the block still fits
// the processor's second-level cache.
constexpr size_t kMainBlock = 256 << 10;
// Enough around a structure for the header of its packet (at most 64 KiB before it) and
// for the headers up to the next video packet.
constexpr size_t kAsideBlock = 192 << 10;
}  // namespace

StreamFile::StreamFile(platform::RandomAccessFile& file, bool planOnly) : file_(file), planOnly_(planOnly) {
    // A file whose length cannot be told cannot be scanned to its end either.
    noteError(file.size(size_));
    main_.bytes.resize(kMainBlock);
    aside_.bytes.resize(kAsideBlock);
}

void StreamFile::noteError(int error) {
    if (error_ == 0)
        error_ = error;
}

bool StreamFile::fill(Block& block, int64_t offset) {
    size_t got = 0;
    const int error = file_.readAt(block.bytes.data(), block.bytes.size(), offset, got);
    block.offset = offset;
    block.length = got;
    noteError(error);
    const int64_t wanted = std::min<int64_t>(static_cast<int64_t>(block.bytes.size()), size_ - offset);
    if (static_cast<int64_t>(got) < wanted)
        noteError(EIO);
    showPlanned(block);
    return block.length > 0;
}

int StreamFile::readByte(int64_t offset, uint8_t& value) {
    size_t got = 0;
    const int error = file_.readAt(&value, 1, offset, got);
    return error == 0 && got != 1 ? EIO : error;
}

void StreamFile::showPlanned(Block& block) const {
    const int64_t end = block.offset + static_cast<int64_t>(block.length);
    for (auto it = planned_.lower_bound(block.offset); it != planned_.end() && it->first < end; ++it)
        block.bytes[static_cast<size_t>(it->first - block.offset)] = it->second.after;
}

void StreamFile::plan(int64_t offset, uint8_t value) {
    const auto it = planned_.find(offset);
    if (it != planned_.end()) {
        it->second.after = value;
        return;
    }
    // An offset not planned before still holds the file's own byte in whichever block has it.
    uint8_t before = 0;
    if (main_.holds(offset))
        before = main_.bytes[static_cast<size_t>(offset - main_.offset)];
    else if (aside_.holds(offset))
        before = aside_.bytes[static_cast<size_t>(offset - aside_.offset)];
    else
        noteError(readByte(offset, before));
    planned_.emplace(offset, PlannedByte{before, value});
}

const uint8_t* StreamFile::view(int64_t offset, size_t n, size_t& got) {
    const int64_t end = main_.offset + static_cast<int64_t>(main_.length);
    const bool inside =
        main_.holds(offset) && (offset + static_cast<int64_t>(n) <= end || main_.length < kMainBlock);
    if (inside) {
        for (const PendingByte& p : pending_)
            if (main_.holds(p.offset))
                main_.bytes[static_cast<size_t>(p.offset - main_.offset)] = p.value;
    } else {
        fill(main_, offset);  // fresh from the file, writes included
    }
    pending_.clear();
    if (!main_.holds(offset)) {
        got = 0;
        return main_.bytes.data();
    }
    const size_t from = static_cast<size_t>(offset - main_.offset);
    got = std::min(n, main_.length - from);
    return main_.bytes.data() + from;
}

bool StreamFile::byteAt(int64_t offset, uint8_t& value) {
    for (const Block* block : {&main_, &aside_}) {
        if (block->holds(offset)) {
            value = block->bytes[static_cast<size_t>(offset - block->offset)];
            return true;
        }
    }
    if (offset < 0)
        return false;
    fill(aside_, std::max<int64_t>(0, offset - static_cast<int64_t>(kAsideBlock / 2)));
    if (!aside_.holds(offset))
        return false;
    value = aside_.bytes[static_cast<size_t>(offset - aside_.offset)];
    return true;
}

int64_t StreamFile::write(int64_t offset, const uint8_t* src, size_t n) {
    if (const int error = planOnly_ ? 0 : file_.writeAt(src, n, offset)) {
        noteError(error);
        return -1;
    }
    const int64_t written = static_cast<int64_t>(n);
    for (int64_t i = 0; i < written; ++i) {
        const int64_t at = offset + i;
        if (planOnly_)
            plan(at, src[i]);
        if (aside_.holds(at))
            aside_.bytes[static_cast<size_t>(at - aside_.offset)] = src[i];
        if (main_.holds(at))
            pending_.push_back({at, src[i]});
    }
    return written;
}

}  // namespace kadrel
