// Feeds arbitrary streams to setWideScreenFlag and resetWideScreenFlag: no crash or hang, the length is
// kept and every changed byte belongs to a structure the scan may edit; in a stream that begins
// with a pack header (half of the inputs get one), it lies in the packet the structure belongs to.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/change_oracle.h"
#include "engine/scan/wide_screen_flag.h"

namespace {

std::string scratchPath() {
    static const std::string path = "/tmp/kadrel-fuzz-" + std::to_string(getpid()) + ".mpg";
    return path;
}

std::string readBack(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void check(const std::string& before, const std::string& after, const char* what) {
    const std::string problem = kadrel::test::checkScanResult(before, after);
    if (problem.empty())
        return;
    std::fprintf(stderr, "%s: %s\n", what, problem.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks the settings and whether a pack header goes first, the rest is the stream.
    const uint8_t modes = size > 0 ? data[0] : 0;
    std::string stream(reinterpret_cast<const char*>(data) + (size > 0), size > 0 ? size - 1 : 0);
    if ((modes / 15) % 2 == 1)
        stream.insert(0, std::string("\0\0\1\xBA\x44\0\4\0\4\1\0\x0D\x4B\xF8", 14));
    kadrel::Settings settings;
    settings.sdeMode = static_cast<SdeMode>(modes % 5);
    settings.rdiPckMode = static_cast<RdiPckMode>((modes / 5) % 3);
    kadrel::RunControl control;
    kadrel::SilentUi ui;
    kadrel::DebugLog log;
    const kadrel::RunContext ctx{settings, control, ui, log};
    const std::string path = scratchPath();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << stream;
    kadrel::setWideScreenFlag(path, ctx);
    const std::string wide = readBack(path);
    check(stream, wide, "setWideScreenFlag");
    kadrel::resetWideScreenFlag(path, ctx);
    check(wide, readBack(path), "resetWideScreenFlag");
    return 0;
}
