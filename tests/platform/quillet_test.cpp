// The diagnostic log: any length, many threads, the file under the XDG state directory, the sink.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "blocked_thread.h"
#include "platform/quillet.h"
#include "platform/quillet_dir.h"
#include "support/quillet_capture.h"

namespace {

using corvane::test::QuilletCapture;
using namespace std::chrono_literals;

std::string readLogFile() {
    std::ifstream in(quillet_logDirectory() + "/corvane.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Quillet, WritesEntriesOfEveryLengthWhole) {
    QuilletCapture capture;
    // Lengths around any plausible inner buffer size, and one of a full MiB.
    std::vector<std::size_t> lengths = {0, 1, 1024 * 1024};
    for (std::size_t n = 480; n < 540; ++n) {
        lengths.push_back(n);
    }
    for (std::size_t n = 990; n < 1060; ++n) {
        lengths.push_back(n);
    }
    for (std::size_t n = 4080; n < 4110; ++n) {
        lengths.push_back(n);
    }
    for (std::size_t n : lengths) {
        std::string arg(n, 'x');
        if (n > 0) {
            arg.back() = 'E';
        }
        capture.clear();
        ASSERT_EQ(QUILLET(3, "Test::whole", "%s|%d", arg.c_str(), 42), 0);
        const auto entries = capture.entries();
        ASSERT_EQ(entries.size(), 1U);
        const std::string expected =
            "[Test::whole(" + std::to_string(__LINE__ - 4) + ")] " + arg + "|42";
        ASSERT_EQ(entries[0].text, expected) << "length " << n;
        EXPECT_EQ(entries[0].level, 3);
    }
}

TEST(Quillet, ManyThreadsAtOnceLoseAndMixNothing) {
    QuilletCapture capture;
    constexpr int kThreads = 8;
    constexpr int kEach = 1500;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < kEach; ++i) {
                // Every 100th entry is too long for any small buffer.
                const std::string pad(i % 100 == 0 ? 3000 : i % 50, static_cast<char>('a' + t));
                quillet_write(2, "", "mt %d %d %s end", t, i, pad.c_str());
            }
        });
    }
    for (auto& w : writers) {
        w.join();
    }
    const auto entries = capture.entries();
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kThreads * kEach));
    std::vector<std::vector<bool>> seen(kThreads, std::vector<bool>(kEach, false));
    for (const auto& e : entries) {
        int t = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(e.text.c_str(), "mt %d %d ", &t, &i), 2) << e.text.substr(0, 80);
        ASSERT_TRUE(t >= 0 && t < kThreads && i >= 0 && i < kEach);
        const std::string pad(i % 100 == 0 ? 3000 : i % 50, static_cast<char>('a' + t));
        ASSERT_EQ(e.text, "mt " + std::to_string(t) + " " + std::to_string(i) + " " + pad + " end");
        EXPECT_FALSE(seen[t][i]) << "duplicate entry";
        seen[t][i] = true;
    }
}

TEST(Quillet, TheFileLivesUnderTheStateDirectoryWithTimeAndLevel) {
    const char* state = std::getenv("XDG_STATE_HOME");
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(quillet_logDirectory(), std::string(state) + "/corvane");

    const std::string marker = "file-marker-" + std::to_string(::getpid());
    QUILLET(3, "Test::file", "%s info", marker.c_str());
    QUILLET(2, "Test::file", "%s link", marker.c_str());
    quillet_flush();
    std::string text = readLogFile();
    const auto at = text.find(marker + " info\n");
    ASSERT_NE(at, std::string::npos) << "entry not in the file";
    const auto lineStart = text.rfind('\n', at) + 1;  // npos + 1 == 0 for the first line
    const std::string line = text.substr(lineStart, text.find('\n', at) - lineStart);
    const std::regex infoLine(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} L3 \[Test::file\(\d+\)\] )" +
                              marker + " info");
    EXPECT_TRUE(std::regex_match(line, infoLine)) << line;
    EXPECT_NE(text.find("L2 [Test::file("), std::string::npos);

    // A failure reaches the disk without an explicit flush.
    QUILLET(5, "Test::file", "%s failure", marker.c_str());
    text = readLogFile();
    EXPECT_NE(text.find(" L5 [Test::file("), std::string::npos) << text;
}

TEST(Quillet, OrdinaryEntriesReachTheDiskWithoutAnExplicitFlush) {
    const std::string marker = "periodic-marker-" + std::to_string(::getpid());
    quillet_setFlushInterval(20ms);
    quillet_write(3, "", "%s", marker.c_str());
    // Flushed by the periodic flush, not line by line.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (readLogFile().find(marker) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_NE(readLogFile().find(marker), std::string::npos);
    quillet_setFlushInterval(1s);
}

// Entries from a thread that must not wait on the disk reach the file through the log's own
// thread, and the sink at once; entries below the lowest level are not written anywhere.
TEST(Quillet, AsyncEntriesReachFileAndSinkAndLowLevelsAreLeftOut) {
    QuilletCapture capture;
    const std::string marker = "async-marker-" + std::to_string(::getpid());
    EXPECT_EQ(quillet_lowestLevel(), kQuilletDefaultLowestLevel);
    QUILLET_ASYNC(2, "test", "%s", marker.c_str());
    QUILLET_ASYNC(1, "test", "%s-verbose", marker.c_str());
    quillet_setLowestLevel(1);
    QUILLET(1, "test", "%s-now-written", marker.c_str());
    quillet_setLowestLevel(kQuilletDefaultLowestLevel);
    quillet_flush();
    const std::string text = readLogFile();
    EXPECT_NE(text.find("[test("), std::string::npos);
    EXPECT_NE(text.find(marker + "\n"), std::string::npos);
    EXPECT_EQ(text.find(marker + "-verbose"), std::string::npos);
    EXPECT_NE(text.find(marker + "-now-written"), std::string::npos);
    EXPECT_EQ(capture.count(marker), 2);
}

TEST(Quillet, TurningTheFileOffKeepsTheSink) {
    QuilletCapture capture;
    quillet_setFileEnabled(false);
    quillet_write(3, "", "only-in-sink-%d", 7);
    quillet_setFileEnabled(true);
    quillet_write(3, "", "back-in-file-%d", 8);
    quillet_flush();
    const std::string text = readLogFile();
    EXPECT_EQ(text.find("only-in-sink-7"), std::string::npos);
    EXPECT_NE(text.find("back-in-file-8"), std::string::npos);
    EXPECT_TRUE(capture.contains("only-in-sink-7", 3));
}

TEST(Quillet, RemovedSinkGetsNothingMore) {
    {
        QuilletCapture capture;
        quillet_write(4, "", "before removal");
        EXPECT_TRUE(capture.contains("before removal", 4));
    }
    std::atomic<int> calls{0};
    quillet_setSink([&calls](int, std::string_view) { ++calls; });
    quillet_setSink({});
    quillet_write(4, "", "after removal");
    EXPECT_EQ(calls.load(), 0);
}

TEST(Quillet, RemovingTheSinkWaitsForAnEntryStillInIt) {
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    quillet_setSink([&](int, std::string_view) {
        entered = true;
        while (!release.load()) {
            std::this_thread::yield();
        }
    });
    std::thread writer([] { quillet_write(2, "", "slow entry"); });
    while (!entered.load()) {
        std::this_thread::yield();
    }
    std::atomic<pid_t> removerTid{0};
    std::atomic<bool> removed{false};
    std::thread remover([&] {
        removerTid = corvane::test::currentThreadId();
        quillet_setSink({});
        removed = true;
    });
    while (removerTid.load() == 0) {
        std::this_thread::yield();
    }
    // The remover must block until the entry has left the sink.
    EXPECT_TRUE(corvane::test::waitUntilSleeping(removerTid.load(), 5s));
    EXPECT_FALSE(removed.load());
    release = true;
    writer.join();
    remover.join();
    EXPECT_TRUE(removed.load());
}

TEST(Quillet, NullFormatFails) {
    const char* format = nullptr;
    EXPECT_EQ(quillet_write(2, "", format), -1);
}

struct DirectoryCase {
    const char* xdg;
    const char* home;
    const char* expected;
};

TEST(QuilletDirectory, FollowsTheXdgRules) {
    const DirectoryCase cases[] = {
        {"/state", "/home/op", "/state/corvane"},
        {nullptr, "/home/op", "/home/op/.local/state/corvane"},
        {"", "/home/op", "/home/op/.local/state/corvane"},
        {"relative/state", "/home/op", "/home/op/.local/state/corvane"},
        {nullptr, nullptr, ""},
        {"", "relative-home", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quillet_detail::logDirectoryFor(c.xdg, c.home), c.expected)
            << (c.xdg ? c.xdg : "(unset)") << " / " << (c.home ? c.home : "(unset)");
    }
}

}  // namespace
