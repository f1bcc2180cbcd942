// corvane-station's contract in-process: which command lines run and which are usage errors, the
// --expect list, and the summary made from the tally.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "station_cli/command_line.h"
#include "station_cli/run_summary.h"

namespace corvane::cli {
namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) {
        out.push_back(w);
    }
    return out;
}

TEST(StationCommandLine, GoodLinesRunBadLinesExitTwoWithOneLine) {
    struct Case {
        const char* line;
        int exit;  // -1: the run starts
    };
    const Case cases[] = {
        {"--protocol sur-gard --server 1025", -1},
        {"--protocol sur-gard --client 127.0.0.1:1025 --receiver-type MLR2 --json", -1},
        {"--protocol sia-dcs --server 65535 --policy custom-all --custom \"NOPE\"", -1},
        {"--protocol sur-gard --server 1 --policy custom-all-but-heartbeats --custom 0", -1},
        {"--protocol sur-gard --server 1 --heartbeat-interval 0 --duration 0.5 --quiet", -1},
        {"--protocol sur-gard --server 1 --max-messages 10 --expect CID=3,undecryptable=0", -1},
        {"--protocol Sur-Gard --server 1 --receiver-type mlr2 --policy NACK-ALL --duration 1m", -1},
        {"--protocol sur-gard --server 0 --bind ::1", -1},
        {"--protocol sur-gard --client receiver.lab:1025", -1},
        {"--protocol sur-gard --client [fd00::20]:1025", -1},
        {"--protocol sur-gard --server 1 --metrics 9100 --control 127.0.0.1:9100", -1},
        {"--help", 0},
        {"--version", 0},
        {"--protocol sur-gard --server 1 --control 0.0.0.0:9100", 2},
        {"--protocol sur-gard --server 1 --metrics 127.0.0.1:", 2},
        {"--protocol sur-gard --server 1 --metrics localhost:9100", 2},
        {"--protocol sur-gard --server 1 --control-token-file /etc/hostname", 2},
        {"--protocol sur-gard --server 1025 --duration 1x", 2},
        {"--protocol sur-gard --server 1025 --heartbeat-interval 1.5", 2},
        {"--protocol sur-gard --server 1025 --config /nonexistent.conf", 2},
        {"", 2},
        {"--protocol sur-gard", 2},
        {"--protocol sia --server 1025", 2},
        {"--protocol sur-gard --server 1025 --bind receiver.lab", 2},
        {"--protocol sur-gard --client 127.0.0.1:1025 --bind 127.0.0.1", 2},
        {"--protocol sur-gard --client fd00::20:1025", 2},
        {"--protocol sur-gard --client [receiver.lab]:1025", 2},
        {"--protocol sur-gard --server 70000", 2},
        {"--protocol sur-gard --server", 2},
        {"--protocol sur-gard --server 1025 --client 127.0.0.1:1025", 2},
        {"--protocol sia-dcs --client 127.0.0.1:1025", 2},
        {"--protocol sur-gard --client 127.0.0.1", 2},
        {"--protocol sur-gard --client 127.0.0.1:0", 2},
        {"--protocol sur-gard --server 1025 --bogus", 2},
        {"--protocol sur-gard --server 1025 --receiver-type MLR3", 2},
        {"--protocol sur-gard --server 1025 --heartbeat-interval -1", 2},
        {"--protocol sur-gard --server 1025 --policy ack", 2},
        {"--protocol sur-gard --server 1025 --policy custom-all", 2},
        {"--protocol sur-gard --server 1025 --policy custom-all --custom 256", 2},
        {"--protocol sur-gard --server 1025 --duration 0", 2},
        {"--protocol sur-gard --server 1025 --max-messages 0", 2},
        {"--protocol sur-gard --server 1025 --expect cid=1,cid=2", 2},
        {"--protocol sur-gard --server 1025 --expect alarms=1", 2},
        {"--protocol sur-gard --server 1025 --expect cid=-1", 2},
        {"--protocol sur-gard --server 1 --records-memory 512 --expect unsent=0", -1},
        {"--protocol sur-gard --server 1025 --records-memory 0", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedCommandLine parsed = parseCommandLine(words(c.line));
        if (c.exit < 0) {
            EXPECT_TRUE(parsed.options.has_value()) << parsed.err;
            continue;
        }
        EXPECT_FALSE(parsed.options.has_value());
        EXPECT_EQ(parsed.exitCode, c.exit);
        if (c.exit == kUsageExit) {
            // The reason on one line, then the usage line.
            ASSERT_EQ(std::count(parsed.err.begin(), parsed.err.end(), '\n'), 2) << parsed.err;
            EXPECT_EQ(parsed.err.rfind("corvane-station: ", 0), 0U);
        } else {
            EXPECT_NE(parsed.out.find(c.line == std::string("--help") ? "--expect" : "1."),
                      std::string::npos);
        }
    }
}

TEST(StationCommandLine, OptionsReachTheStationSettings) {
    const auto parsed = parseCommandLine(
        words("--protocol sur-gard --client 10.0.0.7:3061 --policy nack-all-but-heartbeats "
              "--heartbeat-interval 0 --expect heartbeat=2,error=0 --receiver-type mlr2 "
              "--duration 1.5m"));
    ASSERT_TRUE(parsed.options);
    const StationOptions& o = *parsed.options;
    EXPECT_EQ(o.protocol, Protocol::SurGard);
    EXPECT_TRUE(o.client);
    EXPECT_EQ(o.host, "10.0.0.7");
    EXPECT_EQ(o.port, 3061);
    EXPECT_EQ(o.responseMode, ResponseMode::NackAllButHeartbeats);
    EXPECT_EQ(o.heartbeatInterval, 0);
    EXPECT_EQ(o.receiverType, ReceiverType::Mlr2);
    EXPECT_EQ(o.durationSeconds, 90.0);
    ASSERT_EQ(o.expectations.size(), 2U);
    EXPECT_EQ(o.expectations[0].kind, CountedKind::Heartbeat);
    EXPECT_EQ(o.expectations[1].count, 0);
}

// Scripts, DC-09 settings and --export: checked (the keys file read) before anything starts.
TEST(StationCommandLine, ScriptKeysAndExportOptions) {
    const std::string keys = testing::TempDir() + "station_keys.txt";
    const std::string badKeys = testing::TempDir() + "station_bad_keys.txt";
    std::ofstream(keys) << "# lab panels\n*,00112233445566778899AABBCCDDEEFF\n";
    std::ofstream(badKeys) << "1234,00112233445566778899AABBCCDDEEFF\nZZ,0011\n";
    const std::string sia = "--protocol sia-dcs --server 1025 ";
    const std::string sg = "--protocol sur-gard --server 1025 ";
    struct Case {
        std::string line;
        std::string error;  // in the one line; empty: the run starts
    };
    const Case cases[] = {
        {sg + "--script NACK*2,ACK --export out.csv", {}},
        {sia + "--script NAK,DUH,ACK --heartbeat-script ACK --export out.jsonl", {}},
        {sia + "--keys " + keys + " --timestamp-window 40,20 --dc09-answers --undecryptable duh",
         {}},
        {sg + "--script NAK", "--script: position 1: "},
        {sg + "--script ACK --heartbeat-script BOGUS", "--heartbeat-script: position 1: "},
        {sg + "--heartbeat-script ACK", "--heartbeat-script requires --script"},
        {sia + "--keys /nonexistent/keys.txt", "--keys: cannot open /nonexistent/keys.txt"},
        {sia + "--keys " + badKeys, "--keys " + badKeys + ", line 2: "},
        {sg + "--keys " + keys, "--keys is a SIA-DCS setting"},
        {sg + "--dc09-answers", "--dc09-answers is a SIA-DCS setting"},
        {sia + "--timestamp-window 40", "expected PAST,FUTURE"},
        {sia + "--timestamp-window 40,-1", "expected PAST,FUTURE"},
        {sia + "--undecryptable maybe", "--undecryptable"},
        {sg + "--export out.txt", "ends in .csv or .jsonl"},
        {sg + "--export /nonexistent/out.csv", "--export '/nonexistent/out.csv': cannot write"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedCommandLine parsed = parseCommandLine(words(c.line));
        if (c.error.empty()) {
            EXPECT_TRUE(parsed.options.has_value()) << parsed.err;
            continue;
        }
        ASSERT_FALSE(parsed.options.has_value());
        EXPECT_EQ(parsed.exitCode, kUsageExit);
        EXPECT_EQ(std::count(parsed.err.begin(), parsed.err.end(), '\n'), 2) << parsed.err;
        EXPECT_NE(parsed.err.find(c.error), std::string::npos) << parsed.err;
    }
    const auto parsed = parseCommandLine(
        words(sia + "--keys " + keys + " --timestamp-window 300,5 --undecryptable none"));
    ASSERT_TRUE(parsed.options);
    const Dc09Config& dc09 = parsed.options->dc09;
    EXPECT_TRUE(parsed.options->dc09Given);
    EXPECT_NE(dc09.keys.find("4321"), nullptr);  // the "*" key
    EXPECT_TRUE(dc09.timeWindowOn);
    EXPECT_EQ(dc09.timeWindow.pastSeconds, 300);
    EXPECT_EQ(dc09.timeWindow.futureSeconds, 5);
    EXPECT_EQ(dc09.undecryptable, UndecryptableAnswer::None);
    std::remove(keys.c_str());
    std::remove(badKeys.c_str());
}

// The summary reads the tally: kinds under their command-line names (link tests count as
// heartbeats), answers by word in name order, latencies, receivers and the expectations.
TEST(StationSummary, ReadsTheTally) {
    Tally tally;
    tally.connected(1, "10.0.0.5:4000", 1);
    tally.message(1, "10.0.0.5:4000", 2, MessageKind::Heartbeat, AnswerWord::Nack,
                  Delivery::sentAt(102));
    tally.message(1, "10.0.0.5:4000", 3, MessageKind::LinkTest, AnswerWord::Ack,
                  Delivery::sentAt(103));
    tally.message(1, "10.0.0.5:4000", 4, MessageKind::FormatError, AnswerWord::Custom,
                  Delivery::unsentFor(Delivery::Reason::NothingToSend));
    for (const auto why : {Delivery::Reason::ConnectionLost, Delivery::Reason::StationStopped}) {
        tally.message(1, "10.0.0.5:4000", 5, MessageKind::Cid, AnswerWord::Ack, {});
        tally.answerSettled(1, 5, AnswerWord::Ack, Delivery::unsentFor(why));
    }
    const RunSummary summary = makeSummary(
        tally.totals(), *parseExpectations("heartbeat=2,error=0,unsent=2"), 1.25, "duration");
    EXPECT_EQ(summaryText(summary),
              "summary: 5 messages in 1.2 s, stopped by duration\n"
              "kinds: cid=2 sia=0 heartbeat=2 private=0 device-heart=0 unknown=0 error=1 "
              "undecryptable=0\n"
              "answers: ACK=1 NACK=1 custom=1 unsent=2 (connection lost 1, station stopped 1)\n"
              "latency: p50=102us p99=102us\n"
              "receivers: connections=1 10.0.0.5=5\n"
              "expect: heartbeat=2 met, error=0 MISSED (counted 1), unsent=2 met\n"
              "result: expectation missed\n");
    EXPECT_NE(summaryJson(summary, 0)
                  .find("\"answers\":{\"ACK\":1,\"NACK\":1,\"custom\":1},\"unsent\":"
                        "{\"count\":2,\"reasons\":{\"connection lost\":1,"),
              std::string::npos)
        << summaryJson(summary, 0);
}

// --config: every option from a file, a script with blanks whole; the command line wins.
TEST(StationCommandLine, ConfigFile) {
    const std::string file = testing::TempDir() + "station_options.conf";
    const std::string bad = testing::TempDir() + "station_bad_options.conf";
    std::ofstream(file) << "# lab 1\nprotocol = SIA-DCS\nserver = 3061\nheartbeat-interval = 5m\n"
                           "script = NACK*2, DELAY 500 ACK\ncustom = \"A #1\"\nquiet\n";
    std::ofstream(bad) << "protocol = sur-gard\nserver = 1025\nheartbeat = 5\n";
    auto parsed = parseCommandLine({"--config", file});
    ASSERT_TRUE(parsed.options) << parsed.err;
    EXPECT_EQ(parsed.options->protocol, Protocol::SiaDcs);
    EXPECT_EQ(parsed.options->port, 3061);
    EXPECT_EQ(parsed.options->heartbeatInterval, 300);
    EXPECT_EQ(parsed.options->script, "NACK*2, DELAY 500 ACK");
    EXPECT_EQ(parsed.options->custom, "A #1");
    EXPECT_TRUE(parsed.options->quiet);
    parsed = parseCommandLine({"--config", file, "--server", "4000"});
    ASSERT_TRUE(parsed.options) << parsed.err;
    EXPECT_EQ(parsed.options->port, 4000);
    parsed = parseCommandLine({"--config", bad});
    EXPECT_EQ(parsed.exitCode, kUsageExit);
    EXPECT_NE(parsed.err.find("--config: the file sets an unknown option 'heartbeat'"),
              std::string::npos)
        << parsed.err;
    std::remove(file.c_str());
    std::remove(bad.c_str());
}

}  // namespace
}  // namespace corvane::cli
