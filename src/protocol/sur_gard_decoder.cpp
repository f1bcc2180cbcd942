#include "protocol/sur_gard_decoder.h"

#include <cstdint>
#include <string_view>

#include "platform/quillet.h"
#include "platform/vexo.h"
#include "protocol/delimited_text.h"
#include "protocol/description.h"
#include "protocol/fixed_width_scan.h"
#include "station/station.h"

namespace corvane {

namespace {

constexpr int kDeviceHeartbeatEvent = 602;

void stampTick(Station& station) {
    station.setLastHeartbeatTick(static_cast<std::uint32_t>(Vexo_GetTimeTick()));
}

// "S": RR and LLL (or L) from the start, the account between "#" and "|", the event text between
// "/" and "]".
void decodeSia(Station& station, std::string_view text, std::string& description) {
    stampTick(station);
    ++station.m_siaCount;

    const std::string_view account = textBetween(text, '#', '|');
    const std::string_view event = textBetween(text, '/', ']');
    Description line;
    const std::string receiverType = station.receiverType();
    std::int64_t rr = 0;
    std::int64_t lll = 0;
    if (receiverType == "MLR2000") {
        FixedWidthScan(text).skip().number(2, rr).number(3, lll).skip();
        line.format("SIA: RR=%02d, LLL=%03d, Account=%.*s, EventCode=%.*s", static_cast<int>(rr),
                    static_cast<int>(lll), shownLength(account), account.data(), shownLength(event),
                    event.data());
    } else if (receiverType == "MLR2") {
        FixedWidthScan(text).skip().number(2, rr).number(1, lll).skip();
        line.format("SIA: RR=%02d, L=%01d, Account=%.*s, EventCode=%.*s", static_cast<int>(rr),
                    static_cast<int>(lll), shownLength(account), account.data(), shownLength(event),
                    event.data());
    }
    QUILLET(3, kParseLineFunction, "%s", line.c_str());
    description.assign(line.view());
}

// The seven numbers of a Contact ID line; fields the scan cannot read stay 0. The account is held
// in 64 bits so a ten-digit account shows as received.
struct ContactIdFields {
    std::int64_t rr = 0;
    std::int64_t lll = 0;
    std::int64_t number = 0;
    std::int64_t account = 0;
    std::int64_t eventCode = 0;
    std::int64_t groupCode = 0;
    std::int64_t zoneCode = 0;
};

ContactIdFields scanContactId(std::string_view text, int lineWidth, int accountWidth) {
    ContactIdFields f;
    FixedWidthScan(text)
        .skip()
        .number(2, f.rr)
        .number(lineWidth, f.lll)
        .skip()
        .number(2, f.number)
        .number(accountWidth, f.account)
        .skip()
        .number(3, f.eventCode)
        .number(2, f.groupCode)
        .number(3, f.zoneCode)
        .skip();
    return f;
}

// "5" (4-digit account) and "Q" (10-digit account), fixed-length records.
void decodeContactId(Station& station, const std::string& message, std::string_view text,
                     std::string& description, DecodeNote& note) {
    stampTick(station);
    const bool tenDigits = text.front() == 'Q';
    const std::string receiverType = station.receiverType();
    const bool mlr2000 = receiverType == "MLR2000";
    if (!mlr2000 && receiverType != "MLR2") {
        description.clear();
        return;
    }
    const std::size_t length = tenDigits ? (mlr2000 ? 29 : 27) : (mlr2000 ? 23 : 21);
    if (text.size() != length) {
        ++station.m_errorCount;
        note.kind = MessageKind::FormatError;
        if (tenDigits) {
            QUILLET(3, kParseLineFunction, "CID 10 format error: %s", message.c_str());
            description = "CID 10 format error!";
        } else {
            QUILLET(3, kParseLineFunction, "CID 4 format error: %s", message.c_str());
            description = "CID 4 format error!";
        }
        return;
    }

    const ContactIdFields f = scanContactId(text, mlr2000 ? 3 : 1, tenDigits ? 10 : 4);
    note.kind = f.eventCode == kDeviceHeartbeatEvent ? MessageKind::DeviceHeart : MessageKind::Cid;
    note.cidQualifier = text[length - 10];
    note.cidEvent = static_cast<int>(f.eventCode);
    if (f.eventCode == kDeviceHeartbeatEvent) {
        ++station.m_deviceHeartCount;
    } else {
        ++station.m_cidCount;
    }
    const int rr = static_cast<int>(f.rr);
    const int lll = static_cast<int>(f.lll);
    const int eventCode = static_cast<int>(f.eventCode);
    const int groupCode = static_cast<int>(f.groupCode);
    const int zoneCode = static_cast<int>(f.zoneCode);
    Description line;
    if (tenDigits) {
        const auto account = static_cast<long long>(f.account);
        if (mlr2000) {
            line.format(
                "CID: RR=%02d, LLL=%03d, Account=%010lld, EventCode=%03d, GroupCode=%02d, "
                "ZoneCode=%03d",
                rr, lll, account, eventCode, groupCode, zoneCode);
        } else {
            line.format(
                "CID: RR=%02d, L=%01d, Account=%010lld, EventCode=%03d, GroupCode=%02d, "
                "ZoneCode=%03d",
                rr, lll, account, eventCode, groupCode, zoneCode);
        }
    } else {
        const int account = static_cast<int>(f.account);
        if (mlr2000) {
            line.format(
                "CID: RR=%02d, LLL=%03d, Account=%04d, EventCode=%03d, GroupCode=%02d, "
                "ZoneCode=%03d",
                rr, lll, account, eventCode, groupCode, zoneCode);
        } else {
            line.format(
                "CID: RR=%02d, L=%01d, Account=%04d, EventCode=%03d, GroupCode=%02d, "
                "ZoneCode=%03d",
                rr, lll, account, eventCode, groupCode, zoneCode);
        }
    }
    QUILLET(3, kParseLineFunction, "%s", line.c_str());
    description.assign(line.view());
}

}  // namespace

void decodeSurGard(Station& station, const std::string& message, std::string& description,
                   DecodeNote& note) {
    // Scans and lengths see the message as the C text it is logged as.
    const std::string_view text = untilFirstZero(message);
    const char kind = text.empty() ? '\0' : text.front();
    switch (kind) {
        case '0':
            note.kind = MessageKind::Private;
            stampTick(station);
            ++station.m_sgPrivateCount;
            QUILLET(3, kParseLineFunction, "SG Private-%s", message.c_str());
            return;
        case '1':
            note.kind = MessageKind::Heartbeat;
            stampTick(station);
            ++station.m_sgHeartbeatCount;
            return;
        case 'S':
            note.kind = MessageKind::Sia;
            decodeSia(station, text, description);
            return;
        case 'Q':
        case '5':
            decodeContactId(station, message, text, description, note);
            return;
        default:
            ++station.m_unknownCount;
            QUILLET(2, kParseLineFunction, "Unknown msg: %s", message.c_str());
            return;
    }
}

}  // namespace corvane
