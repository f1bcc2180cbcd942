#include "protocol/adm_cid_decoder.h"

#include <cctype>
#include <cstdint>
#include <string>

#include "platform/quillet.h"
#include "platform/vexo.h"
#include "protocol/description.h"
#include "station/station.h"

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

void decodeAdmCid(Station& station, std::string_view text, std::string& description,
                  DecodeNote& note) {
    // "[#acct|QEEE GG CCC]": the data block after the token's "[".
    const std::size_t open = text.find('[', text.find(kAdmCidToken));
    const std::size_t hash = open == npos ? npos : text.find('#', open);
    const std::size_t bar = hash == npos ? npos : text.find('|', hash);
    constexpr std::size_t kEventSize = 13;  // "QEEE GG CCC]" after "|"
    if (hash != open + 1 || bar == npos || bar == hash + 1 || text.size() < bar + kEventSize ||
        text[bar + 12] != ']') {
        note.kind = MessageKind::FormatError;
        ++station.m_errorCount;
        QUILLET(2, kParseLineFunction, "Error msg: %.*s", static_cast<int>(text.size()),
                text.data());
        return;
    }
    const std::string_view event = text.substr(bar + 1, 11);
    const char qualifier = event[0];
    if ((qualifier != '1' && qualifier != '3' && qualifier != '6') || !digitsAt(event, 1, 3) ||
        event[4] != ' ' || !digitsAt(event, 5, 2) || event[7] != ' ' || !digitsAt(event, 8, 3)) {
        note.kind = MessageKind::FormatError;
        ++station.m_errorCount;
        QUILLET(2, kParseLineFunction, "Error msg: %.*s", static_cast<int>(text.size()),
                text.data());
        return;
    }
    const std::string_view account = text.substr(hash + 1, bar - hash - 1);
    const std::string_view eventCode = event.substr(1, 3);
    Description line;
    line.format("CID: Account=%.*s, Qualifier=%c, EventCode=%.*s, GroupCode=%.*s, ZoneCode=%.*s",
                shownLength(account), account.data(), qualifier, 3, eventCode.data(), 2,
                event.data() + 5, 3, event.data() + 8);
    QUILLET(3, kParseLineFunction, "%s", line.c_str());
    description.assign(line.view());
    station.setLastHeartbeatTick(static_cast<std::uint32_t>(Vexo_GetTimeTick()));
    note.cidQualifier = qualifier;
    note.cidEvent = (eventCode[0] - '0') * 100 + (eventCode[1] - '0') * 10 + (eventCode[2] - '0');
    if (eventCode == kDeviceHeartbeatEvent) {
        note.kind = MessageKind::DeviceHeart;
        ++station.m_deviceHeartCount;
    } else {
        note.kind = MessageKind::Cid;
        ++station.m_cidCount;
    }
}

}  // namespace corvane
