// ACK and NACK frames: the copied text, the layout, the CRC and the cut of long texts.
#include <gtest/gtest.h>

#include <string>

#include "frame_check.h"
#include "station/station.h"

namespace corvane::test {
namespace {

const std::string kEventBody = "\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]";

std::string frame(const std::string& body) {
    return "\n00000000" + body + "\r";
}

TEST(ReplyFrame, AckAndNackForAnEvent) {
    const std::string ack = Station::makeAck(frame(kEventBody));
    EXPECT_EQ(ack, "\nCF3F0014\"ACK\"0007R1L2#1234[]\r");
    EXPECT_EQ(ack.size(), 30U);
    EXPECT_EQ(Station::makeNack(frame(kEventBody)), "\n2AA20015\"NACK\"0007R1L2#1234[]\r");
}

TEST(ReplyFrame, LinkTestAndTokenless) {
    EXPECT_EQ(Station::makeAck(frame("\"NULL\"0000R0L0#0000[]")),
              "\n8C230014\"ACK\"0000R0L0#0000[]\r");
    EXPECT_EQ(Station::makeNack(frame("\"NULL\"0000R0L0#0000[]")),
              "\n69BE0015\"NACK\"0000R0L0#0000[]\r");
    EXPECT_EQ(Station::makeAck("no token here [x]"), "\nFB050007\"ACK\"[]\r");
    EXPECT_EQ(Station::makeAck(""), "\nFB050007\"ACK\"[]\r");
}

TEST(ReplyFrame, CopiedText) {
    struct Case {
        const char* name;
        std::string message;
        std::string copied;
    };
    const Case cases[] = {
        {"BetweenTokenAndBracket", kEventBody, "0007R1L2#1234"},
        {"NoBracket", "\"SIA-DCS\"0007R1", "0007R1"},
        {"BracketBeforeToken", "x[\"SIA-DCS\"0007R1", "0007R1"},
        {"SiaDcsBeforeNull", "\"NULL\"11\"SIA-DCS\"22[", "22"},
        // A "[" right after the SIA-DCS token hands over to the NULL token.
        {"BracketRightAfterSiaDcs", "\"SIA-DCS\"[\"NULL\"abc", "abc"},
        {"BracketRightAfterBoth", "\"SIA-DCS\"[", ""},
        {"NullOnly", "\"NULL\"0000R0L0#0000[]", "0000R0L0#0000"},
        {"UnquotedToken", "SIA-DCS0007[", ""},
        {"ZeroByteEndsTheMessage",
         std::string("\"SIA-DCS\"00\0"
                     "77[",
                     15),
         "00"},
        {"ControlBytesCopied", "\"SIA-DCS\"\x01\xFF\t[", "\x01\xFF\t"},
        // No CR or LF of the frame ever reaches the answer.
        {"NoBracketStopsAtCr", "\n00000000\"SIA-DCS\"0001R1L1#1234\r", "0001R1L1#1234"},
        {"OtherTokenStopsAtCr", "\n00000000\"ADM-CID\"0001R1L1#12\r", "0001R1L1#12"},
        {"StopsAtLf", "\"SIA-DCS\"0001\n#12[", "0001"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Station::makeAck(c.message),
                  "\n" + hexField(crc16("\"ACK\"" + c.copied + "[]"), 4) + "0" +
                      hexField(static_cast<unsigned>(c.copied.size() + 7), 3) + "\"ACK\"" +
                      c.copied + "[]\r")
            << c.name;
    }
}

TEST(ReplyFrame, LongCopiedTextIsCutSoTheFrameStaysComplete) {
    for (const std::size_t length : {236U, 237U, 238U, 239U, 300U, 5000U}) {
        std::string copied;
        for (std::size_t i = 0; i < length; ++i) {
            copied += static_cast<char>('A' + i % 26);
        }
        const std::string message = "\"SIA-DCS\"" + copied + "[#1|Nri1/BA01]";
        const std::string ack = Station::makeAck(message);
        const std::string nack = Station::makeNack(message);
        EXPECT_TRUE(isCompleteFrame(ack)) << length;
        EXPECT_TRUE(isCompleteFrame(nack)) << length;
        EXPECT_EQ(ack.substr(14, ack.size() - 17), copied.substr(0, 238)) << length;
        EXPECT_EQ(nack.substr(15, nack.size() - 18), copied.substr(0, 237)) << length;
        if (length >= 238) {
            EXPECT_EQ(ack.size(), 255U);
            EXPECT_EQ(nack.size(), 255U);
        }
    }
}

}  // namespace
}  // namespace corvane::test
