// The ring of records and the late answers it takes in; the tally's counts per receiver; what a
// record reads again from its bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "protocol/event_meanings.h"
#include "protocol/parse_line.h"
#include "record/message_records.h"
#include "record/tally.h"

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

Reply sentReply(AnswerWord word, std::int64_t sentUs) {
    Reply reply;
    reply.word = word;
    reply.delivery = {Delivery::State::Sent, Delivery::Reason::None, sentUs};
    return reply;
}

TEST(MessageRecords, LateAnswersReachTheirMessageUntilItLeavesTheRing) {
    MessageRecords records(3);
    std::vector<MessageRecord> batch = {recordOn(2, "a"), recordOn(2, "b"), recordOn(3, "c")};
    batch[1].indexOnConnection = 1;
    records.append(batch);
    records.recordAnswer(2, 0, sentReply(AnswerWord::Nack, 1250), "\x15");
    records.recordAnswer(2, 1, sentReply(AnswerWord::Ack, 0), "");  // nothing left: no latency

    std::vector<AnswerWord> words;
    records.visitRange(1, 4, [&](const MessageRecord& r) { words.push_back(r.answerWord); });
    EXPECT_EQ(words,
              (std::vector<AnswerWord>{AnswerWord::Nack, AnswerWord::Ack, AnswerWord::None}));
    records.visit(1, [](const MessageRecord& r) { EXPECT_EQ(r.latencyUs, 250); });
    records.visit(2, [](const MessageRecord& r) { EXPECT_EQ(r.latencyUs, -1); });

    batch = {recordOn(4, "d"), recordOn(4, "e"), recordOn(4, "f")};
    records.append(batch);  // connection 2's records have left the ring
    records.recordAnswer(2, 0, sentReply(AnswerWord::Duh, 9999), "x");
    records.visitRange(1, 7,
                       [](const MessageRecord& r) { EXPECT_NE(r.answerWord, AnswerWord::Duh); });
}

// The record takes the word the Reply carries, whatever its bytes look like.
TEST(MessageRecords, TheAnswersWordIsTheRepliesNotTheBytes) {
    MessageRecord record = recordOn(1, "5");
    Reply custom;
    custom.word = AnswerWord::Custom;
    custom.encrypted = true;
    applyAnswer(record, custom, "\x06");
    EXPECT_EQ(record.answerWord, AnswerWord::Custom);
    EXPECT_EQ(record.answerBytes, "\x06");
    EXPECT_TRUE(record.encrypted);
    EXPECT_EQ(record.latencyUs, -1) << "not sent";
}

TEST(Tally, CountsPerReceiverAndInAll) {
    Tally tally;
    tally.connected(1, "10.0.0.1:5000", 100);
    tally.message(1, "10.0.0.1:5000", 200, MessageKind::Cid, AnswerWord::Ack, 40);
    tally.message(1, "10.0.0.1:5000", 300, MessageKind::LinkTest, AnswerWord::Nack, -1);
    tally.lateAnswer(1, 0, 2'000'000);
    tally.message(2, "10.0.0.2:6000", 400, MessageKind::Unknown, AnswerWord::None, -1);
    tally.lost(1, 500);
    tally.lostAll(600);

    const TallyTotals totals = tally.totals();
    EXPECT_EQ(totals.messages, 3U);
    EXPECT_EQ(tally.messages(), 3U);
    EXPECT_EQ(totals.byKind[static_cast<std::size_t>(MessageKind::LinkTest)], 1U);
    EXPECT_EQ(totals.byWord[static_cast<std::size_t>(AnswerWord::Nack)], 1U);
    EXPECT_EQ(totals.latency.count(), 2U);
    EXPECT_EQ(totals.latencySumUs, 2'000'040);
    EXPECT_EQ(totals.connections, 1U) << "only the connection that was seen to connect";
    EXPECT_EQ(totals.byAddress,
              (std::map<std::string, std::uint64_t>{{"10.0.0.1", 2}, {"10.0.0.2", 1}}));
    const std::vector<ReceiverRow> rows = tally.receivers();
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].connectedUs, 100);
    EXPECT_EQ(rows[0].lostUs, 500) << "a loss stays when the stop comes later";
    EXPECT_EQ(rows[0].lastMessageUs, 300);
    EXPECT_EQ(rows[1].connectedUs, 400) << "connected since its first message";
    EXPECT_EQ(rows[1].lostUs, 600) << "lost at the stop";
    EXPECT_EQ(rows[0].latency.count(), 2U);
    const std::int64_t p99 = rows[0].latency.percentile(0.99);
    EXPECT_GE(p99, 1'940'000);
    EXPECT_LE(p99, 2'060'000) << "within 3%";
}

// Each message counts in the second it was received, a late answer's latency in its message's
// second; seconds pushed out of the kept span, or never seen, count nothing.
TEST(Tally, CountsEachSecondOfReceipt) {
    constexpr std::int64_t kSecond = 1'000'000;
    Tally tally;
    tally.message(1, "p", 5 * kSecond + 200, MessageKind::Cid, AnswerWord::Ack, 100);
    tally.message(1, "p", 5 * kSecond + 900'000, MessageKind::Cid, AnswerWord::Nack, -1);
    tally.lateAnswer(1, 5 * kSecond + 900'000, 300);
    tally.message(1, "p", 7 * kSecond, MessageKind::Sia, AnswerWord::Ack, -1);
    std::vector<Tally::Second> seconds = tally.seconds(4, 7);
    ASSERT_EQ(seconds.size(), 4U);
    EXPECT_EQ(seconds[1].second, 5);
    EXPECT_EQ(seconds[1].messages, 2U);
    EXPECT_EQ(seconds[1].timed, 2U);
    EXPECT_EQ(seconds[1].latencySumUs, 400);
    EXPECT_EQ(seconds[0].messages + seconds[2].messages, 0U);
    EXPECT_EQ(seconds[3].messages, 1U);
    const auto later = static_cast<std::int64_t>(5 + Tally::kSecondsKept);
    tally.message(1, "p", later * kSecond, MessageKind::Sia, AnswerWord::Ack, -1);
    tally.message(1, "p", 5 * kSecond, MessageKind::Sia, AnswerWord::Ack, -1);  // too old now
    seconds = tally.seconds(5, 5);
    EXPECT_EQ(seconds[0].messages, 0U);
    EXPECT_EQ(tally.seconds(later, later)[0].messages, 1U);
}

TEST(LatencyHistogram, PercentilesWithinThreePercent) {
    LatencyHistogram h;
    EXPECT_EQ(h.percentile(0.5), -1);
    for (std::int64_t v = 1; v <= 10000; ++v) {
        h.add(v);
    }
    for (const auto& [p, exact] : {std::pair{0.5, 5000.0}, {0.99, 9900.0}, {1.0, 10000.0}}) {
        EXPECT_NEAR(static_cast<double>(h.percentile(p)), exact, exact * 0.03) << p;
    }
    LatencyHistogram small;
    small.add(7);
    EXPECT_EQ(small.percentile(0.99), 7);
}

TEST(Tally, AddressesPastTheLimitCountTogether) {
    Tally tally;
    for (std::uint64_t c = 1; c <= Tally::kAddressLimit + 2; ++c) {
        tally.message(c, "10.1.0." + std::to_string(c) + ":1", 1, MessageKind::Sia, AnswerWord::Ack,
                      1);
    }
    const TallyTotals totals = tally.totals();
    EXPECT_EQ(totals.byAddress.size(), Tally::kAddressLimit);
    EXPECT_EQ(totals.otherAddresses, 2U);
}

// A record keeps no line fields: they are read again from its bytes, with or without the clock,
// and mean what the decoder's own Decoded meant.
TEST(MessageRecord, ALinesMeaningSurvivesTheRecord) {
    const std::pair<const char*, ReceiverType> lines[] = {
        {"1011      0012 C1128\x14", ReceiverType::Mlr2},
        {"101001      1234 O2015"
         "20:26:46-07/12\x14",
         ReceiverType::Mlr2000},
        {"8010124821 1535 5565 5\x14", ReceiverType::Mlr2000},
        {"001000[#0000|NRP0001]\x14", ReceiverType::Mlr2000},
    };
    for (const auto& [line, type] : lines) {
        Decoded decoded = decodeMessage(line, Protocol::SurGard, type);
        const std::string meaning = meaningOf(decoded);
        MessageRecord record;
        record.raw = line;
        keepDecoded(record, std::move(decoded));
        EXPECT_FALSE(meaning.empty()) << line;
        EXPECT_EQ(meaningOf(decodedOf(record)), meaning) << line;
    }
    MessageRecord odd;  // a record file may pair a line kind with bytes of any length
    odd.kind = MessageKind::Signal;
    for (std::size_t length = 0; length < 40; ++length) {
        odd.raw.assign(length, '1');
        EXPECT_NO_THROW((void)meaningOf(decodedOf(odd))) << length;
    }
}

}  // namespace
}  // namespace corvane
