#include "protocol/adm_cid_decoder.h"

#include <cctype>
#include <cstdint>
#include <string>

#include "protocol/description.h"

namespace corvane {

namespace {

constexpr auto npos = std::string_view::npos;
constexpr std::string_view kDeviceHeartbeatEvent = "602";

bool digitsAt(std::string_view text, std::size_t at, std::size_t count) {
    for (std::size_t i = at; i < at + count; ++i) {
        if (std::isxdigit(static_cast<unsigned char>(text[i])) == 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

Decoded decodeAdmCid(std::string_view text) {
    Decoded decoded;
    // "[#acct|QEEE GG CCC]": the data block after the token's "[".
    const std::size_t open = text.find('[', text.find(kAdmCidToken));
    const std::size_t hash = open == npos ? npos : text.find('#', open);
    const std::size_t bar = hash == npos ? npos : text.find('|', hash);
    constexpr std::size_t kEventSize = 13;  // "QEEE GG CCC]" after "|"
    if (hash != open + 1 || bar == npos || bar == hash + 1 || text.size() < bar + kEventSize ||
        text[bar + 12] != ']') {
        decoded.kind = MessageKind::FormatError;
        decoded.note = Decoded::Note::Error;
        return decoded;
    }
    const std::string_view event = text.substr(bar + 1, 11);
    const char qualifier = event[0];
    if ((qualifier != '1' && qualifier != '3' && qualifier != '6') || !digitsAt(event, 1, 3) ||
        event[4] != ' ' || !digitsAt(event, 5, 2) || event[7] != ' ' || !digitsAt(event, 8, 3)) {
        decoded.kind = MessageKind::FormatError;
        decoded.note = Decoded::Note::Error;
        return decoded;
    }
    const std::string_view account = text.substr(hash + 1, bar - hash - 1);
    const std::string_view eventCode = event.substr(1, 3);
    Description line;
    line.format("CID: Account=%.*s, Qualifier=%c, EventCode=%.*s, GroupCode=%.*s, ZoneCode=%.*s",
                shownLength(account), account.data(), qualifier, 3, eventCode.data(), 2,
                event.data() + 5, 3, event.data() + 8);
    decoded.kind = eventCode == kDeviceHeartbeatEvent ? MessageKind::DeviceHeart : MessageKind::Cid;
    decoded.note = Decoded::Note::Description;
    decoded.stampsTick = true;
    decoded.description.assign(line.view());
    decoded.account.assign(account);
    decoded.cidQualifier = qualifier;
    decoded.cidEvent = static_cast<std::int16_t>((eventCode[0] - '0') * 100 +
                                                 (eventCode[1] - '0') * 10 + (eventCode[2] - '0'));
    return decoded;
}

}  // namespace corvane
