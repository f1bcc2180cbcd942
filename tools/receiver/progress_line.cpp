#include "receiver/progress_line.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace corvane::sim {

namespace {
constexpr auto kRefresh = std::chrono::milliseconds(500);
}

std::string formatProgress(std::uint64_t sent, std::uint64_t expected, double perSecond,
                           std::uint64_t outstanding) {
    std::string text = "sent " + std::to_string(sent);
    if (expected > 0) {
        text +=
            "/" + std::to_string(expected) + " (" + std::to_string(sent * 100 / expected) + "%)";
    }
    text += "  " + std::to_string(std::llround(std::max(perSecond, 0.0))) + " msg/s  " +
            std::to_string(outstanding) + " outstanding";
    return text;
}

ProgressLine::ProgressLine(const RunProgress& progress, std::FILE* out)
    : m_progress(progress), m_out(out), m_thread([this] { run(); }) {}

ProgressLine::~ProgressLine() {
    stop();
}

void ProgressLine::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
        if (m_shown > 0) {
            // Blank the line and return to its start: the report prints from column 0.
            std::fprintf(m_out, "\r%*s\r", static_cast<int>(m_shown), "");
            std::fflush(m_out);
        }
    }
}

void ProgressLine::run() {
    using Clock = std::chrono::steady_clock;
    std::uint64_t lastSent = 0;
    auto lastTime = Clock::now();
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, kRefresh, [this] { return m_stopping; })) {
        // Two relaxed loads may be a moment apart: never show more settled than sent.
        const std::uint64_t settled = m_progress.settled.load(std::memory_order_relaxed);
        const std::uint64_t sent =
            std::max(m_progress.sent.load(std::memory_order_relaxed), settled);
        if (sent == 0) {
            continue;
        }
        const auto now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - lastTime).count();
        const double rate = seconds > 0 ? static_cast<double>(sent - lastSent) / seconds : 0.0;
        lastSent = sent;
        lastTime = now;
        show(formatProgress(sent, m_progress.expected.load(std::memory_order_relaxed), rate,
                            sent - settled));
    }
}

void ProgressLine::show(const std::string& text) {
    // Pad over what is left of a longer line before.
    const int pad = m_shown > text.size() ? static_cast<int>(m_shown - text.size()) : 0;
    std::fprintf(m_out, "\r%s%*s", text.c_str(), pad, "");
    std::fflush(m_out);
    m_shown = text.size();
}

}  // namespace corvane::sim
