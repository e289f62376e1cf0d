// Companions laid out as camcorders write them, for tests that need a card of clips.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace kadrel::test {

/// The fields of a .MOI; the defaults are those of a real 16:9 PAL recording.
struct Moi {
    int year = 2009, month = 7, day = 17, hour = 14, minute = 18;
    int msOfMinute = 50000;  ///< seconds x 1000 + milliseconds
    uint32_t lengthMs = 1440;
    uint8_t format = 0x55;  ///< high nibble TV system, low nibble 0/1 4:3, 4/5 16:9
    size_t size = 256;
    std::string version = "V6";
};

/// The bytes: version at 0, big-endian time at 0x06, length at 0x0E, format at 0x80.
inline std::string moiBytes(const Moi& m) {
    std::string b(std::max<size_t>(m.size, 0x81), '\0');
    auto put = [&b](size_t at, uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i, value >>= 8)
            b[at + i] = static_cast<char>(value & 0xFF);
    };
    b.replace(0, m.version.size(), m.version);
    put(0x06, m.year, 2);
    put(0x08, m.month, 1);
    put(0x09, m.day, 1);
    put(0x0A, m.hour, 1);
    put(0x0B, m.minute, 1);
    put(0x0C, m.msOfMinute, 2);
    put(0x0E, m.lengthMs, 4);
    put(0x80, m.format, 1);
    b.resize(m.size);
    return b;
}

}  // namespace kadrel::test
