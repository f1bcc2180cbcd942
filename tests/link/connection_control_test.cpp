// Starting and stopping the client link with the Connect button: captions, status, mode selector,
// activity log and diagnostics, and starts that must not happen.
#include <string>
#include <vector>

#include "link/link_fixture.h"

namespace corvane::test {
namespace {

using ConnectionControlTest = ClientLinkFixture;
using Texts = std::vector<std::string>;

// The link reports, in order.
Texts reportsOf(const RecordingWindow& window) {
    Texts out;
    for (const LinkReport& report : window.reports()) {
        out.push_back(reportText(report));
    }
    return out;
}

TEST_F(ConnectionControlTest, NoReceiverListeningShowsTheBoxAndChangesNothing) {
    FakeReceiver refusing(false);
    station.m_port = refusing.port();
    core.control().OnConnectButton();
    const std::string target = "127.0.0.1:" + std::to_string(refusing.port());
    EXPECT_EQ(window.events(),
              (Texts{"save", "failed connect to " + target + ": Connection refused"}));
    ASSERT_EQ(window.failures().size(), 1U);
    EXPECT_EQ(window.failures()[0].first, LinkMode::Client);
    EXPECT_EQ(window.failures()[0].second.where, target);
    EXPECT_EQ(logText(), "");
    EXPECT_FALSE(station.m_running);
    EXPECT_FALSE(station.m_connected);
    EXPECT_FALSE(core.client().threadRunning());
    EXPECT_FALSE(core.worker().running());
    EXPECT_EQ(capture.count("connect failed: Connection refused", 2), 1);
    EXPECT_EQ(capture.count("connect failed"), 1);
}

TEST_F(ConnectionControlTest, RefusedFieldStopsTheStart) {
    window.onSaveTransfer([] { return false; });
    core.control().OnConnectButton();
    EXPECT_EQ(window.events(), Texts{"save"});
    EXPECT_FALSE(receiver.connectionPending());
    EXPECT_FALSE(station.m_running);
    EXPECT_EQ(logText(), "");
    EXPECT_TRUE(capture.entries().empty());
}

TEST_F(ConnectionControlTest, SurGardClientConnectsAndStops) {
    core.control().OnConnectButton();
    ASSERT_TRUE(receiver.accept());
    EXPECT_TRUE(station.m_running);
    EXPECT_TRUE(station.m_connected);
    EXPECT_TRUE(core.client().threadRunning());
    EXPECT_TRUE(core.worker().running());
    EXPECT_EQ(reportsOf(window), (Texts{"Starting Client", "Connected Client"}));
    EXPECT_TRUE(logIs({"  -  Connected!"})) << logText();
    EXPECT_TRUE(capture.contains("[CCorvaneDlg::doConnect("));
    EXPECT_TRUE(std::regex_search(capture.entries().back().text,
                                  std::regex(kTimeText + "  - Client Connected!$")));
    const auto now = static_cast<std::uint32_t>(Vexo_GetTimeTick());
    EXPECT_LT(now - station.getLastHeartbeatTick(), 10000U) << "the tick is renewed at connect";

    core.control().OnConnectButton();
    EXPECT_FALSE(station.m_running);
    EXPECT_FALSE(station.m_connected);
    EXPECT_FALSE(core.client().threadRunning());
    EXPECT_FALSE(core.worker().running());
    EXPECT_EQ(reportsOf(window),
              (Texts{"Starting Client", "Connected Client", "Stopped Client Operator"}));
    EXPECT_TRUE(logIs({"  -  Connected!", "  -  Disconnected"})) << logText();
    EXPECT_EQ(capture.count("[CCorvaneDlg::doDisconnect(", 2), 1);
    EXPECT_TRUE(std::regex_search(capture.entries().back().text,
                                  std::regex(kTimeText + "  -  Disconnected$")));
    EXPECT_TRUE(receiver.waitForClose());
    EXPECT_TRUE(window.failures().empty());
}

TEST_F(ConnectionControlTest, EveryLogLineIsShownWhenTheLogIsOn) {
    station.m_showLog = 1;
    core.control().OnConnectButton();
    ASSERT_TRUE(receiver.accept());
    core.control().OnConnectButton();
    const Texts views = window.viewTexts();
    ASSERT_EQ(views.size(), 2U);
    EXPECT_TRUE(std::regex_match(views[0], std::regex(kTimeText + "  -  Connected!\r\n")));
    EXPECT_EQ(views[1], logText());
}

TEST_F(ConnectionControlTest, CountersContinueAcrossStops) {
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kHeartbeatMessage);
    ASSERT_TRUE(window.waitFor([&] { return station.m_sgHeartbeatCount == 1; }));
    core.control().doDisconnect();
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kHeartbeatMessage);
    ASSERT_TRUE(window.waitFor([&] { return station.m_sgHeartbeatCount == 2; }));
}

TEST_F(ConnectionControlTest, ServerStartsAndStops) {
    station.m_mode = LinkMode::Server;
    station.m_port = 0;  // any free port
    core.control().OnConnectButton();
    ASSERT_TRUE(station.m_running);
    EXPECT_FALSE(station.m_connected) << "no receiver has connected yet";
    EXPECT_NE(core.server().m_listenSocket, Vexo_InvalidSocket);
    EXPECT_TRUE(logIs({"  -  Server Start!"})) << logText();
    EXPECT_TRUE(capture.contains("  - Server start!", 2));

    core.control().OnConnectButton();
    EXPECT_FALSE(station.m_running);
    EXPECT_EQ(core.server().m_listenSocket, Vexo_InvalidSocket);
    EXPECT_EQ(core.server().m_acceptThread, nullptr);
    EXPECT_EQ(core.server().m_selectThread, nullptr);
    EXPECT_FALSE(core.worker().running());
    EXPECT_EQ(reportsOf(window),
              (Texts{"Starting Server", "Listening Server", "Stopped Server Operator"}));
    EXPECT_TRUE(logIs({"  -  Server Start!", "  -  Disconnected", "  -  Server Close!"}))
        << logText();
    EXPECT_TRUE(window.failures().empty());
}

TEST_F(ConnectionControlTest, ShutdownOfAnIdleStationDoesNothing) {
    core.control().shutdownLink();
    core.control().shutdownLink();
    EXPECT_TRUE(window.events().empty());
    EXPECT_TRUE(capture.entries().empty());
    EXPECT_EQ(logText(), "");
}

TEST_F(ConnectionControlTest, ShutdownStopsARunningLinkOnce) {
    ASSERT_TRUE(connectAndAccept());
    core.control().shutdownLink();
    core.control().shutdownLink();
    EXPECT_FALSE(station.m_running);
    EXPECT_FALSE(core.client().threadRunning());
    EXPECT_FALSE(core.worker().running());
    EXPECT_EQ(capture.count("  -  Disconnected"), 1);
    EXPECT_TRUE(receiver.waitForClose());
}

}  // namespace
}  // namespace corvane::test
