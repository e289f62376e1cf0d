// Builds the byte streams the wide-screen flag tests feed to the scan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_context.h"
#include "engine/scan/wide_screen_flag.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace kadrel::test {

inline std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

/// Filler without zero bytes, so it never forms or completes a start code.
inline std::string filler(size_t n, char c = 0x55) {
    return std::string(n, c);
}

/// A 12-byte sequence header of h x v with the given byte 7.
inline std::string seqHeader(int h, int v, int flag) {
    return bytes(
        {0, 0, 1, 0xB3, h >> 4, ((h & 0x0F) << 4) | (v >> 8), v & 0xFF, flag, 0x11, 0x22, 0x33, 0x44});
}

/// A sequence display extension with byte 4 b4 (bit 0: colour description) and size bytes.
inline std::string sde(int b4, std::initializer_list<int> size) {
    std::string s = bytes({0, 0, 1, 0xB5, b4});
    if (b4 & 1)
        s += bytes({5, 5, 5});
    return s + bytes(size);
}

/// A 2010-byte private stream 2 packet with the given length bytes, sub-stream and bytes 28, 29.
inline std::string privateStream2(int lenHi, int lenLo, int sub, int b28, int b29) {
    std::string s = bytes({0, 0, 1, 0xBF, lenHi, lenLo, sub}) + filler(21, 0x66) + bytes({b28, b29});
    return s + filler(2010 - s.size(), 0x66);
}

inline std::string rdiPck(int b28, int b29) {
    return privateStream2(0x07, 0xD4, 0x50, b28, b29);
}

/// An MPEG-2 pack header with no stuffing.
inline std::string packHeader() {
    return bytes({0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0, 0x0D, 0x4B, 0xF8});
}

/// A PES packet of stream id with an MPEG-2 header carrying no optional fields.
inline std::string pesPacket(int id, const std::string& payload) {
    const size_t len = payload.size() + 3;
    return bytes({0, 0, 1, id, static_cast<int>(len >> 8), static_cast<int>(len & 0xFF), 0x81, 0, 0}) +
           payload;
}

/// A program stream: each piece of es in a video packet after a pack header and an audio
/// packet. cuts are the es offsets where a new packet begins.
inline std::string programStream(const std::string& es, std::vector<size_t> cuts) {
    cuts.push_back(es.size());
    std::string ps;
    size_t from = 0;
    for (size_t cut : cuts) {
        ps += packHeader() + pesPacket(0xC0, filler(40, 0x77)) + pesPacket(0xE0, es.substr(from, cut - from));
        from = cut;
    }
    return ps;
}

/// Settings, flags, a scripted UI and a log file for one scan.
struct PatchContext {
    TempDir dir;
    Settings settings;
    RunControl control;
    FakeUi ui;
    DebugLog log;
    RunContext ctx{settings, control, ui, log};

    explicit PatchContext(int modifySde = 2, int modifyRdiPck = 1, bool debug = false) {
        settings.modifySde = static_cast<int16_t>(modifySde);
        settings.modifyRdiPck = static_cast<int16_t>(modifyRdiPck);
        settings.debugMode = debug;
        if (debug)
            log.openDebugLog(dir.file("kadrel.dbg"));
    }
};

/// Writes contents to a file, runs setWideScreenFlag (or resetWideScreenFlag) on it and returns the result.
inline std::string patched(PatchContext& pc, const std::string& contents, bool reset = false) {
    const std::string path = pc.dir.write("clip.mpg", contents);
    if (reset)
        resetWideScreenFlag(path, pc.ctx);
    else
        setWideScreenFlag(path, pc.ctx);
    return readAll(path);
}

/// Offsets where two equal-length strings differ.
inline std::vector<size_t> changedOffsets(const std::string& a, const std::string& b) {
    std::vector<size_t> out;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i])
            out.push_back(i);
    return out;
}

}  // namespace kadrel::test
