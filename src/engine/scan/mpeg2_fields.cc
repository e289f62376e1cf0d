#include "engine/scan/mpeg2_fields.h"

#include "engine/run_context.h"

namespace kadrel {

int horizontalSize(uint8_t byte4, uint8_t byte5) {
    return byte4 * 16 + (byte5 >> 4);
}

int verticalSize(uint8_t byte5, uint8_t byte6) {
    return (byte5 & 0x0F) * 256 + byte6;
}

bool isAcceptedFlagByte(uint8_t byte7) {
    const int aspect = byte7 >> 4;
    const int frameRate = byte7 & 0x0F;
    return aspect >= 1 && aspect <= 4 && frameRate >= 1 && frameRate <= 8;
}

bool isValidHorizontalResolution(uint8_t byte4, uint8_t byte5, const RunContext& ctx) {
    const int size = horizontalSize(byte4, byte5);
    const bool valid = size == 720 || size == 704 || size == 352;
    if (ctx.settings.debugMode) {
        ctx.debug(std::string("IsValidHorResolution=") + (valid ? "True" : "False") +
                  " resvalue=" + std::to_string(size));
    }
    return valid;
}

std::string byteToHex(uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string hexDump(const uint8_t* buffer, size_t bufferSize, size_t start, size_t count) {
    if (count > bufferSize)
        count = bufferSize;
    if (start + count > bufferSize)
        start = 0;
    std::string text;
    text.reserve(count * 3);
    for (size_t i = start; i < start + count; ++i)
        text += byteToHex(buffer[i]) + " ";
    return text;
}

bool isValidVideoFormat(uint8_t byte4) {
    const int format = (byte4 & 0x0F) / 2;
    return format == 1 || format == 2;
}

bool isBitSet(uint8_t value, int n) {
    return n >= 0 && n < 8 && (value & (1u << n)) != 0;
}

void encodeDisplaySize(int h, int v, DisplaySizeBytes& out) {
    h &= 0x3FFF;
    v &= 0x3FFF;
    int w1 = (h * 4) | 2;  // the marker bit between the two sizes
    if (v & 0x2000) {
        w1 |= 1;
        v &= 0x1FFF;
    }
    const int w2 = v * 8;
    out = {static_cast<uint8_t>(w1 >> 8), static_cast<uint8_t>(w1 & 0xFF), static_cast<uint8_t>(w2 >> 8),
           static_cast<uint8_t>(w2 & 0xFF)};
}

void decodeDisplaySize(const uint8_t* bytes, int& h, int& v) {
    h = (bytes[0] * 256 + bytes[1]) / 4;
    v = ((bytes[1] & 1) * 65536 + bytes[2] * 256 + bytes[3]) / 8;
}

bool isRdiPck(uint8_t byte4, uint8_t byte5, uint8_t byte6) {
    return byte4 == kRdiPckLengthHigh && byte5 == kRdiPckLengthLow && byte6 == kRdiPckSubstream;
}

}  // namespace kadrel
