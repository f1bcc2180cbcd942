// The msgPro worker: queue order, one line and one refresh per message, the zero-byte cut, stop
// and restart with messages still queued, containment of a failing decode, and what it hands the
// records and the tally.
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "dc09/dc09_settings.h"
#include "pipeline/contained_decode.h"
#include "pipeline_fixture.h"
#include "protocol/dc09_frame.h"
#include "protocol/event_meanings.h"
#include "record/record_details.h"
#include "support/quillet_capture.h"

namespace corvane {
namespace {

using namespace std::string_literals;

const std::string kHeartbeat = "1011           @    \x14";
// Private messages: no description, so the arrow is followed directly by CR LF.
const std::string kPrivate = "0011 \x14";
const std::string kCid = "501001 181234113001015\x14";  // MLR2000, 4-digit account
const std::string kCidText =
    "CID: RR=01, LLL=001, Account=1234, EventCode=130, GroupCode=01, ZoneCode=015";

// The lines of a log text, each without its time text and CR LF; fails on a malformed line.
std::vector<std::string> linesAfterTime(const std::string& text) {
    static const std::regex timeText(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2})");
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        EXPECT_TRUE(line.size() >= 19 && std::regex_match(line.substr(0, 19), timeText)) << line;
        lines.push_back(line.size() >= 19 ? line.substr(19) : line);
    }
    EXPECT_EQ(start, text.size()) << "text does not end with CR LF";
    return lines;
}

using test::Pipeline;

TEST(MsgWorker, QueueIgnoresEmptyMessages) {
    Pipeline p;
    p.queue.queueMessage("");
    EXPECT_EQ(p.queue.size(), 0u);
    p.queue.queueMessage(kPrivate);
    EXPECT_EQ(p.queue.size(), 1u);
}

// Full past its byte limit until the worker has taken it down to half; the space signal then
// wakes a receiving thread that stopped reading.
TEST(MsgWorker, TheQueueFillsByBytesAndSignalsRoom) {
    MessageQueue queue(64 * 1024);
    for (int i = 0; i < 4; ++i) {
        queue.queueMessage(std::string(20 * 1024, 'x'));
    }
    EXPECT_TRUE(queue.full());
    pollfd signal{queue.spaceSignal(), POLLIN, 0};
    EXPECT_EQ(::poll(&signal, 1, 0), 0);
    for (const ReceivedMessage& item : queue.takeAll()) {
        queue.release(item);
    }
    EXPECT_FALSE(queue.full());
    EXPECT_EQ(queue.bytes(), 0U);
    EXPECT_EQ(::poll(&signal, 1, 0), 1);
    queue.clearSpaceSignal();
    EXPECT_EQ(::poll(&signal, 1, 0), 0);
}

TEST(MsgWorker, NullEntryReturnsAtOnce) {
    EXPECT_EQ(msgProThreadEntry(nullptr), 0);
}

TEST(MsgWorker, LogsQueuedMessagesInOrderEachWithItsOwnRefresh) {
    Pipeline p;
    const std::vector<std::string> messages = {"0011 \x14", "0012 \x14", "0013 \x14"};
    for (const auto& m : messages) {
        p.queue.queueMessage(m);
    }
    ASSERT_TRUE(p.worker.start());
    ASSERT_TRUE(p.waitForRefreshes(3));
    p.worker.stop();

    const auto views = p.window.viewTexts();
    ASSERT_EQ(views.size(), 3u);
    for (std::size_t i = 0; i < views.size(); ++i) {
        const auto lines = linesAfterTime(views[i]);
        ASSERT_EQ(lines.size(), i + 1);
        for (std::size_t k = 0; k <= i; ++k) {
            EXPECT_EQ(lines[k], "  -  " + messages[k] + " --> ");
        }
    }
    EXPECT_EQ(p.queue.size(), 0u);
}

TEST(MsgWorker, ZeroByteCutsTheMessageButKeepsTheArrow) {
    Pipeline p;
    p.queue.queueMessage("0011 \x14\0tail"s);
    p.queue.queueMessage("\0starts with zero"s);
    ASSERT_TRUE(p.worker.start());
    ASSERT_TRUE(p.waitForRefreshes(2));
    p.worker.stop();
    EXPECT_EQ(linesAfterTime(p.log.logText()),
              (std::vector<std::string>{"  -  0011 \x14 --> ", "  -   --> "}));
}

TEST(MsgWorker, DecodesEachMessageBeforeLoggingIt) {
    Pipeline p;
    p.queue.queueMessage(kCid);
    p.queue.queueMessage(kHeartbeat);
    // Unless the decoder saw the message cut at its zero byte, the length would be wrong.
    p.queue.queueMessage(kCid +
                         "\0"
                         "99"s);
    ASSERT_TRUE(p.worker.start());
    ASSERT_TRUE(p.waitForRefreshes(3));
    p.worker.stop();
    EXPECT_EQ(linesAfterTime(p.log.logText()),
              (std::vector<std::string>{"  -  " + kCid + " --> " + kCidText,
                                        "  -  " + kHeartbeat + " --> ",
                                        "  -  " + kCid + " --> " + kCidText}));
    EXPECT_EQ(p.station.m_cidCount.load(), 2);
    EXPECT_EQ(p.station.m_sgHeartbeatCount.load(), 1);
}

TEST(MsgWorker, EmptyQueueLogsNothing) {
    Pipeline p;
    ASSERT_TRUE(p.worker.start());
    // Several idle cycles pass without any line or refresh.
    EXPECT_FALSE(p.window.waitFor([&] { return p.window.refreshCount() > 0; },
                                  std::chrono::milliseconds(200)));
    p.worker.stop();
    EXPECT_EQ(p.log.logText(), "");
    EXPECT_EQ(p.window.refreshCount(), 0);
}

// Asks the worker to stop at the first refresh, that is in the middle of its batch.
class StopAtFirstRefresh : public test::RecordingWindow {
  public:
    explicit StopAtFirstRefresh(MsgWorker& worker) : m_worker(worker) {}
    void refreshLogView() override {
        m_worker.m_stopFlag = true;
        RecordingWindow::refreshLogView();
    }

  private:
    MsgWorker& m_worker;
};

TEST(MsgWorker, StopDuringABatchLogsTheWholeBatch) {
    Pipeline p;
    StopAtFirstRefresh window(p.worker);
    p.station.window().attach(&window);
    constexpr int kBatch = 200;
    for (int i = 0; i < kBatch; ++i) {
        p.queue.queueMessage("0" + std::to_string(i) + "\x14");
    }
    ASSERT_TRUE(p.worker.start());
    ASSERT_TRUE(window.waitFor([&] { return window.refreshCount() == kBatch; }));
    p.worker.stop();

    EXPECT_EQ(window.refreshCount(), kBatch);
    const auto lines = linesAfterTime(p.log.logText());
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kBatch));
    for (int i = 0; i < kBatch; ++i) {
        EXPECT_EQ(lines[i], "  -  0" + std::to_string(i) + "\x14 --> ");
    }
}

TEST(MsgWorker, MessageQueuedAfterTheLastSwapIsLoggedAfterTheNextStart) {
    Pipeline p;
    ASSERT_TRUE(p.worker.start());
    p.queue.queueMessage("0001 \x14");
    ASSERT_TRUE(p.waitForRefreshes(1));
    p.worker.stop();

    p.queue.queueMessage("0002 \x14");
    EXPECT_EQ(p.queue.size(), 1u);
    EXPECT_EQ(p.window.refreshCount(), 1);

    ASSERT_TRUE(p.worker.start());
    ASSERT_TRUE(p.waitForRefreshes(2));
    p.worker.stop();
    EXPECT_EQ(linesAfterTime(p.window.lastViewText()),
              (std::vector<std::string>{"  -  0001 \x14 --> ", "  -  0002 \x14 --> "}));
}

TEST(MsgWorker, ProducersOnSeveralThreadsKeepTheirOrder) {
    Pipeline p;
    p.station.m_showLog = 0;  // hidden: nothing is copied per refresh
    constexpr int kProducers = 4;
    constexpr int kEach = 1000;
    ASSERT_TRUE(p.worker.start());
    std::vector<std::thread> producers;
    for (int t = 0; t < kProducers; ++t) {
        producers.emplace_back([&p, t] {
            for (int i = 0; i < kEach; ++i) {
                p.queue.queueMessage("0P" + std::to_string(t) + "-" + std::to_string(i) + "\x14");
            }
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    ASSERT_TRUE(p.window.waitFor([&] { return p.log.logLineCount() == kProducers * kEach + 1; }));
    p.worker.stop();
    EXPECT_EQ(p.window.refreshCount(), 0);

    std::vector<int> next(kProducers, 0);
    static const std::regex shape("  -  0P(\\d)-(\\d+)\x14 --> ");
    for (const auto& line : linesAfterTime(p.log.logText())) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
        const int t = std::stoi(m[1]);
        EXPECT_EQ(std::stoi(m[2]), next[t]++);
    }
}

TEST(MsgWorker, FailingDecodeIsContained) {
    test::QuilletCapture capture;
    struct Case {
        std::function<void()> decode;
        const char* diagnostic;
    };
    const std::vector<Case> cases = {
        {[] { throw std::runtime_error("bad frame"); }, "decode failed: bad frame"},
        {[] { throw 42; }, "decode failed: unknown exception"},
    };
    for (const auto& c : cases) {
        const Decoded decoded = decodeContained([&]() -> Decoded {
            c.decode();
            return {};
        });
        EXPECT_EQ(decoded.kind, MessageKind::FormatError);
        EXPECT_EQ(decoded.description, "");
        EXPECT_TRUE(capture.contains(c.diagnostic, 2)) << c.diagnostic;
    }
    EXPECT_EQ(capture.count("[CCorvaneDlg::processMessages("), 2);
}

TEST(WorkerRecords, EveryMessageIsRecordedWithAllItsBytesAndTheDecodersKind) {
    Pipeline p;
    const std::string withZero("0011\0tail\x14", 10);
    const char* messages[] = {"501001 181234113001015\x14",
                              "501001 181234160200000\x14",
                              "1011           @    \x14",
                              "0private\x14",
                              "S011[#1234|Nri1/BA01]\x14",
                              "5011 18\x14",
                              "x\x14"};
    for (const char* m : messages) {
        p.queue.queueMessage(ReceivedMessage(m));
    }
    p.queue.queueMessage(ReceivedMessage(withZero));
    EXPECT_TRUE(p.worker.processQueuedMessages());
    std::vector<MessageKind> kinds;
    std::string lastRaw;
    p.records.visitRange(1, 9, [&](const MessageRecord& r) {
        kinds.push_back(r.kind);
        lastRaw = r.raw;
    });
    const std::vector<MessageKind> expected = {
        MessageKind::Cid, MessageKind::DeviceHeart, MessageKind::Heartbeat, MessageKind::Private,
        MessageKind::Sia, MessageKind::FormatError, MessageKind::Unknown,   MessageKind::Private};
    EXPECT_EQ(kinds, expected);
    EXPECT_EQ(lastRaw, withZero);
    // The tally counts the same decoded kinds, in step with the counters.
    const TallyTotals totals = p.tally.totals();
    for (const MessageKind kind : expected) {
        EXPECT_GE(totals.byKind[static_cast<std::size_t>(kind)], 1U) << messageKindName(kind);
    }
    EXPECT_EQ(totals.messages, 8U);
    std::size_t bytes = withZero.size();
    for (const char* m : messages) {
        bytes += std::strlen(m);
    }
    EXPECT_EQ(totals.bytes, bytes);
    EXPECT_EQ(p.station.counts(), (Counts{1, 1, 1, 2, 1}));
}

// A connection's events and a late answer reach the records and the tally in queue order, so a
// late answer finds its message (here still waiting for the records' next hand-over).
TEST(WorkerRecords, ConnectionEventsAndLateAnswersFollowTheQueue) {
    Pipeline p;
    p.queue.queueMessage(ReceivedMessage::connected(7, "10.0.0.9:4000", 1'000));
    ReceivedMessage message(kCid);
    message.connection = 7;
    message.peer = "10.0.0.9:4000";
    message.receivedUs = 2'000;
    message.reply.word = AnswerWord::Nack;
    message.reply.delayMs = 2000;  // its answer still waits when it is queued
    message.reply.delivery = {};
    p.queue.queueMessage(message);
    ReceivedMessage sent;
    sent.event = ReceivedMessage::Event::AnswerSent;
    sent.connection = 7;
    sent.receivedUs = 2'000;
    sent.reply = message.reply;
    sent.reply.delivery = {Delivery::State::Sent, Delivery::Reason::None, 2'002'000};
    sent.answerBytes = "\x15";
    p.queue.queueMessage(sent);
    p.queue.queueMessage(ReceivedMessage::lost(7, 9'000, LinkLoss::EndOfFile));
    EXPECT_TRUE(p.worker.processQueuedMessages());

    p.records.visit(1, [](const MessageRecord& r) {
        EXPECT_EQ(r.answerWord, AnswerWord::Nack);
        EXPECT_EQ(r.answerBytes, "\x15");
        EXPECT_EQ(r.latencyUs, 2'000'000);
    });
    const std::vector<ReceiverRow> rows = p.tally.receivers();
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0].connectedUs, 1'000);
    EXPECT_EQ(rows[0].lostUs, 9'000);
    EXPECT_EQ(rows[0].answers.byWord[static_cast<std::size_t>(AnswerWord::Nack)], 1U);
    EXPECT_EQ(rows[0].latency.count(), 1U);
    EXPECT_EQ(p.tally.totals().connections, 1U);
}

// A frame the DC-09 settings decrypted is decoded from its clear text and shown as decrypted;
// its record keeps its bytes as received and reads its meaning and SIA data block from the clear
// text.
TEST(WorkerRecords, DecryptedFramesKeepTheirClearText) {
    Pipeline p("SIA-DCS");
    // "ABCDEFGHIJK|#1234|Nri1/BA01]_12:30:45,01-02-2024" under 000102...0F (openssl enc).
    const std::string encrypted = frameAround(
        "\"*SIA-DCS\"0001R1L2#1234[DAD88CCCBF1120F71955C81BEEC38B13815EFE779AD3D0C7ECEE377CAE1E"
        "DC67BA27A081AD17A563BDB91D1955BED28A");
    Dc09Config config;
    config.keys.set("*", *dc09::readKey("000102030405060708090A0B0C0D0E0F"));
    Dc09Settings dc09;
    dc09.replace(std::move(config));
    ReceivedMessage frame(encrypted);
    (void)dc09.answer(frame.raw, std::time(nullptr), frame.dc09);
    p.queue.queueMessage(frame);
    EXPECT_TRUE(p.worker.processQueuedMessages());
    p.records.visit(1, [&](const MessageRecord& r) {
        EXPECT_EQ(r.description, "(decrypted) SIA: Account=1234, EventCode=BA, System=1, Group=01");
        EXPECT_TRUE(r.encrypted);
        EXPECT_TRUE(r.decrypted);
        EXPECT_EQ(r.raw, encrypted);
        EXPECT_EQ(r.clearText, "#1234|Nri1/BA01]_12:30:45,01-02-2024");
        EXPECT_EQ(meaningOf(decodedOf(r)), "BA Burglary Alarm, zone 01, area 1");
        const std::string details = recordDetails(r, "now");
        EXPECT_NE(details.find("Clear text: #1234|Nri1/BA01]_12:30:45,01-02-2024\n"),
                  std::string::npos);
        EXPECT_NE(details.find("Account: 1234\n"), std::string::npos);
    });
    EXPECT_EQ(p.station.m_siaCount.load(), 1);
}

}  // namespace
}  // namespace corvane
