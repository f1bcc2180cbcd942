// The receiver simulator end to end on 127.0.0.1, against a small in-test station: it counts and
// checks every answer, pipelined or not, over several connections, and notices bad, missing and
// unexpected answers and an early close.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <sstream>
#include <string>

#include "fake_station.h"
#include "receiver/progress_line.h"
#include "receiver/receiver_run.h"
#include "receiver/retry_run.h"
#include "receiver/surgard_suite.h"

namespace corvane::sim {
namespace {

using test::FakeStation;

FakeStation::Answer ackAll(Protocol protocol) {
    return [protocol](const std::string& message, int) -> std::optional<std::string> {
        return protocol == Protocol::SurGard ? std::string("\x06") : FakeStation::ackFor(message);
    };
}

RunOptions connectTo(const FakeStation& station, Protocol protocol, std::uint64_t count) {
    RunOptions o;
    o.protocol = protocol;
    o.port = station.port();
    o.count = count;
    o.answerTimeoutMs = 2000;
    o.connectTimeoutMs = 2000;
    return o;
}

void expectAllGood(const RunResult& r, std::uint64_t expected) {
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.expected, expected);
    EXPECT_EQ(r.total.sent, expected);
    EXPECT_EQ(r.total.answered, expected);
    EXPECT_EQ(r.total.good, expected);
    EXPECT_EQ(r.total.latency.count(), expected);
    EXPECT_TRUE(r.allGood());
}

TEST(ReceiverSimRun, EveryAnswerCountedInLockstepPipelinedAndGlued) {
    struct Case {
        const char* name;
        Protocol protocol;
        bool pipeline;
        int glue;
        int connections;
    };
    const Case cases[] = {
        {"SurGardLockstep", Protocol::SurGard, false, 1, 1},
        {"SurGardPipelinedGlued", Protocol::SurGard, true, 7, 3},
        {"SurGardLockstepGlued", Protocol::SurGard, false, 4, 2},
        {"SiaDcsLockstep", Protocol::SiaDcs, false, 1, 1},
        {"SiaDcsPipelinedGlued", Protocol::SiaDcs, true, 5, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeStation station(c.protocol, ackAll(c.protocol));
        RunOptions o = connectTo(station, c.protocol, 101);
        o.pipeline = c.pipeline;
        o.glue = c.glue;
        o.connections = c.connections;
        RunProgress progress;  // what the progress line reads, from every connection's thread
        o.progress = &progress;
        const RunResult r = runReceiver(o);
        expectAllGood(r, 101U * static_cast<std::uint64_t>(c.connections));
        EXPECT_EQ(progress.sent.load(), r.expected);
        EXPECT_EQ(progress.settled.load(), r.expected);
        EXPECT_EQ(progress.expected.load(), r.expected);
        ASSERT_EQ(r.connections.size(), static_cast<std::size_t>(c.connections));
        for (const ConnectionResult& one : r.connections) {
            EXPECT_EQ(one.good, 101U);
        }
        EXPECT_EQ(station.messagesSeen(), 101 * c.connections);
    }
}

TEST(ReceiverSimRun, ListensForTheStationToConnect) {
    FakeStation station(Protocol::SurGard, ackAll(Protocol::SurGard), /*listen=*/false);
    RunOptions o;
    o.listen = true;
    o.count = 50;
    o.connectTimeoutMs = 2000;
    std::promise<std::uint16_t> port;
    auto run = std::async(std::launch::async, [&] {
        return runReceiver(o, [&](std::uint16_t p) { port.set_value(p); });
    });
    const std::uint16_t listening = port.get_future().get();
    ASSERT_NE(listening, 0);
    std::string error;
    Fd fd = connectTcp("127.0.0.1", listening, 2000, error);
    ASSERT_TRUE(fd.valid()) << error;
    station.adopt(std::move(fd));
    const RunResult r = run.get();
    expectAllGood(r, 50);
    EXPECT_EQ(r.port, listening);
}

TEST(ReceiverSimRun, WrongAnswersCountAsBad) {
    // Heartbeats get a NACK, and every DC-09 answer but the first copies the wrong text.
    FakeStation surGard(Protocol::SurGard, [](const std::string& message, int) {
        return std::optional<std::string>(message[0] == '1' ? "\x15" : "\x06");
    });
    RunResult r = runReceiver(connectTo(surGard, Protocol::SurGard, 20));
    EXPECT_EQ(r.total.answered, 20U);
    EXPECT_EQ(r.total.bad, 4U);  // one heartbeat in every five messages
    EXPECT_EQ(r.total.good, 16U);
    EXPECT_FALSE(r.allGood());
    ASSERT_FALSE(r.total.badSamples.empty());
    EXPECT_NE(r.total.badSamples[0].text.find("expected ACK 0x06, got 0x15"), std::string::npos);

    FakeStation dc09(Protocol::SiaDcs, [](const std::string& message, int n) {
        return std::optional<std::string>(n == 1 ? FakeStation::ackFor(message)
                                                 : FakeStation::ackFor("\"NULL\"0000R0L0#0000["));
    });
    r = runReceiver(connectTo(dc09, Protocol::SiaDcs, 6));
    EXPECT_EQ(r.total.good, 1U);
    EXPECT_EQ(r.total.bad, 5U);
}

TEST(ReceiverSimRun, UnansweredMessagesAreMissingAndTheRunGoesOn) {
    // Every fourth message gets no answer.
    FakeStation station(Protocol::SurGard, [](const std::string&, int n) {
        return std::optional<std::string>(n % 4 == 0 ? "" : "\x06");
    });
    RunOptions o = connectTo(station, Protocol::SurGard, 12);
    o.answerTimeoutMs = 400;  // long enough that a slow sanitizer build never misses a real answer
    const RunResult r = runReceiver(o);
    EXPECT_EQ(r.total.sent, 12U);
    EXPECT_EQ(r.total.good, 9U);
    EXPECT_EQ(r.total.missing, 3U);
    EXPECT_FALSE(r.allGood());
}

TEST(ReceiverSimRun, DoubleAnswersAreUnexpected) {
    FakeStation station(Protocol::SurGard, [](const std::string&, int n) {
        return std::optional<std::string>(n == 1 ? "\x06\x06" : "\x06");
    });
    const RunResult r = runReceiver(connectTo(station, Protocol::SurGard, 3));
    // Both bytes of the first answer come in one write: the second finds no message waiting.
    EXPECT_EQ(r.total.good, 3U);
    EXPECT_EQ(r.total.extra, 1U);
    EXPECT_FALSE(r.allGood());
}

TEST(ReceiverSimRun, AnEarlyCloseEndsTheConnectionWithItsCounts) {
    FakeStation station(Protocol::SurGard, [](const std::string&, int n) {
        return n <= 5 ? std::optional<std::string>("\x06") : std::nullopt;
    });
    RunOptions o = connectTo(station, Protocol::SurGard, 20);
    const RunResult r = runReceiver(o);
    EXPECT_EQ(r.total.good, 5U);
    EXPECT_EQ(r.total.sent, 6U);
    EXPECT_EQ(r.total.missing, 1U);
    EXPECT_NE(r.connections[0].error.find("closed"), std::string::npos);
    EXPECT_FALSE(r.allGood());
}

TEST(ReceiverSimRun, NoStationIsAStartError) {
    std::string error;
    Fd probe = listenTcp("127.0.0.1", 0, error);
    RunOptions o;
    o.port = localPort(probe.get());
    probe.reset();  // nobody listens there now
    o.connectTimeoutMs = 500;
    const RunResult r = runReceiver(o);
    EXPECT_NE(r.error, "");
    EXPECT_FALSE(r.allGood());
}

TEST(ReceiverSimRun, RatePacesTheFieldReceiversNewMessages) {
    FakeStation station(Protocol::SurGard, ackAll(Protocol::SurGard));
    RunOptions o = connectTo(station, Protocol::SurGard, 4);
    o.retrying = true;
    o.rate = 40;  // a new message every 25 ms
    const auto start = std::chrono::steady_clock::now();
    const RetryResult r = runRetrying(o);
    EXPECT_EQ(r.acknowledged(), 4U);
    // Three gaps: a floor that no machine, however slow, gets under.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(75));
}

TEST(ReceiverSimSuite, EachSurGardLineTypeGetsAVerdict) {
    // The second station refuses the SIA protocol 1 lines (ID 3): two of them, one with a clock.
    for (const bool refuseSia1 : {false, true}) {
        FakeStation station(Protocol::SurGard, [refuseSia1](const std::string& line, int) {
            return std::optional<std::string>(refuseSia1 && line[0] == '3' ? "\x15" : "\x06");
        });
        std::ostringstream out;
        EXPECT_EQ(runSurGardSuite(connectTo(station, Protocol::SurGard, 1), out),
                  refuseSia1 ? 1 : 0)
            << out.str();
        const std::string text = out.str();
        std::size_t bad = 0;
        for (std::size_t at = text.find(": BAD "); at != std::string::npos;
             at = text.find(": BAD ", at + 1)) {
            ++bad;
        }
        EXPECT_EQ(bad, refuseSia1 ? 2U : 0U) << text;
        EXPECT_EQ(static_cast<std::size_t>(station.messagesSeen()),
                  surGardSuiteLines(ReceiverType::Mlr2000).size());
    }
    // Both forms of every line: MLR2000 writes LLL for L, two bytes more.
    const auto long2000 = surGardSuiteLines(ReceiverType::Mlr2000);
    const auto short2 = surGardSuiteLines(ReceiverType::Mlr2);
    ASSERT_EQ(long2000.size(), short2.size());
    for (std::size_t i = 0; i < short2.size(); ++i) {
        EXPECT_EQ(long2000[i].bytes.size(), short2[i].bytes.size() + 2) << short2[i].name;
        EXPECT_EQ(short2[i].bytes.back(), '\x14');
    }
}

}  // namespace
}  // namespace corvane::sim
