// A Window that records what the core reports to it, for tests. Thread-safe; waits are bounded.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "pipeline/activity_log.h"
#include "station/window.h"

namespace corvane::test {

// "Connected Client", "Listening Server left", "Stopped Server TimeOut", ...
std::string reportText(const LinkReport& report);

class RecordingWindow : public Window {
  public:
    // When a log is attached, each refresh also records the log's view text.
    void attach(const ActivityLog* log) { m_log = log; }

    void linkChanged(const LinkReport& report) override;
    void refreshLogView() override;
    // Counted, not recorded as an event: the test plays the UI thread and checks the link.
    void requestLinkCheck() override;
    int linkCheckRequests() const;
    void showCounts(const Counts& counts) override;
    void startFailed(LinkMode mode, const Failure& why) override;
    bool saveTransfer() override;

    // What saveTransfer does and answers (default: nothing, true).
    void onSaveTransfer(std::function<bool()> handler);

    std::vector<LinkReport> reports() const;
    LinkReport lastReport() const;  // Idle when none came
    std::vector<std::pair<LinkMode, Failure>> failures() const;
    std::vector<Counts> shownCounts() const;
    // "link <report>", "counts", "failed <what> <where>: <why>", "save", "refresh"
    std::vector<std::string> events() const;
    int refreshCount() const;
    std::string lastViewText() const;            // view text at the latest refresh (attached)
    std::vector<std::string> viewTexts() const;  // view text at every refresh (attached)

    // Waits until `condition` holds (checked after every recorded call), at most `timeout`.
    bool waitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

  private:
    void record(std::string event);

    const ActivityLog* m_log = nullptr;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<LinkReport> m_reports;
    std::vector<std::pair<LinkMode, Failure>> m_failures;
    std::vector<Counts> m_counts;
    std::vector<std::string> m_events;
    std::vector<std::string> m_viewTexts;
    int m_refreshes = 0;
    int m_linkChecks = 0;
    std::function<bool()> m_saveTransfer;
};

}  // namespace corvane::test
