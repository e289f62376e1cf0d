// An independent check of a scan's result on any input: the length is kept and every
// changed byte belongs to a structure the scan may edit.
#pragma once

#include <cstdint>
#include <string>

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

/// Empty when after is a possible result of scanning before, else what is wrong.
inline std::string checkScanResult(const std::string& before, const std::string& after) {
    if (before.size() != after.size())
        return "length changed";
    for (size_t x = 0; x < before.size(); ++x) {
        if (before[x] == after[x])
            continue;
        if (!insideEditableStructure(before, x) && !nearVideoPayloadStart(before, x))
            return "byte " + std::to_string(x) + " changed outside any structure";
    }
    return "";
}

}  // namespace kadrel::test
