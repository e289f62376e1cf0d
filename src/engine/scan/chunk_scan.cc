#include "engine/scan/chunk_scan.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>

namespace kadrel {

namespace {

void startChunk(const ScanChunk& chunk, std::vector<SearchKind>& kinds) {
    for (SearchKind& kind : kinds) {
        kind.done = false;
        kind.start = static_cast<size_t>(std::max<int64_t>(1, kind.resume - chunk.offset + 1));
    }
}

/// Runs the search passes over one chunk; returns the position the next chunk must begin
/// at because a structure there runs past the chunk end, or 0.
size_t runPasses(const ScanChunk& chunk, std::vector<SearchKind>& kinds) {
    size_t before = chunk.length + 1;
    bool open = true;
    while (open) {
        open = false;
        for (SearchKind& kind : kinds) {
            if (kind.done)
                continue;
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
    if (park > 0)
        next = chunk.fileOffset(park);
    else if (chunk.length == kChunkSize)
        next = end - static_cast<int64_t>(tail(chunk));
    // Every rule moves forward by thousands of bytes; this only guards against a stall.
    return next > chunk.offset ? next : end;
}

}  // namespace

size_t setTail(const ScanChunk& chunk) {
    const uint8_t* e = chunk.data + chunk.length;
    if (chunk.length >= 3 && e[-3] == 0 && e[-2] == 0 && e[-1] == 1)
        return 3;
    if (chunk.length >= 2 && e[-2] == 0 && e[-1] == 0)
        return 2;
    if (chunk.length >= 1 && e[-1] == 0)
        return 1;
    return 0;
}

size_t resetTail(const ScanChunk& chunk) {
    for (size_t back = std::min<size_t>(3, chunk.length); back > 0; --back)
        if (chunk.data[chunk.length - back] == 0)
            return back;
    return 0;
}

bool ScanChunk::read(StreamFile& file, int64_t at) {
    const uint8_t* previous = data;
    size_t got = 0;
    const uint8_t* view = file.view(at, kChunkSize, got);
    offset = at;
    length = got;
    last = got < kChunkSize;
    if (!last) {
        data = view;
        return true;
    }
    // A short chunk lies in a buffer that still holds the rest of the chunk before it, as
    // the debug dump of a header near the end of the file shows.
    if (previous && previous != buffer.data())
        std::memcpy(buffer.data(), previous, kChunkSize);
    std::memcpy(buffer.data(), view, got);
    data = buffer.data();
    return got > 0;
}

/// Calls found with the 0-based index of every 00 00 01 prefix whose code byte lies at or
/// before index length - 1, scanning from index from on.
template <typename Found>
void scalarPrefixes(const uint8_t* b, size_t from, size_t length, Found found) {
    for (size_t q = from; q + 3 < length; ++q)
        if (b[q + 2] == 1 && b[q] == 0 && b[q + 1] == 0)
            found(q);
}

#if defined(__SSE2__)
/// Sixteen prefix tests at a time: start codes are dense in video (a slice every row), so a
/// byte-wise or memchr search spends more on its hits than on the bytes between them.
template <typename Found>
size_t sse2Prefixes(const uint8_t* b, size_t length, Found& found) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    auto load = [b](size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at)); };
    size_t i = 0;
    for (; i + 19 <= length; i += 16) {
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(load(i + 2), one)));
        if (bits == 0)
            continue;
        bits &= static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(load(i), load(i + 1)), zero)));
        for (; bits != 0; bits &= bits - 1)
            found(i + static_cast<size_t>(__builtin_ctz(bits)));
    }
    return i;
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KADREL_AVX2_PREFIXES 1
/// The same test on 32 bytes at a time, for processors that have it; the scan of a copy that
/// is still in memory is bound by this loop.
template <typename Found>
__attribute__((target("avx2"))) size_t avx2Prefixes(const uint8_t* b, size_t length, Found& found) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i one = _mm256_set1_epi8(1);
    auto load = [b](size_t at) __attribute__((target("avx2"))) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + at));
    };
    size_t i = 0;
    for (; i + 35 <= length; i += 32) {
        unsigned bits = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(load(i + 2), one)));
        if (bits == 0)
            continue;
        bits &= static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_or_si256(load(i), load(i + 1)), zero)));
        for (; bits != 0; bits &= bits - 1)
            found(i + static_cast<size_t>(__builtin_ctz(bits)));
    }
    return i;
}

bool hasAvx2() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}
#endif

/// Calls found with the 0-based index of every 00 00 01 prefix whose code byte lies in the
/// chunk, in increasing order.
template <typename Found>
void findPrefixes(const uint8_t* b, size_t length, Found found) {
    size_t done = 0;
#if defined(KADREL_AVX2_PREFIXES)
    if (hasAvx2())
        done = avx2Prefixes(b, length, found);
    else
#endif
#if defined(__SSE2__)
        done = sse2Prefixes(b, length, found);
#endif
    scalarPrefixes(b, done, length, found);
}

void ScanChunk::indexStartCodes(const std::vector<uint8_t>& codes) {
    for (uint8_t code : codes)
        positions_[code].clear();
    bool wanted[256] = {};
    for (uint8_t code : codes)
        wanted[code] = true;
    const uint8_t* b = data;
    findPrefixes(b, length, [&](size_t q) {
        if (wanted[b[q + 3]])
            positions_[b[q + 3]].push_back(static_cast<uint32_t>(q + 1));
    });
}

size_t ScanChunk::find(uint8_t code, size_t from, size_t before) const {
    const std::vector<uint32_t>& list = positions_[code];
    const auto it = std::lower_bound(list.begin(), list.end(), static_cast<uint32_t>(from));
    return it != list.end() && *it < before ? *it : 0;
}

void runChunkScan(StreamFile& file, ByteSource& bytes, std::vector<SearchKind>& kinds, TailRule tail,
                  const ChunkObserver& seen, const ChunkDone& done) {
    ScanChunk chunk;
    std::vector<uint8_t> codes;
    for (const SearchKind& kind : kinds)
        codes.push_back(kind.code);
    int64_t next = 0;
    for (;;) {
        if (!chunk.read(file, next))
            return;
        bytes.setChunk(chunk.data, chunk.length, chunk.offset);
        chunk.indexStartCodes(codes);
        seen(chunk);
        startChunk(chunk, kinds);
        const size_t park = runPasses(chunk, kinds);
        for (SearchKind& kind : kinds)
            kind.resume = chunk.fileOffset(kind.start);
        next = nextChunkOffset(chunk, park, tail);
        if (done)
            done(chunk, next);
    }
}

}  // namespace kadrel
