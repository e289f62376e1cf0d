#include <signal.h>

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

}  // namespace kadrel::platform
