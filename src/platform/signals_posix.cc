#include <poll.h>
#include <signal.h>

#include <cerrno>

#include "platform/signals.h"

namespace kadrel::platform {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Lock-free atomics are the only state a handler may touch.
std::atomic<std::atomic<int32_t>*> g_cancel{nullptr};
std::atomic<std::atomic<bool>*> g_running{nullptr};
std::atomic<int> g_caught{0};
struct sigaction g_previous[3];

void onStopSignal(int signal) {
    g_caught.store(signal);
    if (auto* cancel = g_cancel.load())
        cancel->store(1);
    if (auto* running = g_running.load())
        running->store(false);
}

}  // namespace

SignalStop::SignalStop(std::atomic<int32_t>& cancel, std::atomic<bool>& running) {
    g_caught.store(0);
    g_cancel.store(&cancel);
    g_running.store(&running);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i)
        sigaction(kStopSignals[i], &action, &g_previous[i]);
}

SignalStop::~SignalStop() {
    for (int i = 0; i < 3; ++i)
        sigaction(kStopSignals[i], &g_previous[i], nullptr);
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
    // A signal interrupts poll; one that lands between the check and the poll is seen at the
    // next round at the latest.
    for (;;) {
        if (g_caught.load() != 0)
            return false;
        pollfd ready{fd, POLLIN, 0};
        const int n = ::poll(&ready, 1, 200);
        if (n > 0 || (n < 0 && errno != EINTR))
            return true;  // input, its end, or an error the read itself will report
    }
}

}  // namespace kadrel::platform
