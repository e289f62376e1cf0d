// An independent check of a scan's result on any input: the length is kept and every
// changed byte belongs to a structure the scan may edit, and in a program stream lies in the
// packet that structure belongs to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kadrel::test {

inline bool startCodeAt(const std::string& s, size_t at, uint8_t code) {
    return at + 4 <= s.size() && s[at] == 0 && s[at + 1] == 0 && s[at + 2] == 1 &&
           static_cast<uint8_t>(s[at + 3]) == code;
}

/// True when offset x may hold an edited byte of a structure whose start code lies in s.
inline bool insideEditableStructure(const std::string& s, size_t x) {
    if (x >= 7 && startCodeAt(s, x - 7, 0xB3))
        return true;  // aspect_ratio_information
    for (size_t back = 0; back < 12 && back <= x; ++back)
        if (startCodeAt(s, x - back, 0xB5))
            return true;  // extension bytes
    for (size_t back : {28, 29})
        if (back <= x && startCodeAt(s, x - back, 0xBF))
            return true;  // RDI-PCK bytes 28, 29
    return false;
}

/// Where the payload of the video PES packet whose start code lies at h begins, after an
/// MPEG-2 or an MPEG-1 packet header.
inline size_t videoPayloadStart(const std::string& s, size_t h) {
    auto u = [&](size_t i) { return i < s.size() ? static_cast<uint8_t>(s[i]) : 0; };
    size_t p = h + 6;
    if ((u(p) & 0xC0) == 0x80)
        return h + 9 + u(h + 8);
    for (int i = 0; i < 16 && u(p) == 0xFF; ++i)
        ++p;
    if ((u(p) & 0xC0) == 0x40)
        p += 2;
    return p + ((u(p) & 0xF0) == 0x20 ? 5 : (u(p) & 0xF0) == 0x30 ? 10 : 1);
}

/// True when offset x lies in the first 12 payload bytes of a video PES packet of s: where
/// the rest of a structure cut by packet headers goes on.
inline bool nearVideoPayloadStart(const std::string& s, size_t x) {
    auto u = [&](size_t i) { return i < s.size() ? static_cast<uint8_t>(s[i]) : 0; };
    for (size_t back = 9; back < 12 + 9 + 255 + 16 + 10 && back <= x; ++back) {
        const size_t h = x - back;
        if (!(u(h) == 0 && u(h + 1) == 0 && u(h + 2) == 1 && u(h + 3) >= 0xE0 && u(h + 3) <= 0xEF))
            continue;
        const size_t p = videoPayloadStart(s, h);
        if (x >= p && x < p + 12)
            return true;
    }
    return false;
}

/// True when the video PES packet at h has a header of MPEG-2 or MPEG-1 form.
inline bool videoHeaderParses(const std::string& s, size_t h) {
    auto u = [&](size_t i) { return i < s.size() ? static_cast<uint8_t>(s[i]) : 0; };
    if ((u(h + 6) & 0xC0) == 0x80)
        return true;
    size_t p = h + 6;
    for (int i = 0; i < 16 && u(p) == 0xFF; ++i)
        ++p;
    if ((u(p) & 0xC0) == 0x40)
        p += 2;
    return (u(p) & 0xF0) == 0x20 || (u(p) & 0xF0) == 0x30 || u(p) == 0x0F;
}

enum : uint8_t { kOtherByte, kVideoPayload, kPrivateStream2Start };

/// For a stream that begins with a pack header, what each byte is: video PES payload, the first
/// byte of a private stream 2 packet, or anything else; after a header that does not parse, the
/// next pack header goes on. Empty for any other stream.
inline std::vector<uint8_t> packetMap(const std::string& s) {
    std::vector<uint8_t> kind;
    if (!startCodeAt(s, 0, 0xBA))
        return kind;
    kind.assign(s.size(), kOtherByte);
    auto u = [&](size_t i) { return i < s.size() ? static_cast<uint8_t>(s[i]) : 0; };
    for (size_t h = 0; h + 4 <= s.size();) {
        const uint8_t id = u(h + 3);
        size_t length = 0;  // 0: no header that parses
        if (!(u(h) == 0 && u(h + 1) == 0 && u(h + 2) == 1) || (id < 0xBB && id != 0xBA && id != 0xB9))
            length = 0;
        else if (id == 0xBA)
            length = (u(h + 4) & 0xF0) == 0x20 ? 12 : (u(h + 4) & 0xC0) == 0x40 ? 14 + (u(h + 13) & 7) : 0;
        else if (id == 0xB9)
            length = 4;
        else
            length = 6 + (u(h + 4) << 8 | u(h + 5));
        if (length > 0 && id >= 0xE0 && id <= 0xEF) {
            const size_t payload = videoPayloadStart(s, h);
            if (!videoHeaderParses(s, h) || payload > h + length)
                length = 0;
            for (size_t x = payload; length > 0 && x < h + length && x < s.size(); ++x)
                kind[x] = kVideoPayload;
        }
        if (length > 0 && id == 0xBF)
            kind[h] = kPrivateStream2Start;
        if (length == 0) {
            h = s.find(std::string("\0\0\1\xBA", 4), h + 1);
            if (h == std::string::npos)
                break;
            continue;
        }
        h += length;
    }
    return kind;
}

/// Empty when after is a possible result of scanning before, else what is wrong.
inline std::string checkScanResult(const std::string& before, const std::string& after) {
    if (before.size() != after.size())
        return "length changed";
    const std::vector<uint8_t> packets = packetMap(before);
    for (size_t x = 0; x < before.size(); ++x) {
        if (before[x] == after[x])
            continue;
        if (!insideEditableStructure(before, x) && !nearVideoPayloadStart(before, x))
            return "byte " + std::to_string(x) + " changed outside any structure";
        if (packets.empty())
            continue;
        const bool rdiByte = (x >= 28 && packets[x - 28] == kPrivateStream2Start) ||
                             (x >= 29 && packets[x - 29] == kPrivateStream2Start);
        if (packets[x] != kVideoPayload && !rdiByte)
            return "byte " + std::to_string(x) + " changed outside the packet its structure belongs to";
    }
    return "";
}

}  // namespace kadrel::test
