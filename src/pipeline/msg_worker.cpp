#include "pipeline/msg_worker.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "dc09/received_decode.h"
#include "pipeline/contained_decode.h"
#include "platform/clock.h"
#include "protocol/parse_line.h"
#include "record/message_records.h"
#include "record/tally.h"

namespace corvane {

namespace {

constexpr int kIdlePollMs = 50;
constexpr std::size_t kRecordChunk = 256;

// "  -  " + message + " --> " + description + CR LF, built in a buffer the worker reuses.
void buildMessageLine(std::string& line, std::string_view message, bool rawWasEmpty,
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

// The latency of an answer that has left: read to send; -1 while it waits or when nothing left.
std::int64_t latencyOf(const ReceivedMessage& item) {
    const Delivery& delivery = item.reply.delivery;
    return delivery.state == Delivery::State::Sent && !item.answerBytes.empty()
               ? delivery.sentUs - item.receivedUs
               : -1;
}

// The message's record while it awaits the next hand-over; null once it is in the records.
MessageRecord* staged(std::vector<MessageRecord>& records, std::uint64_t connection,
                      std::uint64_t index) {
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if (it->connection == connection && it->indexOnConnection == index) {
            return &*it;
        }
    }
    return nullptr;
}

}  // namespace

Result<void> MsgWorker::start() {
    m_stopFlag = false;
    if (m_msgProThread == nullptr) {
        // The idle wait ends early when a stop posts a token; none is left from a former run.
        if (Vexo_SemCreate(&m_wake, 0) != 0) {
            return fail("create", "msgPro wake", "the system refused a semaphore");
        }
        m_msgProThread = Vexo_Thread_Create(msgProThreadEntry, this, 0, 0, 0, 0);
        if (m_msgProThread == nullptr) {
            return fail("create", "msgPro thread", "the system refused a new thread");
        }
    }
    return {};
}

void MsgWorker::stop() {
    m_stopFlag = true;
    if (m_msgProThread != nullptr) {
        Vexo_SemPost(&m_wake);
        Vexo_Thread_Wait(m_msgProThread);
        m_msgProThread = nullptr;
    }
}

void MsgWorker::processMessages() {
    while (!m_stopFlag.load()) {
        if (!processQueuedMessages()) {
            Vexo_SemTimedWait(&m_wake, kIdlePollMs);
        }
    }
}

bool MsgWorker::processQueuedMessages() {
    std::vector<ReceivedMessage> batch = m_parts.queue.takeAll();
    if (batch.empty()) {
        return false;
    }
    const Protocol protocol = m_parts.settings.m_protocol;
    const ReceiverType type = m_parts.settings.m_receiverType.load();
    std::string line;
    std::string cut;
    std::vector<MessageRecord> records;
    records.reserve(std::min(batch.size(), kRecordChunk));
    // While nobody listens, no event is built.
    events::EventSink* const sink = m_events.load();
    m_batchSink = sink != nullptr && sink->listened() ? sink : nullptr;
    // The worker alone appends records: the staged ones take the next numbers in order.
    m_nextSequence = m_batchSink != nullptr ? m_parts.records.span().next : 0;
    // The whole batch is taken in even when a stop arrives meanwhile.
    for (ReceivedMessage& item : batch) {
        // Its bytes count in the queue until it is done with (the receiving threads may then
        // read again).
        const std::size_t weight = MessageQueue::footprint(item);
        takeIn(item, records, line, cut, protocol, type);
        m_parts.queue.releaseBytes(weight);
        // Small hand-overs keep the staging vector in cache and let readers in between.
        if (records.size() == kRecordChunk) {
            m_parts.records.append(records);
        }
    }
    m_parts.records.append(records);
    return true;
}

void MsgWorker::settle(std::vector<MessageRecord>& records, std::uint64_t connection,
                       std::uint64_t index, const Reply& reply, std::string bytes,
                       std::int64_t latencyUs) {
    const std::string sent = m_batchSink != nullptr ? bytes : std::string();
    std::uint64_t sequence = 0;
    if (MessageRecord* record = staged(records, connection, index)) {
        applyAnswer(*record, reply, std::move(bytes));
        sequence = record->sequence;
    } else {
        sequence = m_parts.records.recordAnswer(connection, index, reply, std::move(bytes));
    }
    if (m_batchSink != nullptr) {
        const Delivery& delivery = reply.delivery;
        const std::int64_t at =
            delivery.state == Delivery::State::Sent ? delivery.sentUs : utcMicrosecondsNow();
        m_batchSink->publish("answer", events::eventJson(events::Answer{at, sequence, connection,
                                                                        reply, sent, latencyUs}));
    }
}

void MsgWorker::takeIn(ReceivedMessage& item, std::vector<MessageRecord>& records,
                       std::string& line, std::string& cut, Protocol protocol, ReceiverType type) {
    switch (item.event) {
        case ReceivedMessage::Event::Connected:
            m_parts.tally.connected(item.connection, item.peer, item.receivedUs);
            if (m_batchSink != nullptr) {
                m_batchSink->publish(
                    "connected", events::eventJson(events::Connected{item.receivedUs,
                                                                     item.connection, item.peer}));
            }
            return;
        case ReceivedMessage::Event::Lost:
            // The answers it left waiting never went out.
            for (const UnsentAnswer& unsent : item.unsent) {
                Reply reply;
                reply.word = unsent.word;
                reply.step = unsent.step;
                reply.delivery = {Delivery::State::Unsent, unsent.reason, 0};
                m_parts.tally.answerSettled(item.connection, 0, reply.word, reply.delivery);
                settle(records, item.connection, unsent.index, reply, {}, -1);
            }
            if (std::string peer = m_parts.tally.lost(item.connection, item.receivedUs, item.loss);
                m_batchSink != nullptr) {
                m_batchSink->publish(
                    "lost", events::eventJson(
                                events::Lost{item.receivedUs, item.connection, std::move(peer)}));
            }
            return;
        case ReceivedMessage::Event::AnswerSent: {
            m_parts.tally.answerSettled(item.connection, item.receivedUs, item.reply.word,
                                        item.reply.delivery);
            const std::int64_t latency = latencyOf(item);
            settle(records, item.connection, item.indexOnConnection, item.reply,
                   std::move(item.answerBytes), latency);
            return;
        }
        case ReceivedMessage::Event::Message:
            break;
    }
    // The decoder and the log see the message up to its first zero byte; the record keeps
    // every byte.
    const std::size_t zero = item.raw.find('\0');
    if (zero != std::string::npos) {
        cut.assign(item.raw, 0, zero);
    }
    const std::string_view message =
        zero != std::string::npos ? std::string_view(cut) : std::string_view(item.raw);
    // Encrypted DC-09 frames are decoded from what the receiving thread decrypted.
    Decoded decoded =
        decodeContained([&] { return decodeReceived(message, item.dc09, protocol, type); });
    parseLine(decoded, message, m_parts.counters);
    if (decoded.stampsTick) {
        m_parts.counters.m_receiverWatch.stamp(item.connection);
    }
    if (decoded.decrypted) {
        decoded.description.insert(0, decoded.description.empty() ? "(decrypted)" : "(decrypted) ");
    }
    buildMessageLine(line, message, item.raw.empty(), decoded.description);
    m_parts.log.appendLogLine(ActivityLog::getTimeStamp(), line);
    m_parts.log.updateLogView();
    m_parts.tally.message(item.connection, item.peer, item.receivedUs, decoded.kind,
                          item.reply.word, item.reply.delivery, item.raw.size(),
                          item.dc09.stampOutside);

    // The record keeps no account; the message event names it.
    std::string account = std::move(decoded.account);
    MessageRecord& record = records.emplace_back();
    record.receivedUs = item.receivedUs;
    record.connection = item.connection;
    record.indexOnConnection = item.indexOnConnection;
    record.peer = std::move(item.peer);
    record.protocol = protocol;
    record.raw = std::move(item.raw);
    record.clearText.assign(item.dc09.clearText());
    keepDecoded(record, std::move(decoded));
    record.encrypted = item.dc09.encrypted();  // the frame itself
    applyAnswer(record, item.reply, std::move(item.answerBytes));
    if (m_batchSink != nullptr) {
        record.sequence = m_nextSequence++;
        m_batchSink->publish("message", events::eventJson(record, account));
    }
}

std::intptr_t msgProThreadEntry(void* worker) {
    if (worker == nullptr) {
        return 0;
    }
    static_cast<MsgWorker*>(worker)->processMessages();
    return 0;
}

}  // namespace corvane
