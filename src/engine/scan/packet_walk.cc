#include "engine/scan/packet_walk.h"

#include <algorithm>
#include <cstring>

#include "engine/scan/mpeg2_fields.h"

namespace kadrel {

namespace {

enum class Parse { NeedMore, Invalid, Done };

/// A header read at a packet boundary: its length and where its payload begins.
struct Header {
    size_t length = 0;
    size_t payload = 0;
    uint8_t id = 0;
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
    forgetPacketsBefore(offset);
    const int64_t end = offset + static_cast<int64_t>(length);
    end_ = std::max(end_, end);
    while (next_ < end) {
        if (state_ == State::Resync) {
            searchPack(data, length, offset, last);
            if (state_ == State::Resync)
                break;
        } else if (next_ >= offset && end - next_ >= static_cast<int64_t>(kLongestHeader)) {
            stepWholeHeader(data + (next_ - offset));
        } else if (!stepHeader(data, length, offset, last)) {
            break;
        }
    }
}

/// The usual case, once per packet: the whole header lies in this chunk. Pack headers and the
/// packets no structure is edited in are stepped over at once.
void PacketWalk::stepWholeHeader(const uint8_t* b) {
    if (b[0] == 0 && b[1] == 0 && b[2] == 1) {
        const uint8_t id = b[3];
        if (id == kPackStartCode && (b[4] & 0xC0) == 0x40) {
            next_ += 14 + (b[13] & 0x07);
            return;
        }
        if (id >= kSystemHeaderStartCode && id != kPrivateStream2 && !isVideo(id)) {
            next_ += 6 + (b[4] << 8 | b[5]);
            return;
        }
    }
    Header h;
    if (readHeader(b, kLongestHeader, h) == Parse::Done)
        take(h.id, h.payload, h.length);
    else
        startResync();
}

void PacketWalk::forgetPacketsBefore(int64_t offset) {
    while (head_ < packets_.size() && packets_[head_].end <= offset)
        ++head_;
    if (head_ >= 64) {
        packets_.erase(packets_.begin(), packets_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    lastFound_ = head_;
}

void PacketWalk::take(uint8_t id, size_t payload, size_t length) {
    // Only the packets a structure may be edited in are kept; any other byte lies elsewhere.
    if (isVideo(id) || id == kPrivateStream2)
        packets_.push_back(
            {next_, next_ + static_cast<int64_t>(payload), next_ + static_cast<int64_t>(length), id});
    next_ += static_cast<int64_t>(length);
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
    if (parse == Parse::Invalid)
        startResync();
    else
        take(h.id, h.payload, h.length);
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
    if (!passed(offset) || head_ == packets_.size())
        return -1;
    // The scan asks about rising offsets: from the packet of the last answer, step forward.
    size_t i = std::min(lastFound_, packets_.size() - 1);
    if (packets_[i].header > offset) {
        const auto it = std::upper_bound(packets_.begin() + static_cast<std::ptrdiff_t>(head_),
                                         packets_.begin() + static_cast<std::ptrdiff_t>(i), offset,
                                         [](int64_t at, const Packet& p) { return at < p.header; });
        if (it == packets_.begin() + static_cast<std::ptrdiff_t>(head_))
            return -1;
        i = static_cast<size_t>(it - packets_.begin()) - 1;
    }
    while (i + 1 < packets_.size() && packets_[i + 1].header <= offset)
        ++i;
    lastFound_ = i;
    const Packet& p = packets_[i];
    return isVideo(p.id) && offset >= p.payload && offset < p.end ? p.end : -1;
}

bool PacketWalk::holdsVideoStructure(const StructureBytes& s) const {
    if (!active() || s.count == 0)
        return true;
    // One look-up per piece: the end of the payload holding it, 0 for a piece beyond the walk.
    int64_t end = videoPayloadEnd(s.offset[0]);
    for (size_t i = 1; i < s.count && end >= 0; ++i) {
        const int64_t at = s.offset[i];
        if (at == s.offset[i - 1] + 1) {
            if (end > 0 && at >= end)
                return false;  // runs on past its packet
            continue;
        }
        if (end > 0 && s.offset[i - 1] + 1 != end)
            return false;  // cut before its packet ends
        end = passed(at) ? videoPayloadEnd(at) : 0;
    }
    return end >= 0;
}

bool PacketWalk::packetAt(int64_t offset, uint8_t id) const {
    auto it = std::lower_bound(packets_.begin() + static_cast<std::ptrdiff_t>(head_), packets_.end(), offset,
                               [](const Packet& p, int64_t at) { return p.header < at; });
    return it != packets_.end() && it->header == offset && it->id == id;
}

std::vector<PacketWalk::Skip> PacketWalk::takeSkips() {
    std::vector<Skip> done;
    if (!skips_.empty())
        done.swap(skips_);
    return done;
}

}  // namespace kadrel
