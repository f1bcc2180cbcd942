// Captures diagnostic log entries while alive, for tests to assert on. One capture at a time.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::test {

struct LogEntry {
    int level;
    std::string text;
};

class QuilletCapture {
  public:
    QuilletCapture();
    ~QuilletCapture();
    QuilletCapture(const QuilletCapture&) = delete;
    QuilletCapture& operator=(const QuilletCapture&) = delete;

    std::vector<LogEntry> entries() const;
    // Entries whose text contains `needle` (at `level`, or at any level for -1).
    int count(std::string_view needle, int level = -1) const;
    bool contains(std::string_view needle, int level = -1) const {
        return count(needle, level) > 0;
    }
    // Waits at most `timeout` until an entry contains `needle`.
    bool waitFor(std::string_view needle,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    void clear();

  private:
    mutable std::mutex m_mutex;
    std::vector<LogEntry> m_entries;
};

}  // namespace corvane::test
