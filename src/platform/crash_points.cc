#include "platform/crash_points.h"

#include <cstdlib>

namespace kadrel::platform {

namespace {

bool numberFrom(const char* name, long& value) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return *end == '\0' && value >= 0;
}

}  // namespace

std::unique_ptr<FileFaults> writeStopFromEnvironment() {
    long writes = 0;
    if (numberFrom("KADREL_TEST_KILL_AFTER_WRITES", writes))
        return std::make_unique<WriteStop>(writes, false);
    if (numberFrom("KADREL_TEST_PAUSE_AFTER_WRITES", writes))
        return std::make_unique<WriteStop>(writes, true);
    return nullptr;
}

}  // namespace kadrel::platform
