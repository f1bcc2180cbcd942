// The event code tables against a sample of the published code lists, and the meanings of decoded
// messages: every event of an SIA data block, a Contact ID event with its qualifier.
#include <gtest/gtest.h>

#include <set>

#include "protocol/event_meanings.h"
#include "protocol/parse_line.h"
#include "protocol/sia_data_block.h"

namespace corvane {
namespace {

TEST(EventTables, HoldASampleOfThePublishedCodesOnceEach) {
    const std::pair<const char*, const char*> sia[] = {
        {"BA", "Burglary Alarm"},         {"BR", "Burglary Restoral"}, {"FA", "Fire Alarm"},
        {"OP", "Opening Report"},         {"CL", "Closing Report"},    {"RP", "Automatic Test"},
        {"YT", "System Battery Trouble"}, {"AT", "AC Trouble"},        {"PA", "Panic Alarm"}};
    for (const auto& [code, meaning] : sia) {
        EXPECT_EQ(siaEventMeaning(code), meaning) << code;
    }
    const std::pair<int, const char*> cid[] = {{130, "Burglary"},
                                               {110, "Fire"},
                                               {100, "Medical"},
                                               {301, "AC Loss"},
                                               {302, "Low System Battery"},
                                               {401, "Open/Close by User"},
                                               {602, "Periodic Test Report"},
                                               {570, "Zone/Sensor Bypass"}};
    for (const auto& [code, meaning] : cid) {
        EXPECT_EQ(contactIdEventMeaning(code), meaning) << code;
    }
    EXPECT_TRUE(siaEventMeaning("QQ").empty());
    EXPECT_TRUE(contactIdEventMeaning(999).empty());
    for (const auto table : {siaEventCodes(), contactIdEventCodes()}) {
        std::set<std::string> seen;
        for (const EventCodeEntry& entry : table) {
            EXPECT_TRUE(seen.insert(entry.code).second) << "listed twice: " << entry.code;
        }
        EXPECT_GT(seen.size(), 150U);
    }
}

TEST(SiaDataBlock, ReadsModifiersSeveralEventsAndBlocksWithoutRi) {
    struct Case {
        const char* message;
        const char* meaning;
    } cases[] = {
        {"S011[#1234|Nri1/BA01]\x14", "BA Burglary Alarm, zone 01, area 1"},
        {"\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01/BA02]",
         "BA Burglary Alarm, zone 01, area 1; "
         "BA Burglary Alarm, zone 02, area 1"},
        {"\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]_12:00:00,12-07-2026",
         "BA Burglary Alarm, zone 01, area 1"},
        {"S011[#1|Nti12:30/id7/ri2/OP7^front door^]",
         "OP Opening Report, zone 7, area 2, "
         "\"front door\""},
        {"S011[#1|NZQ05]", "ZQ unknown, zone 05"},
        {"S011[#1|N]", "No event code readable"},
    };
    for (const Case& c : cases) {
        const Protocol protocol = c.message[0] == 'S' ? Protocol::SurGard : Protocol::SiaDcs;
        const Decoded decoded = decodeMessage(c.message, protocol, ReceiverType::Mlr2);
        EXPECT_EQ(decoded.kind, MessageKind::Sia) << c.message;
        EXPECT_EQ(meaningOf(decoded), c.meaning) << c.message;
    }
    const SiaDataBlock block = readSiaDataBlock("[#1|Nti12:30/id7/ri2/OP7]");
    EXPECT_EQ(block.account, "1");
    EXPECT_EQ(block.eventType, 'N');
    ASSERT_EQ(block.modifiers.size(), 3U);
    EXPECT_EQ(block.modifiers[0], (std::pair<std::string, std::string>{"ti", "12:30"}));
    EXPECT_EQ(block.events.at(0).user, "7");
    // A decrypted block is read from its clear text; without an account it has the frame's.
    const SiaDataBlock clear =
        readSiaDataBlock("\n0000004A\"*SIA-DCS\"0001R1L2#12AB[6514EE\r", "Nri0/RP000]_12:30:45");
    EXPECT_EQ(clear.account, "12AB");
    ASSERT_EQ(clear.events.size(), 1U);
    EXPECT_EQ(clear.events[0].code, "RP");
}

TEST(ContactIdMeaning, NamesQualifierAndCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"501001 181234313001015\x14", "New restore or closing: 130 Burglary"},
        {"501001 181234660200000\x14", "Previous event: 602 Periodic Test Report"},
        {"501001 1812340130010\x14", ""},  // a format error: no event
        {"501001 181234x99901015\x14", "Qualifier unknown: 999 unknown"},
    };
    for (const auto& [line, meaning] : cases) {
        EXPECT_EQ(meaningOf(decodeMessage(line, Protocol::SurGard, ReceiverType::Mlr2000)), meaning)
            << line;
    }
    // Contact ID inside DC-09 names its qualifier the same way.
    const Decoded admCid = decodeMessage("\"ADM-CID\"0001R1L1#9876[#9876|1401 02 012]",
                                         Protocol::SiaDcs, ReceiverType::Mlr2000);
    EXPECT_EQ(admCid.account, "9876");
    EXPECT_EQ(meaningOf(admCid), "New event or opening: 401 Open/Close by User");
}

}  // namespace
}  // namespace corvane
