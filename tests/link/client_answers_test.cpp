// Answer scripts in Client mode: a delay waits without holding up a stop, CLOSE works like
// Disconnect (no reconnect), and answers keep their order.
#include <string>

#include "link/link_fixture.h"

namespace corvane::test {
namespace {

using ClientAnswersTest = ClientLinkFixture;

void scriptOn(Station& station, const std::string& script) {
    ASSERT_FALSE(station.answerScripts().apply(script, "", false));
    station.answerScripts().setEnabled(true);
}

TEST_F(ClientAnswersTest, DelayedAnswersKeepTheirOrderAndLogTheirLatency) {
    scriptOn(station, "DELAY 30 NACK, ACK, NONE, ACK");
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kCidMessage + kCidMessage + kCidMessage + kCidMessage);
    EXPECT_EQ(receiver.receive(3), "\x15\x06\x06");
    EXPECT_TRUE(capture.contains("connection 1: NACK sent (step 0, delay 30 ms) "));
    EXPECT_TRUE(capture.contains("nothing sent for none (step 2, delay 0 ms): the answer is none"));
}

TEST_F(ClientAnswersTest, AStopDuringALongDelaySendsNothing) {
    scriptOn(station, "DELAY 60000 ACK");
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kCidMessage);
    ASSERT_TRUE(window.waitFor([&] { return !station.answerScripts().snapshot().empty(); }));
    station.doDisconnect();
    EXPECT_EQ(station.m_msgThread, nullptr);
    EXPECT_TRUE(receiver.waitForClose());
    EXPECT_FALSE(capture.contains("ACK sent"));
}

TEST_F(ClientAnswersTest, CloseWorksLikeDisconnectWithoutReconnecting) {
    station.m_reconnectSeconds = 1;
    scriptOn(station, "ACK CLOSE 10");
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kCidMessage + kCidMessage);
    EXPECT_EQ(receiver.receive(2, 1s), std::string(1, kAck));
    EXPECT_TRUE(receiver.waitForClose());
    ASSERT_TRUE(window.waitFor([&] { return window.linkCheckRequests() > 0; }));
    station.checkClientLink();
    EXPECT_FALSE(station.m_running);
    EXPECT_EQ(window.text(kLinkStatusEdit), "TCP Client Disconnected");
    EXPECT_EQ(station.m_reconnectDueTick, 0U) << "the operator connects again";
}

}  // namespace
}  // namespace corvane::test
