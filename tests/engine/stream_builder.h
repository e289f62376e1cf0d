// Byte-by-byte builders of MPEG-2 streams and a context for one scan, shared by the scan tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/run_context.h"
#include "engine/scan/wide_screen_flag.h"
#include "platform/copy_proof.h"
#include "platform/file_io.h"
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

/// A 2010-byte private stream 2 packet with bytes 28 and 29: an RDI-PCK unless its length's low
/// byte or its sub-stream say otherwise.
inline std::string rdiPck(int b28, int b29, int lenLo = 0xD4, int sub = 0x50) {
    std::string s = bytes({0, 0, 1, 0xBF, 0x07, lenLo, sub}) + filler(21, 0x66) + bytes({b28, b29});
    return s + filler(2010 - s.size(), 0x66);
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

struct PatchContext {
    TempDir dir;
    Settings settings;
    RunControl control;
    DebugLog log;
    RunContext ctx{settings, control, log};

    explicit PatchContext(int modifySde = 2, int modifyRdiPck = 1, bool debug = false) {
        settings.sdeMode = static_cast<SdeMode>(modifySde);
        settings.rdiPckMode = static_cast<RdiPckMode>(modifyRdiPck);
        settings.debugMode = debug;
        if (debug)
            log.openDebugLog(dir.file("kadrel.dbg"));
    }
};

/// "" when got is want, else where and how they first differ (a short message for long streams).
inline std::string difference(const std::string& got, const std::string& want) {
    if (got == want)
        return "";
    size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at])
        ++at;
    if (at == got.size() || at == want.size())
        return "length " + std::to_string(got.size()) + " instead of " + std::to_string(want.size());
    return "byte " + std::to_string(at) + " is " + std::to_string(static_cast<uint8_t>(got[at])) +
           " instead of " + std::to_string(static_cast<uint8_t>(want[at]));
}

/// What a shell command prints on standard output and standard error.
inline std::string shell(const std::string& command) {
    std::string out;
    if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

/// contents as a file after the scan (or the reset). A digest the scan took on its way must be
/// the digest of that file.
inline std::string patched(PatchContext& pc, const std::string& contents, bool reset = false) {
    const std::string path = pc.dir.write("clip.mpg", contents);
    const ScanOptions digest{false, nullptr, false, true};
    const ScanOutcome scan =
        reset ? resetWideScreenFlag(path, pc.ctx, digest) : setWideScreenFlag(path, pc.ctx, digest);
    platform::Digest after;
    EXPECT_EQ(platform::digestOfFile(path, after), 0);
    if (scan.digest) {
        EXPECT_EQ(scan.digest->hex(), after.hex()) << (reset ? "reset" : "set");
    }
    return readAll(path);
}

}  // namespace kadrel::test
