// The msgPro worker: empties the message queue in arrival order and, for each message, decodes it
// once (from what the DC-09 settings decrypted, when they did), applies it to the counters and the
// tick with parseLine, appends its activity log line, records it and counts it in the tally. The
// queue's other items (receivers connected and lost, late answers) go to the records and the
// tally in the same order.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/activity_log.h"
#include "pipeline/message_queue.h"
#include "platform/result.h"
#include "platform/vexo.h"
#include "record/message_record.h"
#include "record/station_events.h"
#include "station/counters.h"
#include "station/settings.h"

namespace corvane {

class MessageRecords;
class Tally;

class MsgWorker {
  public:
    // What the worker reads and feeds.
    struct Parts {
        const Settings& settings;  // the protocol and the receiver type
        Counters& counters;
        MessageQueue& queue;
        ActivityLog& log;
        MessageRecords& records;
        Tally& tally;
    };

    explicit MsgWorker(Parts parts) : m_parts(parts) {}
    ~MsgWorker() {
        stop();
        Vexo_SemDestroy(&m_wake);
    }
    MsgWorker(const MsgWorker&) = delete;
    MsgWorker& operator=(const MsgWorker&) = delete;

    // Starts the msgPro thread unless it runs (connection control, UI thread); the failure says
    // why it could not be created.
    Result<void> start();
    // Asks the thread to end and waits for it; it finishes its batch first.
    void stop();
    bool running() const { return m_msgProThread != nullptr; }

    // The thread's loop; returns once it sees m_stopFlag.
    void processMessages();
    // Takes in what waits in the queue now; false when it was empty. The loop runs it; a headless
    // run calls it once more after the stop, so nothing answered stays uncounted.
    bool processQueuedMessages();

    // Where the connected, lost, message and answer events go as the worker takes them in; null
    // (the default), or a sink nobody listens to: no event is built.
    void setEventSink(events::EventSink* sink) { m_events = sink; }

    std::atomic<bool> m_stopFlag{false};
    Vexo_Thread m_msgProThread = nullptr;  // UI thread

  private:
    // One queued item into the log, the tally and the records being staged.
    void takeIn(ReceivedMessage& item, std::vector<MessageRecord>& records, std::string& line,
                std::string& cut, Protocol protocol, ReceiverType type);
    // An answer that left late, or never will, onto its message's record (and out as an event).
    void settle(std::vector<MessageRecord>& records, std::uint64_t connection, std::uint64_t index,
                const Reply& reply, std::string bytes, std::int64_t latencyUs);

    Parts m_parts;
    Vexo_Sem m_wake;  // posted by stop: the idle wait ends at once
    std::atomic<events::EventSink*> m_events{nullptr};
    // The worker thread's own, for one batch: where its events go, and the next record number.
    events::EventSink* m_batchSink = nullptr;
    std::uint64_t m_nextSequence = 0;
};

// The msgPro thread's entry: the worker pointer; returns 0 at once for null.
std::intptr_t msgProThreadEntry(void* worker);

}  // namespace corvane
