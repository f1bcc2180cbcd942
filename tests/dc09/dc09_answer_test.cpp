// The answers under the DC-09 settings, and how the worker decodes what was decrypted.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "dc09/answer_frames.h"
#include "dc09/dc09_settings.h"
#include "dc09/frame_quirks.h"
#include "dc09/received_decode.h"
#include "dc09/time_stamp.h"
#include "protocol/crc16.h"
#include "protocol/dc09_frame.h"
#include "protocol/delimited_text.h"
#include "protocol/parse_line.h"
#include "protocol/response.h"
#include "station/station.h"

namespace corvane {
namespace {

// "ABCDEFGHIJK|#1234|Nri1/BA01]_12:30:45,01-02-2024" under 000102...0F (openssl enc).
const std::string kEncrypted = frameAround(
    "\"*SIA-DCS\"0001R1L2#1234[DAD88CCCBF1120F71955C81BEEC38B13815EFE779AD3D0C7ECEE377CAE1EDC67BA"
    "27A081AD17A563BDB91D1955BED28A");
const std::string kPlain = "\nCF3F0014\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]\r";

std::string stamped(std::time_t at) {
    return frameAround("\"SIA-DCS\"0003R0L0#1234[#1234|Nri1/BA01]_" + dc09::formatTimeStamp(at));
}

// The answer the policy gives `message` with the DC-09 settings' verdict on it.
Reply replyTo(const Station& station, const Dc09Settings& dc09, const std::string& message,
              Dc09Reading& reading) {
    const FrameVerdict verdict = dc09.answer(untilFirstZero(message), std::time(nullptr), reading);
    return makeResponse(message, station, verdict);
}

std::string answerTo(const Station& station, const Dc09Settings& dc09, const std::string& message) {
    Dc09Reading reading;
    return renderReply(replyTo(station, dc09, message, reading));
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
        station.m_protocol = Protocol::SiaDcs;
        station.m_responseMode = responseModeAt(c.mode);
        Dc09Config config;
        if (c.withKey) {
            config.keys.set("1234", *dc09::readKey("000102030405060708090A0B0C0D0E0F"));
        }
        config.undecryptable = c.undecryptable;
        config.timeWindowOn = c.window;
        config.dc09Words = c.words;
        Dc09Settings dc09;
        dc09.replace(std::move(config));
        Dc09Reading reading;
        const Reply reply = replyTo(station, dc09, c.message, reading);
        const std::string answer = renderReply(reply);
        EXPECT_EQ(bodyWord(answer), c.expected) << answer;
        // The Reply knows it is encrypted; nothing reads it from the bytes.
        EXPECT_EQ(reply.encrypted, c.expected == "\"*ACK\"");
    }
}

TEST(Dc09Answer, NakCarriesTheTimeAndAdmCidAckNamesTheMessage) {
    EXPECT_EQ(renderReply(dc09::nakReply(0)),
              frameAround("\"NAK\"0000R0L0A0[]_00:00:00,01-01-1970"));
    // A NAK that waited carries the time it leaves; other answers are left alone.
    const std::string early = "_00:00:00,01-01-1970";
    const std::string later = "_01:00:00,01-02-1970";
    Reply scripted = frameReply(AnswerWord::Nak, kPlain);
    scripted.tail = early;
    Reply ack = frameReply(AnswerWord::Ack, kPlain);
    ack.tail = early;
    for (Reply reply : {dc09::nakReply(0), scripted, ack}) {
        const bool nak = reply.word == AnswerWord::Nak;
        EXPECT_EQ(dc09::restampNak(reply, 90000), nak);
        EXPECT_EQ(reply.tail, nak ? later : early);
    }
    Station station;
    station.m_protocol = Protocol::SiaDcs;
    const Dc09Settings dc09;
    EXPECT_EQ(answerTo(station, dc09, frameAround("\"ADM-CID\"0005R0L0#1234[#1234|1401 01 003]")),
              frameAround("\"ACK\"0005R0L0#1234[]"));
    // A frame that cannot be read is never acknowledged by default.
    EXPECT_EQ(answerTo(station, dc09, kEncrypted), frameAround("\"DUH\"0001R1L2#1234[]"));
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
        {"AdmCid", frameAround("\"ADM-CID\"0005R0L0#1234[#1234|1401 01 003]"), false,
         "CID: Account=1234, Qualifier=1, EventCode=401, GroupCode=01, ZoneCode=003", 1, 0, 0,
         MessageKind::Cid},
        {"AdmCidNoBracket", frameAround("\"ADM-CID\"0005R0L0#12|6602 00 000]"), false, "", 0, 0, 0,
         MessageKind::FormatError},
        {"AdmCid602", frameAround("\"ADM-CID\"0005R0L0#12[#12|6602 00 000]"), false,
         "CID: Account=12, Qualifier=6, EventCode=602, GroupCode=00, ZoneCode=000", 0, 0, 1,
         MessageKind::DeviceHeart},
        {"AdmCidBadQualifier", frameAround("\"ADM-CID\"0005R0L0#12[#12|2602 00 000]"), false, "", 0,
         0, 0, MessageKind::FormatError},
        {"Decrypted", kEncrypted, true, "SIA: Account=1234, EventCode=BA, System=1, Group=01", 0, 1,
         0, MessageKind::Sia},
        {"NoKey", kEncrypted, false, "no key for account 1234", 0, 0, 0,
         MessageKind::CannotDecrypt},
        // Blocks without their account field ("Nri0/RP000]", "1602 00 000]", openssl enc)
        // are read with the frame's account.
        {"DecryptedBlockWithoutAccount",
         frameAround("\"*SIA-DCS\"0001R1L2#1234[6514EECD5230496E6995B1A662A4B3B5F388228E0D"
                     "BE134F7ABD00F50F27BAC3D4F7FEE97347234E6E9C04C17B7891D1"),
         true, "SIA: Account=1234, EventCode=RP, System=0, Group=000", 0, 1, 0, MessageKind::Sia},
        {"DecryptedAdmCidWithoutAccount",
         frameAround("\"*ADM-CID\"0001R1L2#1234[0E1CA77707D178E4F21375CE7294A3612A4C83A3F6"
                     "635D94D02C40636D81F6468D8864C220B7B626291CBE8D3EE484C4"),
         true, "CID: Account=1234, Qualifier=1, EventCode=602, GroupCode=00, ZoneCode=000", 0, 0, 1,
         MessageKind::DeviceHeart},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Station station;
        station.m_protocol = Protocol::SiaDcs;
        Dc09Settings dc09;
        if (c.withKey) {
            Dc09Config config;
            config.keys.set("*", *dc09::readKey("000102030405060708090A0B0C0D0E0F"));
            dc09.replace(std::move(config));
        }
        Dc09Reading reading;
        replyTo(station, dc09, c.message, reading);
        const Decoded decoded =
            decodeReceived(c.message, reading, Protocol::SiaDcs, ReceiverType::Mlr2000);
        parseLine(decoded, c.message, station);
        EXPECT_EQ(decoded.description, c.description);
        EXPECT_EQ(decoded.decrypted, reading.outcome == Dc09Reading::Outcome::Decrypted);
        EXPECT_EQ(decoded.kind, c.kind);
        EXPECT_EQ(station.m_cidCount.load(), c.cid);
        EXPECT_EQ(station.m_siaCount.load(), c.sia);
        EXPECT_EQ(station.m_deviceHeartCount.load(), c.deviceHeart);
    }
}

TEST(Dc09Quirks, EachToleranceIsNamed) {
    const std::string body = "\"SIA-DCS\"0001R0L#1234[#1234|Nri1/BA01]";
    const std::string good = frameAround(body);
    std::string lower = frameAround(body + "[X14]");  // CRC A987, length 02B
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
