// The answers under the DC-09 settings, and how the worker decodes what was decrypted.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "dc09/answer_frames.h"
#include "dc09/frame_quirks.h"
#include "dc09/received_decode.h"
#include "dc09/time_stamp.h"
#include "protocol/crc16.h"
#include "record/event_meanings.h"
#include "record/message_records.h"
#include "record/record_details.h"
#include "station/station.h"

namespace corvane {
namespace {

// "ABCDEFGHIJK|#1234|Nri1/BA01]_12:30:45,01-02-2024" under 000102...0F (openssl enc).
const std::string kEncrypted = dc09::frameAround(
    "\"*SIA-DCS\"0001R1L2#1234[DAD88CCCBF1120F71955C81BEEC38B13815EFE779AD3D0C7ECEE377CAE1EDC67BA"
    "27A081AD17A563BDB91D1955BED28A");
const std::string kPlain = "\nCF3F0014\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]\r";

std::string stamped(std::time_t at) {
    return dc09::frameAround("\"SIA-DCS\"0003R0L0#1234[#1234|Nri1/BA01]_" +
                             dc09::formatTimeStamp(at));
}

std::string bodyWord(const std::string& frame) {
    return frame.size() > 10 ? frame.substr(9, frame.find('"', 10) - 8) : frame;
}

TEST(Dc09Answer, SettingsDecideTheAnswer) {
    const std::time_t now = std::time(nullptr);
    struct Case {
        const char* name;
        bool withKey;
        UndecryptableAnswer undecryptable;
        bool window;
        bool words;
        int mode;
        std::string message;
        std::string expected;  // the body's word, or the whole answer when it has no frame
    };
    const Case cases[] = {
        {"DefaultsPlain", false, UndecryptableAnswer::Policy, false, false, 0, kPlain, "\"ACK\""},
        {"PolicyNoKeyPlainAck", false, UndecryptableAnswer::Policy, false, false, 0, kEncrypted,
         "\"ACK\""},
        {"NoKeyDuh", false, UndecryptableAnswer::Duh, false, false, 0, kEncrypted, "\"DUH\""},
        {"NoKeyNak", false, UndecryptableAnswer::Nak, false, false, 0, kEncrypted, "\"NAK\""},
        {"NoKeyNoAnswer", false, UndecryptableAnswer::None, false, false, 0, kEncrypted, ""},
        {"KeyEncryptedAck", true, UndecryptableAnswer::Duh, false, false, 0, kEncrypted,
         "\"*ACK\""},
        {"KeyNackNeverEncrypted", true, UndecryptableAnswer::Policy, false, false, 2, kEncrypted,
         "\"NACK\""},
        {"WordsMakeNackNak", false, UndecryptableAnswer::Policy, false, true, 2, kPlain, "\"NAK\""},
        {"WindowOldEncryptedStamp", true, UndecryptableAnswer::Policy, true, false, 0, kEncrypted,
         "\"NAK\""},
        {"WindowInside", false, UndecryptableAnswer::Policy, true, false, 0, stamped(now - 5),
         "\"ACK\""},
        {"WindowPast", false, UndecryptableAnswer::Policy, true, false, 0, stamped(now - 60),
         "\"NAK\""},
        {"WindowFuture", false, UndecryptableAnswer::Policy, true, false, 0, stamped(now + 30),
         "\"NAK\""},
        {"WindowOff", false, UndecryptableAnswer::Policy, false, false, 0, stamped(now - 60),
         "\"ACK\""},
        {"WindowNoStamp", false, UndecryptableAnswer::Policy, true, false, 0, kPlain, "\"ACK\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Station station;
        station.m_protocol = "SIA-DCS";
        station.m_responseMode = c.mode;
        Dc09Config config;
        if (c.withKey) {
            config.keys.set("1234", *dc09::readKey("000102030405060708090A0B0C0D0E0F").key);
        }
        config.undecryptable = c.undecryptable;
        config.timeWindowOn = c.window;
        config.dc09Words = c.words;
        station.m_dc09.replace(std::move(config));
        const std::string answer = station.makeResponse(c.message);
        EXPECT_EQ(bodyWord(answer), c.expected) << answer;
    }
}

TEST(Dc09Answer, NakCarriesTheTimeAndAdmCidAckNamesTheMessage) {
    EXPECT_EQ(dc09::nakFrame(0), dc09::frameAround("\"NAK\"0000R0L0A0[]_00:00:00,01-01-1970"));
    // A NAK that waited carries the time it leaves; other answers are left alone.
    const std::string later = "_01:00:00,01-02-1970";
    for (const std::string& body :
         {std::string("\"NAK\"0000R0L0A0[]"), std::string("\"NAK\"0007R1L2#1234[]"),
          std::string("\"ACK\"[]")}) {
        std::string answer = dc09::frameAround(body + "_00:00:00,01-01-1970");
        dc09::restampNak(answer, 90000);
        EXPECT_EQ(answer,
                  dc09::frameAround(body + (body[1] == 'N' ? later : "_00:00:00,01-01-1970")));
    }
    Station station;
    station.m_protocol = "SIA-DCS";
    EXPECT_EQ(
        station.makeResponse(dc09::frameAround("\"ADM-CID\"0005R0L0#1234[#1234|1401 01 003]")),
        dc09::frameAround("\"ACK\"0005R0L0#1234[]"));
    // A frame that cannot be read is never acknowledged by default.
    EXPECT_EQ(station.makeResponse(kEncrypted), dc09::frameAround("\"DUH\"0001R1L2#1234[]"));
}

TEST(Dc09Decode, WorkerDecodesAdmCidAndWhatWasDecrypted) {
    struct Case {
        const char* name;
        std::string message;
        bool withKey;
        std::string description;
        std::int64_t cid, sia, deviceHeart;
        MessageKind kind;
    };
    const Case cases[] = {
        {"AdmCid", dc09::frameAround("\"ADM-CID\"0005R0L0#1234[#1234|1401 01 003]"), false,
         "CID: Account=1234, Qualifier=1, EventCode=401, GroupCode=01, ZoneCode=003", 1, 0, 0,
         MessageKind::Cid},
        {"AdmCidNoBracket", dc09::frameAround("\"ADM-CID\"0005R0L0#12|6602 00 000]"), false, "", 0,
         0, 0, MessageKind::FormatError},
        {"AdmCid602", dc09::frameAround("\"ADM-CID\"0005R0L0#12[#12|6602 00 000]"), false,
         "CID: Account=12, Qualifier=6, EventCode=602, GroupCode=00, ZoneCode=000", 0, 0, 1,
         MessageKind::DeviceHeart},
        {"AdmCidBadQualifier", dc09::frameAround("\"ADM-CID\"0005R0L0#12[#12|2602 00 000]"), false,
         "", 0, 0, 0, MessageKind::FormatError},
        {"Decrypted", kEncrypted, true,
         "(decrypted) SIA: Account=1234, EventCode=BA, System=1, Group=01", 0, 1, 0,
         MessageKind::Sia},
        {"NoKey", kEncrypted, false, "no key for account 1234", 0, 0, 0,
         MessageKind::CannotDecrypt},
        // Blocks without their account field ("Nri0/RP000]", "1602 00 000]", openssl enc)
        // are read with the frame's account.
        {"DecryptedBlockWithoutAccount",
         dc09::frameAround("\"*SIA-DCS\"0001R1L2#1234[6514EECD5230496E6995B1A662A4B3B5F388228E0D"
                           "BE134F7ABD00F50F27BAC3D4F7FEE97347234E6E9C04C17B7891D1"),
         true, "(decrypted) SIA: Account=1234, EventCode=RP, System=0, Group=000", 0, 1, 0,
         MessageKind::Sia},
        {"DecryptedAdmCidWithoutAccount",
         dc09::frameAround("\"*ADM-CID\"0001R1L2#1234[0E1CA77707D178E4F21375CE7294A3612A4C83A3F6"
                           "635D94D02C40636D81F6468D8864C220B7B626291CBE8D3EE484C4"),
         true,
         "(decrypted) CID: Account=1234, Qualifier=1, EventCode=602, GroupCode=00, ZoneCode=000", 0,
         0, 1, MessageKind::DeviceHeart},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Station station;
        station.m_protocol = "SIA-DCS";
        if (c.withKey) {
            Dc09Config config;
            config.keys.set("*", *dc09::readKey("000102030405060708090A0B0C0D0E0F").key);
            station.m_dc09.replace(std::move(config));
        }
        ReceivedMessage received(c.message);
        station.makeResponse(received.raw, received.dc09);
        std::string description;
        DecodeNote note;
        decodeReceived(station, received, received.raw, description, note);
        EXPECT_EQ(description, c.description);
        EXPECT_EQ(note.kind, c.kind);
        EXPECT_EQ(station.m_cidCount.load(), c.cid);
        EXPECT_EQ(station.m_siaCount.load(), c.sia);
        EXPECT_EQ(station.m_deviceHeartCount.load(), c.deviceHeart);
    }
}

// The record of an encrypted frame keeps its bytes as received and reads its meaning and SIA
// data block from the decrypted clear text.
TEST(Dc09Decode, RecordsReadTheClearText) {
    Station station;
    station.m_protocol = "SIA-DCS";
    Dc09Config config;
    config.keys.set("*", *dc09::readKey("000102030405060708090A0B0C0D0E0F").key);
    station.m_dc09.replace(std::move(config));
    ReceivedMessage received(kEncrypted);
    station.makeResponse(received.raw, received.dc09);
    station.queueMessage(std::move(received));
    ASSERT_TRUE(station.processQueuedMessages());
    const std::vector<MessageRecord> records = station.records().copyRange(1, 1);
    ASSERT_EQ(records.size(), 1U);
    const MessageRecord& r = records[0];
    EXPECT_EQ(r.raw, kEncrypted);
    EXPECT_EQ(r.clearText, "#1234|Nri1/BA01]_12:30:45,01-02-2024");
    EXPECT_EQ(recordMeaning(r), "BA Burglary Alarm, zone 01, area 1");
    const std::string details = recordDetails(r, "now");
    EXPECT_NE(details.find("Clear text: #1234|Nri1/BA01]_12:30:45,01-02-2024\n"),
              std::string::npos);
    EXPECT_NE(details.find("Account: 1234\n"), std::string::npos);
}

TEST(Dc09Quirks, EachToleranceIsNamed) {
    const std::string body = "\"SIA-DCS\"0001R0L#1234[#1234|Nri1/BA01]";
    const std::string good = dc09::frameAround(body);
    std::string lower = dc09::frameAround(body + "[X14]");  // CRC A987, length 02B
    for (std::size_t i = 1; i < 9; ++i) {
        lower[i] = static_cast<char>(std::tolower(lower[i]));
    }
    struct Case {
        std::string frame;
        std::vector<std::string> quirks;
    };
    const std::uint16_t crc = crc16(body);
    const std::string binary = std::string("\n") + static_cast<char>(crc >> 8) +
                               static_cast<char>(crc & 0xFF) + good.substr(5);
    const Case cases[] = {
        {good, {"empty L field"}},
        {lower,
         {"lower-case hex in the CRC field", "lower-case hex in the length field",
          "empty L field"}},
        {binary, {"binary CRC", "empty L field"}},
        {"\n00000025" + body + "\r",
         {"length field 025 but the body has 38 bytes",
          "CRC field 0000 but the body's CRC is " + good.substr(1, 4), "empty L field"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dc09::frameQuirks(c.frame), c.quirks);
    }
}

}  // namespace
}  // namespace corvane
