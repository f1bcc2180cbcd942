// The receiver simulator's wire formats: the messages it makes, the DC-09 CRC and frames, the
// answer checks, the latency percentiles, the command line and the progress line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "receiver/answer_check.h"
#include "receiver/command_line.h"
#include "receiver/dc09_frame.h"
#include "receiver/latency_stats.h"
#include "receiver/message_generator.h"
#include "receiver/progress_line.h"

namespace corvane::sim {
namespace {

// ---- messages -------------------------------------------------------------------------------

struct LayoutCase {
    ReceiverType type;
    Kind kind;
    std::string bytes;  // the first message of that kind on connection 0
};

RunOptions optionsFor(ReceiverType type) {
    RunOptions o;
    o.receiverType = type;
    return o;
}

TEST(ReceiverSimMessages, FirstMessageOfEachKindHasTheExactLayout) {
    const auto m2000 = ReceiverType::Mlr2000;
    const auto m2 = ReceiverType::Mlr2;
    const std::vector<LayoutCase> cases = {
        {m2000, Kind::Heartbeat, "101000           @    \x14"},
        {m2, Kind::Heartbeat, "1011           @    \x14"},
        {m2000, Kind::Cid, "501001 181000E13001000\x14"},
        {m2, Kind::Cid, "5011 181000E13001000\x14"},
        {m2000, Kind::Cid10, "Q01001 580123450000E13001000\x14"},
        {m2, Kind::Cid10, "Q011 580123450000E13001000\x14"},
        {m2000, Kind::Signal, "101001      1000 A1003\x14"},
        {m2, Kind::Signal, "1011      1000 A1003\x14"},
        {m2000, Kind::LineStatus, "101001      0000 T  10\x14"},
        {m2000, Kind::Audio, "101001      0000 P  01\x14"},
        {m2000, Kind::Sia1, "301001      1000BA0000\x14"},
        {m2, Kind::Sia1, "3011      1000BA0000\x14"},
        {m2000, Kind::CallerId, "401001  10005145550000\x14"},
        {m2000, Kind::Bfsk, "601001      1000 1 001\x14"},
        {m2000, Kind::Ademco, "8010011000 1555 5555 5\x14"},
        {m2000, Kind::Sia, "S01001[#1000|Nri1/BA00]\x14"},
        {m2, Kind::Sia, "S011[#1000|Nri1/BA00]\x14"},
        {m2000, Kind::Private, "001000[#0000|NRR0001]\x14"},
        {m2, Kind::Private, "0010[#0000|NRR0001]\x14"},
    };
    for (const auto& c : cases) {
        const RunOptions o = optionsFor(c.type);
        MessageGenerator generator(o, 0);
        const Message message = generator.next(c.kind);
        SCOPED_TRACE(std::string(kindName(c.kind)));
        EXPECT_EQ(message.bytes, c.bytes);
        EXPECT_TRUE(message.echo.empty());
        // Fixed widths: 20 (MLR2) or 22 (MLR2000) and 0x14; ID Q lines 6 more.
        if (c.kind != Kind::Sia && c.kind != Kind::Private) {
            const std::size_t width =
                (c.type == m2000 ? 23U : 21U) + (c.kind == Kind::Cid10 ? 6 : 0);
            EXPECT_EQ(message.bytes.size(), width);
        }
    }
}

TEST(ReceiverSimMessages, AccountQualifierAndClockOptions) {
    RunOptions o;
    o.account = "C20B";
    o.qualifier = Qualifier::Digit;
    MessageGenerator generator(o, 5);
    EXPECT_EQ(generator.next(Kind::Cid).bytes, "501001 18C20B113001000\x14");
    EXPECT_EQ(generator.next(Kind::Cid10).bytes, "Q01001 58000000C20B160200000\x14");
    EXPECT_EQ(generator.next(Kind::Signal).bytes, "101001      C20B A1003\x14");
    EXPECT_EQ(generator.next(Kind::Bfsk).bytes, "601001      C20B 1 001\x14");
    o.account = "482";
    o.clock = true;
    MessageGenerator clocked(o, 0);
    for (Kind kind : {Kind::Cid, Kind::Signal, Kind::Sia1, Kind::Ademco}) {
        const std::string line = clocked.next(kind).bytes;
        // "HH:MM:SS-dd/mm" before 0x14.
        ASSERT_EQ(line.size(), 23U + 14U) << line;
        EXPECT_EQ(line.substr(line.size() - 13, 1) + line[line.size() - 7] + line[line.size() - 4],
                  ":-/")
            << line;
    }
    EXPECT_EQ(clocked.next(Kind::Heartbeat).bytes.size(), 23U);  // never a clock
}

TEST(ReceiverSimMessages, ContactIdCyclesThroughDeviceHeartbeatsAndQualifiers) {
    for (ReceiverType type : {ReceiverType::Mlr2000, ReceiverType::Mlr2}) {
        for (Qualifier style : {Qualifier::Letter, Qualifier::Digit}) {
            RunOptions o = optionsFor(type);
            o.qualifier = style;
            MessageGenerator generator(o, 63);
            const std::size_t cidLength = type == ReceiverType::Mlr2000 ? 23 : 21;
            int deviceHeartbeats = 0;
            std::string qualifiers;
            for (int i = 0; i < 50; ++i) {
                const Message cid = generator.next(i % 2 == 0 ? Kind::Cid : Kind::Cid10);
                ASSERT_EQ(cid.bytes.size(), i % 2 == 0 ? cidLength : cidLength + 6) << cid.bytes;
                ASSERT_EQ(cid.bytes.back(), '\x14');
                // Event code, group (2), zone (3) and the terminator end the line.
                deviceHeartbeats += cid.bytes.substr(cid.bytes.size() - 9, 3) == "602" ? 1 : 0;
                const char q = cid.bytes[cid.bytes.size() - 10];
                qualifiers += qualifiers.find(q) == std::string::npos ? std::string(1, q) : "";
            }
            EXPECT_EQ(deviceHeartbeats, 10);
            EXPECT_EQ(qualifiers, style == Qualifier::Letter ? "ERP" : "136");
        }
    }
}

TEST(ReceiverSimMessages, Dc09FramesCarryTheirEchoAndARunningSequence) {
    const RunOptions o;
    MessageGenerator generator(o, 1);
    const Message event = generator.next(Kind::Dc09);
    EXPECT_EQ(event.echo, "0001R2L1#1001");
    EXPECT_EQ(event.bytes, dc09Frame("\"SIA-DCS\"0001R2L1#1001[#1001|Nri1/BA00]"));
    const Message link = generator.next(Kind::Null);
    EXPECT_EQ(link.echo, "0002R0L0#1001");
    EXPECT_EQ(link.bytes, dc09Frame("\"NULL\"0002R0L0#1001[]"));

    // The sequence runs 0001..9999 and starts again at 0001.
    for (int i = 3; i <= 9999; ++i) {
        generator.next(Kind::Null);
    }
    EXPECT_EQ(generator.next(Kind::Null).echo, "0001R0L0#1001");
}

// ---- DC-09 frames ---------------------------------------------------------------------------

TEST(ReceiverSimDc09, CrcAndFramesOfKnownBodies) {
    EXPECT_EQ(dc09Crc("123456789"), 0xBB3D);
    EXPECT_EQ(dc09Crc(""), 0x0000);
    EXPECT_EQ(dc09Frame("\"ACK\"0007R1L2#1234[]"), "\nCF3F0014\"ACK\"0007R1L2#1234[]\r");
    EXPECT_EQ(dc09Frame("\"NACK\"0007R1L2#1234[]"), "\n2AA20015\"NACK\"0007R1L2#1234[]\r");
    EXPECT_EQ(dc09Frame("\"ACK\"[]"), "\nFB050007\"ACK\"[]\r");
}

TEST(ReceiverSimDc09, BodyIsReturnedOnlyForAnIntactFrame) {
    const std::string good = "\nCF3F0014\"ACK\"0007R1L2#1234[]\r";
    ASSERT_TRUE(dc09Body(good));
    EXPECT_EQ(*dc09Body(good), "\"ACK\"0007R1L2#1234[]");

    const std::vector<std::pair<std::string, std::string>> broken = {
        {"\nCF3E0014\"ACK\"0007R1L2#1234[]\r", "CRC field does not match"},
        {"\ncf3f0014\"ACK\"0007R1L2#1234[]\r", "upper-case"},
        {"\nCF3F0013\"ACK\"0007R1L2#1234[]\r", "length field does not match"},
        {"\nCF3F1014\"ACK\"0007R1L2#1234[]\r", "does not start with 0"},
        {"CF3F0014\"ACK\"0007R1L2#1234[]\r", "no LF"},
        {"\nCF3F0014\"ACK\"0007R1L2#1234[]", "no CR"},
        {"\n\r", "no LF"},
    };
    for (const auto& [frame, reason] : broken) {
        std::string why;
        EXPECT_FALSE(dc09Body(frame, &why)) << printable(frame);
        EXPECT_NE(why.find(reason), std::string::npos) << why;
    }
}

// ---- answer checks --------------------------------------------------------------------------

TEST(ReceiverSimAnswers, SurGardAnswerIsOneExpectedByte) {
    struct Case {
        std::string answer;
        Expectation expectation;
        bool good;
    };
    const std::vector<Case> cases = {
        {"\x06", {Expect::Ack, 0}, true},     {"\x15", {Expect::Ack, 0}, false},
        {"\x15", {Expect::Nack, 0}, true},    {"\x06", {Expect::Nack, 0}, false},
        {"\x06", {Expect::Any, 0}, true},     {"\x15", {Expect::Any, 0}, true},
        {"A", {Expect::Any, 0}, false},       {"A", {Expect::Byte, 'A'}, true},
        {"\x06", {Expect::Byte, 'A'}, false}, {"\x06\x06", {Expect::Ack, 0}, false},
        {"", {Expect::Ack, 0}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkSurGardAnswer(c.answer, c.expectation).empty(), c.good)
            << printable(c.answer);
    }
}

TEST(ReceiverSimAnswers, Dc09AnswerMustCopyTheMessageText) {
    const std::string echo = "0007R1L2#1234";
    const std::string ack = "\nCF3F0014\"ACK\"0007R1L2#1234[]\r";
    const std::string nack = "\n2AA20015\"NACK\"0007R1L2#1234[]\r";
    EXPECT_EQ(checkDc09Answer(ack, echo, {Expect::Ack, 0}), "");
    EXPECT_EQ(checkDc09Answer(nack, echo, {Expect::Nack, 0}), "");
    EXPECT_EQ(checkDc09Answer(nack, echo, {Expect::Any, 0}), "");
    EXPECT_NE(checkDc09Answer(nack, echo, {Expect::Ack, 0}), "");
    EXPECT_NE(checkDc09Answer(ack, echo, {Expect::Nack, 0}), "");

    // Intact frames that copy the wrong text, or add to it.
    for (const std::string body :
         {"\"ACK\"0008R1L2#1234[]", "\"ACK\"[]", "\"ACK\"0007R1L2#1234[]_10:00:00,01-01-2024",
          "\"DUH\"0007R1L2#1234[]", "ACK0007R1L2#1234[]"}) {
        EXPECT_NE(checkDc09Answer(dc09Frame(body), echo, {Expect::Any, 0}), "") << body;
    }
    // A wrong CRC or length is bad even when the body is right.
    EXPECT_NE(checkDc09Answer("\nCF3E0014\"ACK\"0007R1L2#1234[]\r", echo, {Expect::Ack, 0}), "");
    EXPECT_NE(checkDc09Answer("\nCF3F0015\"ACK\"0007R1L2#1234[]\r", echo, {Expect::Ack, 0}), "");
}

TEST(ReceiverSimAnswers, ReaderCutsTheStreamByProtocol) {
    std::vector<std::string> out;
    AnswerReader surGard(Protocol::SurGard);
    surGard.feed("\x06\x15", out);
    EXPECT_EQ(out, (std::vector<std::string>{"\x06", "\x15"}));

    out.clear();
    AnswerReader dc09(Protocol::SiaDcs);
    dc09.feed("\nFB050007\"AC", out);
    EXPECT_TRUE(out.empty());
    dc09.feed("K\"[]\r\nFB05", out);
    dc09.feed("0007\"ACK\"[]\r", out);
    EXPECT_EQ(out, (std::vector<std::string>{"\nFB050007\"ACK\"[]\r", "\nFB050007\"ACK\"[]\r"}));

    // An answer that never ends is cut off at the bound instead of growing.
    out.clear();
    dc09.feed(std::string(AnswerReader::kMaxFrame + 10, 'x'), out);
    ASSERT_EQ(out.size(), 1U);
    EXPECT_EQ(out[0].size(), AnswerReader::kMaxFrame);
}

// ---- latency --------------------------------------------------------------------------------

TEST(ReceiverSimLatency, NearestRankPercentiles) {
    LatencyStats stats;
    EXPECT_EQ(stats.median(), 0U);
    for (std::uint64_t v = 100; v >= 1; --v) {
        stats.add(v);
    }
    EXPECT_EQ(stats.median(), 50U);
    EXPECT_EQ(stats.p99(), 99U);
    EXPECT_EQ(stats.percentile(100), 100U);
    LatencyStats more;
    more.add(1000);
    stats.merge(more);
    EXPECT_EQ(stats.count(), 101U);
    EXPECT_EQ(stats.percentile(100), 1000U);
}

// ---- command line ---------------------------------------------------------------------------

TEST(ReceiverSimCommandLine, ReadsAFullSetOfOptions) {
    const CommandLine line = parseCommandLine({"--connect",  "10.0.0.5:1025",
                                               "--protocol", "sia-dcs",
                                               "--count",    "7",
                                               "--rate",     "50",
                                               "--pipeline", "--connections",
                                               "3",          "--glue",
                                               "4",          "--expect",
                                               "any",        "--answer-timeout",
                                               "250",        "--kinds",
                                               "null",       "--quiet"});
    ASSERT_EQ(line.error, "");
    const RunOptions& o = line.options;
    EXPECT_FALSE(o.listen);
    EXPECT_EQ(o.host, "10.0.0.5");
    EXPECT_EQ(o.port, 1025);
    EXPECT_EQ(o.protocol, Protocol::SiaDcs);
    EXPECT_EQ(o.count, 7U);
    EXPECT_EQ(o.rate, 50.0);
    EXPECT_TRUE(o.pipeline);
    EXPECT_EQ(o.connections, 3);
    EXPECT_EQ(o.glue, 4);
    EXPECT_EQ(o.expectation.expect, Expect::Any);
    EXPECT_EQ(o.answerTimeoutMs, 250);
    EXPECT_EQ(o.kinds, std::vector<Kind>{Kind::Null});
    EXPECT_TRUE(line.quiet);

    const CommandLine listen = parseCommandLine({"--listen", "0", "--expect", "0x41"});
    ASSERT_EQ(listen.error, "");
    EXPECT_TRUE(listen.options.listen);
    EXPECT_EQ(listen.options.host, "127.0.0.1");
    EXPECT_EQ(listen.options.expectation.byte, 0x41);
    EXPECT_EQ(listen.options.kinds, defaultKinds(Protocol::SurGard));

    EXPECT_FALSE(line.options.retrying);
    const CommandLine field =
        parseCommandLine({"--connect", "1025", "--retries", "0", "--reconnect", "250"});
    ASSERT_EQ(field.error, "");
    EXPECT_TRUE(field.options.retrying);
    EXPECT_EQ(field.options.retries, 0);
    EXPECT_EQ(field.options.ackWaitMs, 4000);
    EXPECT_EQ(field.options.reconnectMs, 250);
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t space = std::min(line.find(' ', start), line.size());
        out.push_back(line.substr(start, space - start));
        start = space + 1;
    }
    return out;
}

TEST(ReceiverSimCommandLine, GoodLinesGiveTheirValues) {
    struct Case {
        const char* line;
        bool (*holds)(const CommandLine&);
    };
    const Case cases[] = {
        {"--connect 1025",
         [](const CommandLine& l) {
             const RunOptions& o = l.options;
             return o.count == 100 && o.rate == 0 && o.connections == 1 && o.glue == 1 &&
                    o.expectation.expect == Expect::Ack && o.answerTimeoutMs == 5000 &&
                    o.connectTimeoutMs == 30000 && !o.pipeline && !o.retrying &&
                    o.reconnectMs == -1 && o.receiverType == ReceiverType::Mlr2000 && !l.quiet &&
                    !l.expectGiven && l.replayFile.empty();
         }},
        {"--connect=1025 --count=7", [](const CommandLine& l) { return l.options.count == 7; }},
        {"--connect 1025 --count 5 --count 9",
         [](const CommandLine& l) { return l.options.count == 9; }},
        {"--connect 1025 --expect 65",
         [](const CommandLine& l) { return l.options.expectation.byte == 65 && l.expectGiven; }},
        {"--connect 1025 --receiver-type MLR2 --rate 10000000",
         [](const CommandLine& l) {
             return l.options.receiverType == ReceiverType::Mlr2 && l.options.rate == 1e7;
         }},
        {"--connect 1025 --ack-wait 100",
         [](const CommandLine& l) {
             return l.options.retrying && l.options.ackWaitMs == 100 && l.options.retries == 3;
         }},
        {"--connect 1025 --replay rec.csv --recorded-timing",
         [](const CommandLine& l) {
             return l.replayFile == "rec.csv" && l.options.recordedTiming && !l.expectGiven;
         }},
        {"--connect 1025 --connections 1024 --glue 10000 --connect-timeout 3600000",
         [](const CommandLine& l) {
             return l.options.connections == 1024 && l.options.glue == 10000 &&
                    l.options.connectTimeoutMs == 3'600'000;
         }},
        // Durations with units, names in any case, the field's line options.
        {"--connect 1025 --protocol SUR-GARD --receiver-type mlr2 --expect NACK --answer-timeout "
         "2s --ack-wait 1.5s --connect-timeout 1h --kinds CID,Signal --account c20b --qualifier "
         "Digit --clock --rate 5",
         [](const CommandLine& l) {
             const RunOptions& o = l.options;
             return o.receiverType == ReceiverType::Mlr2 && o.expectation.expect == Expect::Nack &&
                    o.answerTimeoutMs == 2000 && o.ackWaitMs == 1500 && o.retrying &&
                    o.connectTimeoutMs == 3'600'000 &&
                    o.kinds == std::vector<Kind>{Kind::Cid, Kind::Signal} && o.account == "c20b" &&
                    o.qualifier == Qualifier::Digit && o.clock && o.rate == 5;
         }},
        {"--connect 1025 --suite SURGARD",
         [](const CommandLine& l) { return l.options.suite == Suite::SurGard; }},
        {"--connect 1025 --protocol sia-dcs --key 000102030405060708090A0B0C0D0E0F --pad nul",
         [](const CommandLine& l) { return l.options.pad == Pad::Nul; }},
    };
    for (const Case& c : cases) {
        const CommandLine line = parseCommandLine(words(c.line));
        EXPECT_EQ(line.error, "") << c.line;
        EXPECT_TRUE(c.holds(line)) << c.line;
    }
}

// Each bad line gives one line naming what is wrong (exit status 2 in main).
TEST(ReceiverSimCommandLine, BadLinesSayWhatIsWrong) {
    struct Case {
        const char* line;
        const char* says;
    };
    const Case cases[] = {
        {"", "give --listen PORT or --connect [HOST:]PORT"},
        {"--count 5", "give --listen PORT or --connect [HOST:]PORT"},
        {"--connect 1025 --listen 1026", "give one of --listen and --connect"},
        {"--connect 0", "--connect: expected [HOST:]PORT, got '0'"},
        {"--connect host:70000", "--connect: expected [HOST:]PORT"},
        {"--listen :5", "--listen: expected [HOST:]PORT"},
        {"--connect 1025 --count 0", "--count: expected a whole number of at least 1, got '0'"},
        {"--connect 1025 --count 0x10", "--count"},
        {"--connect 1025 --count +5", "--count"},
        {"--connect 1025 --count", "--count"},
        {"--connect 1025 --rate 10000001", "--rate"},
        {"--connect 1025 --connections 1025", "--connections"},
        {"--connect 1025 --glue 0", "--glue"},
        {"--connect 1025 --kinds cid,bogus", "--kinds"},
        {"--connect 1025 --kinds dc09", "--kinds: dc09 does not belong to this protocol"},
        {"--connect 1025 --protocol sia-dcs --kinds cid", "--kinds: cid does not belong"},
        {"--connect 1025 --protocol sia", "--protocol: expected sur-gard or sia-dcs, got 'sia'"},
        {"--listen 1025 --protocol sia-dcs", "use --connect"},
        {"--connect 1025 --protocol sia-dcs --expect 65", "for sur-gard only"},
        {"--connect 1025 --expect 0", "--expect"},
        {"--connect 1025 --expect 0x100", "--expect"},
        {"--connect 1025 --receiver-type mlr3", "--receiver-type: expected MLR2000 or MLR2"},
        {"--connect 1025 --answer-timeout 1x", "--answer-timeout: expected a duration"},
        {"--connect 1025 --reconnect 2h", "--reconnect: must be at most 1h"},
        {"--connect 1025 --account C20G", "--account: expected 1 to 16 hexadecimal digits"},
        {"--connect 1025 --account C20B1 --kinds cid", "longer than the 4 characters of cid"},
        {"--connect 1025 --qualifier E", "--qualifier: expected letter or digit"},
        {"--connect 1025 --pad nul", "give --key as well"},
        {"--connect 1025 --suite dc09", "need --protocol sia-dcs"},
        {"--connect 1025 --protocol sia-dcs --suite surgard", "needs --protocol sur-gard"},
        {"--connect 1025 --protocol sia-dcs --clock", "--clock is for Sur-Gard lines"},
        {"--connect 1025 --unknown", "--unknown"},
        {"--connect 1025 stray", "stray"},
        {"--connect 1025 --ack-wait 0", "--ack-wait: must be at least 1ms"},
        {"--connect 1025 --retries -1", "--retries"},
        {"--connect 1025 --reconnect soon", "--reconnect"},
        {"--connect 1025 --answer-timeout 0", "--answer-timeout"},
        {"--connect 1025 --connect-timeout 3600001", "--connect-timeout"},
        {"--connect 1025 --replay", "--replay"},
        {"--connect 1025 --quiet=maybe", "--quiet"},
    };
    for (const Case& c : cases) {
        const std::string error = parseCommandLine(words(c.line)).error;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.line << " -> " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    EXPECT_TRUE(parseCommandLine({"--help"}).help);
    EXPECT_TRUE(parseCommandLine({"--version"}).version);
    EXPECT_EQ(versionText().rfind("corvane-receiver ", 0), 0U);
    EXPECT_TRUE(parseCommandLine({"--connect", "1025", "-h"}).help);
}

TEST(ReceiverSimCommandLine, HelpNamesEveryOptionAndTheExitStatus) {
    const std::string help = usageText();
    for (const char* name : {"--listen",          "--connect",   "--protocol",  "--receiver-type",
                             "--kinds",           "--count",     "--rate",      "--pipeline",
                             "--connections",     "--glue",      "--expect",    "--answer-timeout",
                             "--connect-timeout", "--key",       "--suite",     "--retries",
                             "--ack-wait",        "--reconnect", "--replay",    "--recorded-timing",
                             "--quiet",           "--help",      "Exit status", "--account",
                             "--qualifier",       "--clock",     "--pad",       "--version"}) {
        EXPECT_NE(help.find(name), std::string::npos) << name;
    }
}

// ---- progress line --------------------------------------------------------------------------

TEST(ReceiverSimProgress, LineShowsSentRateAndOutstanding) {
    EXPECT_EQ(formatProgress(1200, 5000, 849.6, 3),
              "sent 1200/5000 (24%)  850 msg/s  3 outstanding");
    EXPECT_EQ(formatProgress(7, 0, 0, 0), "sent 7  0 msg/s  0 outstanding");
    EXPECT_EQ(formatProgress(5000, 5000, -1, 0), "sent 5000/5000 (100%)  0 msg/s  0 outstanding");
}

}  // namespace
}  // namespace corvane::sim
