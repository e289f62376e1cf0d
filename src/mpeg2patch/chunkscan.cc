#include "mpeg2patch/chunkscan.h"

#include <algorithm>

namespace kadrel {

namespace {

// A tick comes once per chunk and once per search pass, so 32 ticks are at most 320 KB of
// file: about 15 ms on a slow memory card, far less from disk or the page cache. That keeps
// the window responsive, while a Qt event round (a few microseconds) every 32 ticks is lost
// in the cost of reading the data.
constexpr uint32_t kEventInterval = 32;

void startChunk(const ScanChunk& chunk, std::vector<SearchKind>& kinds) {
    for (SearchKind& kind : kinds) {
        kind.done = false;
        kind.start = static_cast<size_t>(std::max<int64_t>(1, kind.resume - chunk.offset + 1));
    }
}

/// Runs the search passes over one chunk; returns the position the next chunk must begin
/// at because a structure there runs past the chunk end, or 0.
size_t runPasses(const ScanChunk& chunk, std::vector<SearchKind>& kinds, EventPump& pump) {
    size_t before = chunk.length + 1;
    bool open = true;
    while (open) {
        pump.tick();
        open = false;
        for (SearchKind& kind : kinds) {
            if (kind.done) continue;
            size_t hit = 0;
            const SearchResult result = kind.step(chunk, kind.start, before, hit);
            if (result == SearchResult::Handled) {
                open = true;
                continue;
            }
            kind.done = true;
            // Kinds still searching stop short of a structure left for the next chunk, so
            // that everything before it is handled in this one, in the usual order.
            if (result == SearchResult::NearEnd && !chunk.last) {
                before = std::min(before, hit);
                kind.start = hit;
            }
        }
    }
    return before <= chunk.length ? before : 0;
}

int64_t nextChunkOffset(const ScanChunk& chunk, size_t park, TailRule tail) {
    const int64_t end = chunk.offset + static_cast<int64_t>(chunk.length);
    int64_t next = end;
    if (park > 0) next = chunk.fileOffset(park);
    else if (chunk.length == kChunkSize) next = end - static_cast<int64_t>(tail(chunk));
    // Every rule moves forward by thousands of bytes; this only guards against a stall.
    return next > chunk.offset ? next : end;
}

}  // namespace

size_t setTail(const ScanChunk& chunk) {
    const uint8_t* e = chunk.buffer.data() + chunk.length;
    if (chunk.length >= 3 && e[-3] == 0 && e[-2] == 0 && e[-1] == 1) return 3;
    if (chunk.length >= 2 && e[-2] == 0 && e[-1] == 0) return 2;
    if (chunk.length >= 1 && e[-1] == 0) return 1;
    return 0;
}

size_t resetTail(const ScanChunk& chunk) {
    for (size_t back = std::min<size_t>(3, chunk.length); back > 0; --back)
        if (chunk.buffer[chunk.length - back] == 0) return back;
    return 0;
}

void EventPump::tick() {
    if (ticks_++ % kEventInterval == 0) ui_.processEvents();
}

void runChunkScan(StreamFile& file, ByteSource& bytes, std::vector<SearchKind>& kinds, TailRule tail,
                  EventPump& pump) {
    ScanChunk chunk;
    int64_t next = 0;
    for (;;) {
        pump.tick();
        chunk.offset = next;
        chunk.length = file.read(next, chunk.buffer.data(), kChunkSize);
        if (chunk.length == 0) return;
        chunk.last = chunk.length < kChunkSize;
        bytes.setChunk(chunk.buffer.data(), chunk.length, chunk.offset);
        startChunk(chunk, kinds);
        const size_t park = runPasses(chunk, kinds, pump);
        for (SearchKind& kind : kinds) kind.resume = chunk.fileOffset(kind.start);
        next = nextChunkOffset(chunk, park, tail);
    }
}

}  // namespace kadrel
