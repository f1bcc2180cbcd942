// The activity log on standard output, as the log box shows it (control bytes as symbols), or the
// station's events as one JSON object per line (--json). Lines are handed over without waiting (the
// caller may be a receiving thread holding the log lock) and written by a thread of their own, so a
// slow reader of the output never holds up the station. What waits is bounded: past kPendingLimit
// bytes lines are dropped and counted, and the count is reported on standard error.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "pipeline/activity_log.h"
#include "record/station_events.h"

namespace corvane::cli {

class TerminalLog final : public LogListener, public events::EventSink {
  public:
    static constexpr std::size_t kPendingLimit = 8u << 20;

    explicit TerminalLog(std::FILE* out);
    ~TerminalLog() override;
    TerminalLog(const TerminalLog&) = delete;
    TerminalLog& operator=(const TerminalLog&) = delete;

    // Any thread; never blocks on the output.
    void add(std::string_view timeText, std::string_view rest);
    void logLineAppended(std::string_view timeText, std::string_view rest) override {
        add(timeText, rest);
    }
    // An event's JSON object, written as it is on a line of its own. Any thread; never blocks.
    void publish(std::string_view type, std::string json) override;
    // Writes what waits and ends the writing thread; later lines are dropped.
    void finish();

    // One log line as printed (ending in '\n').
    static std::string textLine(std::string_view timeText, std::string_view rest);

  private:
    void writeLoop();
    void push(std::string line, std::size_t timeLength);

    std::FILE* const m_out;
    std::mutex m_mutex;  // guards the four members below
    std::condition_variable m_wake;
    struct Line {
        std::string text;        // time text + rest, as appended
        std::size_t timeLength;  // npos: an event, written as it is
    };
    std::vector<Line> m_pending;
    std::size_t m_pendingBytes = 0;
    bool m_finished = false;
    std::uint64_t m_dropped = 0;
    std::thread m_writer;
};

}  // namespace corvane::cli
