#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/manifest_check.h"
#include "support/temp_dir.h"
#include "xxhash.h"

namespace kadrel::test {
namespace {

/// The digest as xxh128sum prints it: the canonical (big-endian) bytes in lowercase hex.
std::string hexDigest(const std::string& bytes) {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits(bytes.data(), bytes.size()));
    std::string hex;
    char two[3];
    for (const unsigned char byte : canonical.digest) {
        std::snprintf(two, sizeof two, "%02x", byte);
        hex += two;
    }
    return hex;
}

}  // namespace

// No xxh128sum runs under Wine: the same check, line by line, with the library's own hash.
int checkManifest(const std::string& folder) {
    std::ifstream manifest(folder + "/kadrel.xxh128", std::ios::binary);
    if (!manifest)
        return 1;
    std::string line;
    int lines = 0;
    while (std::getline(manifest, line)) {
        if (line.size() < 35 || line.compare(32, 2, "  ") != 0)
            return 1;
        const std::string path = folder + "/" + line.substr(34);
        if (!std::ifstream(path) || hexDigest(readAll(path)) != line.substr(0, 32))
            return 1;
        ++lines;
    }
    return lines > 0 ? 0 : 1;
}

}  // namespace kadrel::test
