#include "engine/scan/ps_continuation.h"

namespace kadrel {

namespace {

// A PES packet holds at most 65535 bytes after its length field, so the header of the packet
// that encloses a structure lies at most this far before it.
constexpr int64_t kMaxPesPacket = 6 + 65535;
// Headers between two video packets: a few packs, system headers and audio packets at most.
constexpr int kMaxSkippedHeaders = 64;
constexpr int kMaxHops = 4;

/// A video PES packet: where its payload begins and where the packet ends.
struct PacketSpan {
    int64_t payload = 0;
    int64_t end = 0;
};

bool readBytes(const ByteSource& src, int64_t offset, uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!src.byteAt(offset + static_cast<int64_t>(i), out[i]))
            return false;
    return true;
}

bool startCodeAt(const ByteSource& src, int64_t offset) {
    uint8_t b[3];
    return readBytes(src, offset, b, 3) && b[0] == 0 && b[1] == 0 && b[2] == 1;
}

bool isVideoStream(uint8_t id) {
    return id >= kVideoStreamFirst && id <= kVideoStreamLast;
}

/// Offset of the payload of the PES packet at h: the MPEG-2 header (13818-1 2.4.3.6) or
/// the MPEG-1 one (11172-1 2.4.3.3, which program streams may also carry).
bool pesPayloadStart(const ByteSource& src, int64_t h, int64_t& payload) {
    uint8_t b = 0;
    if (!src.byteAt(h + 6, b))
        return false;
    if ((b & 0xC0) == 0x80) {
        uint8_t headerLength = 0;
        if (!src.byteAt(h + 8, headerLength))
            return false;
        payload = h + 9 + headerLength;
        return true;
    }
    int64_t at = h + 6;
    for (int stuffing = 0; b == 0xFF && stuffing < 16; ++stuffing)
        if (!src.byteAt(++at, b))
            return false;
    if ((b & 0xC0) == 0x40 && !src.byteAt(at += 2, b))
        return false;
    if ((b & 0xF0) == 0x20)
        payload = at + 5;
    else if ((b & 0xF0) == 0x30)
        payload = at + 10;
    else if (b == 0x0F)
        payload = at + 1;
    else
        return false;
    return true;
}

/// The whole PES packet at h: its stream_id, payload and end.
bool pesPacket(const ByteSource& src, int64_t h, uint8_t& id, PacketSpan& span) {
    uint8_t b[6];
    if (!readBytes(src, h, b, 6) || b[0] != 0 || b[1] != 0 || b[2] != 1)
        return false;
    id = b[3];
    span.end = h + 6 + (b[4] << 8 | b[5]);
    if (!isVideoStream(id))
        return true;
    return pesPayloadStart(src, h, span.payload) && span.payload <= span.end;
}

/// Length of the system-level header at h that is not a PES packet of the video stream.
bool headerLength(const ByteSource& src, int64_t h, uint8_t id, int64_t& length) {
    uint8_t b[14];
    if (id == kPackStartCode) {
        if (!readBytes(src, h, b, 5))
            return false;
        if ((b[4] & 0xF0) == 0x20)
            return (length = 12), true;  // MPEG-1 pack
        if ((b[4] & 0xC0) != 0x40 || !readBytes(src, h, b, 14))
            return false;
        length = 14 + (b[13] & 0x07);  // pack_stuffing_length
        return true;
    }
    if (id <= kPackStartCode)
        return false;  // program end or no system code at all
    if (!readBytes(src, h, b, 6))
        return false;
    length = 6 + (b[4] << 8 | b[5]);
    return true;
}

/// The video PES packet (stream videoId) that follows the headers beginning at h.
bool nextVideoPacket(const ByteSource& src, int64_t h, uint8_t videoId, PacketSpan& span) {
    for (int i = 0; i < kMaxSkippedHeaders; ++i) {
        uint8_t id = 0;
        if (!startCodeAt(src, h) || !src.byteAt(h + 3, id))
            return false;
        if (id == videoId) {
            uint8_t got = 0;
            return pesPacket(src, h, got, span);
        }
        int64_t length = 0;
        if (!headerLength(src, h, id, length))
            return false;
        h += length;
    }
    return false;
}

/// The video PES packet whose payload holds the byte at offset start.
bool enclosingPacket(const ByteSource& src, int64_t start, uint8_t& videoId, PacketSpan& span) {
    // Video elementary streams never contain a system start code (00 00 01 B9..FF), so the
    // nearest one before the structure is the header of its packet.
    const int64_t lowest = start > kMaxPesPacket ? start - kMaxPesPacket : 0;
    for (int64_t h = start - 4; h >= lowest; --h) {
        uint8_t id = 0;
        if (!startCodeAt(src, h) || !src.byteAt(h + 3, id) || id < kProgramEndCode)
            continue;
        return isVideoStream(id) && pesPacket(src, h, videoId, span) && span.payload <= start &&
               start < span.end;
    }
    return false;
}

/// Steps over the headers at cut, which must be where the current video packet ends.
bool hop(const ByteSource& src, int64_t start, int64_t cut, uint8_t& videoId, PacketSpan& packet) {
    if (packet.end < 0 && !enclosingPacket(src, start, videoId, packet))
        return false;
    return cut == packet.end && nextVideoPacket(src, cut, videoId, packet);
}

}  // namespace

void ByteSource::setChunk(const uint8_t* data, size_t length, int64_t offset) {
    data_ = data;
    length_ = length;
    offset_ = offset;
}

bool ByteSource::byteAt(int64_t offset, uint8_t& value) const {
    if (offset >= offset_ && offset < offset_ + static_cast<int64_t>(length_)) {
        value = data_[offset - offset_];
        return true;
    }
    return offset >= 0 && file_.byteAt(offset, value);
}

Continuation locateStructure(const ByteSource& src, int64_t start, size_t count, StructureBytes& out) {
    out.count = 0;
    out.continued = false;
    PacketSpan packet{0, -1};
    uint8_t videoId = 0;
    int64_t at = start;
    for (int hops = 0; out.count < count && out.count < out.value.size();) {
        const bool atHeader = at == packet.end || (out.count >= 4 && startCodeAt(src, at));
        if (atHeader) {
            if (++hops > kMaxHops || !hop(src, start, at, videoId, packet))
                return Continuation::Uncertain;
            at = packet.payload;
            out.continued = true;
            continue;
        }
        if (!src.byteAt(at, out.value[out.count]))
            return Continuation::CutByEndOfFile;
        out.offset[out.count++] = at++;
    }
    return out.continued ? Continuation::Followed : Continuation::Whole;
}

}  // namespace kadrel
