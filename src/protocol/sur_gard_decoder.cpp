#include "protocol/sur_gard_decoder.h"

#include <cstdint>

#include "protocol/delimited_text.h"
#include "protocol/description.h"
#include "protocol/fixed_width_scan.h"

namespace corvane {

namespace {

constexpr int kDeviceHeartbeatEvent = 602;

Decoded recognised(MessageKind kind, Decoded::Note note = Decoded::Note::None) {
    Decoded decoded;
    decoded.kind = kind;
    decoded.note = note;
    decoded.stampsTick = true;
    return decoded;
}

// "S": RR and LLL (or L) from the start, the account between "#" and "|", the event text between
// "/" and "]". Every "S" line is an SIA event, whatever follows.
Decoded decodeSia(std::string_view text, ReceiverType type) {
    Decoded decoded = recognised(MessageKind::Sia, Decoded::Note::Description);
    const std::string_view account = textBetween(text, '#', '|');
    const std::string_view event = textBetween(text, '/', ']');
    Description line;
    std::int64_t rr = 0;
    std::int64_t lll = 0;
    if (type == ReceiverType::Mlr2000) {
        FixedWidthScan(text).skip().number(2, rr).number(3, lll).skip();
        line.format("SIA: RR=%02d, LLL=%03d, Account=%.*s, EventCode=%.*s", static_cast<int>(rr),
                    static_cast<int>(lll), shownLength(account), account.data(), shownLength(event),
                    event.data());
    } else if (type == ReceiverType::Mlr2) {
        FixedWidthScan(text).skip().number(2, rr).number(1, lll).skip();
        line.format("SIA: RR=%02d, L=%01d, Account=%.*s, EventCode=%.*s", static_cast<int>(rr),
                    static_cast<int>(lll), shownLength(account), account.data(), shownLength(event),
                    event.data());
    }
    decoded.description.assign(line.view());
    decoded.account.assign(account);
    decoded.siaBlock.assign(siaBlockText(text));
    return decoded;
}

// The seven numbers of a Contact ID line; fields the scan cannot read stay 0. The account is held
// in 64 bits so a ten-digit account shows as received.
struct ContactIdFields {
    std::int64_t rr = 0;      // the receiver number
    std::int64_t lll = 0;     // the line number (L under MLR2)
    std::int64_t number = 0;  // read, never shown
    std::int64_t account = 0;
    std::int64_t eventCode = 0;  // 602: a device heartbeat
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

void formatContactId(Description& line, const ContactIdFields& f, bool tenDigits, bool mlr2000) {
    const int rr = static_cast<int>(f.rr);
    const int lll = static_cast<int>(f.lll);
    const int eventCode = static_cast<int>(f.eventCode);
    const int groupCode = static_cast<int>(f.groupCode);
    const int zoneCode = static_cast<int>(f.zoneCode);
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
        return;
    }
    const int account = static_cast<int>(f.account);
    if (mlr2000) {
        line.format(
            "CID: RR=%02d, LLL=%03d, Account=%04d, EventCode=%03d, GroupCode=%02d, ZoneCode=%03d",
            rr, lll, account, eventCode, groupCode, zoneCode);
    } else {
        line.format(
            "CID: RR=%02d, L=%01d, Account=%04d, EventCode=%03d, GroupCode=%02d, ZoneCode=%03d", rr,
            lll, account, eventCode, groupCode, zoneCode);
    }
}

// "5" (4-digit account) and "Q" (10-digit account), fixed-length records. Every one stamps the
// tick, a malformed one too.
Decoded decodeContactId(std::string_view text, ReceiverType type) {
    const bool tenDigits = text.front() == 'Q';
    const bool mlr2000 = type == ReceiverType::Mlr2000;
    if (!mlr2000 && type != ReceiverType::Mlr2) {
        Decoded unread;  // no line format to read it with: not counted, no description
        unread.stampsTick = true;
        return unread;
    }
    const std::size_t length = tenDigits ? (mlr2000 ? 29 : 27) : (mlr2000 ? 23 : 21);
    if (text.size() != length) {
        Decoded error =
            recognised(MessageKind::FormatError, tenDigits ? Decoded::Note::Cid10FormatError
                                                           : Decoded::Note::Cid4FormatError);
        error.description = tenDigits ? "CID 10 format error!" : "CID 4 format error!";
        return error;
    }
    const ContactIdFields f = scanContactId(text, mlr2000 ? 3 : 1, tenDigits ? 10 : 4);
    Decoded decoded = recognised(
        f.eventCode == kDeviceHeartbeatEvent ? MessageKind::DeviceHeart : MessageKind::Cid,
        Decoded::Note::Description);
    decoded.cidQualifier = text[length - 10];
    decoded.cidEvent = static_cast<std::int16_t>(f.eventCode);
    decoded.account.assign(text.substr(mlr2000 ? 9 : 7, tenDigits ? 10 : 4));
    Description line;
    formatContactId(line, f, tenDigits, mlr2000);
    decoded.description.assign(line.view());
    return decoded;
}

}  // namespace

Decoded decodeSurGard(std::string_view message, ReceiverType type) {
    // Scans and lengths see the message as the C text it is logged as.
    const std::string_view text = untilFirstZero(message);
    switch (text.empty() ? '\0' : text.front()) {
        case '0':
            return recognised(MessageKind::Private, Decoded::Note::Private);
        case '1':
            return recognised(MessageKind::Heartbeat);
        case 'S':
            return decodeSia(text, type);
        case 'Q':
        case '5':
            return decodeContactId(text, type);
        default: {
            Decoded unknown;
            unknown.note = Decoded::Note::Unknown;
            return unknown;
        }
    }
}

}  // namespace corvane
