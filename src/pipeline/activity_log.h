// The activity log: the operator's time-stamped record of the link, and what the log box shows.
//
// Every append, replacement and refresh takes the log's lock once, so lines from different threads
// never interleave. The window is only notified after the lock is released: it asks for the view
// text later, when it paints, and never makes a worker wait for the UI thread.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "station/settings.h"
#include "station/window.h"

namespace corvane {

// Hears each line as it is appended (corvane-station's terminal). Called with the log's lock held,
// so lines arrive in log order; may be a receiving thread: must not block.
class LogListener {
  public:
    virtual ~LogListener() = default;
    virtual void logLineAppended(std::string_view timeText, std::string_view rest) = 0;
};

class ActivityLog {
  public:
    // The line limit and the Show Log switch come from `settings`; refreshes go to `window`.
    ActivityLog(const Settings& settings, WindowSlot& window);
    ActivityLog(const ActivityLog&) = delete;
    ActivityLog& operator=(const ActivityLog&) = delete;

    // Local date and time, "%4d/%02d/%02d %02d:%02d:%02d".
    static std::string getTimeStamp();
    // Appends `timeText` followed by `rest` as one step (any thread). `rest` ends with "\r\n".
    void appendLogLine(std::string_view timeText, std::string_view rest);
    // Shows the log in the box under the line limit and the Show Log switch (any thread).
    void updateLogView();
    // Appends a line stamped now and refreshes: a connection event's line.
    void logEvent(std::string_view rest);

    // The whole log text (a copy), and its replacement by the save transfer (UI thread).
    std::string logText() const;
    void setLogText(std::string text);
    // What the log box must show after the latest refresh (called by the window when it paints).
    std::string logViewText() const;
    // Lines the box counts for the current log text: each CR LF ends a line, and the empty line
    // after the last one counts too.
    int logLineCount() const;

    // Attaches a listener (null detaches it). Set it before the link starts; it must outlive every
    // running worker.
    void setListener(LogListener* listener) { m_listener = listener; }

  private:
    const Settings& m_settings;
    WindowSlot& m_window;
    std::atomic<LogListener*> m_listener{nullptr};

    // m_logText is the log; m_frozenViewText/m_viewFromFrozen/m_viewLength record what the latest
    // refresh showed, so the window can paint it later without a copy on every refresh.
    mutable std::mutex m_logMutex;
    std::string m_logText;
    int m_logLineBreaks = 0;       // CR LF pairs in m_logText
    std::string m_frozenViewText;  // the text a refresh showed just before it emptied the log
    bool m_viewFromFrozen = false;
    std::size_t m_viewLength = 0;  // bytes of the shown text (a prefix of its source)
};

}  // namespace corvane
