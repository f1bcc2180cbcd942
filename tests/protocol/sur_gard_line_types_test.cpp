// The Sur-Gard line types as receivers send them: every line type in both header widths, Contact
// ID qualifiers E/R/P and hexadecimal accounts, the receivers' clock, the heartbeat told by its
// shape, what each kind means, and lines cut short, too long, with letters where digits belong or
// with a malformed clock: each a format error naming its fault.
#include <gtest/gtest.h>

#include <string>

#include "decode_fixture.h"
#include "protocol/event_meanings.h"
#include "protocol/sur_gard_heartbeat.h"

namespace corvane::test {
namespace {

const std::string T = "\x14";
const std::string kClock = "20:26:46-07/12";

struct Line {
    const char* type;
    std::string message;
    MessageKind kind;
    std::string description;
    Counts counts;  // specified counters only
};

const Counts kNone{};
const Counts kCid{1, 0, 0, 0, 0};
const Counts kSia{0, 1, 0, 0, 0};
const Counts kHeart{0, 0, 1, 0, 0};
const Counts kDevice{0, 0, 0, 0, 1};
using K = MessageKind;

const Line kLines[] = {
    {"MLR2", "5011 181234E13001001" + T, K::Cid,
     "CID: RR=01, L=1, Account=1234, EventCode=130, GroupCode=01, ZoneCode=001", kCid},
    {"MLR2", "5000 18C20BE10001001" + T, K::Cid,
     "CID: RR=00, L=0, Account=C20B, EventCode=100, GroupCode=01, ZoneCode=001", kCid},
    {"MLR2", "5000 1812B4E60201001" + T, K::DeviceHeart,
     "CID: RR=00, L=0, Account=12B4, EventCode=602, GroupCode=01, ZoneCode=001", kDevice},
    {"MLR2000", "50100A 18c20bR40102128" + T, K::Cid,
     "CID: RR=01, LLL=00A, Account=c20b, EventCode=401, GroupCode=02, ZoneCode=128", kCid},
    {"MLR2000", "Q01012 580012345678E60200000" + T, K::DeviceHeart,
     "CID: RR=01, LLL=012, Account=0012345678, EventCode=602, GroupCode=00, ZoneCode=000", kDevice},
    {"MLR2000", "501001 181234E13001003" + kClock + T, K::Cid,
     "CID: RR=01, LLL=001, Account=1234, EventCode=130, GroupCode=01, ZoneCode=003, "
     "Clock=20:26:46-07/12",
     kCid},
    {"MLR2", "1011      0012 C1128" + T, K::Signal,
     "Signal: RR=01, L=1, Account=0012, Event=C, Area=1, Zone=128", kNone},
    {"MLR2000", "101004       482 A   3" + T, K::Signal,
     "Signal: RR=01, LLL=004, Account=482, Event=A, Zone=3", kNone},
    {"MLR2000", "101001      1234 A1003" + kClock + T, K::Signal,
     "Signal: RR=01, LLL=001, Account=1234, Event=A, Area=1, Zone=003, Clock=20:26:46-07/12",
     kNone},
    {"MLR2", "1021      0000 A  20" + T, K::LineStatus, "Line status: RR=02, L=1, Event=A, Code=20",
     kNone},
    {"MLR2", "1011      0000 P  01" + T, K::Audio, "Two-way audio: RR=01, L=1, Line=01", kNone},
    {"MLR2", "3011    123456BA0001" + T, K::Sia1,
     "SIA 1: RR=01, L=1, Account=123456, EventCode=BA, Zone=0001", kSia},
    {"MLR2000", "401012  48215145550123" + T, K::CallerId,
     "Caller ID: RR=01, LLL=012, Account=4821, AreaCode=514, Number=5550123", kNone},
    {"MLR2000", "601012      4821 B 003" + T, K::Bfsk,
     "BFSK: RR=01, LLL=012, Account=4821, Event=B, Zone=003", kNone},
    {"MLR2000", "8010124821 1555 5555 5" + T, K::Ademco,
     "Ademco: RR=01, LLL=012, Account=4821, Channels=1555 5555, Aux=5", kNone},
    {"MLR2000", "P01001 any text" + T, K::OtherFormat, "DMP: RR=01, LLL=001, Data=any text", kNone},
    {"MLR2000", "S0100A[#1234|Nri1/BA01]" + T, K::Sia,
     "SIA: RR=01, LLL=00A, Account=1234, EventCode=BA01", kSia},
    // Either heartbeat shape, whatever the receiver type.
    {"MLR2000", "1011           @    " + T, K::Heartbeat, "", kHeart},
    {"MLR2", "101000           @    " + T, K::Heartbeat, "", kHeart},
};

class SurGardLineTest : public DecodeTest, public ::testing::WithParamInterface<Line> {};

TEST_P(SurGardLineTest, DecodesItsKindFieldsAndCounter) {
    const Line& c = GetParam();
    useProtocol("Sur-Gard", c.type);
    const Decoded decoded = decodeMessage(c.message, station.m_protocol, station.m_receiverType);
    EXPECT_EQ(decoded.kind, c.kind) << messageKindName(decoded.kind);
    EXPECT_EQ(parse(c.message), c.description);
    EXPECT_EQ(counts(), c.counts);
    EXPECT_TRUE(tickStamped());
}

INSTANTIATE_TEST_SUITE_P(Lines, SurGardLineTest, ::testing::ValuesIn(kLines));

struct Fault {
    const char* type;
    std::string message;
    std::string description;
};

const Fault kFaults[] = {
    {"MLR2", "1011      0012 C112" + T,
     "Signal format error: length 20, not 21 (35 with the clock)"},
    {"MLR2000", "101001      1234 A10033" + T,
     "Signal format error: length 24, not 23 (37 with the clock)"},
    {"MLR2", "1011      0012 C11x8" + T, "Signal format error: Zone \"1x8\" is not hexadecimal"},
    {"MLR2", "1011           C1128" + T,
     "Signal format error: Account \"      \" is not hexadecimal"},
    {"MLR2000", "1010G1      1234 A1003" + T,
     "Signal format error: LLL \"0G1\" is not hexadecimal"},
    {"MLR2", "1011      0012 C1128" + std::string("25:00:00-07/12") + T,
     "Signal format error: Clock \"25:00:00-07/12\" is not a time HH:MM:SS-dd/mm"},
    {"MLR2", "5011 181234E13A01001" + T, "CID 4 format error: EventCode \"13A\" is not decimal"},
    {"MLR2", "5011 181234E1300x001" + T, "CID 4 format error: GroupCode \"0x\" is not decimal"},
    {"MLR2", "5011 1812G4E13001001" + T, "CID 4 format error: Account \"12G4\" is not hexadecimal"},
    {"MLR2", "5011 181234E13001001" + std::string("20:26:46/07-12") + T,
     "CID 4 format error: Clock \"20:26:46/07-12\" is not a time HH:MM:SS-dd/mm"},
    {"MLR2", "3011    12345612 001" + T, "SIA 1 format error: EventCode \"12\" is not letters"},
    {"MLR2", "3011    123456BA001" + T,
     "SIA 1 format error: length 20, not 21 (35 with the clock)"},
    {"MLR2000", "401012  4821514555012x" + T,
     "Caller ID format error: Number \"555012x\" is not decimal"},
    {"MLR2000", "601012           B 003" + T,
     "BFSK format error: Account \"          \" is not hexadecimal"},
    {"MLR2000", "8010124821 15x5 5555 5" + T,
     "Ademco format error: Channels \"15x5 5555\" is not decimal"},
    {"MLR2000", "P01" + T, "DMP format error: length 4, not 7"},
};

class SurGardFaultTest : public DecodeTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(SurGardFaultTest, IsAFormatErrorNamingItsFault) {
    const Fault& c = GetParam();
    useProtocol("Sur-Gard", c.type);
    EXPECT_EQ(parse(c.message), c.description);
    EXPECT_EQ(counts(), (Counts{0, 0, 0, 0, 0, 0, 1}));
    EXPECT_TRUE(tickStamped());
    expectOneLine(3, c.description + ": " + c.message);
}

INSTANTIATE_TEST_SUITE_P(Faults, SurGardFaultTest, ::testing::ValuesIn(kFaults));

TEST(SurGardMeaning, NamesEachLinesEvent) {
    const std::pair<std::string, const char*> cases[] = {
        {"5011 181234E13001001", "New event or opening: 130 Burglary"},
        {"5011 181234R13001001", "New restore or closing: 130 Burglary"},
        {"5011 181234P13001001", "Previous event: 130 Burglary"},
        {"1011      0012 C1128", "Closing: user 128, area 1"},
        {"1011       482 A   3", "Alarm: zone 3"},
        {"1021      0000 T  10", "Trouble: 10 Faulty data on the line card"},
        {"1010      0000 A  F3", "Alarm: F3 Line card 3 absent"},
        {"1011      0000 P  04", "Two-way audio on line 4"},
        {"3011    123456BA0001", "BA Burglary Alarm, zone 0001"},
        {"6011      4821 B 003", "Event B, zone 003"},
        {"80114821 1535 5565 5",
         "Channel 1: new alarm; channel 3: restore; channel 7: still present"},
        {"0010[#0000|NRP0001]", "RP Automatic Test, zone 0001"},
        {"40114821  5145550123", ""},
    };
    for (const auto& [line, meaning] : cases) {
        EXPECT_EQ(meaningOf(decodeMessage(line + T, Protocol::SurGard, ReceiverType::Mlr2)),
                  meaning)
            << line;
    }
}

TEST(SurGardHeartbeat, IsToldByItsShape) {
    const std::pair<std::string, bool> cases[] = {
        {"1011           @    " + T, true},  {"10100A           @    " + T, true},
        {"1011      0012 C1128" + T, false}, {"1011      0000 P  01" + T, false},
        {"1011           @    ", false},     {"1011           @   X" + T, false},
        {"1011          @     " + T, false}, {"1011           @    " + kClock + T, false},
        {"1G11           @    " + T, false}, {"1" + T, false},
    };
    for (const auto& [line, heartbeat] : cases) {
        EXPECT_EQ(isSurGardHeartbeat(line), heartbeat) << line;
    }
}

}  // namespace
}  // namespace corvane::test
