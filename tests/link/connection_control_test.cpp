// Starting and stopping the client link with the Connect button: captions, status, mode selector,
// activity log and diagnostics, and starts that must not happen.
#include <string>
#include <vector>

#include "link/link_fixture.h"

namespace corvane::test {
namespace {

using ConnectionControlTest = ClientLinkFixture;
using Texts = std::vector<std::string>;

// The enable/disable events of the mode selector, in order.
Texts modeSelectorEvents(const RecordingWindow& window) {
    Texts out;
    for (const auto& event : window.events()) {
        if (event.rfind("enable " + std::to_string(kModeCombo), 0) == 0) {
            out.push_back(event);
        }
    }
    return out;
}

TEST_F(ConnectionControlTest, NoReceiverListeningShowsTheBoxAndChangesNothing) {
    FakeReceiver refusing(false);
    station.m_port = refusing.port();
    station.OnConnectButton();
    EXPECT_EQ(window.messageBoxes(), Texts{"Connect failed, please check the parameters!"});
    EXPECT_EQ(window.events(), (Texts{"save", "box Connect failed, please check the parameters!"}));
    EXPECT_EQ(station.logText(), "");
    EXPECT_FALSE(station.m_running);
    EXPECT_FALSE(station.m_connected);
    EXPECT_EQ(station.m_msgThread, nullptr);
    EXPECT_EQ(station.m_msgProThread, nullptr);
    EXPECT_EQ(capture.count("connect failed: Connection refused", 2), 1);
    EXPECT_EQ(capture.count("connect failed"), 1);
}

TEST_F(ConnectionControlTest, RefusedFieldStopsTheStart) {
    window.onSaveTransfer([] { return false; });
    station.OnConnectButton();
    EXPECT_EQ(window.events(), Texts{"save"});
    EXPECT_FALSE(receiver.connectionPending());
    EXPECT_FALSE(station.m_running);
    EXPECT_EQ(station.logText(), "");
    EXPECT_TRUE(capture.entries().empty());
}

TEST_F(ConnectionControlTest, SurGardClientConnectsAndStops) {
    station.OnConnectButton();
    ASSERT_TRUE(receiver.accept());
    EXPECT_TRUE(station.m_running);
    EXPECT_TRUE(station.m_connected);
    EXPECT_NE(station.m_msgThread, nullptr);
    EXPECT_NE(station.m_msgProThread, nullptr);
    EXPECT_EQ(window.textsOf(kConnectButton), Texts{"Disconnect"});
    EXPECT_EQ(window.textsOf(kLinkStatusEdit), Texts{"TCP Client Connected"});
    EXPECT_FALSE(window.enabled(kModeCombo));
    EXPECT_TRUE(logIs({"  -  Connected!"})) << station.logText();
    EXPECT_TRUE(capture.contains("[CCorvaneDlg::doConnect("));
    EXPECT_TRUE(std::regex_search(capture.entries().back().text,
                                  std::regex(kTimeText + "  - Client Connected!$")));
    const auto now = static_cast<std::uint32_t>(Vexo_GetTimeTick());
    EXPECT_LT(now - station.getLastHeartbeatTick(), 10000U) << "the tick is renewed at connect";

    station.OnConnectButton();
    EXPECT_FALSE(station.m_running);
    EXPECT_FALSE(station.m_connected);
    EXPECT_EQ(station.m_msgThread, nullptr);
    EXPECT_EQ(station.m_msgProThread, nullptr);
    EXPECT_EQ(window.textsOf(kConnectButton), (Texts{"Disconnect", "Connect"}));
    EXPECT_EQ(window.textsOf(kLinkStatusEdit),
              (Texts{"TCP Client Connected", "TCP Client Disconnected"}));
    EXPECT_EQ(modeSelectorEvents(window), (Texts{"enable 1028 0", "enable 1028 1"}));
    EXPECT_TRUE(logIs({"  -  Connected!", "  -  Disconnected"})) << station.logText();
    EXPECT_EQ(capture.count("[CCorvaneDlg::doDisconnect(", 2), 1);
    EXPECT_TRUE(std::regex_search(capture.entries().back().text,
                                  std::regex(kTimeText + "  -  Disconnected$")));
    EXPECT_TRUE(receiver.waitForClose());
    EXPECT_EQ(window.messageBoxes(), Texts{});
}

TEST_F(ConnectionControlTest, EveryLogLineIsShownWhenTheLogIsOn) {
    station.m_showLog = 1;
    station.OnConnectButton();
    ASSERT_TRUE(receiver.accept());
    station.OnConnectButton();
    const Texts views = window.viewTexts();
    ASSERT_EQ(views.size(), 2U);
    EXPECT_TRUE(std::regex_match(views[0], std::regex(kTimeText + "  -  Connected!\r\n")));
    EXPECT_EQ(views[1], station.logText());
}

TEST_F(ConnectionControlTest, SiaDcsKeepsTheModeSelectorDisabledAfterAStop) {
    station.m_protocol = "SIA-DCS";
    ASSERT_TRUE(connectAndAccept());
    station.doDisconnect();
    EXPECT_EQ(modeSelectorEvents(window), Texts{"enable 1028 0"});
    EXPECT_FALSE(window.enabled(kModeCombo));
}

TEST_F(ConnectionControlTest, CountersContinueAcrossStops) {
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kHeartbeatMessage);
    ASSERT_TRUE(window.waitFor([&] { return station.m_sgHeartbeatCount == 1; }));
    station.doDisconnect();
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kHeartbeatMessage);
    ASSERT_TRUE(window.waitFor([&] { return station.m_sgHeartbeatCount == 2; }));
}

TEST_F(ConnectionControlTest, ServerStartsAndStops) {
    station.m_mode = "Server";
    station.m_port = 0;  // any free port
    station.OnConnectButton();
    ASSERT_TRUE(station.m_running);
    EXPECT_FALSE(station.m_connected) << "no receiver has connected yet";
    EXPECT_NE(station.m_listenSocket, Vexo_InvalidSocket);
    EXPECT_TRUE(logIs({"  -  Server Start!"})) << station.logText();
    EXPECT_TRUE(capture.contains("  - Server start!", 2));

    station.OnConnectButton();
    EXPECT_FALSE(station.m_running);
    EXPECT_EQ(station.m_listenSocket, Vexo_InvalidSocket);
    EXPECT_EQ(station.m_acceptThread, nullptr);
    EXPECT_EQ(station.m_selectThread, nullptr);
    EXPECT_EQ(station.m_msgProThread, nullptr);
    EXPECT_EQ(window.textsOf(kConnectButton), (Texts{"Close", "Start"}));
    EXPECT_EQ(window.textsOf(kLinkStatusEdit), (Texts{"TCP Server Start", "TCP Server Close"}));
    EXPECT_EQ(modeSelectorEvents(window), (Texts{"enable 1028 0", "enable 1028 1"}));
    EXPECT_TRUE(logIs({"  -  Server Start!", "  -  Disconnected", "  -  Server Close!"}))
        << station.logText();
    EXPECT_EQ(window.messageBoxes(), Texts{});
}

TEST_F(ConnectionControlTest, ShutdownOfAnIdleStationDoesNothing) {
    station.shutdownLink();
    station.shutdownLink();
    EXPECT_TRUE(window.events().empty());
    EXPECT_TRUE(capture.entries().empty());
    EXPECT_EQ(station.logText(), "");
}

TEST_F(ConnectionControlTest, ShutdownStopsARunningLinkOnce) {
    ASSERT_TRUE(connectAndAccept());
    station.shutdownLink();
    station.shutdownLink();
    EXPECT_FALSE(station.m_running);
    EXPECT_EQ(station.m_msgThread, nullptr);
    EXPECT_EQ(station.m_msgProThread, nullptr);
    EXPECT_EQ(capture.count("  -  Disconnected"), 1);
    EXPECT_TRUE(receiver.waitForClose());
}

}  // namespace
}  // namespace corvane::test
