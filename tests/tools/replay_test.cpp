// --replay end to end: a session's export replayed into a fresh station gives the same counts by
// kind on as many connections; a file that is no export is refused naming its line.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <thread>

#include "link/server_harness.h"
#include "receiver/receiver_run.h"
#include "receiver/replay_file.h"
#include "record/message_records.h"
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

}  // namespace
}  // namespace corvane
