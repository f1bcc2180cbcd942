// --replay end to end: a session's export replayed into a fresh station gives the same counts by
// kind on as many connections; a file that is no export, a record over 1 MiB or a bad record is
// refused naming its line, quoting at most 80 bytes of it.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <thread>

#include "link/server_harness.h"
#include "receiver/receiver_run.h"
#include "receiver/replay_file.h"
#include "record/message_records.h"
#include "record/record_columns.h"
#include "record/record_export.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

bool waitForRecords(Station& station, std::uint64_t count) {
    for (int i = 0; i < 2000 && station.records().span().size() < count; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    return station.records().span().size() == count;
}

std::array<int, kMessageKindCount> kindCounts(const MessageRecords& records) {
    std::array<int, kMessageKindCount> counts{};
    const auto span = records.span();
    records.visitRange(span.first, span.next,
                       [&](const MessageRecord& r) { ++counts[static_cast<int>(r.kind)]; });
    return counts;
}

TEST(Replay, AnExportReplayedIntoAFreshStationGivesTheSameCountsByKind) {
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("corvane-replay-" + std::to_string(::getpid()) + ".jsonl"))
                                 .string();
    std::array<int, kMessageKindCount> recorded{};
    {
        test::ServerHarness first;
        ASSERT_TRUE(first.start());
        ASSERT_TRUE(first.core().worker().start());
        sim::RunOptions o;
        o.port = static_cast<std::uint16_t>(first.port());
        o.connections = 2;
        o.count = 15;
        o.expectation = {sim::Expect::Any, 0};
        ASSERT_TRUE(sim::runReceiver(o).allGood());
        ASSERT_TRUE(waitForRecords(first.station(), 30));
        recorded = kindCounts(first.station().records());
        ASSERT_TRUE(exportRecords(first.station().records(), file));
    }
    test::ServerHarness second;
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(second.core().worker().start());
    sim::RunOptions o;
    o.port = static_cast<std::uint16_t>(second.port());
    o.expectation = {sim::Expect::Any, 0};
    ASSERT_EQ(sim::loadReplay(file, o), "");
    std::filesystem::remove(file);
    EXPECT_EQ(o.replay.size(), 2U);
    const sim::RunResult replayed = sim::runReceiver(o);
    EXPECT_TRUE(replayed.allGood()) << replayed.error;
    EXPECT_EQ(replayed.connections.size(), 2U);
    ASSERT_TRUE(waitForRecords(second.station(), 30));
    EXPECT_EQ(kindCounts(second.station().records()), recorded);
}

TEST(Replay, AFileThatIsNoExportIsRefusedNamingTheLine) {
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("corvane-bad-" + std::to_string(::getpid()) + ".csv"))
                                 .string();
    std::ofstream(file) << "hello\n";
    sim::RunOptions o;
    EXPECT_EQ(sim::loadReplay(file, o),
              file + ":1: not a Corvane records export (CSV or JSON Lines)");
    std::filesystem::remove(file);
}

// A CSV record with these columns set (raw_text quoted) and the others empty.
std::string csvRecord(const std::string& rawHex, const std::string& rawText) {
    std::string line;
    for (const std::string& column : kRecordColumns) {
        line += line.empty() && column == kRecordColumns.front() ? "" : ",";
        line += column == "connection" || column == "received_us" ? "1"
                : column == "raw_hex"                             ? rawHex
                : column == "raw_text"                            ? "\"" + rawText + "\""
                                                                  : "";
    }
    return line + "\r\n";
}

TEST(Replay, RecordsAreReadOneByOneAndBounded) {
    std::string header;
    for (const std::string& column : kRecordColumns) {
        header += (header.empty() ? "" : ",") + column;
    }
    header += "\r\n";
    const std::string good = "{\"connection\":1,\"received_us\":5,\"raw_hex\":\"3031\"}\n";
    struct Case {
        const char* name;
        std::string text;
        std::string error;  // after "FILE:"; empty: read
    };
    const Case cases[] = {
        {"record over 1 MiB", good + "{\"raw_hex\":\"" + std::string(3 << 20, 'A') + "\"}\n",
         "2: the record is longer than 1 MiB"},
        {"bad JSON quoted in short", good + "{\"a\":\"" + std::string(100000, 'x') + "\\q\"}\n",
         "2: not a record line"},
        {"CSV record over two lines, then a bad one",
         header + csvRecord("610A62", "a\nb") + csvRecord("ZZ", ""), "4: unreadable"},
        {"CSV record over two lines", header + csvRecord("610A62", "a\nb") + csvRecord("30", ""),
         ""},
    };
    const std::string file =
        (std::filesystem::temp_directory_path() / ("corvane-records-" + std::to_string(::getpid())))
            .string();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(file, std::ios::binary) << c.text;
        sim::RunOptions o;
        const std::string error = sim::loadReplay(file, o);
        EXPECT_LT(error.size(), file.size() + 300U);
        if (c.error.empty()) {
            EXPECT_EQ(error, "");
            ASSERT_EQ(o.replay.size(), 1U);
            EXPECT_EQ(o.replay[0].size(), 2U);
            EXPECT_EQ(o.replay[0][0].bytes, "a\nb");
        } else {
            EXPECT_EQ(error.rfind(file + ":" + c.error, 0), 0U) << error;
        }
    }
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace corvane
