// The response policy: what each radio button answers under Sur-Gard and SIA-DCS.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "answer/answer_plan.h"
#include "protocol/custom_byte.h"
#include "protocol/response.h"
#include "station/station.h"

namespace corvane::test {
namespace {

const std::string kAck(1, '\x06');
const std::string kNack(1, '\x15');
const std::string kHeartbeat = "1011           @    \x14";
const std::string kCid = "501001 181234113001015\x14";
// A "1" line that is no heartbeat: a closing (a heartbeat is told by its shape).
const std::string kSignal = "1011      0012 C1128\x14";

std::string answer(Station& station, const std::string& protocol, int mode,
                   const std::string& message, const std::string& custom = "") {
    station.m_protocol = protocolNamed(protocol);
    station.m_responseMode = responseModeAt(mode);
    station.setCustomResponse(custom);
    const Reply reply = makeResponse(message, station);
    const std::string bytes = renderReply(reply);
    // Nothing to send is the word none, whatever made it so.
    EXPECT_EQ(bytes.empty(), reply.word == AnswerWord::None) << answerWordName(reply.word);
    return bytes;
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
        {5, kHeartbeat, "65", ""},  {2, kSignal, "", kNack},     {4, kSignal, "65", "A"},
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

TEST(SurGardResponse, ACustomAnswerGivenIsAPlainByteValue) {
    for (const char* text : {"0", "6", "255"}) {
        EXPECT_TRUE(isCustomByte(text)) << text;
    }
    for (const char* text : {"", "256", "-1", " 6", "6 ", "+6", "0x6", "abc"}) {
        EXPECT_FALSE(isCustomByte(text)) << text;
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
    Dc09Settings dc09;
    answer::AnswerScripts scripts;
    answer::ScriptCursor cursor;
    Dc09Reading reading;
    const Reply reply = answer::planAnswer(kLinkTest, {station, dc09, scripts}, cursor, reading);
    EXPECT_EQ(renderReply(reply), nack);
    EXPECT_EQ(reply.word, AnswerWord::Nack);
    EXPECT_EQ(reply.delayMs, 2000);
    station.m_responseMode = ResponseMode::NackAllButHeartbeats;
    EXPECT_EQ(answer::planAnswer(kLinkTest, {station, dc09, scripts}, cursor, reading).delayMs, 0);
}

// The word is what the policy chose, never read back from the bytes: a custom byte that happens
// to be 0x06 is still the custom answer, and the heartbeat's ACK an ACK.
TEST(Response, TheWordIsThePolicysNotTheBytes) {
    struct Case {
        const char* protocol;
        int mode;
        std::string message;
        std::string custom;
        AnswerWord word;
    };
    const Case cases[] = {
        {"Sur-Gard", 4, kCid, "6", AnswerWord::Custom},
        {"Sur-Gard", 4, kHeartbeat, "6", AnswerWord::Ack},
        {"Sur-Gard", 3, kCid, "21", AnswerWord::Custom},
        {"Sur-Gard", 3, kCid, "256", AnswerWord::None},
        {"SIA-DCS", 3, kEvent, kEventAck, AnswerWord::Custom},
        {"SIA-DCS", 4, kLinkTest, "x", AnswerWord::Ack},
        {"SIA-DCS", 2, kEvent, "", AnswerWord::Nack},
    };
    Station station;
    for (const Case& c : cases) {
        station.m_protocol = protocolNamed(c.protocol);
        station.m_responseMode = responseModeAt(c.mode);
        station.setCustomResponse(c.custom);
        EXPECT_EQ(makeResponse(c.message, station).word, c.word) << c.protocol << " " << c.mode;
    }
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
