// The process start-up call, the millisecond tick and sleeping.
#include <signal.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/vexo.h"

namespace {
std::atomic<std::uint64_t> g_tickOffsetMs{0};
}

int Vexo_InitEx() {
    // Writes to a vanished peer must fail with EPIPE instead of ending the process.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
    return 0;
}

std::uint64_t Vexo_GetTimeTick() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000U +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000U;
    return ms + g_tickOffsetMs.load(std::memory_order_relaxed);
}

void Vexo_SetTimeTickOffset(std::uint64_t offsetMs) {
    g_tickOffsetMs.store(offsetMs, std::memory_order_relaxed);
}

void Vexo_Sleep(int milliseconds) {
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}
