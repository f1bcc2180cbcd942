// Answers that never leave are counted and recorded as unsent, with their reason: receivers that
// close while their answers wait, a stop during a long delay, and the one wait a stop keeps (the
// SIA-DCS "NACK All" pause, whose NACKs still leave); and a queue to the worker that fills up
// holds reading back without losing a message or an answer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "record/message_records.h"
#include "record/tally.h"
#include "server_harness.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::kCid;
using test::kSiaEvent;
using test::ServerHarness;
using test::TestReceiver;

// The worker's part, played by the test thread: takes in what the links queued until `done`.
bool workUntil(ServerHarness& server, const std::function<bool(const TallyTotals&)>& done) {
    return test::waitUntil([&] {
        while (server.core().worker().processQueuedMessages()) {
        }
        return done(server.core().tally().totals());
    });
}

std::size_t word(const TallyTotals& t, AnswerWord w) {
    return t.answers.byWord[static_cast<std::size_t>(w)];
}
std::size_t unsent(const TallyTotals& t, Delivery::Reason why) {
    return t.answers.unsentBy[static_cast<std::size_t>(why)];
}

TEST(UnsentAnswers, ReceiversThatCloseWhileTheirAnswersWaitLeaveThemUnsent) {
    constexpr int kReceivers = 16;
    ServerHarness server;
    ASSERT_TRUE(server.station().answerScripts().apply("DELAY 1000 ACK", "", false));
    server.station().answerScripts().setEnabled(true);
    ASSERT_TRUE(server.start());
    std::vector<std::unique_ptr<TestReceiver>> receivers;
    for (int i = 0; i < kReceivers; ++i) {
        receivers.push_back(std::make_unique<TestReceiver>(server.port()));
        ASSERT_TRUE(receivers.back()->send(kCid + kCid + kCid));
    }
    ASSERT_TRUE(workUntil(server, [](const TallyTotals& t) { return t.messages == 48; }));
    for (int i = 1; i < kReceivers; i += 2) {
        receivers[i]->close();
    }
    ASSERT_TRUE(workUntil(server, [](const TallyTotals& t) {
        return t.answers.waiting == 0 && t.answers.unsent() + word(t, AnswerWord::Ack) == 48;
    }));
    for (int i = 0; i < kReceivers; i += 2) {
        EXPECT_EQ(receivers[i]->receive(3), "\x06\x06\x06");
    }
    const TallyTotals totals = server.core().tally().totals();
    EXPECT_EQ(word(totals, AnswerWord::Ack), 24U);
    EXPECT_EQ(unsent(totals, Delivery::Reason::ConnectionLost), 24U);
    EXPECT_EQ(unsentReasonsText(totals.answers), "connection lost");
    int unsentRecords = 0;
    server.core().records().visitRange(0, 100, [&](const MessageRecord& r) {
        if (std::string(answerOutcome(r)) == "unsent") {
            ++unsentRecords;
            EXPECT_EQ(r.answerWord, AnswerWord::Ack) << "the word it would have been";
            EXPECT_TRUE(r.answerBytes.empty());
            EXPECT_EQ(r.latencyUs, -1);
        }
    });
    EXPECT_EQ(unsentRecords, 24);
}

TEST(UnsentAnswers, AStopDuringALongDelaySendsNothingAndSaysSo) {
    ServerHarness server;
    ASSERT_TRUE(server.station().answerScripts().apply("DELAY 3600000 ACK", "", false));
    server.station().answerScripts().setEnabled(true);
    ASSERT_TRUE(server.start());
    TestReceiver receiver(server.port());
    ASSERT_TRUE(receiver.send(kCid + kCid + kCid + kCid));
    ASSERT_TRUE(workUntil(server, [](const TallyTotals& t) { return t.answers.waiting == 4; }));
    server.stop();
    ASSERT_TRUE(workUntil(server, [](const TallyTotals& t) { return t.answers.waiting == 0; }));
    const TallyTotals totals = server.core().tally().totals();
    EXPECT_EQ(word(totals, AnswerWord::Ack), 0U);
    EXPECT_EQ(unsent(totals, Delivery::Reason::StationStopped), 4U);
    EXPECT_EQ(receiver.receive(1, 20ms), "");
}

// The stop waits for SIA-DCS "NACK All"'s pause: its NACK leaves, then the connection closes.
TEST(UnsentAnswers, AStopSendsTheNacksWaitingOutTheirPause) {
    ServerHarness server("SIA-DCS");
    server.station().m_responseMode = ResponseMode::NackAll;
    ASSERT_TRUE(server.start());
    TestReceiver receiver(server.port());
    ASSERT_TRUE(receiver.send(kSiaEvent));
    ASSERT_TRUE(workUntil(server, [](const TallyTotals& t) { return t.answers.waiting == 1; }));
    server.stop();
    EXPECT_NE(receiver.receive(20, 5s).find("\"NACK\""), std::string::npos);
    EXPECT_TRUE(receiver.waitForClose());
    ASSERT_TRUE(workUntil(server, [](const TallyTotals& t) { return t.answers.waiting == 0; }));
    EXPECT_EQ(word(server.core().tally().totals(), AnswerWord::Nack), 1U);
    EXPECT_EQ(server.core().tally().totals().answers.unsent(), 0U);
}

// A script's answer the stop drops leaves nothing to wait for: the stop sits out one receiver's
// pause, not the other's dropped delay.
TEST(UnsentAnswers, AStopWaitsOutThePauseNotADroppedDelay) {
    ServerHarness server("SIA-DCS");
    server.station().m_responseMode = ResponseMode::NackAll;
    ASSERT_TRUE(server.station().answerScripts().apply("DELAY 30000 ACK", "", true));
    server.station().answerScripts().setEnabled(true);
    ASSERT_TRUE(server.start());
    TestReceiver scripted(server.port());
    ASSERT_TRUE(scripted.send(kSiaEvent));
    ASSERT_TRUE(server.waitForQueued(1));
    server.station().answerScripts().setEnabled(false);
    TestReceiver paused(server.port());
    ASSERT_TRUE(paused.send(kSiaEvent));
    ASSERT_TRUE(server.waitForQueued(2));
    const auto begun = std::chrono::steady_clock::now();
    server.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 10s);
    EXPECT_NE(paused.receive(20, 5s).find("\"NACK\""), std::string::npos);
}

TEST(UnsentAnswers, AFullQueueHoldsReadingBackAndLosesNothing) {
    constexpr int kMessages = 2000;
    ServerHarness server;
    server.core().queue().setByteLimit(8 * 1024);  // full after a few dozen messages
    ASSERT_TRUE(server.start());
    TestReceiver receiver(server.port());
    std::string burst;
    for (int i = 0; i < kMessages / 2; ++i) {
        burst += kCid;
    }
    ASSERT_TRUE(receiver.send(burst));
    ASSERT_TRUE(test::waitUntil([&] { return server.core().queue().full(); }));
    ASSERT_TRUE(receiver.send(burst));  // not read until the worker has made room
    ASSERT_TRUE(workUntil(server, [](const TallyTotals& t) { return t.messages == kMessages; }));
    EXPECT_EQ(receiver.receive(kMessages), std::string(kMessages, '\x06'));
    EXPECT_EQ(word(server.core().tally().totals(), AnswerWord::Ack), std::size_t{kMessages});
}

}  // namespace
}  // namespace corvane
