#include "platform/console_program.h"

namespace kadrel::platform {

std::optional<std::string> commandLineText() {
    return std::nullopt;
}

void prepareConsole() {}

int largestExitStatus() {
    return 255;
}

// A terminal program has no message box here: the text goes to standard error.
bool showCriticalMessageBox(const std::string&, const std::string&) {
    return false;
}

}  // namespace kadrel::platform
