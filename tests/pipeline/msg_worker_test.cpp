// The msgPro worker: queue order, one line and one refresh per message, the zero-byte cut, stop
// and restart with messages still queued, and containment of a failing decode.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/contained_decode.h"
#include "station/station.h"
#include "support/quillet_capture.h"
#include "support/recording_window.h"
#include "worker_run.h"

namespace corvane {
namespace {

using namespace std::string_literals;

const std::string kHeartbeat = "1011 \x14";
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

struct Pipeline {
    Pipeline() {
        window.attach(&station);
        station.m_protocol = "Sur-Gard";
        station.m_showLog = 1;
        station.m_linesToSave = 50000;
    }
    bool waitForRefreshes(int count) {
        return window.waitFor([&] { return window.refreshCount() >= count; });
    }
    std::size_t queued() {
        Vexo_Guard guard(&station.m_msgListMutex);
        return station.m_msgList.size();
    }
    test::RecordingWindow window;
    Station station{&window};
};

TEST(MsgWorker, QueueIgnoresEmptyMessages) {
    Pipeline p;
    p.station.queueMessage("");
    EXPECT_EQ(p.queued(), 0u);
    p.station.queueMessage(kHeartbeat);
    EXPECT_EQ(p.queued(), 1u);
}

TEST(MsgWorker, NullEntryReturnsAtOnce) {
    EXPECT_EQ(msgProThreadEntry(nullptr), 0);
}

TEST(MsgWorker, LogsQueuedMessagesInOrderEachWithItsOwnRefresh) {
    Pipeline p;
    const std::vector<std::string> messages = {"1011 \x14", "1012 \x14", "1013 \x14"};
    for (const auto& m : messages) {
        p.station.queueMessage(m);
    }
    test::WorkerRun worker(p.station);
    ASSERT_TRUE(p.waitForRefreshes(3));
    worker.stop();

    const auto views = p.window.viewTexts();
    ASSERT_EQ(views.size(), 3u);
    for (std::size_t i = 0; i < views.size(); ++i) {
        const auto lines = linesAfterTime(views[i]);
        ASSERT_EQ(lines.size(), i + 1);
        for (std::size_t k = 0; k <= i; ++k) {
            // A heartbeat has no description: the arrow is followed directly by CR LF.
            EXPECT_EQ(lines[k], "  -  " + messages[k] + " --> ");
        }
    }
    EXPECT_EQ(p.queued(), 0u);
}

TEST(MsgWorker, ZeroByteCutsTheMessageButKeepsTheArrow) {
    Pipeline p;
    p.station.queueMessage("1011 \x14\0tail"s);
    p.station.queueMessage("\0starts with zero"s);
    test::WorkerRun worker(p.station);
    ASSERT_TRUE(p.waitForRefreshes(2));
    worker.stop();
    EXPECT_EQ(linesAfterTime(p.station.logText()),
              (std::vector<std::string>{"  -  1011 \x14 --> ", "  -   --> "}));
}

TEST(MsgWorker, DecodesEachMessageBeforeLoggingIt) {
    Pipeline p;
    p.station.queueMessage(kCid);
    p.station.queueMessage(kHeartbeat);
    // Unless the decoder saw the message cut at its zero byte, the length would be wrong.
    p.station.queueMessage(kCid +
                           "\0"
                           "99"s);
    test::WorkerRun worker(p.station);
    ASSERT_TRUE(p.waitForRefreshes(3));
    worker.stop();
    EXPECT_EQ(linesAfterTime(p.station.logText()),
              (std::vector<std::string>{"  -  " + kCid + " --> " + kCidText,
                                        "  -  " + kHeartbeat + " --> ",
                                        "  -  " + kCid + " --> " + kCidText}));
    EXPECT_EQ(p.station.m_cidCount.load(), 2);
    EXPECT_EQ(p.station.m_sgHeartbeatCount.load(), 1);
}

TEST(MsgWorker, EmptyQueueLogsNothing) {
    Pipeline p;
    test::WorkerRun worker(p.station);
    // Several idle cycles pass without any line or refresh.
    EXPECT_FALSE(p.window.waitFor([&] { return p.window.refreshCount() > 0; },
                                  std::chrono::milliseconds(200)));
    worker.stop();
    EXPECT_EQ(p.station.logText(), "");
    EXPECT_EQ(p.window.refreshCount(), 0);
}

// Asks the worker to stop at the first refresh, that is in the middle of its batch.
class StopAtFirstRefresh : public test::RecordingWindow {
  public:
    void refreshLogView() override {
        m_station->m_stopFlag = true;
        RecordingWindow::refreshLogView();
    }
    void stopOnRefresh(Station* station) {
        attach(station);
        m_station = station;
    }

  private:
    Station* m_station = nullptr;
};

TEST(MsgWorker, StopDuringABatchLogsTheWholeBatch) {
    StopAtFirstRefresh window;
    Station station(&window);
    window.stopOnRefresh(&station);
    station.m_protocol = "Sur-Gard";
    station.m_showLog = 1;
    station.m_linesToSave = 50000;
    constexpr int kBatch = 200;
    for (int i = 0; i < kBatch; ++i) {
        station.queueMessage("1" + std::to_string(i) + "\x14");
    }
    test::WorkerRun worker(station);
    worker.join();

    EXPECT_EQ(window.refreshCount(), kBatch);
    const auto lines = linesAfterTime(station.logText());
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kBatch));
    for (int i = 0; i < kBatch; ++i) {
        EXPECT_EQ(lines[i], "  -  1" + std::to_string(i) + "\x14 --> ");
    }
}

TEST(MsgWorker, MessageQueuedAfterTheLastSwapIsLoggedAfterTheNextStart) {
    Pipeline p;
    test::WorkerRun worker(p.station);
    p.station.queueMessage("1001 \x14");
    ASSERT_TRUE(p.waitForRefreshes(1));
    worker.stop();

    p.station.queueMessage("1002 \x14");
    EXPECT_EQ(p.queued(), 1u);
    EXPECT_EQ(p.window.refreshCount(), 1);

    worker.start();
    ASSERT_TRUE(p.waitForRefreshes(2));
    worker.stop();
    EXPECT_EQ(linesAfterTime(p.window.lastViewText()),
              (std::vector<std::string>{"  -  1001 \x14 --> ", "  -  1002 \x14 --> "}));
}

TEST(MsgWorker, ProducersOnSeveralThreadsKeepTheirOrder) {
    Pipeline p;
    p.station.m_showLog = 0;  // hidden: nothing is copied per refresh
    constexpr int kProducers = 4;
    constexpr int kEach = 1000;
    test::WorkerRun worker(p.station);
    std::vector<std::thread> producers;
    for (int t = 0; t < kProducers; ++t) {
        producers.emplace_back([&p, t] {
            for (int i = 0; i < kEach; ++i) {
                p.station.queueMessage("1P" + std::to_string(t) + "-" + std::to_string(i) + "\x14");
            }
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    ASSERT_TRUE(
        p.window.waitFor([&] { return p.station.logLineCount() == kProducers * kEach + 1; }));
    worker.stop();
    EXPECT_EQ(p.window.refreshCount(), 0);

    std::vector<int> next(kProducers, 0);
    static const std::regex shape("  -  1P(\\d)-(\\d+)\x14 --> ");
    for (const auto& line : linesAfterTime(p.station.logText())) {
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
        std::string description = "half written";
        EXPECT_FALSE(decodeContained(c.decode, description));
        EXPECT_EQ(description, "");
        EXPECT_TRUE(capture.contains(c.diagnostic, 2)) << c.diagnostic;
    }
    EXPECT_EQ(capture.count("[CCorvaneDlg::processMessages("), 2);

    std::string description;
    EXPECT_TRUE(decodeContained([&] { description = "kept"; }, description));
    EXPECT_EQ(description, "kept");
}

}  // namespace
}  // namespace corvane
