// The ring of records, late answers, the receiver table, and the worker filling records with the
// kind the decoder found.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "pipeline/worker_run.h"
#include "record/message_records.h"
#include "station/station.h"

namespace corvane {
namespace {

MessageRecord recordOn(std::uint64_t connection, std::string raw) {
    MessageRecord r;
    r.connection = connection;
    r.raw = std::move(raw);
    r.receivedUs = 1000;
    return r;
}

std::vector<std::string> rawsHeld(const MessageRecords& records) {
    std::vector<std::string> out;
    const auto span = records.span();
    records.visitRange(span.first, span.next,
                       [&](const MessageRecord& r) { out.push_back(r.raw); });
    return out;
}

TEST(MessageRecords, KeepsTheNewestInOrderAcrossWrapsAndCapacityChanges) {
    MessageRecords records(3);
    std::vector<MessageRecord> batch;
    for (int i = 1; i <= 7; ++i) {
        batch.push_back(recordOn(1, std::to_string(i)));
        if (i % 2 == 0) {
            records.append(batch);
        }
    }
    records.append(batch);
    EXPECT_EQ(rawsHeld(records), (std::vector<std::string>{"5", "6", "7"}));
    EXPECT_EQ(records.span().first, 5U);
    EXPECT_FALSE(records.visit(4, [](const MessageRecord&) {}));

    records.setCapacity(2);
    EXPECT_EQ(rawsHeld(records), (std::vector<std::string>{"6", "7"}));
    records.setCapacity(5);
    for (int i = 8; i <= 12; ++i) {
        batch.push_back(recordOn(1, std::to_string(i)));
    }
    records.append(batch);
    EXPECT_EQ(rawsHeld(records), (std::vector<std::string>{"8", "9", "10", "11", "12"}));
    EXPECT_EQ(records.span().next, 13U);
}

TEST(MessageRecords, LateAnswersReachTheirMessageWhetherRecordedYetOrNot) {
    MessageRecords records;
    AnswerNote ack;
    ack.bytes = "\x06";
    records.recordAnswer(2, 1, ack);  // before the message is recorded
    std::vector<MessageRecord> batch = {recordOn(2, "a"), recordOn(2, "b"), recordOn(3, "c")};
    for (auto& r : batch) {
        r.protocol = RecordProtocol::SurGard;
    }
    records.append(batch);
    AnswerNote nack;
    nack.bytes = "\x15";
    nack.sentUs = 1250;
    records.recordAnswer(2, 0, nack);  // after

    std::vector<AnswerWord> words;
    records.visitRange(1, 4, [&](const MessageRecord& r) { words.push_back(r.answerWord); });
    EXPECT_EQ(words,
              (std::vector<AnswerWord>{AnswerWord::Nack, AnswerWord::Ack, AnswerWord::None}));
    records.visit(1, [](const MessageRecord& r) { EXPECT_EQ(r.latencyUs, 250); });

    const auto rows = records.receivers();
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].byWord[static_cast<int>(AnswerWord::Ack)], 1U);
    EXPECT_EQ(rows[0].byWord[static_cast<int>(AnswerWord::Nack)], 1U);
    EXPECT_EQ(rows[0].byWord[static_cast<int>(AnswerWord::None)], 0U);
    EXPECT_EQ(rows[0].latency.percentile(0.5), 240);  // its bucket's lower bound
}

TEST(AnswerWords, FollowTheProtocol) {
    struct Case {
        RecordProtocol protocol;
        std::string bytes;
        AnswerWord word;
    } cases[] = {
        {RecordProtocol::SurGard, "\x06", AnswerWord::Ack},
        {RecordProtocol::SurGard, "\x15", AnswerWord::Nack},
        {RecordProtocol::SurGard, "XY", AnswerWord::Custom},
        {RecordProtocol::SurGard, "", AnswerWord::None},
        {RecordProtocol::SiaDcs, "\nABCD0012\"NAK\"0000R0L0#0[]\r", AnswerWord::Nak},
        {RecordProtocol::SiaDcs, "\nABCD0012\"ACK\"0001[]\r", AnswerWord::Ack},
        {RecordProtocol::SiaDcs, "\nABCD0012\"DUH\"\r", AnswerWord::Duh},
        {RecordProtocol::SiaDcs, "\x06", AnswerWord::Custom},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(answerWordFor(c.protocol, c.bytes), c.word) << c.bytes;
    }
}

TEST(WorkerRecords, EveryMessageIsRecordedWithAllItsBytesAndTheDecodersKind) {
    Station station;
    station.m_protocol = "Sur-Gard";
    const std::string withZero("1011\0tail\x14", 10);
    const char* messages[] = {"501001 181234113001015\x14",
                              "501001 181234160200000\x14",
                              "1011           @    \x14",
                              "0private\x14",
                              "S011[#1234|Nri1/BA01]\x14",
                              "5011 18\x14",
                              "x\x14"};
    for (const char* m : messages) {
        station.queueMessage(ReceivedMessage(m));
    }
    station.queueMessage(ReceivedMessage(withZero));
    {
        test::WorkerRun worker(station);
        for (int i = 0; i < 400 && station.records().span().size() < 8; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    std::vector<MessageKind> kinds;
    std::string lastRaw;
    station.records().visitRange(1, 9, [&](const MessageRecord& r) {
        kinds.push_back(r.kind);
        lastRaw = r.raw;
    });
    EXPECT_EQ(kinds, (std::vector<MessageKind>{MessageKind::Cid, MessageKind::DeviceHeart,
                                               MessageKind::Heartbeat, MessageKind::Private,
                                               MessageKind::Sia, MessageKind::FormatError,
                                               MessageKind::Unknown, MessageKind::Heartbeat}));
    EXPECT_EQ(lastRaw, withZero);
}

}  // namespace
}  // namespace corvane
