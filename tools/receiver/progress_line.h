// The progress line corvane-receiver shows on a terminal during a run: messages sent, the rate
// and the answers outstanding, written over itself about twice a second on standard error.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace corvane::sim {

// What the connections have done so far. Each connection adds its changes now and then with
// relaxed atomics (no lock on the sending path); the progress line only needs a recent view.
struct RunProgress {
    std::atomic<std::uint64_t> expected{0};
    std::atomic<std::uint64_t> sent{0};
    std::atomic<std::uint64_t> settled{0};  // sent and then answered or counted missing
};

// "sent 1200/5000 (24%)  850 msg/s  3 outstanding"; without a total when `expected` is 0.
std::string formatProgress(std::uint64_t sent, std::uint64_t expected, double perSecond,
                           std::uint64_t outstanding);

// Refreshes the line from its own thread until stop(), which clears it so that what is printed
// next starts on a clean line. Nothing is written before the first message is sent.
class ProgressLine {
  public:
    ProgressLine(const RunProgress& progress, std::FILE* out);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    void stop();

  private:
    void run();
    void show(const std::string& text);

    const RunProgress& m_progress;
    std::FILE* m_out;
    std::size_t m_shown = 0;  // length of the line on screen
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace corvane::sim
