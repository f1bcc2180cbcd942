// The station with everything it does: the record and its capabilities (message records, DC-09
// settings, answer scripts, the tally, the activity log), the message queue and the msgPro
// worker, the client and the server link, and connection control. The window (or corvane-station,
// or a test) builds one and drives it; destroying it stops a running link and joins every thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "answer/answer_scripts.h"
#include "dc09/dc09_settings.h"
#include "link/client_link.h"
#include "link/connection_control.h"
#include "link/server_link.h"
#include "pipeline/activity_log.h"
#include "pipeline/message_queue.h"
#include "pipeline/msg_worker.h"
#include "record/message_records.h"
#include "record/tally.h"
#include "station/station.h"

namespace corvane {

class StationCore {
  public:
    // `window` may be null: the station then runs without one (NullWindow).
    explicit StationCore(Window* window = nullptr);
    ~StationCore();
    StationCore(const StationCore&) = delete;
    StationCore& operator=(const StationCore&) = delete;

    Station& station() { return m_station; }
    const Station& station() const { return m_station; }
    // Attaches the window (null detaches it), also while workers run.
    void setWindow(Window* window) { m_station.window().attach(window); }

    ActivityLog& log() { return m_station.activityLog(); }
    MessageRecords& records() { return m_station.records(); }
    Tally& tally() { return m_station.tally(); }
    MessageQueue& queue() { return m_queue; }
    MsgWorker& worker() { return m_worker; }
    ClientLink& client() { return m_client; }
    ServerLink& server() { return m_server; }
    ConnectionControl& control() { return m_control; }
    // The number the next receiver connection of this run gets, less one.
    std::uint64_t connectionsSoFar() const { return m_serials.load(); }

  private:
    Station m_station;
    // The capabilities, built on the record (the log reads its settings and reaches its window),
    // then handed to it.
    std::shared_ptr<MessageRecords> m_records;
    std::shared_ptr<Dc09Settings> m_dc09;
    std::shared_ptr<answer::AnswerScripts> m_scripts;
    std::shared_ptr<Tally> m_tally;
    std::shared_ptr<ActivityLog> m_log;
    MessageQueue m_queue;
    std::atomic<std::uint64_t> m_serials{0};
    SessionContext m_sessions;
    MsgWorker m_worker;
    ClientLink m_client;
    ServerLink m_server;
    ConnectionControl m_control;
};

}  // namespace corvane
