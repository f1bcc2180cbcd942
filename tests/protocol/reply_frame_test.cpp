// ACK and NACK frames: the copied text, the layout, the CRC and the cut of long texts.
#include <gtest/gtest.h>

#include <string>

#include "frame_check.h"
#include "protocol/response.h"

namespace corvane::test {
namespace {

const std::string kEventBody = "\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]";

std::string frame(const std::string& body) {
    return "\n00000000" + body + "\r";
}

TEST(ReplyFrame, AckAndNackForAnEvent) {
    const std::string ack = makeAck(frame(kEventBody));
    EXPECT_EQ(ack, "\nCF3F0014\"ACK\"0007R1L2#1234[]\r");
    EXPECT_EQ(ack.size(), 30U);
    EXPECT_EQ(makeNack(frame(kEventBody)), "\n2AA20015\"NACK\"0007R1L2#1234[]\r");
}

TEST(ReplyFrame, LinkTestAndTokenless) {
    EXPECT_EQ(makeAck(frame("\"NULL\"0000R0L0#0000[]")), "\n8C230014\"ACK\"0000R0L0#0000[]\r");
    EXPECT_EQ(makeNack(frame("\"NULL\"0000R0L0#0000[]")), "\n69BE0015\"NACK\"0000R0L0#0000[]\r");
    EXPECT_EQ(makeAck("no token here [x]"), "\nFB050007\"ACK\"[]\r");
    EXPECT_EQ(makeAck(""), "\nFB050007\"ACK\"[]\r");
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
        EXPECT_EQ(makeAck(c.message), "\n" + hexField(crc16("\"ACK\"" + c.copied + "[]"), 4) + "0" +
                                          hexField(static_cast<unsigned>(c.copied.size() + 7), 3) +
                                          "\"ACK\"" + c.copied + "[]\r")
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
        const std::string ack = makeAck(message);
        const std::string nack = makeNack(message);
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

// The one renderer: each word of each protocol, and the DC-09 settings' own frames.
TEST(ReplyBytes, EachWordRendersOnce) {
    const auto reply = [](Protocol protocol, AnswerWord word, std::string text = {}) {
        Reply r;
        r.protocol = protocol;
        r.word = word;
        r.text = std::move(text);
        return r;
    };
    Reply nak = reply(Protocol::SiaDcs, AnswerWord::Nak, "0000R0L0A0");
    nak.tail = "_12:00:00,12-07-2026";
    nak.longFrame = true;
    Reply encrypted = reply(Protocol::SiaDcs, AnswerWord::Ack, "0007R1L2#1234");
    encrypted.encrypted = true;
    encrypted.tail = "00112233445566778899AABBCCDDEEFF";
    const std::pair<Reply, std::string> cases[] = {
        {reply(Protocol::SurGard, AnswerWord::Ack), "\x06"},
        {reply(Protocol::SurGard, AnswerWord::Nack), "\x15"},
        {reply(Protocol::SurGard, AnswerWord::Custom, "262"), "\x06"},
        {reply(Protocol::SurGard, AnswerWord::Custom, "0"), ""},
        {reply(Protocol::SiaDcs, AnswerWord::Custom, "any text\r"), "any text\r"},
        {reply(Protocol::SiaDcs, AnswerWord::None, "x"), ""},
        {reply(Protocol::None, AnswerWord::Ack), "\x06"},
        {reply(Protocol::SiaDcs, AnswerWord::Duh, "0007R1L2#1234"),
         "\n" + hexField(crc16("\"DUH\"0007R1L2#1234[]"), 4) + "0014\"DUH\"0007R1L2#1234[]\r"},
        {nak, "\n" + hexField(crc16("\"NAK\"0000R0L0A0[]_12:00:00,12-07-2026"), 4) +
                  "0025\"NAK\"0000R0L0A0[]_12:00:00,12-07-2026\r"},
        {encrypted,
         "\n" + hexField(crc16("\"*ACK\"0007R1L2#1234[00112233445566778899AABBCCDDEEFF"), 4) +
             "0034\"*ACK\"0007R1L2#1234[00112233445566778899AABBCCDDEEFF\r"},
    };
    for (const auto& [r, bytes] : cases) {
        EXPECT_EQ(renderReply(r), bytes) << answerWordName(r.word) << " " << r.text;
    }
}

}  // namespace
}  // namespace corvane::test
