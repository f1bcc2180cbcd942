#include "receiver/stop_signal.h"

#include <csignal>

namespace corvane::sim {

namespace {

// Lock-free atomics: safe to set from a signal handler.
std::atomic<bool> g_stop{false};
std::atomic<int> g_signal{0};

extern "C" void onStopSignal(int signal) {
    g_signal.store(signal);
    g_stop.store(true);
    std::signal(signal, SIG_DFL);
}

}  // namespace

const std::atomic<bool>& watchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocked call returns and its loop sees the flag
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return g_stop;
}

int stopSignal() {
    return g_signal.load();
}

std::string signalName(int signal) {
    return signal == SIGINT    ? "SIGINT"
           : signal == SIGTERM ? "SIGTERM"
           : signal == 0       ? ""
                               : "signal " + std::to_string(signal);
}

}  // namespace corvane::sim
