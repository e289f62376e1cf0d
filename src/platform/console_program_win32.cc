#include <cstdlib>
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

namespace {

UINT savedOutputPage = 0;
DWORD savedErrorMode = 0;

void restoreConsole() {
    SetConsoleOutputCP(savedOutputPage);
    SetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), savedErrorMode);
}

}  // namespace

void prepareConsole() {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    savedOutputPage = GetConsoleOutputCP();
    if (savedOutputPage == 0 || !GetConsoleMode(err, &mode))
        return;  // no console: the text goes to a file or pipe as it is
    savedErrorMode = mode;
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    std::atexit(restoreConsole);
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
