// The message queue between the receiving threads and the msgPro worker, and the worker itself:
// it decodes, counts and logs every queued message in arrival order.
#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

#include "dc09/received_decode.h"
#include "pipeline/contained_decode.h"
#include "record/message_records.h"
#include "station/station.h"

namespace corvane {

namespace {

constexpr int kIdlePollMs = 50;
constexpr std::size_t kRecordChunk = 256;

// "  -  " + message + " --> " + description + CR LF, built in a buffer the worker reuses.
void buildMessageLine(std::string& line, const std::string& message, bool rawWasEmpty,
                      const std::string& description) {
    line.clear();
    line.append("  -  ");
    line.append(message);
    // The arrow depends on the raw message, not on its part before a zero byte: a message that
    // starts with a zero byte still gets " --> " (queued messages are never empty).
    if (!rawWasEmpty) {
        line.append(" --> ");
        line.append(description);
    }
    line.append("\r\n");
}

MessageRecord makeRecord(ReceivedMessage&& received, RecordProtocol protocol,
                         const DecodeNote& note, const std::string& description) {
    MessageRecord record;
    record.receivedUs = received.receivedUs;
    record.connection = received.connection;
    record.peer = std::move(received.peer);
    record.protocol = protocol;
    record.raw = std::move(received.raw);
    record.clearText.assign(received.dc09.clearText());
    record.kind = note.kind;
    record.cidQualifier = note.cidQualifier;
    record.cidEvent = static_cast<std::int16_t>(note.cidEvent);
    record.description = description;
    applyAnswer(record, received.answer);
    record.encrypted = record.encrypted || received.dc09.encrypted();  // the frame itself
    return record;
}

}  // namespace

std::int64_t utcMicrosecondsNow() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void Station::queueMessage(ReceivedMessage message) {
    if (message.raw.empty()) {
        return;
    }
    Vexo_Guard guard(&m_msgListMutex);
    m_msgList.push_back(std::move(message));
}

void Station::processMessages() {
    while (!m_stopFlag.load()) {
        if (!processQueuedMessages()) {
            Vexo_Sleep(kIdlePollMs);
        }
    }
}

bool Station::processQueuedMessages() {
    // Take the whole queue in constant time; producers may append again at once.
    std::vector<ReceivedMessage> batch;
    {
        Vexo_Guard guard(&m_msgListMutex);
        batch.swap(m_msgList);
    }
    if (batch.empty()) {
        return false;
    }
    std::string description;
    std::string line;
    std::string cut;
    std::vector<MessageRecord> records;
    records.reserve(std::min(batch.size(), kRecordChunk));
    const RecordProtocol protocol = recordProtocolFromName(m_protocol);
    ActivityTap* const tap = m_activityTap.load();
    // The whole batch is logged even when a stop arrives meanwhile.
    for (ReceivedMessage& received : batch) {
        description.clear();
        // The decoder and the log see the message up to its first zero byte; the record keeps
        // every byte.
        const std::size_t zero = received.raw.find('\0');
        if (zero != std::string::npos) {
            cut.assign(received.raw, 0, zero);
        }
        const std::string& message = zero != std::string::npos ? cut : received.raw;
        DecodeNote note;
        // Encrypted DC-09 frames are decoded from what the receiving thread decrypted.
        if (!decodeContained([&] { decodeReceived(*this, received, message, description, note); },
                             description)) {
            note.kind = MessageKind::FormatError;
            ++m_errorCount;
        }
        buildMessageLine(line, message, received.raw.empty(), description);
        appendLogLine(getTimeStamp(), line);
        updateLogView();
        if (tap != nullptr) {
            tap->messageDecoded(received);
        }
        records.push_back(makeRecord(std::move(received), protocol, note, description));
        // Small hand-overs keep the staging vector in cache and let readers in between.
        if (records.size() == kRecordChunk) {
            m_records->append(records);
        }
    }
    m_records->append(records);
    return true;
}

std::intptr_t msgProThreadEntry(void* dlg) {
    if (dlg == nullptr) {
        return 0;
    }
    static_cast<Station*>(dlg)->processMessages();
    return 0;
}

}  // namespace corvane
