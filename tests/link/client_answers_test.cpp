// Answer scripts in Client mode: a delay waits without holding up a stop, CLOSE works like
// Disconnect (no reconnect), and answers keep their order.
#include <string>

#include "link/link_fixture.h"

namespace corvane::test {
namespace {

using ClientAnswersTest = ClientLinkFixture;

void scriptOn(Station& station, const std::string& script) {
    ASSERT_TRUE(station.answerScripts().apply(script, "", false));
    station.answerScripts().setEnabled(true);
}

TEST_F(ClientAnswersTest, DelayedAnswersKeepTheirOrderAndLogTheirLatency) {
    scriptOn(station, "DELAY 30 NACK, ACK, NONE, ACK");
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kCidMessage + kCidMessage + kCidMessage + kCidMessage);
    EXPECT_EQ(receiver.receive(3), "\x15\x06\x06");
    // The delayed answers' lines are written (those queued behind it waited too); an answer of
    // none went as planned: its line is a verbose one.
    EXPECT_TRUE(capture.waitFor("connection 1: NACK sent (step 0, delay 30 ms) "));
    EXPECT_TRUE(capture.waitFor("connection 1: ACK sent (step 3, delay 0 ms) "));
    EXPECT_FALSE(capture.contains("nothing sent for none"));
}

TEST_F(ClientAnswersTest, AStopDuringALongDelaySendsNothing) {
    scriptOn(station, "DELAY 60000 ACK");
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kCidMessage);
    ASSERT_TRUE(window.waitFor([&] { return !station.answerScripts().snapshot().empty(); }));
    core.control().doDisconnect();
    EXPECT_FALSE(core.client().threadRunning());
    EXPECT_TRUE(receiver.waitForClose());
    EXPECT_FALSE(capture.contains("ACK sent"));
    EXPECT_TRUE(capture.contains(
        "connection 1: nothing sent for ACK (step 0, delay 60000 ms): the station stopped", 2));
}

TEST_F(ClientAnswersTest, CloseWorksLikeDisconnectWithoutReconnecting) {
    station.m_reconnectSeconds = 1;
    scriptOn(station, "ACK CLOSE 10");
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kCidMessage + kCidMessage);
    EXPECT_EQ(receiver.receive(2, 1s), std::string(1, kAck));
    EXPECT_TRUE(receiver.waitForClose());
    ASSERT_TRUE(window.waitFor([&] { return window.linkCheckRequests() > 0; }));
    core.control().checkClientLink();
    EXPECT_FALSE(station.m_running);
    EXPECT_EQ(window.lastReport().state, LinkState::Stopped);
    Vexo_SetTimeTickOffset(5000);  // long past the reconnect period
    core.control().checkClientLink();
    Vexo_SetTimeTickOffset(0);
    EXPECT_FALSE(station.m_running) << "the operator connects again";
}

}  // namespace
}  // namespace corvane::test
