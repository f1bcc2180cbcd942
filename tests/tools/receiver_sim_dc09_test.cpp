// corvane-receiver's DC-09 additions: the --key, --suite and adm-cid command line, the ADM-CID
// layout, the pads, and the encrypted ACK check by the shape of the clear text (with public
// vectors whose pads are binary).
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "receiver/command_line.h"
#include "receiver/dc09_crypto.h"
#include "receiver/dc09_frame.h"
#include "receiver/message_generator.h"

namespace corvane::sim {
namespace {

TEST(ReceiverSimDc09Options, KeysSuiteAndAdmCid) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
    };
    const std::string hex = "000102030405060708090A0B0C0D0E0F";
    const Case cases[] = {
        {{"--key", hex}, true},
        {{"--key", "1000=" + hex, "--key", "text:ABCDEFGHIJKLMNOPQRSTUVWX"}, true},
        {{"--suite", "dc09"}, true},
        {{"--kinds", "adm-cid,dc09"}, true},
        {{"--key", "=" + hex}, false},
        {{"--key", "1000=short"}, false},
        {{"--suite", "sia"}, false},
        {{"--key", hex, "--pad", "Binary"}, true},
        {{"--key", hex, "--pad", "zeros"}, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--connect", "1025", "--protocol", "sia-dcs"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(parseCommandLine(args).error.empty(), c.ok) << c.args[1];
    }
    EXPECT_FALSE(parseCommandLine({"--connect", "1025", "--key", hex}).error.empty())
        << "keys are for sia-dcs";
    const CommandLine line =
        parseCommandLine({"--connect", "1025", "--protocol", "sia-dcs", "--key", "1000=" + hex});
    EXPECT_EQ(line.options.keys.forAccount("1000").size(), 16U);
    EXPECT_TRUE(line.options.keys.forAccount("1001").empty());
}

TEST(ReceiverSimDc09Messages, AdmCidFrameAndEncryptedAckCheck) {
    const RunOptions o;
    MessageGenerator generator(o, 0);
    const Message cid = generator.next(Kind::AdmCid);
    EXPECT_EQ(cid.bytes, dc09Frame("\"ADM-CID\"0001R1L1#1000[#1000|1130 01 000]"));
    EXPECT_EQ(cid.echo, "0001R1L1#1000");

    // An ACK built by the receiver's own encryption, as a station would answer.
    const std::string key(16, 'K');
    const std::time_t now = 1700000000;
    const std::string ack = encryptedBody("ACK", "0001R1L1#1000", "]", key, now);
    struct Case {
        std::string body;
        std::time_t checkedAt;
        bool good;
    };
    const Case cases[] = {
        {ack, now, true},
        {ack, now + 2, true},
        {ack, now - 3, false},
        {encryptedBody("ACK", "0002R1L1#1000", "]", key, now), now, false},
        {encryptedBody("ACK", "0001R1L1#1000", "]", std::string(16, 'L'), now), now, false},
        {"\"ACK\"0001R1L1#1000[]", now, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkEncryptedAckBody(c.body, "0001R1L1#1000", key, c.checkedAt).empty(), c.good)
            << c.body;
    }
}

std::time_t utc(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return timegm(&t);
}

TEST(ReceiverSimDc09Messages, EveryPadAndThePublicVectorsPassTheAckCheck) {
    const std::string key(16, 'K');
    for (Pad pad : {Pad::Binary, Pad::Printable, Pad::Nul, Pad::Zero}) {
        for (int i = 0; i < 200; ++i) {  // random pads of every length the header gives
            const std::string header = "0001R1L1#" + std::string(1 + i % 16, '7');
            EXPECT_EQ(checkEncryptedAckBody(encryptedBody("ACK", header, "]", key, 1700000000, pad),
                                            header, key, 1700000000),
                      "");
        }
    }
    // Stamps read right across day, month, leap day and year ends.
    for (const std::time_t at : {utc(2023, 12, 31, 23, 59, 59), utc(2024, 2, 28, 23, 59, 58),
                                 utc(2024, 2, 29, 23, 59, 59), utc(2100, 2, 28, 23, 59, 59)}) {
        const std::string ack = encryptedBody("ACK", "0001R1L1#1000", "]", key, at);
        EXPECT_EQ(checkEncryptedAckBody(ack, "0001R1L1#1000", key, at + 2), "") << at;
        EXPECT_NE(checkEncryptedAckBody(ack, "0001R1L1#1000", key, at + 3), "") << at;
    }
    // Public vectors (key ABCD... hex): a binary pad, and a pad with extended data after "]".
    SimKeys keys;
    ASSERT_TRUE(addSimKey("ABCDABCDABCDABCDABCDABCDABCDABCD", keys));
    const struct {
        std::string header;
        std::string cipher;
        std::time_t stamp;
    } vectors[] = {
        {"0000RC0FFDL1234#080027E62A64",
         "70D7DC480FA7DC0DE428CE02447BA2E2981A161EA14CB780D2CD917208059E11",
         utc(2015, 6, 22, 13, 43, 9)},
        {"0000L0#080027E62A64", "64F30F9D4A84D1AE116442CD5DA9708E306AD70133809009A1FE9CB92A57A66A",
         utc(2015, 6, 29, 13, 57, 5)},
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(checkEncryptedAckBody("\"*ACK\"" + v.header + "[" + v.cipher, v.header, keys.any,
                                        v.stamp),
                  "")
            << v.header;
    }
}

TEST(ReceiverSimDc09Messages, ClearTextShape) {
    const std::string stamp = "_12:00:00,01-01-2024";
    struct Case {
        std::string plain;
        const char* data;  // nullptr: refused
    };
    std::string binaryPad;
    for (int c = 0; c < 256; ++c) {
        binaryPad += c == '|' || c == '[' || c == ']' ? "" : std::string(1, static_cast<char>(c));
    }
    const Case cases[] = {
        {"p|]" + stamp, ""},
        {binaryPad + "|#1234|Nri1/BA01][X1][Y2]" + stamp, "#1234|Nri1/BA01"},
        {std::string(3, '\0') + "||Nri1/CL501]" + stamp, "|Nri1/CL501"},
        {"p|1602 00 000]" + stamp, "1602 00 000"},
        {"|]" + stamp, nullptr},
        {"p]|]" + stamp, nullptr},
        {"p]" + stamp, nullptr},
        {"p|]_12:00:00,01-01-24", nullptr},
        {"p|]_12:00:00 01-01-2024", nullptr},
        {"p|a\nb]" + stamp, nullptr},
        {"p|#1234" + stamp, nullptr},
        {"p|]x" + stamp, nullptr},
        {"p|][X1" + stamp, nullptr},
    };
    for (const Case& c : cases) {
        std::string why;
        const auto clear = readClearText(c.plain, why);
        ASSERT_EQ(clear.has_value(), c.data != nullptr) << c.plain << ": " << why;
        if (clear) {
            EXPECT_EQ(clear->data, c.data);
            EXPECT_EQ(clear->stamp, stamp.substr(1));
        }
    }
}

}  // namespace
}  // namespace corvane::sim
