// The server link's life: start, receivers arriving and leaving, the receiver limit, restart,
// each receiver's own supervision, and the start and stop through the Connect button.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/peer_set.h"
#include "platform/quillet.h"
#include "server_harness.h"
#include "support/quillet_capture.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::QuilletCapture;
using test::ServerHarness;
using test::TestReceiver;

const std::string kMessage = "5011 18112345E13001003\x14";

LinkReport lastReport(ServerHarness& server) {
    return server.window().lastReport();
}

TEST(ServerLink, AnnouncesAReceiverThatConnects) {
    QuilletCapture diagnostics;
    ServerHarness server;
    ASSERT_TRUE(server.start());
    EXPECT_FALSE(server.station().m_connected);

    TestReceiver receiver(server.port());
    ASSERT_TRUE(receiver.connected());
    ASSERT_TRUE(server.waitForPeers(1));

    Station& station = server.station();
    EXPECT_TRUE(station.m_connected);
    EXPECT_EQ(station.m_receiverWatch.count(), 1u);
    EXPECT_NE(server.core().server().m_peerSocket.load(), Vexo_InvalidSocket);
    EXPECT_TRUE(g_peerSet.contains(server.core().server().m_peerSocket));
    EXPECT_EQ(lastReport(server), (LinkReport{LinkMode::Server, LinkState::Connected}));
    EXPECT_EQ(server.logCount("  -  Connected!\r\n"), 1);
    EXPECT_EQ(server.core().log().logText().find(ActivityLog::getTimeStamp().substr(0, 4)), 0u)
        << "the line starts with its time text";
    EXPECT_TRUE(diagnostics.contains("[CCorvaneDlg::isConnected(", 2));
    EXPECT_TRUE(diagnostics.contains("  -  Client Connected!", 2));
}

TEST(ServerLink, KeepsListeningAfterTheReceiverLeaves) {
    QuilletCapture diagnostics;
    ServerHarness server;
    ASSERT_TRUE(server.start());
    {
        TestReceiver receiver(server.port());
        ASSERT_TRUE(server.waitForPeers(1));
        ASSERT_TRUE(receiver.send(kMessage));
        ASSERT_EQ(receiver.receive(1), "\x06");
    }
    ASSERT_TRUE(server.waitForPeers(0));
    Station& station = server.station();
    EXPECT_EQ(lastReport(server), (LinkReport{LinkMode::Server, LinkState::Listening,
                                              StopCause::None, true, LinkLoss::EndOfFile}));
    EXPECT_FALSE(station.m_connected);
    EXPECT_EQ(station.m_receiverWatch.count(), 0u);
    EXPECT_EQ(server.core().server().m_peerSocket.load(), Vexo_InvalidSocket);
    EXPECT_EQ(g_peerSet.count(), 0u);
    EXPECT_EQ(server.logCount("  -  DisConnect!\r\n"), 1);
    EXPECT_TRUE(diagnostics.contains("[CCorvaneDlg::isDisconnect(", 2));
    EXPECT_TRUE(diagnostics.contains("  -  Client DisConnected!", 2));

    TestReceiver next(server.port());
    ASSERT_TRUE(server.waitForPeers(1));
    EXPECT_EQ(server.logCount("  -  Connected!\r\n"), 2);
    EXPECT_TRUE(station.m_connected);
    ASSERT_TRUE(next.send(kMessage));
    EXPECT_EQ(next.receive(1), "\x06");
    EXPECT_TRUE(server.waitForQueued(2));
}

TEST(ServerLink, ClosesTheSocketsOfLostReceivers) {
    ServerHarness server;
    ASSERT_TRUE(server.start());
    const int before = test::descriptorBaseline();
    for (int i = 1; i <= 5; ++i) {
        TestReceiver receiver(server.port());
        ASSERT_TRUE(server.waitForPeers(1));
        receiver.close(i % 2 == 0);  // in order, or with a reset
        ASSERT_TRUE(server.waitForPeers(0));
        ASSERT_TRUE(test::waitUntil([&] { return server.logCount("DisConnect!") == i; }));
    }
    EXPECT_TRUE(test::waitUntil([&] { return test::openDescriptorCount() == before; }))
        << test::openDescriptorCount() << " descriptors open, " << before << " before";
}

TEST(ServerLink, ClosesTheSixtyFifthReceiverAndServesTheOthers) {
    QuilletCapture diagnostics;
    ServerHarness server;
    ASSERT_TRUE(server.start());
    std::vector<std::unique_ptr<TestReceiver>> receivers;
    for (std::uint32_t i = 1; i <= 64; ++i) {
        receivers.push_back(std::make_unique<TestReceiver>(server.port()));
        ASSERT_TRUE(receivers.back()->connected());
        ASSERT_TRUE(server.waitForPeers(i));
    }
    const Vexo_Socket latest = server.core().server().m_peerSocket;

    TestReceiver extra(server.port());
    ASSERT_TRUE(extra.connected());
    EXPECT_TRUE(extra.waitForClose());
    EXPECT_TRUE(diagnostics.waitFor("receiver limit reached (64), connection closed"));
    EXPECT_EQ(diagnostics.count("] receiver limit reached (64), connection closed", 2), 1);
    EXPECT_EQ(server.logCount("  -  Connected!\r\n"), 64) << "the extra one is not announced";
    EXPECT_EQ(server.core().server().m_peerSocket.load(), latest);
    EXPECT_EQ(g_peerSet.count(), 64u);

    for (const std::size_t i : {std::size_t{0}, std::size_t{31}, std::size_t{63}}) {
        ASSERT_TRUE(receivers[i]->send(kMessage));
        EXPECT_EQ(receivers[i]->receive(1), "\x06") << "receiver " << i + 1;
    }

    // Room again once one leaves.
    receivers[10]->close();
    ASSERT_TRUE(server.waitForPeers(63));
    TestReceiver late(server.port());
    ASSERT_TRUE(server.waitForPeers(64));
    ASSERT_TRUE(late.send(kMessage));
    EXPECT_EQ(late.receive(1), "\x06");
}

TEST(ServerLink, ReportsABindRefusedBecauseThePortIsTaken) {
    // Another socket listens on the port.
    const Vexo_Socket other = Vexo_CreateSocket(2, 1, 0);
    Vexo_Addr address;
    Vexo_MakeIPv4Addr(&address, "0.0.0.0", 0);
    ASSERT_EQ(Vexo_Bind(other, &address), 0);
    ASSERT_EQ(Vexo_Listen(other, 1), 0);
    const int port = Vexo_LocalPort(other);

    QuilletCapture diagnostics;
    ServerHarness server;
    const int before = test::descriptorBaseline();
    server.station().m_port = port;
    const Result<void> started = server.core().server().startServer();
    ASSERT_FALSE(started);
    EXPECT_EQ(started.error().text(),
              "listen on 0.0.0.0:" + std::to_string(port) + ": Address already in use");
    EXPECT_TRUE(diagnostics.contains("[CCorvaneDlg::startServer(", 5));
    EXPECT_TRUE(diagnostics.contains("] bind fail", 5));
    EXPECT_EQ(diagnostics.count("", 5), 1);
    EXPECT_EQ(server.core().server().m_listenSocket, Vexo_InvalidSocket);
    EXPECT_EQ(server.core().server().m_acceptThread, nullptr);
    EXPECT_EQ(test::openDescriptorCount(), before) << "the refused socket is closed";
    Vexo_CloseSocket(other, 0);
}

// Port 0 takes a free port; the bind address decides where. An IPv4 receiver of a dual-stack "::"
// shows as IPv4.
TEST(ServerLink, ListensOnTheBindAddressAndSaysWhere) {
    ServerHarness server;
    server.station().m_bindAddress = "::";
    if (!server.startOn(0)) {
        GTEST_SKIP() << "no IPv6 here";
    }
    const std::string where = server.core().server().listeningAddress();
    ASSERT_EQ(where.rfind("[::]:", 0), 0U) << where;
    TestReceiver receiver(std::stoi(where.substr(5)));
    ASSERT_TRUE(receiver.send(kMessage));
    ASSERT_TRUE(server.waitForQueued(1));
    EXPECT_EQ(server.items().back().peer.rfind("127.0.0.1:", 0), 0U) << server.items().back().peer;
    server.stop();
    server.station().m_bindAddress = "receiver.lab";
    const Result<void> refused = server.core().server().startServer();
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().text(), "listen on receiver.lab:0: not an IPv4 or IPv6 address");
}

TEST(ServerLink, UsesTheLowSixteenBitsOfThePort) {
    ServerHarness server;
    const int port = test::freePort();
    server.station().m_port = port + 0x10000;
    ASSERT_TRUE(server.core().server().startServer());
    EXPECT_EQ(Vexo_LocalPort(server.core().server().m_listenSocket), port);
}

TEST(ServerLink, RestartsOnThePortRightAfterAStop) {
    ServerHarness server;
    ASSERT_TRUE(server.start());
    const int port = server.port();
    {
        TestReceiver receiver(port);
        ASSERT_TRUE(server.waitForPeers(1));
        ASSERT_TRUE(receiver.send(kMessage));
        ASSERT_EQ(receiver.receive(1), "\x06");
        // The server closes first, so its side of the connection lingers in TIME_WAIT.
        server.stop();
        EXPECT_TRUE(receiver.waitForClose());
    }
    ASSERT_TRUE(server.startOn(port));
    TestReceiver receiver(port);
    ASSERT_TRUE(server.waitForPeers(1));
    ASSERT_TRUE(receiver.send(kMessage));
    EXPECT_EQ(receiver.receive(1), "\x06");
}

TEST(ServerLink, StartingAgainWhileServingKeepsTheServer) {
    ServerHarness server;
    ASSERT_TRUE(server.start());
    TestReceiver receiver(server.port());
    ASSERT_TRUE(server.waitForPeers(1));
    const Vexo_Socket listening = server.core().server().m_listenSocket;
    const int before = test::descriptorBaseline();

    EXPECT_TRUE(server.core().server().startServer());
    EXPECT_EQ(server.core().server().m_listenSocket, listening);
    EXPECT_EQ(g_peerSet.count(), 1u) << "the receiver is still served";
    EXPECT_EQ(test::openDescriptorCount(), before);
    ASSERT_TRUE(receiver.send(kMessage));
    EXPECT_EQ(receiver.receive(1), "\x06");
}

TEST(ServerLink, ThreadEntriesReturnForANullStation) {
    EXPECT_EQ(acceptThreadEntry(nullptr), 0);
    EXPECT_EQ(selectThreadEntry(nullptr), 0);
}

// Supervision per receiver: one receiver falls silent while 64 others connect and close (a
// client library probes with an empty connection before each send) and another keeps sending.
// The station stays connected while any receiver is, and the silent one alone decides the
// time-out, on time. The tick is moved on instead of waited for.
TEST(ServerLink, ASilentReceiverTimesOutWhateverOthersDo) {
    struct TickOffset {
        ~TickOffset() { Vexo_SetTimeTickOffset(0); }
    } resetTick;
    QuilletCapture diagnostics;
    test::RecordingWindow window;
    StationCore core(&window);
    Station& station = core.station();
    station.m_protocol = Protocol::SurGard;
    station.m_mode = LinkMode::Server;
    station.m_heartbeatInterval = 10;
    for (int attempt = 0; attempt < 5 && !station.m_running; ++attempt) {
        station.m_port = test::freePort();
        core.control().doConnect();
    }
    ASSERT_TRUE(station.m_running);
    const auto peers = [](std::uint32_t n) {
        return test::waitUntil([n] { return g_peerSet.count() == n; });
    };
    const auto lost = [&] {
        const std::string text = core.log().logText();
        int count = 0;
        for (auto at = text.find("DisConnect!"); at != std::string::npos;
             at = text.find("DisConnect!", at + 1)) {
            ++count;
        }
        return count;
    };

    TestReceiver silent(station.m_port);
    ASSERT_TRUE(peers(1));
    std::uint64_t offsetMs = 0;
    for (int wave = 1; wave <= 4; ++wave) {
        Vexo_SetTimeTickOffset(offsetMs += 2000);
        {
            std::vector<std::unique_ptr<TestReceiver>> burst;
            for (int i = 0; i < 16; ++i) {
                burst.push_back(std::make_unique<TestReceiver>(station.m_port));
            }
            ASSERT_TRUE(peers(17));
        }
        ASSERT_TRUE(peers(1));
        ASSERT_TRUE(test::waitUntil([&] { return lost() == 16 * wave; }));
        EXPECT_TRUE(station.m_connected) << "wave " << wave;
        core.control().OnTimer();
        ASSERT_TRUE(station.m_running) << "silent for " << offsetMs << " ms of 10 s";
    }
    TestReceiver talker(station.m_port);
    ASSERT_TRUE(talker.send("1011           @    \x14"));
    ASSERT_EQ(talker.receive(1), "\x06");
    ASSERT_TRUE(test::waitUntil([&] { return station.m_sgHeartbeatCount == 1; }));

    Vexo_SetTimeTickOffset(offsetMs + 2500);  // the talker spoke 2.5 s ago, the silent one 10.5 s
    core.control().OnTimer();
    EXPECT_FALSE(station.m_running);
    EXPECT_TRUE(diagnostics.contains("HeartBeatCheck Timeout", 2));
    EXPECT_TRUE(silent.waitForClose());
}

// The whole way through the Connect button: start, a receiver's message decoded and logged,
// and a stop that closes every socket once.
TEST(ServerLink, StartsAndStopsWithTheConnectButton) {
    test::RecordingWindow window;
    StationCore core(&window);
    Station& station = core.station();
    station.m_protocol = Protocol::SurGard;
    station.m_mode = LinkMode::Server;
    const int before = test::descriptorBaseline();
    for (int attempt = 0; attempt < 5 && !station.m_running; ++attempt) {
        station.m_port = test::freePort();
        core.control().doConnect();
    }
    ASSERT_TRUE(station.m_running);
    EXPECT_EQ(window.lastReport(), (LinkReport{LinkMode::Server, LinkState::Listening}));

    TestReceiver first(station.m_port);
    TestReceiver second(station.m_port);
    ASSERT_TRUE(test::waitUntil([] { return g_peerSet.count() == 2; }));
    ASSERT_TRUE(second.send(kMessage));
    EXPECT_EQ(second.receive(1), "\x06");
    EXPECT_TRUE(test::waitUntil([&] {
        return core.log().logText().find("  -  " + kMessage + " --> ") != std::string::npos;
    }));

    core.control().doDisconnect();
    EXPECT_TRUE(first.waitForClose());
    EXPECT_TRUE(second.waitForClose());
    EXPECT_EQ(core.server().m_peerSocket.load(), Vexo_InvalidSocket);
    EXPECT_EQ(core.server().m_listenSocket, Vexo_InvalidSocket);
    EXPECT_EQ(g_peerSet.count(), 0u);
    first.close();
    second.close();
    EXPECT_EQ(test::openDescriptorCount(), before);
}

}  // namespace
}  // namespace corvane
