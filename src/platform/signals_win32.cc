#include <io.h>

#include <csignal>

#include "platform/handle_win32.h"
#include "platform/signals.h"

namespace kadrel::platform {

namespace {

// The numbers of the POSIX signals the console events stand for, so that the exit code is
// 128 + the number on both platforms.
constexpr int kInterrupt = 2;  // SIGINT: Ctrl+C, Ctrl+Break
constexpr int kHangUp = 1;     // SIGHUP: the console closed, the user logs off, the system shuts down

// The handler runs on a thread of its own that the system starts: lock-free atomics only.
std::atomic<std::atomic<int32_t>*> g_cancel{nullptr};
std::atomic<std::atomic<bool>*> g_running{nullptr};
std::atomic<int> g_caught{0};
void (*g_previousTerminate)(int) = SIG_DFL;

void stopRun(int signal) {
    g_caught.store(signal);
    if (auto* cancel = g_cancel.load())
        cancel->store(1);
    if (auto* running = g_running.load())
        running->store(false);
}

// Windows sends no SIGTERM; only raise() in this process gives one, and it stops a run as on
// POSIX rather than ending the process in the middle of a file.
void onTerminate(int signal) {
    stopRun(signal);
    // The C runtime resets the handler before it calls it.
    std::signal(SIGTERM, onTerminate);
}

BOOL WINAPI onConsoleEvent(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    if (!interrupt && event != CTRL_CLOSE_EVENT && event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    stopRun(interrupt ? kInterrupt : kHangUp);
    // The system ends the process as soon as the handler of a closing console returns. Holding
    // this thread gives the run the system's grace time to stop as an Abort does (remove its
    // temporary file, put an original's times back); the process then ends from its main thread.
    if (!interrupt)
        Sleep(INFINITE);
    return TRUE;
}

/// True when a key was pressed in the console; other events (key releases, focus, mouse) are
/// taken out of the buffer so that they do not wake the wait again.
bool keyPressed(HANDLE console) {
    INPUT_RECORD records[64];
    DWORD n = 0;
    if (!PeekConsoleInputW(console, records, 64, &n))
        return true;  // the read itself will tell what is wrong
    for (DWORD i = 0; i < n; ++i)
        if (records[i].EventType == KEY_EVENT && records[i].Event.KeyEvent.bKeyDown)
            return true;
    ReadConsoleInputW(console, records, n, &n);
    return false;
}

/// True when the handle has input to read, its end or an error the read will report.
bool inputReady(HANDLE h) {
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode))
        return WaitForSingleObject(h, 200) == WAIT_OBJECT_0 && keyPressed(h);
    if (GetFileType(h) != FILE_TYPE_PIPE)
        return true;  // a file or device never waits long
    DWORD available = 0;
    if (!PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr) || available > 0)
        return true;
    Sleep(50);
    return false;
}

}  // namespace

SignalStop::SignalStop(std::atomic<int32_t>& cancel, std::atomic<bool>& running) {
    g_caught.store(0);
    g_cancel.store(&cancel);
    g_running.store(&running);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    g_previousTerminate = std::signal(SIGTERM, onTerminate);
}

SignalStop::~SignalStop() {
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    std::signal(SIGTERM, g_previousTerminate == SIG_ERR ? SIG_DFL : g_previousTerminate);
    g_cancel.store(nullptr);
    g_running.store(nullptr);
}

int SignalStop::caught() const {
    return g_caught.load();
}

int lastCaughtSignal() {
    return g_caught.load();
}

bool waitForInputOrStop(int fd) {
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (h == INVALID_HANDLE_VALUE)
        return true;
    // The console handler sets the flag on its own thread; each round looks at it again.
    for (;;) {
        if (g_caught.load() != 0)
            return false;
        if (inputReady(h))
            return true;
    }
}

}  // namespace kadrel::platform
