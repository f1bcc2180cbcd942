// Decryption of encrypted DC-09 frames against cipher texts made with the openssl command line
// (openssl enc -aes-NNN-cbc -nopad -K <key> -iv 0), and the encrypted ACK.
#include <gtest/gtest.h>

#include <string>

#include "dc09/aes_cbc.h"
#include "dc09/answer_frames.h"
#include "dc09/encrypted_frame.h"
#include "dc09/time_stamp.h"
#include "protocol/crc16.h"
#include "protocol/dc09_frame.h"

namespace corvane::dc09 {
namespace {

using Outcome = Dc09Reading::Outcome;

const std::string kKey128 = "000102030405060708090A0B0C0D0E0F";
const std::string kKey192 = "text:0123456789abcdefghijklmn";
const std::string kKey256 = "603DEB1015CA71BE2B73AEF0857D77811F352C073B6108D72D9810A30914DFF4";
// "ABCDEFGHIJK|#1234|Nri1/BA01]_12:30:45,01-02-2024" under kKey128.
const std::string kCipher128 =
    "DAD88CCCBF1120F71955C81BEEC38B13815EFE779AD3D0C7ECEE377CAE1EDC67BA27A081AD17A563BDB91D1955BE"
    "D28A";

KeyTable tableWith(const std::string& account, const std::string& typed) {
    KeyTable table;
    table.set(account, *readKey(typed));
    return table;
}

TEST(Dc09Decryption, Vectors) {
    struct Case {
        const char* name;
        std::string typedKey;
        std::string frame;
        std::string decrypted;
    };
    const Case cases[] = {
        {"PublicNoBar", "AAAAAAAAAAAAAAAA",
         "\n76D80055\"*NULL\"0000R0L0#AAAB[B4BC8B40D0E6D959D6BEA78E88CC0B2155741A3C44FBB96D476A3E5"
         "57CAD64D9\r",
         "\"NULL\"0000R0L0#AAAB[]_18:24:52,07-05-2020"},
        {"Aes128WithBar", kKey128, corvane::frameAround("\"*SIA-DCS\"0001R1L2#1234[" + kCipher128),
         "\"SIA-DCS\"0001R1L2#1234[#1234|Nri1/BA01]_12:30:45,01-02-2024"},
        {"Aes192AdmCid", kKey192,
         corvane::frameAround(
             "\"*ADM-CID\"9999R0L0#1234[48cca7291f6b9d57a31a63a07edc1c8c5406b5e8320d6fe7c"
             "eb0ed9c855573b3395096d24ce903bb938d229ac1e3a17f"),
         "\"ADM-CID\"9999R0L0#1234[#5678|1602 00 000]_23:59:59,12-31-2025"},
        {"Aes256NoBarExtendedData", kKey256,
         corvane::frameAround(
             "\"*SIA-DCS\"0002R0L0#ABCDEF[5FFAA9931E565DAE50940CCE87D720FF36F655F6F19A65D"
             "0E9AC912B08ED8722989EEA36D754477B05EA4E7F204A6A3E686EC92E71A84693729E0AB06B"
             "4D10CC"),
         "\"SIA-DCS\"0002R0L0#ABCDEF[#ABCDEF|Nri2/YZ99][X123][Y456]_00:00:00,02-29-2024"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Dc09Reading reading;
        decryptFrame(c.frame, tableWith("*", c.typedKey), reading);
        EXPECT_EQ(reading.outcome, Outcome::Decrypted);
        EXPECT_EQ(reading.text, c.decrypted);
    }
}

TEST(Dc09Decryption, BadFramesAreUndecryptableNeverACrash) {
    const std::string head = "\n00000000\"*SIA-DCS\"0001R0L0#1234[";
    struct Case {
        const char* name;
        std::string frame;
        Outcome outcome;
    };
    const Case cases[] = {
        {"Plain", "\nCF3F0014\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]\r", Outcome::Plain},
        {"NoKeyForAccount", "\n0\"*SIA-DCS\"0001R0L0#9999[" + kCipher128 + "\r", Outcome::NoKey},
        {"OddLength", head + kCipher128.substr(1) + "\r", Outcome::Undecryptable},
        {"NotHex", head + "G" + kCipher128.substr(1) + "\r", Outcome::Undecryptable},
        {"NotBlocks", head + kCipher128.substr(2) + "\r", Outcome::Undecryptable},
        {"Empty", head + "\r", Outcome::Undecryptable},
        {"NoBracket", "\n0\"*SIA-DCS\"0001R0L0#1234\r", Outcome::Undecryptable},
        {"SixteenKiB", head + std::string(32 * 1024, 'A') + "\r", Outcome::Undecryptable},
        // "ABCDEFGHIJK|#1234|Nri1/BA01]_12:30:45,13-02-2024": month 13.
        {"ImpossibleStamp",
         head +
             "DAD88CCCBF1120F71955C81BEEC38B13815EFE779AD3D0C7ECEE377CAE1EDC67527E6219BFF8BB601DC7"
             "25E8AE9A7137\r",
         Outcome::Undecryptable},
        // "||||||||||||#1234|Nri1/BA01]_12:30:45,01-02-2024": the pad is all "|".
        {"PadAllBars",
         head +
             "71F5652312B55053414D7758820E8A863C50922E59057DF93B728FD3ECA824C95C4F81E9AC679B8719D2"
             "B4B14E525CCF\r",
         Outcome::Undecryptable},
    };
    const KeyTable keys = tableWith("1234", kKey128);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Dc09Reading reading;
        decryptFrame(c.frame, keys, reading);
        EXPECT_EQ(reading.outcome, c.outcome);
    }
    Dc09Reading wrong;
    decryptFrame(head + kCipher128 + "\r", tableWith("1234", std::string(32, '1')), wrong);
    EXPECT_EQ(wrong.outcome, Outcome::Undecryptable) << "wrong key";
}

TEST(Dc09Decryption, EncryptedAckFollowsThePadRules) {
    const Key key = *readKey(kKey256);
    const std::time_t now = 1700000000;
    for (int round = 0; round < 50; ++round) {
        const std::optional<Reply> reply =
            encryptedAckReply("\n0\"*SIA-DCS\"0042R1L2#1234[" + kCipher128 + "\r", key, now);
        ASSERT_TRUE(reply && reply->encrypted && reply->word == AnswerWord::Ack);
        const std::string ack = renderReply(*reply);
        const std::string prefix = "\"*ACK\"0042R1L2#1234[";
        ASSERT_EQ(ack.substr(9, prefix.size()), prefix);
        const std::string body = ack.substr(9, ack.size() - 10);
        EXPECT_EQ(ack.substr(1, 4), corvane::frameAround(body).substr(1, 4)) << "CRC";
        const std::string hex = body.substr(prefix.size());
        ASSERT_EQ(hex.size(), 64U);
        std::string cipher;
        for (std::size_t i = 0; i < hex.size(); i += 2) {
            cipher.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        }
        std::string plain;
        ASSERT_TRUE(aesCbcDecrypt(key, reinterpret_cast<const unsigned char*>(cipher.data()),
                                  cipher.size(), plain));
        const std::string tail = "|]_" + formatTimeStamp(now);
        ASSERT_EQ(plain.substr(plain.size() - tail.size()), tail);
        EXPECT_EQ(plain.substr(0, plain.size() - tail.size()).find_first_of("|[]"),
                  std::string::npos);
    }
}

TEST(Dc09TimeStamp, ParsesOnlyPossibleTimes) {
    struct Case {
        std::string stamp;
        bool ok;
    };
    const Case cases[] = {
        {"18:24:52,07-05-2020", true},  {"23:59:59,02-29-2024", true},
        {"00:00:00,02-29-2023", false}, {"24:00:00,01-01-2024", false},
        {"12:60:00,01-01-2024", false}, {"12:00:00,04-31-2024", false},
        {"12:00:00,00-10-2024", false}, {"12:00:00,1-10-2024", false},
        {"aa:00:00,01-01-2024", false}, {"12:00:00;01-01-2024", false},
    };
    for (const auto& c : cases) {
        const auto parsed = parseTimeStamp(c.stamp);
        ASSERT_EQ(parsed.has_value(), c.ok) << c.stamp;
        if (c.ok) {
            EXPECT_EQ(formatTimeStamp(*parsed), c.stamp);
        }
    }
}

}  // namespace
}  // namespace corvane::dc09
