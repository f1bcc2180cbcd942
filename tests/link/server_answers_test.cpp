// Answer scripts on the server: each receiver walks the script on its own, a delay holds up only
// its own connection, CLOSE, a stop and a lost receiver while answers wait, and NAK frames (with
// the time they leave).
#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "dc09/time_stamp.h"
#include "protocol/dc09_frame.h"
#include "record/message_records.h"
#include "server_harness.h"
#include "support/quillet_capture.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::kCid;
using test::kSiaEvent;
using test::ServerHarness;
using test::TestReceiver;

void scriptOn(Station& station, const std::string& script) {
    ASSERT_TRUE(station.answerScripts().apply(script, "", station.m_protocol == Protocol::SiaDcs));
    station.answerScripts().setEnabled(true);
}

TEST(ServerAnswers, EachReceiverWalksAloneAndADelayHoldsOnlyItsConnection) {
    ServerHarness server;
    scriptOn(server.station(), "NACK, DELAY 60000 ACK, ACK");
    ASSERT_TRUE(server.start());
    TestReceiver a(server.port());
    ASSERT_TRUE(a.send(kCid));
    EXPECT_EQ(a.receive(1), "\x15");
    ASSERT_TRUE(a.send(kCid));  // step 2 waits a minute
    ASSERT_TRUE(server.waitForQueued(2));
    TestReceiver b(server.port());
    ASSERT_TRUE(b.send(kCid + kCid));
    EXPECT_EQ(b.receive(1), "\x15") << "a new connection starts at step 1, whatever A waits for";
    EXPECT_EQ(a.receive(1, 20ms), "");
    const auto steps = server.station().answerScripts().snapshot();
    ASSERT_EQ(steps.size(), 2U);
    EXPECT_EQ(steps[0].step, "step 2 of 3: DELAY 60000 ACK");

    test::QuilletCapture capture;
    server.stop();  // a stop during a 60 s delay: nothing more is sent
    EXPECT_TRUE(a.waitForClose());
    EXPECT_FALSE(capture.contains("ACK sent"));
    EXPECT_TRUE(
        capture.contains("nothing sent for ACK (step 1, delay 60000 ms): the station stopped", 2));
    const auto queued = server.replies();
    ASSERT_EQ(queued.size(), 4U);
    EXPECT_EQ(queued[1].word, AnswerWord::Ack);
    EXPECT_EQ(queued[1].step, 1);
    EXPECT_EQ(queued[1].delayMs, 60000);
    EXPECT_EQ(queued[1].delivery.state, Delivery::State::Pending);
    EXPECT_GT(queued[0].delivery.sentUs, 0);
}

TEST(ServerAnswers, OneConnectionsAnswersKeepTheirOrder) {
    ServerHarness server;
    scriptOn(server.station(), "DELAY 40 ACK, NACK, DELAY 20 CUSTOM, NACK");
    server.station().setCustomResponse("65");
    ASSERT_TRUE(server.start());
    TestReceiver receiver(server.port());
    ASSERT_TRUE(receiver.send(kCid + kCid + kCid + kCid));
    EXPECT_EQ(receiver.receive(4), "\x06\x15\x41\x15");
    // Every answer reaches the records with its send time, the late ones too.
    ASSERT_TRUE(test::waitUntil([&] { return server.core().queue().size() >= 9; }));
    server.core().worker().processQueuedMessages();
    const MessageRecords& records = server.station().records();
    std::vector<std::int64_t> latencies;
    records.visitRange(records.span().first, records.span().next,
                       [&](const MessageRecord& r) { latencies.push_back(r.latencyUs); });
    ASSERT_EQ(latencies.size(), 4U);
    EXPECT_GE(latencies[0], 40'000);
    EXPECT_GE(latencies[2], 20'000);
    for (const std::int64_t us : latencies) {
        EXPECT_GE(us, 0);
    }
}

TEST(ServerAnswers, CloseInAGluedBurstAnswersUpToTheCloseThenCloses) {
    test::QuilletCapture capture;
    ServerHarness server;
    scriptOn(server.station(), "NACK, ACK CLOSE 20, NACK");
    ASSERT_TRUE(server.start());
    TestReceiver receiver(server.port());
    ASSERT_TRUE(receiver.send(kCid + kCid + kCid + kCid));
    EXPECT_EQ(receiver.receive(3, 2s), "\x15\x06");
    EXPECT_TRUE(receiver.waitForClose());
    EXPECT_TRUE(server.waitForPeers(0));
    std::vector<AnswerWord> words;
    for (const Reply& reply : server.replies()) {
        words.push_back(reply.word);
    }
    EXPECT_EQ(words, (std::vector<AnswerWord>{AnswerWord::Nack, AnswerWord::Ack, AnswerWord::None,
                                              AnswerWord::None}));
    EXPECT_EQ(capture.count("the connection is closing"), 2);
}

TEST(ServerAnswers, AReceiverThatLeavesWhileItsAnswerWaitsIsDroppedCleanly) {
    test::QuilletCapture capture;
    ServerHarness server;
    scriptOn(server.station(), "DELAY 60000 ACK");
    ASSERT_TRUE(server.start());
    {
        TestReceiver receiver(server.port());
        ASSERT_TRUE(receiver.send(kCid));
        ASSERT_TRUE(server.waitForQueued(1));
        receiver.close(true);
    }
    EXPECT_TRUE(server.waitForPeers(0));
    EXPECT_TRUE(capture.waitFor("nothing sent for ACK (step 0, delay 60000 ms): connection lost"));
    EXPECT_TRUE(server.station().answerScripts().snapshot().empty());
}

TEST(ServerAnswers, NackAllPausesEachConnectionOnItsOwn) {
    test::QuilletCapture capture;
    ServerHarness server("SIA-DCS");
    server.station().m_responseMode = ResponseMode::NackAll;
    ASSERT_TRUE(server.start());
    std::vector<std::unique_ptr<TestReceiver>> receivers;
    for (int i = 0; i < 3; ++i) {
        receivers.push_back(std::make_unique<TestReceiver>(server.port()));
        ASSERT_TRUE(receivers.back()->send(kSiaEvent));
    }
    for (auto& receiver : receivers) {
        EXPECT_NE(receiver->receive(20, 5s).find("\"NACK\""), std::string::npos);
    }
    for (const Reply& reply : server.replies()) {
        EXPECT_EQ(reply.delayMs, 300);
        EXPECT_EQ(reply.word, AnswerWord::Nack);
    }
    // All three waited together, not one after the other: each left well before twice the pause.
    const std::regex together("NACK sent \\(step -1, delay 300 ms\\) [345]\\d{5} us .*");
    EXPECT_TRUE(test::waitUntil([&] {
        int count = 0;
        for (const auto& entry : capture.entries()) {
            count += std::regex_search(entry.text, together) ? 1 : 0;
        }
        return count == 3;
    }));
}

TEST(ServerAnswers, NakCarriesAUtcTimeStampAndDuhCopiesTheText) {
    ServerHarness server("SIA-DCS");
    scriptOn(server.station(), "NAK, DUH");
    ASSERT_TRUE(server.start());
    TestReceiver receiver(server.port());
    ASSERT_TRUE(receiver.send(kSiaEvent));
    const std::string nak = receiver.receive(50);
    EXPECT_TRUE(std::regex_match(
        nak, std::regex("\n[0-9A-F]{4}0028\"NAK\"0007R1L2#1234\\[\\]_\\d\\d:\\d\\d:\\d\\d,"
                        "\\d\\d-\\d\\d-\\d{4}\r")))
        << nak;
    ASSERT_TRUE(receiver.send(kSiaEvent));
    EXPECT_NE(receiver.receive(30).find("\"DUH\"0007R1L2#1234[]\r"), std::string::npos);
}

// A NAK held back by a DELAY carries the UTC time it left, not the time its message came.
TEST(ServerAnswers, ADelayedNakCarriesTheTimeItLeaves) {
    ServerHarness server("SIA-DCS");
    scriptOn(server.station(), "DELAY 1000 NAK");
    ASSERT_TRUE(server.start());
    TestReceiver receiver(server.port());
    const std::time_t sent = std::time(nullptr);
    ASSERT_TRUE(receiver.send(kSiaEvent));
    const std::string nak = receiver.receive(50);
    ASSERT_EQ(nak.size(), 50U) << nak;
    EXPECT_EQ(nak, frameAround(nak.substr(9, 40)));  // its CRC follows the new time
    const auto stamp = dc09::parseTimeStamp(nak.substr(30, 19));
    ASSERT_TRUE(stamp.has_value()) << nak;
    EXPECT_GE(*stamp, sent + 1);
}

}  // namespace
}  // namespace corvane
