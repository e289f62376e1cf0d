#include <limits>

#include "platform/console_program.h"
#include "platform/handle_win32.h"

namespace kadrel::platform {

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
