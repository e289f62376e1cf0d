#include "engine/scan/packet_walk.h"

#include <algorithm>
#include <cstring>

#include "engine/scan/mpeg2_fields.h"

namespace kadrel {

namespace {

enum class Parse { NeedMore, Invalid, Done };

/// A header read at a packet boundary: its length, where its payload begins, and whether it
/// is a packet (PES packet or system header) rather than a pack header or a program end.
struct Header {
    size_t length = 0;
    size_t payload = 0;
    uint8_t id = 0;
    bool packet = false;
};

bool isVideo(uint8_t id) {
    return id >= kVideoStreamFirst && id <= kVideoStreamLast;
}

/// Where the payload of a video PES packet begins: after the MPEG-2 header (13818-1 2.4.3.6)
/// or the MPEG-1 one (11172-1 2.4.3.3) with its stuffing, buffer size and time stamps.
Parse videoPayload(const uint8_t* b, size_t n, size_t& payload) {
    if (n < 7)
        return Parse::NeedMore;
    if ((b[6] & 0xC0) == 0x80) {
        if (n < 9)
            return Parse::NeedMore;
        payload = 9 + b[8];
        return Parse::Done;
    }
    size_t at = 6;
    for (int stuffing = 0; b[at] == 0xFF && stuffing < 16; ++stuffing)
        if (++at >= n)
            return Parse::NeedMore;
    if ((b[at] & 0xC0) == 0x40 && (at += 2) >= n)
        return Parse::NeedMore;
    const uint8_t flags = b[at];
    if ((flags & 0xF0) == 0x20)
        payload = at + 5;
    else if ((flags & 0xF0) == 0x30)
        payload = at + 10;
    else if (flags == 0x0F)
        payload = at + 1;
    else
        return Parse::Invalid;
    return Parse::Done;
}

/// An MPEG-1 pack header (12 bytes) or an MPEG-2 one with its stuffing.
Parse packHeader(const uint8_t* b, size_t n, Header& h) {
    if (n < 5)
        return Parse::NeedMore;
    if ((b[4] & 0xF0) == 0x20) {
        h.length = 12;
        return Parse::Done;
    }
    if ((b[4] & 0xC0) != 0x40)
        return Parse::Invalid;
    if (n < 14)
        return Parse::NeedMore;
    h.length = 14 + (b[13] & 0x07);
    return Parse::Done;
}

/// The header that begins at b, with n bytes of it at hand.
Parse readHeader(const uint8_t* b, size_t n, Header& h) {
    if (n < 4)
        return Parse::NeedMore;
    if (b[0] != 0 || b[1] != 0 || b[2] != 1)
        return Parse::Invalid;
    h.id = b[3];
    if (h.id == kPackStartCode)
        return packHeader(b, n, h);
    if (h.id == kProgramEndCode)
        return h.length = 4, Parse::Done;
    if (h.id < kSystemHeaderStartCode)
        return Parse::Invalid;  // a video or other elementary start code where a packet must begin
    if (n < 6)
        return Parse::NeedMore;
    h.length = 6 + (b[4] << 8 | b[5]);
    h.payload = 6;
    h.packet = true;
    if (!isVideo(h.id))
        return Parse::Done;
    const Parse video = videoPayload(b, n, h.payload);
    return video == Parse::Done && h.payload > h.length ? Parse::Invalid : video;
}

}  // namespace

void PacketWalk::decide(const uint8_t* data, size_t length, int64_t offset) {
    const bool pack = offset == 0 && length >= 4 && data[0] == 0 && data[1] == 0 && data[2] == 1 &&
                      data[3] == kPackStartCode;
    state_ = pack ? State::Packets : State::Off;
}

void PacketWalk::advance(const uint8_t* data, size_t length, int64_t offset, bool last) {
    if (state_ == State::Undecided)
        decide(data, length, offset);
    if (!active() || state_ == State::Ended)
        return;
    while (!packets_.empty() && packets_.front().end <= offset)
        packets_.pop_front();
    const int64_t end = offset + static_cast<int64_t>(length);
    end_ = std::max(end_, end);
    while (next_ < end) {
        if (state_ == State::Resync) {
            searchPack(data, length, offset, last);
            if (state_ == State::Resync)
                break;
        } else if (!stepHeader(data, length, offset, last)) {
            break;
        }
    }
}

const uint8_t* PacketWalk::headerBytes(const uint8_t* data, size_t length, int64_t offset, size_t& n) {
    const int64_t end = offset + static_cast<int64_t>(length);
    if (next_ >= offset) {
        n = static_cast<size_t>(end - next_);
        return data + (next_ - offset);
    }
    // The header began in the chunk before; its first bytes were kept, the rest are here.
    const int64_t rest = next_ + static_cast<int64_t>(carried_);
    if (carried_ == 0 || rest < offset || rest > end)
        return nullptr;
    const size_t more = std::min<size_t>(kLongestHeader, static_cast<size_t>(end - rest));
    std::memcpy(joined_.data(), carry_.data(), carried_);
    std::memcpy(joined_.data() + carried_, data + (rest - offset), more);
    n = carried_ + more;
    return joined_.data();
}

/// Reads the header at next_ and steps past it; false when the chunk ends first.
bool PacketWalk::stepHeader(const uint8_t* data, size_t length, int64_t offset, bool last) {
    size_t n = 0;
    const uint8_t* b = headerBytes(data, length, offset, n);
    Header h;
    const Parse parse = b ? readHeader(b, n, h) : Parse::Invalid;
    if (parse == Parse::NeedMore) {
        if (last)  // a header cut by the end of the file: nothing follows it
            next_ = offset + static_cast<int64_t>(length);
        carried_ = std::min(n, kLongestHeader);
        std::memcpy(carry_.data(), b, carried_);
        return false;
    }
    carried_ = 0;
    if (parse == Parse::Invalid) {
        startResync();
        return true;
    }
    if (h.packet)
        packets_.push_back(
            {next_, next_ + static_cast<int64_t>(h.payload), next_ + static_cast<int64_t>(h.length), h.id});
    next_ += static_cast<int64_t>(h.length);
    return true;
}

void PacketWalk::startResync() {
    state_ = State::Resync;
    skipFrom_ = next_;
    ++next_;
}

void PacketWalk::searchPack(const uint8_t* data, size_t length, int64_t offset, bool last) {
    const int64_t end = offset + static_cast<int64_t>(length);
    const int64_t from = std::max(next_, offset);
    for (int64_t q = from; q + 4 <= end; ++q) {
        const uint8_t* b = data + (q - offset);
        if (b[2] == 1 && b[0] == 0 && b[1] == 0 && b[3] == kPackStartCode) {
            skips_.push_back({skipFrom_, q - skipFrom_, false});
            next_ = q;
            state_ = State::Packets;
            return;
        }
    }
    if (last) {
        next_ = end;
        finish();
        return;
    }
    // A pack start code cut by the chunk end is read again at the start of the next chunk.
    next_ = std::max(from, end - 3);
}

void PacketWalk::finish() {
    if (state_ == State::Resync)
        skips_.push_back({skipFrom_, end_ - skipFrom_, true});
    if (active())
        state_ = State::Ended;
}

int64_t PacketWalk::videoPayloadEnd(int64_t offset) const {
    if (!passed(offset))
        return -1;
    auto it = std::upper_bound(packets_.begin(), packets_.end(), offset,
                               [](int64_t at, const Packet& p) { return at < p.header; });
    if (it == packets_.begin())
        return -1;
    --it;
    return isVideo(it->id) && offset >= it->payload && offset < it->end ? it->end : -1;
}

bool PacketWalk::holdsVideoStructure(const StructureBytes& s) const {
    if (!active())
        return true;
    int64_t end = -1;  // the end of the payload holding the byte before; 0 beyond the walk
    for (size_t i = 0; i < s.count; ++i) {
        const int64_t at = s.offset[i];
        const bool cut = i > 0 && at != s.offset[i - 1] + 1;
        if (end > 0 && (cut ? s.offset[i - 1] + 1 != end : at >= end))
            return false;
        if (passed(at))
            end = videoPayloadEnd(at);
        else
            end = i > 0 && (cut || end == 0) ? 0 : -1;
        if (end < 0)
            return false;
    }
    return true;
}

bool PacketWalk::packetAt(int64_t offset, uint8_t id) const {
    auto it = std::lower_bound(packets_.begin(), packets_.end(), offset,
                               [](const Packet& p, int64_t at) { return p.header < at; });
    return it != packets_.end() && it->header == offset && it->id == id;
}

std::vector<PacketWalk::Skip> PacketWalk::takeSkips() {
    std::vector<Skip> done;
    done.swap(skips_);
    return done;
}

}  // namespace kadrel
