#include <limits>

#include "platform/console_program.h"
#include "platform/handle_win32.h"

namespace kadrel::platform {

// The narrow arguments of main hold the ANSI code page, which cannot name every file; the wide
// text can, and it is split by the program's own rules rather than the C runtime's, which read
// the \" of a quoted folder such as "E:\my card\" as a quote of the name.
std::optional<std::string> commandLineText() {
    std::string text;
    if (!fromWide(GetCommandLineW(), text))
        return std::nullopt;
    return text;
}

int largestExitStatus() {
    return std::numeric_limits<int>::max();
}

bool showCriticalMessageBox(const std::string& text, const std::string& title) {
    std::wstring wideText, wideTitle;
    if (!toWide(text, wideText) || !toWide(title, wideTitle))
        return false;
    const UINT style = MB_OK | MB_ICONERROR | MB_SETFOREGROUND;
    return MessageBoxW(nullptr, wideText.c_str(), wideTitle.c_str(), style) != 0;
}

}  // namespace kadrel::platform
