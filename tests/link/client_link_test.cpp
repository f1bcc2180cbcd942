// The client link against a fake receiver on 127.0.0.1: connecting, answering, queueing, and how
// the msg thread ends.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include <string>
#include <vector>

#include "link/link_fixture.h"

namespace corvane::test {
namespace {

using ClientLinkTest = ClientLinkFixture;

// A listener whose accept queue is full: the kernel drops further SYNs, so a connect to it
// neither succeeds nor fails until the client gives up.
class SilentListener {
  public:
    SilentListener() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        ::listen(m_listen, 0);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        for (int& filler : m_fillers) {  // fill the queue; the second may stay pending
            filler = ::socket(AF_INET, SOCK_STREAM, 0);
            ::fcntl(filler, F_SETFL, O_NONBLOCK);
            ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        }
    }
    ~SilentListener() {
        for (int filler : m_fillers) {
            ::close(filler);
        }
        ::close(m_listen);
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int port = 0;

  private:
    int m_listen = -1;
    int m_fillers[2] = {-1, -1};
};

TEST_F(ClientLinkTest, TextsThatAreNeitherAnAddressNorAKnownNameAreRefused) {
    const std::vector<std::string> texts = {"1.2.3.4.5", "",           "256.1.1.1",
                                            "1.2.3",     "127.0.0.1 ", "no-such-host.invalid"};
    station.m_timeouts.lookUp = std::chrono::milliseconds(2000);
    int failures = 0;
    for (const auto& text : texts) {
        SCOPED_TRACE("address \"" + text + "\"");
        station.m_receiverIp = text;
        bool connected = true;
        EXPECT_NO_THROW(connected = core.client().connect().has_value());
        EXPECT_FALSE(connected);
        EXPECT_EQ(capture.count("connect failed: ", 2), ++failures);
    }
    EXPECT_FALSE(receiver.connectionPending());
    EXPECT_TRUE(capture.contains("[CCorvaneDlg::connect("));
}

// A host name is looked up; each of its addresses is tried in turn (localhost may name ::1
// first, where nothing listens).
TEST_F(ClientLinkTest, ConnectsToAHostName) {
    station.m_receiverIp = "localhost";
    ASSERT_TRUE(core.client().connect());
    EXPECT_TRUE(receiver.connectionPending());
}

// The connect gives up after its own time-out instead of the kernel's two minutes, so a wrong
// address cannot freeze the window for long.
TEST_F(ClientLinkTest, ConnectGivesUpOnASilentReceiver) {
    SilentListener silent;
    station.m_port = silent.port;
    station.m_timeouts.connect = std::chrono::milliseconds(100);
    const Result<void> connected = core.client().connect();
    ASSERT_FALSE(connected);
    EXPECT_EQ(connected.error().text(),
              "connect to 127.0.0.1:" + std::to_string(silent.port) + ": Connection timed out");
    EXPECT_EQ(capture.count("connect failed: Connection timed out", 2), 1);
    EXPECT_FALSE(core.client().m_socket.is_open());
}

// In the background a start returns at once; a stop ends the attempt without waiting for its
// time-out, and the next start connects once the link check sees its attempt over.
TEST_F(ClientLinkTest, ABackgroundConnectReturnsAtOnceAndAStopCancelsIt) {
    SilentListener silent;
    station.m_port = silent.port;
    station.m_timeouts.connect = std::chrono::minutes(10);
    core.control().connectInBackground(true);
    core.control().doConnect();
    EXPECT_TRUE(core.control().connecting());
    EXPECT_FALSE(station.m_running);
    core.control().shutdownLink();  // ten minutes without the cancel
    EXPECT_FALSE(core.control().connecting());

    station.m_port = receiver.port();
    core.control().doConnect();
    ASSERT_TRUE(window.waitFor([&] {
        core.control().checkClientLink();
        return station.m_running.load();
    }));
    EXPECT_TRUE(receiver.accept());
    EXPECT_TRUE(window.failures().empty());
}

// A reconnect try that ends after Server mode was chosen starts no client link.
TEST_F(ClientLinkTest, AReconnectTryThatEndsInServerModeIsDropped) {
    station.m_reconnectSeconds = 1;
    core.control().connectInBackground(true);
    core.control().doConnect();
    auto checkUntil = [&](bool running) {
        return window.waitFor([&] {
            core.control().checkClientLink();
            return station.m_running.load() == running;
        });
    };
    ASSERT_TRUE(checkUntil(true));
    ASSERT_TRUE(receiver.accept());
    receiver.closeConnection();
    ASSERT_TRUE(checkUntil(false));
    Vexo_SetTimeTickOffset(2000);
    core.control().checkClientLink();  // the try begins
    Vexo_SetTimeTickOffset(0);
    ASSERT_TRUE(core.control().connecting());
    station.m_mode = LinkMode::Server;
    ASSERT_TRUE(window.waitFor([&] { return core.client().connectEnded(); }));
    core.control().checkClientLink();
    EXPECT_FALSE(core.control().connecting());
    EXPECT_FALSE(station.m_running);
    EXPECT_EQ(core.client().descriptor(), -1);
}

TEST_F(ClientLinkTest, ReachesTheLow16BitsOfThePort) {
    station.m_port = receiver.port() + 65536;
    ASSERT_TRUE(connectAndAccept());
}

TEST_F(ClientLinkTest, MessageSplitOverTwoSegmentsIsAnsweredOnceAndQueuedWhole) {
    station.m_responseMode =
        responseModeAt(2);  // NACK All But Heartbeats: each answer names its message's kind
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kCidMessage.substr(0, 9));
    // Wait until the station has read the first part, so the second really comes apart.
    const int fd = core.client().descriptor();
    ASSERT_TRUE(window.waitFor([fd] {
        int unread = -1;
        return ::ioctl(fd, FIONREAD, &unread) == 0 && unread == 0;
    }));
    receiver.send(kCidMessage.substr(9));
    EXPECT_EQ(receiver.receive(1), std::string(1, kNack));
    receiver.send(kHeartbeatMessage);
    EXPECT_EQ(receiver.receive(1), std::string(1, kAck));

    ASSERT_TRUE(waitForLog(messageLine(kHeartbeatMessage)));
    const std::string log = logText();
    EXPECT_EQ(log.find(messageLine(kCidMessage)), log.rfind(messageLine(kCidMessage)));
    EXPECT_LT(log.find(messageLine(kCidMessage)), log.find(messageLine(kHeartbeatMessage)));
    // Answers are written before the message is queued: nothing more can be on its way.
    EXPECT_EQ(receiver.receiveAvailable(), "");
}

TEST_F(ClientLinkTest, GluedMessagesAreEachAnsweredAndQueuedInOrder) {
    station.m_responseMode = responseModeAt(2);
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kCidMessage + kHeartbeatMessage + kCidMessage);
    EXPECT_EQ(receiver.receive(3), (std::string{kNack, kAck, kNack}));

    ASSERT_TRUE(window.waitFor([&] {
        const std::string log = logText();
        return log.find(messageLine(kCidMessage)) != log.rfind(messageLine(kCidMessage));
    }));
    const std::string log = logText();
    const auto first = log.find(messageLine(kCidMessage));
    const auto heartbeat = log.find(messageLine(kHeartbeatMessage));
    EXPECT_LT(first, heartbeat);
    EXPECT_LT(heartbeat, log.rfind(messageLine(kCidMessage)));
    EXPECT_NE(log.find("CID: RR=01, LLL=001, Account=1234, EventCode=130"), std::string::npos);
    EXPECT_EQ(receiver.receiveAvailable(), "");
}

TEST_F(ClientLinkTest, EmptyCustomAnswerSendsNothingButQueues) {
    station.m_responseMode = responseModeAt(3);
    station.setCustomResponse("0");
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kHeartbeatMessage);
    ASSERT_TRUE(waitForLog(messageLine(kHeartbeatMessage)));
    EXPECT_EQ(receiver.receiveAvailable(), "");
}

// A dead link (end of file, or a message that never ends) stops the link as Disconnect does,
// through the window's hand-over to the UI thread, which this test plays.
TEST_F(ClientLinkTest, ADeadLinkStopsAsDisconnectDoes) {
    for (const bool endless : {true, false}) {
        SCOPED_TRACE(endless ? "endless message" : "receiver closes");
        capture.clear();
        const int requests = window.linkCheckRequests();
        ASSERT_TRUE(connectAndAccept());
        if (endless) {
            receiver.send(std::string(64 * 1024, 'A'));
        } else {
            receiver.closeConnection();
        }
        ASSERT_TRUE(capture.waitFor(endless ? "error: read_until: Message too long"
                                            : "error: read_until: End of file"));
        ASSERT_TRUE(window.waitFor([&] { return window.linkCheckRequests() > requests; }));
        core.control().checkClientLink();
        EXPECT_FALSE(station.m_running);
        EXPECT_FALSE(station.m_connected);
        EXPECT_EQ(window.lastReport(),
                  (LinkReport{LinkMode::Client, LinkState::Stopped, StopCause::LinkLost, false,
                              endless ? LinkLoss::Overflow : LinkLoss::EndOfFile}));
        EXPECT_TRUE(logText().ends_with("  -  Disconnected\r\n"));
        if (endless) {
            EXPECT_NE(logText().find("  -  Link lost: overflow"), std::string::npos);
        }
        EXPECT_EQ(capture.count("[CCorvaneDlg::doDisconnect(", 2), 1);
        EXPECT_FALSE(core.client().threadRunning());
        EXPECT_EQ(core.client().descriptor(), -1);
        if (endless) {
            EXPECT_TRUE(receiver.waitForClose());
        }
    }
    // The next Connect works.
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kHeartbeatMessage);
    EXPECT_EQ(receiver.receive(1), std::string(1, kAck));
}

TEST_F(ClientLinkTest, ReconnectsAfterALossWhenAskedAndNotesEachTry) {
    station.m_reconnectSeconds = 1;
    ASSERT_TRUE(connectAndAccept());
    receiver.closeConnection();
    ASSERT_TRUE(window.waitFor([&] { return window.linkCheckRequests() > 0; }));
    core.control().checkClientLink();
    EXPECT_FALSE(station.m_running);
    core.control().checkClientLink();
    EXPECT_FALSE(station.m_running) << "not before the period";
    Vexo_SetTimeTickOffset(2000);  // the period has passed (without waiting for it)
    core.control().checkClientLink();
    Vexo_SetTimeTickOffset(0);
    EXPECT_TRUE(station.m_running);
    EXPECT_TRUE(receiver.accept());
    EXPECT_TRUE(
        logIs({"  -  Connected!", "  -  Disconnected", "  -  Reconnecting...", "  -  Connected!"}))
        << logText();
    EXPECT_TRUE(window.failures().empty());
}

TEST_F(ClientLinkTest, DisconnectEndsAThreadWaitingForData) {
    ASSERT_TRUE(connectAndAccept());
    receiver.send(kHeartbeatMessage);
    ASSERT_EQ(receiver.receive(1), std::string(1, kAck));  // the thread now waits for more
    core.control().doDisconnect();
    EXPECT_FALSE(core.client().threadRunning());
    EXPECT_EQ(core.client().descriptor(), -1);
    EXPECT_FALSE(core.client().m_socket.is_open());
    EXPECT_EQ(capture.count("[CCorvaneDlg::MessageProc(", 2), 1);
    EXPECT_TRUE(receiver.waitForClose());

    ASSERT_TRUE(connectAndAccept());
    receiver.send(kHeartbeatMessage);
    EXPECT_EQ(receiver.receive(1), std::string(1, kAck));
}

TEST_F(ClientLinkTest, DestroyingTheStationEndsARunningLink) {
    auto running = std::make_unique<StationCore>(&window);
    running->station().m_protocol = Protocol::SurGard;
    running->station().m_port = receiver.port();
    running->control().doConnect();
    ASSERT_TRUE(receiver.accept());
    receiver.send(kHeartbeatMessage);
    ASSERT_EQ(receiver.receive(1), std::string(1, kAck));
    running.reset();
    EXPECT_TRUE(receiver.waitForClose());
}

}  // namespace
}  // namespace corvane::test
