// The station: the one record that holds what the running tool knows. Its parts are the operator's
// settings, the five counters with the heartbeat tick, and the link flags, each with its sharing
// rules; beside them the status text and a handle to each capability that works on the record
// (message records, DC-09 settings, answer scripts, the tally, the activity log). The behaviour
// lives with those capabilities and in the folders above: decoding and responses in protocol/,
// the queue, the worker and the activity log in pipeline/, the links in link/, where StationCore
// builds the station and its capabilities together.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "station/counters.h"
#include "station/settings.h"
#include "station/window.h"

namespace corvane {

class ActivityLog;
class Dc09Settings;
class MessageRecords;
class Tally;
namespace answer {
class AnswerScripts;
}

// Whether a link is started and a receiver connection is up.
struct LinkFlags {
    // True while a receiver is connected: in Server mode while any one is (the last to leave
    // clears it).
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_running{false};
    // Serialises the server link's receiver events (tick and m_connected together) with the
    // heartbeat check, so the check never acts on a loss it has not yet seen.
    std::mutex m_linkEventMutex;
};

class Station : public Settings, public Counters, public LinkFlags {
  public:
    // The capabilities, built by whoever builds the station (StationCore); a station for a test of
    // its record alone has none.
    struct Capabilities {
        std::shared_ptr<MessageRecords> records;
        std::shared_ptr<Dc09Settings> dc09;
        std::shared_ptr<answer::AnswerScripts> answerScripts;
        std::shared_ptr<Tally> tally;
        std::shared_ptr<ActivityLog> activityLog;
    };

    Station() = default;
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    std::string m_linkStatus = "TCP Disconnected";  // UI thread: the status field's text

    WindowSlot& window() { return m_window; }
    // Once, before any thread runs: the capabilities need the record to be built first.
    void setCapabilities(Capabilities capabilities) { m_capabilities = std::move(capabilities); }

    MessageRecords& records() const { return *m_capabilities.records; }
    // For a reader that may outlive the station (a window destroyed after its core).
    std::shared_ptr<MessageRecords> sharedRecords() const { return m_capabilities.records; }
    Dc09Settings& dc09() const { return *m_capabilities.dc09; }
    answer::AnswerScripts& answerScripts() const { return *m_capabilities.answerScripts; }
    Tally& tally() const { return *m_capabilities.tally; }
    std::shared_ptr<Tally> sharedTally() const { return m_capabilities.tally; }
    ActivityLog& activityLog() const { return *m_capabilities.activityLog; }

  private:
    Capabilities m_capabilities;
    WindowSlot m_window;
};

}  // namespace corvane
