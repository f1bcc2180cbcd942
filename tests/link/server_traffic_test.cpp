// What the server does with the bytes receivers send: framing per receiver, one answer per
// message, the queue, and receivers that misbehave.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/peer_set.h"
#include "protocol/response.h"
#include "server_harness.h"
#include "support/quillet_capture.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::kCid;
using test::kSiaEvent;
using test::ServerHarness;
using test::TestReceiver;

const std::string kHeartbeat = "1011           @    \x14";
const std::string kLinkTest = "\n00000015\"NULL\"0000R0L0#0000[]\r";

// One send, and the messages it completes.
struct Chunk {
    std::string bytes;
    std::vector<std::string> completes;
};

struct FramingCase {
    const char* name;
    const char* protocol;
    std::vector<Chunk> chunks;
};

TEST(ServerTraffic, AnswersAndQueuesEachCompleteMessage) {
    const std::string zero(1, '\0');
    const std::vector<FramingCase> cases = {
        {"Sur-Gard, one message", "Sur-Gard", {{kCid, {kCid}}}},
        {"Sur-Gard, two glued in one send", "Sur-Gard", {{kCid + kHeartbeat, {kCid, kHeartbeat}}}},
        {"Sur-Gard, split in two", "Sur-Gard", {{kCid.substr(0, 7), {}}, {kCid.substr(7), {kCid}}}},
        {"Sur-Gard, one and a half glued, then the rest",
         "Sur-Gard",
         {{kCid + kHeartbeat.substr(0, 5), {kCid}}, {kHeartbeat.substr(5), {kHeartbeat}}}},
        {"SIA-DCS, two frames with a stray zero byte after each CR",
         "SIA-DCS",
         {{kSiaEvent + zero + kLinkTest + zero, {kSiaEvent, kLinkTest}}}},
        {"SIA-DCS, a frame split inside its body",
         "SIA-DCS",
         {{kSiaEvent.substr(0, 20), {}}, {kSiaEvent.substr(20), {kSiaEvent}}}},
    };
    for (const FramingCase& c : cases) {
        SCOPED_TRACE(c.name);
        ServerHarness server(c.protocol);
        ASSERT_TRUE(server.start());
        TestReceiver receiver(server.port());
        std::vector<std::string> all;
        for (const Chunk& chunk : c.chunks) {
            ASSERT_TRUE(receiver.send(chunk.bytes));
            std::string answers;
            for (const std::string& message : chunk.completes) {
                answers += renderReply(makeResponse(message, server.station()));
                all.push_back(message);
            }
            EXPECT_EQ(receiver.receive(answers.size()), answers);
            // Nothing more: a part of a message gets no answer of its own.
            EXPECT_EQ(receiver.receive(1, 30ms), "");
        }
        ASSERT_TRUE(server.waitForQueued(all.size()));
        EXPECT_EQ(server.queued(), all);
    }
}

TEST(ServerTraffic, AnswersAMessageTrickledOneByteAtATime) {
    ServerHarness server;
    ASSERT_TRUE(server.start());
    TestReceiver receiver(server.port());
    for (char byte : kCid) {
        ASSERT_TRUE(receiver.send(std::string(1, byte)));
    }
    EXPECT_EQ(receiver.receive(1), "\x06");
    ASSERT_TRUE(server.waitForQueued(1));
    EXPECT_EQ(server.queued(), std::vector<std::string>{kCid});
    EXPECT_EQ(receiver.receive(1, 30ms), "");
}

// Each receiver has its own framing: parts from two receivers are never joined.
TEST(ServerTraffic, KeepsEachReceiversPartialMessageApart) {
    ServerHarness server;
    ASSERT_TRUE(server.start());
    TestReceiver first(server.port());
    TestReceiver second(server.port());
    ASSERT_TRUE(server.waitForPeers(2));
    ASSERT_TRUE(first.send("5011 1811"));
    ASSERT_TRUE(second.send("1011 "));
    EXPECT_EQ(first.receive(1, 30ms), "");
    ASSERT_TRUE(second.send("@\x14"));
    ASSERT_TRUE(first.send("2345E13001003\x14"));
    EXPECT_EQ(second.receive(1), "\x06");
    EXPECT_EQ(first.receive(1), "\x06");
    ASSERT_TRUE(server.waitForQueued(2));
    const auto queued = server.queued();
    EXPECT_NE(std::find(queued.begin(), queued.end(), "1011 @\x14"), queued.end());
    EXPECT_NE(std::find(queued.begin(), queued.end(), "5011 18112345E13001003\x14"), queued.end());
}

// Receivers that send nothing are never read, so they hold up nobody and get no answer. Before,
// every pass read each of them for up to 3 s and answered the empty read.
TEST(ServerTraffic, IdleReceiversNeitherDelayOthersNorGetAnswers) {
    ServerHarness server;
    ASSERT_TRUE(server.start());
    std::vector<std::unique_ptr<TestReceiver>> idle;
    for (std::uint32_t i = 1; i <= 4; ++i) {
        idle.push_back(std::make_unique<TestReceiver>(server.port()));
        ASSERT_TRUE(server.waitForPeers(i));
    }
    TestReceiver active(server.port());
    ASSERT_TRUE(server.waitForPeers(5));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(active.send(kCid));
        // Well below the 12 s that one pass over four silent receivers used to take.
        EXPECT_EQ(active.receive(1, 5s), "\x06") << "message " << i;
    }
    for (auto& receiver : idle) {
        EXPECT_EQ(receiver->receive(1, 10ms), "");
    }
    EXPECT_TRUE(server.waitForQueued(3));
}

// A receiver that sends a long stream without any terminator is dropped once the framing
// limit is reached; memory stays bounded and the others are served.
TEST(ServerTraffic, DropsAReceiverThatNeverEndsItsMessage) {
    ServerHarness server;
    ASSERT_TRUE(server.start());
    TestReceiver good(server.port());
    TestReceiver flooding(server.port());
    ASSERT_TRUE(server.waitForPeers(2));

    flooding.send(std::string(1 << 20, 'A'), 5000);  // fails once the server has closed
    EXPECT_TRUE(flooding.waitForClose());
    ASSERT_TRUE(server.waitForPeers(1));
    EXPECT_EQ(server.logCount("  -  DisConnect!\r\n"), 1);

    ASSERT_TRUE(good.send(kCid));
    EXPECT_EQ(good.receive(1), "\x06");
    ASSERT_TRUE(server.waitForQueued(1));
    EXPECT_EQ(server.queued(), std::vector<std::string>{kCid});
}

TEST(ServerTraffic, DropsAReceiverThatResetsMidMessage) {
    ServerHarness server;
    ASSERT_TRUE(server.start());
    TestReceiver good(server.port());
    TestReceiver leaving(server.port());
    ASSERT_TRUE(server.waitForPeers(2));
    ASSERT_TRUE(leaving.send(kCid.substr(0, 10)));
    leaving.close(true);
    ASSERT_TRUE(server.waitForPeers(1));
    EXPECT_EQ(server.logCount("  -  DisConnect!\r\n"), 1);
    EXPECT_TRUE(test::waitUntil([&] {
        return server.logCount("  -  Unfinished message dropped at close: 10 byte(s) from ") == 1;
    }));

    ASSERT_TRUE(good.send(kCid));
    EXPECT_EQ(good.receive(1), "\x06");
    ASSERT_TRUE(server.waitForQueued(1));
    EXPECT_EQ(server.queued(), std::vector<std::string>{kCid}) << "the half message is dropped";
}

// A receiver that never reads its answers fills the connection; once an answer cannot be sent
// within its time-out the receiver is dropped instead of stalling the others again and again.
TEST(ServerTraffic, DropsAReceiverThatDoesNotTakeItsAnswers) {
    ServerHarness server("SIA-DCS");
    Station& station = server.station();
    station.m_responseMode = ResponseMode::CustomToAll;  // a large custom text
    station.setCustomResponse(std::string(256 * 1024, 'x'));
    station.m_timeouts.send = std::chrono::milliseconds(300);
    ASSERT_TRUE(server.start());
    TestReceiver reader(server.port());
    TestReceiver deaf(server.port(), 4096);
    ASSERT_TRUE(server.waitForPeers(2));

    std::string frames;
    for (int i = 0; i < 40; ++i) {
        frames += kLinkTest;
    }
    ASSERT_TRUE(deaf.send(frames));
    ASSERT_TRUE(reader.send(kSiaEvent));
    EXPECT_EQ(reader.receive(256 * 1024, 20s).size(), 256u * 1024u);

    EXPECT_TRUE(server.waitForPeers(1, 30s)) << "the deaf receiver is dropped";
    EXPECT_TRUE(deaf.waitForClose());
    ASSERT_TRUE(reader.send(kSiaEvent));
    EXPECT_EQ(reader.receive(256 * 1024, 20s).size(), 256u * 1024u);
}

// A stop while a receiver sends message after message: every message that was answered is in
// the queue exactly once, in order.
TEST(ServerTraffic, AStopLosesNoAnsweredMessage) {
    ServerHarness server;
    ASSERT_TRUE(server.start());
    TestReceiver receiver(server.port());
    ASSERT_TRUE(server.waitForPeers(1));

    std::atomic<int> answered{0};
    std::thread sender([&] {
        for (int i = 0;; ++i) {
            const std::string message = "5011 18" + std::to_string(100000 + i) + "E13001003\x14";
            if (!receiver.send(message) || receiver.receive(1, 10s) != "\x06") {
                return;
            }
            ++answered;
        }
    });
    ASSERT_TRUE(test::waitUntil([&] { return answered >= 50; }));
    server.stop();
    sender.join();

    const auto queued = server.queued();
    ASSERT_GE(queued.size(), static_cast<std::size_t>(answered.load()));
    EXPECT_LE(queued.size(), static_cast<std::size_t>(answered.load()) + 1)
        << "at most the last one answered as the connection closed";
    for (std::size_t i = 0; i < queued.size(); ++i) {
        EXPECT_EQ(queued[i], "5011 18" + std::to_string(100000 + i) + "E13001003\x14");
    }
}

}  // namespace
}  // namespace corvane
