// The response policy: what each radio button answers under Sur-Gard and SIA-DCS.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "answer/answer_plan.h"
#include "station/station.h"

namespace corvane::test {
namespace {

const std::string kAck(1, '\x06');
const std::string kNack(1, '\x15');
const std::string kHeartbeat = "1011           @    \x14";
const std::string kCid = "501001 181234113001015\x14";

std::string answer(Station& station, const std::string& protocol, int mode,
                   const std::string& message, const std::string& custom = "") {
    station.m_protocol = protocol;
    station.m_responseMode = mode;
    station.setCustomResponse(custom);
    return station.makeResponse(message);
}

TEST(SurGardResponse, Modes) {
    struct Case {
        int mode;
        std::string message;
        std::string custom;
        std::string expected;
    };
    const Case cases[] = {
        {0, kCid, "", kAck},        {0, kHeartbeat, "", kAck},   {1, kCid, "", kNack},
        {1, kHeartbeat, "", kNack}, {2, kCid, "", kNack},        {2, kHeartbeat, "", kAck},
        {2, "", "", kNack},         {3, kCid, "65", "A"},        {3, kHeartbeat, "65", "A"},
        {3, kCid, "", ""},          {4, kHeartbeat, "65", kAck}, {4, kHeartbeat, "", kAck},
        {4, kCid, "65", "A"},       {4, kCid, "0", ""},          {-1, kCid, "65", ""},
        {5, kHeartbeat, "65", ""},
    };
    Station station;
    for (const auto& c : cases) {
        EXPECT_EQ(answer(station, "Sur-Gard", c.mode, c.message, c.custom), c.expected)
            << "mode " << c.mode << " custom '" << c.custom << "'";
    }
}

TEST(SurGardResponse, CustomByteIsTheDecimalValueCutTo8Bits) {
    struct Case {
        std::string custom;
        std::string expected;
    };
    const Case cases[] = {
        {"6", kAck},
        {"21", kNack},
        {"262", kAck},
        {"0", ""},
        {"256", ""},
        {"", ""},
        {"abc", ""},
        {" +21x", kNack},
        {"\t\n 65", "A"},
        {"-250", kAck},
        {"-0", ""},
        {"- 6", ""},
        {"6 5", kAck},
        {"255", "\xFF"},
        {"99999999999999999999", "\xFF"},
        {"-99999999999999999999", std::string("\x01")},
        {std::string("6\0"
                     "5",
                     3),
         kAck},
    };
    Station station;
    for (const auto& c : cases) {
        EXPECT_EQ(answer(station, "Sur-Gard", 3, kCid, c.custom), c.expected)
            << "custom '" << c.custom << "'";
    }
}

const std::string kEvent = "\n00000000\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]\r";
const std::string kEventAck = "\nCF3F0014\"ACK\"0007R1L2#1234[]\r";
const std::string kEventNack = "\n2AA20015\"NACK\"0007R1L2#1234[]\r";
const std::string kLinkTest = "\n00000000\"NULL\"0000R0L0#0000[]\r";
const std::string kLinkTestAck = "\n8C230014\"ACK\"0000R0L0#0000[]\r";

TEST(SiaDcsResponse, ModesWithoutPause) {
    struct Case {
        int mode;
        std::string message;
        std::string custom;
        std::string expected;
    };
    const std::string custom = "\x01\r\nany\xFF text";
    const Case cases[] = {
        {0, kEvent, "", kEventAck},
        {0, kLinkTest, "", kLinkTestAck},
        {0, "", "", "\nFB050007\"ACK\"[]\r"},
        {2, kEvent, "", kEventNack},
        {2, kLinkTest, "", kLinkTestAck},
        {3, kEvent, custom, custom},
        {3, kLinkTest, custom, custom},
        {3, kEvent, "", ""},
        {4, kEvent, custom, custom},
        {4, kLinkTest, custom, kLinkTestAck},
        {4, kEvent, "", ""},
        {-1, kEvent, custom, ""},
        {5, kLinkTest, custom, ""},
    };
    Station station;
    for (const auto& c : cases) {
        EXPECT_EQ(answer(station, "SIA-DCS", c.mode, c.message, c.custom), c.expected)
            << "mode " << c.mode;
    }
}

// The NACK is due two seconds later; the link schedules it, the receiving thread goes on.
TEST(SiaDcsResponse, NackAllAnswersAfterTwoSeconds) {
    Station station;
    const std::string nack = answer(station, "SIA-DCS", 1, kLinkTest);
    EXPECT_EQ(nack, "\n69BE0015\"NACK\"0000R0L0#0000[]\r");
    answer::ScriptCursor cursor;
    Dc09Reading reading;
    const answer::PlannedAnswer plan = answer::planAnswer(station, kLinkTest, cursor, reading);
    EXPECT_EQ(plan.bytes, nack);
    EXPECT_EQ(plan.word, "NACK");
    EXPECT_EQ(plan.delayMs, 2000);
    station.m_responseMode = 2;
    EXPECT_EQ(answer::planAnswer(station, kLinkTest, cursor, reading).delayMs, 0);
}

TEST(Response, OtherProtocolAnswersNothing) {
    Station station;
    for (const char* protocol : {"", "sur-gard", "SIA-DCS "}) {
        for (int mode = -1; mode <= 5; ++mode) {
            EXPECT_EQ(answer(station, protocol, mode, kEvent, "65"), "") << protocol;
        }
    }
}

}  // namespace
}  // namespace corvane::test
