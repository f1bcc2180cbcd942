// A Window that records what the core asks of it, for tests. Thread-safe; waits are bounded.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "station/station.h"
#include "station/window.h"

namespace corvane::test {

class RecordingWindow : public Window {
  public:
    // When a station is attached, each refresh also records the station's logViewText().
    void attach(Station* station) { m_station = station; }

    void setControlText(int controlId, const std::string& text) override;
    void enableControl(int controlId, bool enabled) override;
    void refreshLogView() override;
    // Counted, not recorded as an event: the test plays the UI thread and calls checkClientLink.
    void requestLinkCheck() override;
    int linkCheckRequests() const;
    void showMessageBox(const std::string& text) override;
    bool saveTransfer() override;

    // What saveTransfer does and answers (default: nothing, true).
    void onSaveTransfer(std::function<bool()> handler);

    std::string text(int controlId) const;                  // latest text, "" when never set
    bool enabled(int controlId) const;                      // latest state, true when never set
    std::vector<std::string> textsOf(int controlId) const;  // every text set, in order
    std::vector<std::string> messageBoxes() const;
    std::vector<std::string> events()
        const;  // "text <id> <text>", "enable <id> <0|1>", "box <text>", "refresh"
    int refreshCount() const;
    std::string lastViewText() const;            // view text at the latest refresh (attached)
    std::vector<std::string> viewTexts() const;  // view text at every refresh (attached)

    // Waits until `condition` holds (checked after every recorded call), at most `timeout`.
    bool waitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

  private:
    void record(std::string event);

    Station* m_station = nullptr;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<int, std::vector<std::string>> m_texts;
    std::map<int, bool> m_enabled;
    std::vector<std::string> m_boxes;
    std::vector<std::string> m_events;
    std::vector<std::string> m_viewTexts;
    int m_refreshes = 0;
    int m_linkChecks = 0;
    std::function<bool()> m_saveTransfer;
};

}  // namespace corvane::test
