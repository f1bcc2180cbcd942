// The message pipeline on its own: a station record, the queue, the activity log, the records,
// the tally and the msgPro worker over them, with a recording window.
#pragma once

#include "pipeline/activity_log.h"
#include "pipeline/message_queue.h"
#include "pipeline/msg_worker.h"
#include "record/message_records.h"
#include "record/tally.h"
#include "station/station.h"
#include "support/recording_window.h"

namespace corvane::test {

struct Pipeline {
    explicit Pipeline(const char* protocol = "Sur-Gard") {
        station.window().attach(&window);
        window.attach(&log);
        station.m_protocol = protocolNamed(protocol);
        station.m_showLog = 1;
        station.m_linesToSave = 50000;
    }
    ~Pipeline() { worker.stop(); }
    bool waitForRefreshes(int count) {
        return window.waitFor([&] { return window.refreshCount() >= count; });
    }

    RecordingWindow window;
    Station station;
    MessageQueue queue;
    MessageRecords records;
    Tally tally;
    ActivityLog log{station, station.window()};
    MsgWorker worker{{station, station, queue, log, records, tally}};
};

}  // namespace corvane::test
