// Decryption of encrypted DC-09 frames against public vectors and cipher texts made with the
// openssl command line (openssl enc -aes-NNN-cbc -nopad -K <key> -iv 0), and the encrypted ACK.
#include <gtest/gtest.h>

#include <string>

#include "dc09/aes_cbc.h"
#include "dc09/answer_frames.h"
#include "dc09/encrypted_frame.h"
#include "dc09/time_stamp.h"
#include "protocol/crc16.h"
#include "protocol/dc09_frame.h"
#include "record/record_text.h"

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

// Pads and data blocks as senders in the field write them. The first two are public vectors; the
// others were made with openssl enc under kKey128, time stamp _12:30:45,01-02-2024.
TEST(Dc09Decryption, AnyPadAnyDataBlock) {
    const std::string kPublicKey = "ABCDABCDABCDABCDABCDABCDABCDABCD";
    const std::string stamp = "_12:30:45,01-02-2024";
    const std::string event = "#1234|Nri1/BA01]" + stamp;
    const std::string head = "\"*SIA-DCS\"0001R1L2#1234[";
    struct Case {
        const char* name;
        std::string key;
        std::string frame;
        std::string clear;  // empty: undecryptable
    };
    const Case cases[] = {
        {"PublicBinaryPad", kPublicKey,
         "\nCAC10064\"*NULL\"0000RC0FFDL1234#080027E62A64[70D7DC480FA7DC0DE428CE02447BA2E2981A161"
         "EA14CB780D2CD917208059E11\r",
         "]_13:43:09,06-22-2015"},
        {"PublicExtendedData", kPublicKey,
         frameAround("\"*NULL\"0000L0#080027E62A64[64F30F9D4A84D1AE116442CD5DA9708E306AD701338090"
                     "09A1FE9CB92A57A66A"),
         "][IHello]_13:57:05,06-29-2015"},
        // The pad holds every byte value but "|", "[" and "]" (267 bytes).
        {"EveryBytePad", kKey128,
         frameAround(head +
                     "0A940BB5416EF045F1C39458C653EA5A3CF456B4CA488AA383C79C98B34797CB7E163E30EA4"
                     "9D32152A51A08A10EC02D677FF4CA5DD4696E75981C71283799C2B0F4065C0BABDECC33B711"
                     "F88F594E98C49837C7DB83FF5AB898B9DC5786969DAF4C0E196343A78AD18E29E270B09CDD3"
                     "F5DD42D4BB8A8B1D82F138D9025FE4611F29C24057CD70D6B1D89B1FCA903F1297FE9EE218B"
                     "20E565E1A3ABDD147536536CCF74BE570D32B3480848C0D04CA45CA7F519972E629C4DACC8E"
                     "CD50AD532D188D50B8773F48D20CDA573EE8D52C25B1D3B21A4E081D7DDF97A88BA6D96D135"
                     "B396EF81B84FC42760F6F1B7672516C12CA223B6316A2A8217F201EA0CA7BB96B7BDAE7FF89"
                     "88D6DA0401B91A40D857026F85D3E5239034DEDB88D050138948DCEDAD14792B30A7976E59E"
                     "8B336F3A"),
         event},
        {"NulPad", kKey128,
         frameAround(head + "DF91F20608D61FCB5C14F997E2803ABA2C9BADD5E28BD3F6FAD8C4A9D8C9D8F2665"
                            "2D328AED9D354B49DF9F72B160561"),
         event},
        {"OneByteCrPad", kKey128,
         frameAround(head + "5206349E58CF42ECC1BBF638202C17E46632D3514E49B6D17243248A8B57903A072"
                            "2EF0D9BDCBD4CB0D4A07C5B21019C"),
         "#1234|Nri1/BA01][X1234567]" + stamp},
        {"Pad27", kKey128,
         frameAround(head + "580CED18DF78ED086D44473CAA83FB881DD4351B4C3421D27B1DBEDF5E114F8A71E"
                            "4409C4EB79EF1D25C6E0A3224407A8F79C44F34F9E623A2CF55A6F25D321F"),
         event},
        {"BlockStartsWithBar", kKey128,
         frameAround(head + "5AE54AEE9A71FB28D4D209965A7ECB0A904CCF8C2E0F6C3E5F9C1ABDBA2FAB89217"
                            "609A147D825796747CF8589D295FD"),
         "|Nri1/CL501]" + stamp},
        {"BlockStartsWithN", kKey128,
         frameAround(head + "6514EECD5230496E6995B1A662A4B3B5F388228E0DBE134F7ABD00F50F27BAC3D4F"
                            "7FEE97347234E6E9C04C17B7891D1"),
         "Nri0/RP000]" + stamp},
        {"AdmCidBlockStartsWithDigit", kKey128,
         frameAround("\"*ADM-CID\"0001R1L2#1234[0E1CA77707D178E4F21375CE7294A3612A4C83A3F6635D9"
                     "4D02C40636D81F6468D8864C220B7B626291CBE8D3EE484C4"),
         "1602 00 000]" + stamp},
        {"Utf8ExtendedData", kKey128,
         frameAround(head + "8F9BECA0EF668AFB5F80CE8F3F7138B2E9B883ABA81665FAAFA6F822A781546A882"
                            "EDECC6A195C4F93001ED039F321788ADFCAA828DE2D926D2517B11C16710E"),
         "#1234|Nri1/BA01][IK\xC3\xBC"
         "che \xE2\x80\x94 Fenster]" +
             stamp},
        {"CrInDataBlock", kKey128,
         frameAround(head + "9AA421FF631A159DFB93C42A0161A212952026FDBAD7C541248EA0E680213F9ACF9"
                            "82F94D2DA5AE35750492A5EC56CA9"),
         ""},
        {"LfInExtendedData", kKey128,
         frameAround(head + "B7026CAE6DA97574AE7557CB36B3ACBD9BCA28930B0FAB3D007D429103777A41C32"
                            "64B26F2C1255E6A650F34B470F40B"),
         ""},
        {"NulInDataBlock", kKey128,
         frameAround(head + "9AA421FF631A159DFB93C42A0161A21275E3DBFABCE6AAB0029FB6F26ED26B7C02E"
                            "7EFA6EF427288F5C83D0EBFEB03B5"),
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Dc09Reading reading;
        decryptFrame(c.frame, tableWith("*", c.key), reading);
        EXPECT_EQ(reading.outcome, c.clear.empty() ? Outcome::Undecryptable : Outcome::Decrypted);
        EXPECT_EQ(reading.clearText(), c.clear);
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
}

// A wrong key, or cipher text that was never a frame, gives random clear text: never taken as
// decrypted.
TEST(Dc09Decryption, RandomKeysAndCipherTextsNeverDecrypt) {
    const std::string frame = frameAround("\"*SIA-DCS\"0001R1L2#1234[" + kCipher128);
    unsigned char bytes[16];
    for (int i = 0; i < 10000; ++i) {
        ASSERT_TRUE(randomBytes(bytes, sizeof bytes));
        KeyTable keys;
        keys.set("*", *makeKey(bytes, sizeof bytes, Key::Form::Hex));
        Dc09Reading reading;
        decryptFrame(frame, keys, reading);
        ASSERT_EQ(reading.outcome, Outcome::Undecryptable) << "key " << i;
    }
    const KeyTable keys = tableWith("*", kKey128);
    for (std::size_t blocks = 1; blocks <= 8; ++blocks) {
        for (int i = 0; i < 1000; ++i) {
            std::string cipher(16 * blocks, '\0');
            ASSERT_TRUE(
                randomBytes(reinterpret_cast<unsigned char*>(cipher.data()), cipher.size()));
            Dc09Reading reading;
            decryptFrame(frameAround("\"*SIA-DCS\"0001R1L2#1234[" + hexOf(cipher)), keys, reading);
            ASSERT_EQ(reading.outcome, Outcome::Undecryptable) << blocks << " blocks";
        }
    }
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
