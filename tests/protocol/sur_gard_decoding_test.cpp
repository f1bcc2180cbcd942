// Sur-Gard decoding: kinds by first character, the four Contact ID forms, SIA lines, counters,
// tick and diagnostic lines (the further line types: sur_gard_line_types_test.cpp).
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "decode_fixture.h"

namespace corvane::test {
namespace {

const std::string T = "\x14";  // the Sur-Gard terminator

std::string join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const auto p : parts) {
        out += p;
    }
    return out;
}

struct Case {
    const char* name;
    const char* receiverType;
    std::string message;
    std::string description;  // kUntouched when not set
    Counts counts;
    bool stamped;
    int level;         // 0: no diagnostic line
    std::string line;  // the diagnostic line after its prefix
};

const std::string kCid4 = join({"5", "01", "001", " ", "18", "1234", "1", "130", "01", "015", T});
const std::string kCid4Desc =
    "CID: RR=01, LLL=001, Account=1234, EventCode=130, GroupCode=01, ZoneCode=015";
const std::string kCid4Mlr2 = join({"5", "01", "2", " ", "18", "1234", "1", "130", "01", "015", T});
const std::string kCid10Heart =
    join({"Q", "01", "2", " ", "18", "0012345678", "1", "602", "00", "000", T});
const std::string kCid10HeartDesc =
    "CID: RR=01, L=2, Account=0012345678, EventCode=602, GroupCode=00, ZoneCode=000";
const std::string kCid10Big =
    join({"Q", "01", "001", " ", "18", "4294967295", "1", "130", "01", "015", T});
const std::string kCid10BigDesc =
    "CID: RR=01, LLL=001, Account=4294967295, EventCode=130, GroupCode=01, ZoneCode=015";
const std::string kCid10Letter =
    join({"Q", "01", "001", " ", "18", "A123456789", "1", "130", "01", "015", T});
const std::string kCid10LetterDesc =
    "CID: RR=01, LLL=001, Account=A123456789, EventCode=130, GroupCode=01, ZoneCode=015";
const std::string kCid4Negative =
    join({"5", "-1", "001", " ", "18", "1234", "1", "130", "01", "015", T});
const std::string kCid4Blank =
    join({"5", " 1", "001", " ", "18", "1234", "1", "130", "01", "015", T});
const std::string kCid4Heart =
    join({"5", "01", "001", " ", "18", "1234", "1", "602", "01", "015", T});

const std::string kSia = "S01001[#1234|Nri1/BA01]" + T;
const std::string kSiaMlr2 = "S012[#1234|Nri1/BA01]" + T;

const Counts kNone{};
const Counts kOneCid{1, 0, 0, 0, 0};
const Counts kOneSia{0, 1, 0, 0, 0};
const Counts kOneHeartbeat{0, 0, 1, 0, 0};
const Counts kOnePrivate{0, 0, 0, 1, 0};
const Counts kOneDeviceHeart{0, 0, 0, 0, 1};
const Counts kOneUnknown{0, 0, 0, 0, 0, 1, 0};
const Counts kOneError{0, 0, 0, 0, 0, 0, 1};

const std::string U = kUntouched;

std::vector<Case> cases() {
    return {
        // Contact ID, right lengths.
        {"Cid4Mlr2000", "MLR2000", kCid4, kCid4Desc, kOneCid, true, 3, kCid4Desc},
        {"Cid4Mlr2", "MLR2", kCid4Mlr2,
         "CID: RR=01, L=2, Account=1234, EventCode=130, GroupCode=01, ZoneCode=015", kOneCid, true,
         3, "CID: RR=01, L=2, Account=1234, EventCode=130, GroupCode=01, ZoneCode=015"},
        {"Cid10Mlr2DeviceHeartbeat", "MLR2", kCid10Heart, kCid10HeartDesc, kOneDeviceHeart, true, 3,
         kCid10HeartDesc},
        {"Cid4DeviceHeartbeat", "MLR2000", kCid4Heart,
         "CID: RR=01, LLL=001, Account=1234, EventCode=602, GroupCode=01, ZoneCode=015",
         kOneDeviceHeart, true, 3,
         "CID: RR=01, LLL=001, Account=1234, EventCode=602, GroupCode=01, ZoneCode=015"},
        {"Cid10AccountAboveInt32", "MLR2000", kCid10Big, kCid10BigDesc, kOneCid, true, 3,
         kCid10BigDesc},
        {"Cid10LetterInAccount", "MLR2000", kCid10Letter, kCid10LetterDesc, kOneCid, true, 3,
         kCid10LetterDesc},
        // RR is hexadecimal text: a sign or a blank in it is a fault, never a number.
        {"Cid4NegativeField", "MLR2000", kCid4Negative,
         "CID 4 format error: RR \"-1\" is not hexadecimal", kOneError, true, 3,
         "CID 4 format error: RR \"-1\" is not hexadecimal: " + kCid4Negative},
        {"Cid4BlankInField", "MLR2000", kCid4Blank,
         "CID 4 format error: RR \" 1\" is not hexadecimal", kOneError, true, 3,
         "CID 4 format error: RR \" 1\" is not hexadecimal: " + kCid4Blank},
        // Contact ID, wrong lengths: stamped, counted as errors.
        {"Cid4Length22", "MLR2000", kCid4.substr(0, 21) + T, "CID 4 format error!", kOneError, true,
         3, "CID 4 format error: " + kCid4.substr(0, 21) + T},
        {"Cid4Length24", "MLR2000", kCid4 + "0", "CID 4 format error!", kOneError, true, 3,
         "CID 4 format error: " + kCid4 + "0"},
        {"Cid4Length23UnderMlr2", "MLR2", kCid4, "CID 4 format error!", kOneError, true, 3,
         "CID 4 format error: " + kCid4},
        {"Cid10Length27UnderMlr2000", "MLR2000", kCid10Heart, "CID 10 format error!", kOneError,
         true, 3, "CID 10 format error: " + kCid10Heart},
        {"Cid10Length29UnderMlr2", "MLR2", kCid10Big, "CID 10 format error!", kOneError, true, 3,
         "CID 10 format error: " + kCid10Big},
        {"CidTerminatorCutByZeroByte", "MLR2000", kCid4.substr(0, 22) + std::string(1, '\0'),
         "CID 4 format error!", kOneError, true, 3, "CID 4 format error: " + kCid4.substr(0, 22)},
        {"CidOtherReceiverType", "MLR3", kCid4, "", kNone, true, 0, ""},
        // Heartbeats and private messages.
        {"Heartbeat", "MLR2000", "1011           @    " + T, U, kOneHeartbeat, true, 0, ""},
        {"OneAlone", "MLR2", "1", "Signal format error: length 1, not 21 (35 with the clock)",
         kOneError, true, 3, "Signal format error: length 1, not 21 (35 with the clock): 1"},
        {"Private", "MLR2000", "0abc" + T, U, kOnePrivate, true, 3, "SG Private-0abc" + T},
        // SIA lines.
        {"SiaMlr2000", "MLR2000", kSia, "SIA: RR=01, LLL=001, Account=1234, EventCode=BA01",
         kOneSia, true, 3, "SIA: RR=01, LLL=001, Account=1234, EventCode=BA01"},
        {"SiaMlr2", "MLR2", kSiaMlr2, "SIA: RR=01, L=2, Account=1234, EventCode=BA01", kOneSia,
         true, 3, "SIA: RR=01, L=2, Account=1234, EventCode=BA01"},
        {"SiaWithoutBar", "MLR2000", "S01001[#1234/BA01]" + T,
         "SIA: RR=01, LLL=001, Account=1234/BA01]" + T + ", EventCode=BA01", kOneSia, true, 3,
         "SIA: RR=01, LLL=001, Account=1234/BA01]" + T + ", EventCode=BA01"},
        {"SiaWithoutHash", "MLR2000", "S01001[1234|Nri1/BA01]" + T,
         "SIA: RR=01, LLL=001, Account=S01001[1234, EventCode=BA01", kOneSia, true, 3,
         "SIA: RR=01, LLL=001, Account=S01001[1234, EventCode=BA01"},
        {"SiaWithoutSlashAndBracket", "MLR2000", "S01001#12|" + T,
         "SIA: RR=01, LLL=001, Account=12, EventCode=S01001#12|" + T, kOneSia, true, 3,
         "SIA: RR=01, LLL=001, Account=12, EventCode=S01001#12|" + T},
        {"SiaBracketBeforeSlash", "MLR2000", "S01001]#12|/BA" + T,
         "SIA: RR=01, LLL=001, Account=12, EventCode=BA" + T, kOneSia, true, 3,
         "SIA: RR=01, LLL=001, Account=12, EventCode=BA" + T},
        {"SiaKindAlone", "MLR2000", "S", "SIA: RR=00, LLL=000, Account=S, EventCode=S", kOneSia,
         true, 3, "SIA: RR=00, LLL=000, Account=S, EventCode=S"},
        {"SiaOtherReceiverType", "MLR3", kSia, "", kOneSia, true, 3, ""},
        // Unrecognised: nothing stamped or set, counted as unknown.
        {"LowerSIsSimNumber", "MLR2000", "s01001[#1234|Nri1/BA01]" + T,
         "SIM number: RR=01, LLL=001, Data=[#1234|Nri1/BA01]", kNone, true, 3,
         "SIM number: RR=01, LLL=001, Data=[#1234|Nri1/BA01]"},
        {"LowerQ", "MLR2000", "q" + kCid10Big.substr(1), U, kOneUnknown, false, 2,
         "Unknown msg: q" + kCid10Big.substr(1)},
        {"Two", "MLR2000", "2" + T, U, kOneUnknown, false, 2, "Unknown msg: 2" + T},
        {"Empty", "MLR2000", "", U, kOneUnknown, false, 2, "Unknown msg: "},
        {"TerminatorOnly", "MLR2000", T, U, kOneUnknown, false, 2, "Unknown msg: " + T},
        {"ZeroByteFirst", "MLR2000", std::string(1, '\0') + "1" + T, U, kOneUnknown, false, 2,
         "Unknown msg: "},
    };
}

class SurGardDecodingTest : public DecodeTest, public ::testing::WithParamInterface<Case> {};

TEST_P(SurGardDecodingTest, DecodesCountsStampsAndLogs) {
    const Case& c = GetParam();
    useProtocol("Sur-Gard", c.receiverType);
    EXPECT_EQ(parse(c.message), c.description);
    EXPECT_EQ(counts(), c.counts);
    EXPECT_EQ(tickStamped(), c.stamped);
    if (c.level == 0) {
        EXPECT_TRUE(lines().empty());
    } else {
        expectOneLine(c.level, c.line);
    }
}

INSTANTIATE_TEST_SUITE_P(Messages, SurGardDecodingTest, ::testing::ValuesIn(cases()),
                         [](const auto& test) { return std::string(test.param.name); });

using SurGardDecoding = DecodeTest;

TEST_F(SurGardDecoding, LongSiaDescriptionIsCutAt255Characters) {
    useProtocol("Sur-Gard");
    const std::string account(400, 'A');
    const std::string full = "SIA: RR=01, LLL=001, Account=" + account + ", EventCode=BA01";
    const std::string description = parse("S01001[#" + account + "|Nri1/BA01]" + T);
    EXPECT_EQ(description, full.substr(0, 255));
    expectOneLine(3, full.substr(0, 255));
    EXPECT_EQ(counts(), kOneSia);
}

TEST_F(SurGardDecoding, ReceiverTypeIsReadAtEachMessage) {
    useProtocol("Sur-Gard", "MLR2");
    EXPECT_EQ(parse(kCid4), "CID 4 format error!");
    station.m_receiverType = ReceiverType::Mlr2000;
    EXPECT_EQ(parse(kCid4), kCid4Desc);
}

TEST_F(SurGardDecoding, CountersAddUpOverMessages) {
    useProtocol("Sur-Gard");
    for (int i = 0; i < 3; ++i) {
        parse(kCid4);
        parse(kSia);
        parse("1011           @    " + T);
    }
    parse(kCid4Heart);
    parse("0" + T);
    EXPECT_EQ(counts(), (Counts{3, 3, 3, 1, 1}));
}

TEST_F(SurGardDecoding, OtherProtocolChangesNothingAndLogsNothing) {
    for (const char* protocol : {"", "sur-gard", "Sur-Gard ", "SIA"}) {
        useProtocol(protocol);
        for (const std::string& message : {kCid4, kSia, "1" + T, "0" + T, std::string("x")}) {
            EXPECT_EQ(parse(message), kUntouched) << protocol;
            EXPECT_FALSE(tickStamped()) << protocol;
        }
    }
    EXPECT_EQ(counts(), kNone);
    EXPECT_TRUE(log.entries().empty());
}

}  // namespace
}  // namespace corvane::test
