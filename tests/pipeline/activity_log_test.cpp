// The activity log: time text, line counting, the line limit with Show Log on and off, the save
// transfer's replacement, and appends from many threads at once.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/activity_log.h"
#include "pipeline/line_breaks.h"
#include "station/station.h"
#include "support/recording_window.h"

namespace corvane {
namespace {

constexpr const char* kTime = "2024/03/07 09:05:02";

int crLfPairs(const std::string& text) {
    return countLineBreaks(text, '\0');
}

std::string lineText(int i) {
    return "  -  line " + std::to_string(i) + "\r\n";
}

// A log without a window: its settings alone.
struct BareLog {
    Station station;
    ActivityLog log{station, station.window()};
};

struct ShownLog {
    explicit ShownLog(int limit) {
        station.window().attach(&window);
        window.attach(&activity);
        station.m_showLog = 1;
        station.m_linesToSave = limit;
    }
    void logLine(int i) {
        activity.appendLogLine(kTime, lineText(i));
        activity.updateLogView();
    }
    test::RecordingWindow window;
    Station station;
    ActivityLog activity{station, station.window()};
};

TEST(ActivityLog, TimeStampIsLocalDateAndTime) {
    const std::string stamp = ActivityLog::getTimeStamp();
    EXPECT_TRUE(std::regex_match(stamp, std::regex(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2})")))
        << stamp;
}

TEST(ActivityLog, OnlyCrLfEndsALine) {
    struct Case {
        const char* name;
        std::vector<std::string> appends;  // each appended after the time text ""
        int lines;
    };
    const std::vector<Case> cases = {
        {"empty log", {}, 1},
        {"one line", {"a\r\n"}, 2},
        {"lone CR and lone LF inside a frame", {"\n0023\"SIA-DCS\"0001[#1234|Nri1/BA01]\r\r\n"}, 2},
        {"LF CR is no break", {"a\n\rb\r\n"}, 2},
        {"CR LF inside a message", {"a\r\nb --> \r\n"}, 3},
        {"pair split across appends", {"a\r", "\nb\r\n"}, 3},
        {"CR then CR LF", {"a\r", "\r\n"}, 2},
        {"LF alone after CR-less text", {"a", "\n"}, 1},
    };
    for (const auto& c : cases) {
        BareLog bare;
        for (const auto& text : c.appends) {
            bare.log.appendLogLine("", text);
        }
        EXPECT_EQ(bare.log.logLineCount(), c.lines) << c.name;
        EXPECT_EQ(bare.log.logLineCount(), crLfPairs(bare.log.logText()) + 1) << c.name;
    }
}

TEST(ActivityLog, PairSplitBetweenTimeTextAndRestCountsOnce) {
    BareLog bare;
    bare.log.appendLogLine("x\r", "\ny\r");
    bare.log.appendLogLine("\n", "");
    EXPECT_EQ(bare.log.logLineCount(), 3);
}

TEST(ActivityLog, LimitFiftyEmptiesAtTheRefreshShowingLine49) {
    ShownLog log(50);
    for (int i = 1; i <= 48; ++i) {
        log.logLine(i);
    }
    EXPECT_EQ(log.activity.logLineCount(), 49);
    EXPECT_EQ(crLfPairs(log.window.lastViewText()), 48);

    log.logLine(49);
    const std::string shown = log.window.lastViewText();
    EXPECT_EQ(crLfPairs(shown), 49);
    EXPECT_EQ(shown.substr(0, std::string(kTime).size() + lineText(1).size()),
              std::string(kTime) + lineText(1));
    EXPECT_EQ(log.activity.logText(), "");
    EXPECT_EQ(log.activity.logLineCount(), 1);
    // Until the next refresh the box keeps painting those 49 lines.
    EXPECT_EQ(log.activity.logViewText(), shown);

    log.logLine(50);
    EXPECT_EQ(log.window.lastViewText(), std::string(kTime) + lineText(50));
    EXPECT_EQ(log.window.refreshCount(), 50);
}

TEST(ActivityLog, DefaultLimitEmptiesAtTheRefreshShowingLine999) {
    ShownLog log(1000);
    for (int i = 1; i <= 998; ++i) {
        log.logLine(i);
    }
    EXPECT_EQ(log.activity.logLineCount(), 999);
    log.logLine(999);
    EXPECT_EQ(crLfPairs(log.window.lastViewText()), 999);
    EXPECT_EQ(log.activity.logLineCount(), 1);
    log.logLine(1000);
    EXPECT_EQ(log.window.lastViewText(), std::string(kTime) + lineText(1000));
}

TEST(ActivityLog, HiddenLogIsNeverRefreshedAndStaysBounded) {
    ShownLog log(50);
    for (int i = 1; i <= 3; ++i) {
        log.logLine(i);
    }
    const std::string shown = log.window.lastViewText();
    log.station.m_showLog = 0;

    int most = 0;
    for (int i = 4; i < 100'000; ++i) {
        log.logLine(i);
        most = std::max(most, log.activity.logLineCount());
    }
    EXPECT_LT(most, 50);
    EXPECT_EQ(log.window.refreshCount(), 3);
    // Emptying the hidden text must not change what the frozen box would paint.
    EXPECT_EQ(log.activity.logViewText(), shown);
}

TEST(ActivityLog, HiddenFromStartShowsNothing) {
    ShownLog log(50);
    log.station.m_showLog = 0;
    for (int i = 1; i <= 120; ++i) {
        log.logLine(i);
    }
    EXPECT_EQ(log.window.refreshCount(), 0);
    EXPECT_EQ(log.activity.logViewText(), "");
}

TEST(ActivityLog, SaveTransferReplacesAndRecounts) {
    ShownLog log(1000);
    log.logLine(1);
    const std::string shown = log.window.lastViewText();

    log.activity.setLogText("typed\r\nby\rthe\noperator\r\n");
    EXPECT_EQ(log.activity.logLineCount(), 3);
    EXPECT_EQ(log.activity.logText(), "typed\r\nby\rthe\noperator\r\n");
    // The box still paints what the latest refresh showed ...
    EXPECT_EQ(log.activity.logViewText(), shown);
    // ... and the next refresh shows the new text with the new line.
    log.logLine(2);
    EXPECT_EQ(log.window.lastViewText(),
              "typed\r\nby\rthe\noperator\r\n" + std::string(kTime) + lineText(2));
    EXPECT_EQ(log.activity.logLineCount(), 4);

    log.activity.setLogText("");
    EXPECT_EQ(log.activity.logLineCount(), 1);
    log.logLine(3);
    EXPECT_EQ(log.window.lastViewText(), std::string(kTime) + lineText(3));
}

TEST(ActivityLog, LinesFromManyThreadsNeverInterleave) {
    constexpr int kThreads = 8;
    constexpr int kLines = 2000;
    BareLog bare;  // no window: refreshes still update the view state concurrently
    bare.station.m_showLog = 1;
    bare.station.m_linesToSave = 50000;
    ActivityLog& log = bare.log;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kLines; ++i) {
                // Lone CR and LF inside the message, as in a raw frame, are not line breaks.
                log.appendLogLine(
                    ActivityLog::getTimeStamp(),
                    "  -  T" + std::to_string(t) + " L" + std::to_string(i) + " \r\x14\n --> \r\n");
                log.updateLogView();
                if (i % 64 == 0) {
                    (void)log.logViewText();
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(log.logLineCount(), kThreads * kLines + 1);

    const std::string text = log.logText();
    const std::regex lineShape(
        R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}  -  T(\d) L(\d+) \r\x14\n --> )");
    std::vector<int> next(kThreads, 0);
    std::size_t start = 0;
    int lines = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::smatch m;
        const std::string line = text.substr(start, end - start);
        ASSERT_TRUE(std::regex_match(line, m, lineShape)) << line;
        const int t = std::stoi(m[1]);
        EXPECT_EQ(std::stoi(m[2]), next[t]++);
        ++lines;
    }
    EXPECT_EQ(start, text.size());
    EXPECT_EQ(lines, kThreads * kLines);
}

}  // namespace
}  // namespace corvane
