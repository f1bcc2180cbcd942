// SIA-DCS decoding: SIA events, link tests, unknown and malformed frames (and their counts).
#include <gtest/gtest.h>

#include <string>

#include "decode_fixture.h"

namespace corvane::test {
namespace {

// A frame around `body`; its CRC and length fields are wrong on purpose: they are not checked.
std::string frame(const std::string& body) {
    return "\nFFFF0000" + body + "\r";
}

const std::string kEvent = "\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]";
const std::string kEventDesc = "SIA: Account=1234, EventCode=BA, System=1, Group=01";

struct Case {
    const char* name;
    std::string message;
    std::string description;  // kUntouched when not set
    bool sia;                 // counted as an SIA event (else as a link test when stamped)
    bool stamped;
    int level;  // 0: no diagnostic line
    std::string line;
};

const std::string U = kUntouched;

Case event(const char* name, std::string message, std::string description) {
    return {name, std::move(message), description, true, true, 3, description};
}
Case error(const char* name, std::string message) {
    return {name, message, U, false, false, 2, "Error msg: " + message};
}
Case unknown(const char* name, std::string message) {
    return {name, message, U, false, false, 2, "Unknown msg: " + message};
}

std::vector<Case> cases() {
    return {
        event("Event", frame(kEvent), kEventDesc),
        event("EventWithTimeStamp", frame(kEvent + "_14:10:00,10-10-2023"), kEventDesc),
        event("EventWithoutFraming", kEvent, kEventDesc),
        event("BothTokens", frame("\"NULL\"" + kEvent), kEventDesc),
        // Without "]" the group runs to the end, CR included.
        event("MissingCloseBracket", frame("\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01"),
              "SIA: Account=1234, EventCode=BA, System=1, Group=01\r"),
        // "[" before "#": the account runs to the end.
        event("OpenBracketBeforeHash", "\"SIA-DCS\"0007[R1L2#1234|Nri1/BA01]",
              "SIA: Account=1234|Nri1/BA01], EventCode=BA, System=1, Group=01"),
        // System and group starting exactly at the end are empty.
        event("SystemStartsAtEnd", "\"SIA-DCS\"#12[/BA01]|Nri",
              "SIA: Account=12, EventCode=BA, System=, Group=01"),
        event("GroupStartsAtEnd", "\"SIA-DCS\"#1234[|Nri1/BA",
              "SIA: Account=1234, EventCode=BA, System=1, Group="),
        {"LinkTest", frame("\"NULL\"0000R0L0#0000[]"), U, false, true, 0, ""},
        {"LinkTestAnywhere", "xx\"NULL\"", U, false, true, 0, ""},
        unknown("TokenWithoutQuotes", frame("SIA-DCS0007R1L2#1234[#1234|Nri1/BA01]")),
        unknown("NullWithoutQuotes", frame("NULL0000R0L0#0000[]")),
        unknown("Empty", ""),
        unknown("SurGardLine", "S01001[#1234|Nri1/BA01]\x14"),
        {"TokenAfterZeroByte", std::string("\n\0", 2) + kEvent, U, false, false, 2,
         "Unknown msg: \n"},
        error("NoSlash", frame("\"SIA-DCS\"0007R1L2#1234[#1234|Nri1BA01]")),
        error("ThreeCharactersBeforeSlash", frame("\"SIA-DCS\"0007R1L2#1234[#1234|Nri/BA01]")),
        error("NoHash", frame("\"SIA-DCS\"0007R1L2[1234|Nri1/BA01]")),
        error("NoBar", frame("\"SIA-DCS\"0007R1L2#1234[#1234Nri1/BA01]")),
        error("NoOpenBracket", frame("\"SIA-DCS\"0007R1L2#1234#1234|Nri1/BA01]")),
        error("OpenBracketRightAfterHash", frame("\"SIA-DCS\"0007R1L2#[#1234|Nri1/BA01]")),
        error("TwoCharactersBeforeCloseBracket", frame("\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA]")),
        // The system or the group would start past the end of the text.
        error("BarThirdFromEnd", "\"SIA-DCS\"#12[/BA|Nr"),
        error("BarSecondFromEnd", "\"SIA-DCS\"#12[/BA|N"),
        error("BarLast", "\"SIA-DCS\"#12[/BA|"),
        error("SlashSecondFromEnd", "\"SIA-DCS\"#12[|Nri1/B"),
        error("SlashLast", "\"SIA-DCS\"#12[|Nri1/"),
    };
}

class SiaDcsDecodingTest : public DecodeTest, public ::testing::WithParamInterface<Case> {};

TEST_P(SiaDcsDecodingTest, DecodesCountsStampsAndLogs) {
    const Case& c = GetParam();
    // The receiver type plays no part under SIA-DCS.
    useProtocol("SIA-DCS", "neither");
    EXPECT_EQ(parse(c.message), c.description);
    const bool unread = c.level == 2;
    const bool malformed = c.line.rfind("Error msg: ", 0) == 0;
    const Counts expected{0,
                          c.sia ? 1 : 0,
                          (!c.sia && c.stamped) ? 1 : 0,
                          0,
                          0,
                          unread && !malformed ? 1 : 0,
                          malformed ? 1 : 0};
    EXPECT_EQ(counts(), expected);
    EXPECT_EQ(tickStamped(), c.stamped);
    if (c.level == 0) {
        EXPECT_TRUE(lines().empty());
    } else {
        expectOneLine(c.level, c.line);
    }
}

INSTANTIATE_TEST_SUITE_P(Frames, SiaDcsDecodingTest, ::testing::ValuesIn(cases()),
                         [](const auto& test) { return std::string(test.param.name); });

using SiaDcsDecoding = DecodeTest;

TEST_F(SiaDcsDecoding, LongDescriptionIsCutAt255Characters) {
    useProtocol("SIA-DCS");
    const std::string account(300, '7');
    const std::string full = "SIA: Account=" + account + ", EventCode=BA, System=1, Group=01";
    EXPECT_EQ(parse(frame("\"SIA-DCS\"0007R1L2#" + account + "[#1234|Nri1/BA01]")),
              full.substr(0, 255));
    expectOneLine(3, full.substr(0, 255));
}

}  // namespace
}  // namespace corvane::test
