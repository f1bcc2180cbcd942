#include "protocol/sia_dcs_decoder.h"

#include <cstdint>
#include <string_view>

#include "platform/quillet.h"
#include "platform/vexo.h"
#include "protocol/adm_cid_decoder.h"
#include "protocol/dc09_frame.h"
#include "protocol/delimited_text.h"
#include "protocol/description.h"
#include "station/station.h"

namespace corvane {

namespace {

constexpr auto npos = std::string_view::npos;

void stampTick(Station& station) {
    station.setLastHeartbeatTick(static_cast<std::uint32_t>(Vexo_GetTimeTick()));
}

// The first position of each character the event layout "#acct[#acct|Nri1/BA01]" relies on.
struct Delimiters {
    std::size_t hash;
    std::size_t bar;
    std::size_t slash;
    std::size_t open;
    std::size_t close;

    explicit Delimiters(std::string_view text)
        : hash(text.find('#')),
          bar(text.find('|')),
          slash(text.find('/')),
          open(text.find('[')),
          close(text.find(']')) {}

    // Missing delimiters, an empty account, a three-character "|Nri/" or a two-character group
    // make the frame unreadable. So does a system or group that would start past the end of
    // the text ("|" among the last three characters, "/" among the last two).
    bool malformed(std::size_t length) const {
        if (hash == npos || bar == npos || slash == npos || open == npos) {
            return true;
        }
        return open == hash + 1 || slash == bar + 4 || (close != npos && close == slash + 3) ||
               bar + 4 > length || slash + 3 > length;
    }
};

}  // namespace

void decodeSiaDcs(Station& station, const std::string& message, std::string& description,
                  DecodeNote& note) {
    const std::string_view text = untilFirstZero(message);
    if (text.find(kSiaDcsToken) == npos) {
        if (text.find(kNullToken) != npos) {
            // A link test: it renews the tick and counts as a heartbeat, with no description.
            note.kind = MessageKind::LinkTest;
            stampTick(station);
            ++station.m_sgHeartbeatCount;
            return;
        }
        if (text.find(kAdmCidToken) != npos) {
            decodeAdmCid(station, text, description, note);  // Contact ID inside DC-09
            return;
        }
        note.kind = MessageKind::Unknown;
        ++station.m_unknownCount;
        QUILLET(2, kParseLineFunction, "Unknown msg: %s", message.c_str());
        return;
    }

    const Delimiters at(text);
    if (at.malformed(text.size())) {
        ++station.m_errorCount;
        note.kind = MessageKind::FormatError;
        QUILLET(2, kParseLineFunction, "Error msg: %s", message.c_str());
        return;
    }
    const std::string_view account = textFromTo(text, at.hash + 1, at.open);
    const std::string_view system = textFromTo(text, at.bar + 4, at.slash);
    const std::string_view eventCode = text.substr(at.slash + 1, 2);
    const std::string_view group = textFromTo(text, at.slash + 3, at.close);

    Description line;
    line.format("SIA: Account=%.*s, EventCode=%.*s, System=%.*s, Group=%.*s", shownLength(account),
                account.data(), shownLength(eventCode), eventCode.data(), shownLength(system),
                system.data(), shownLength(group), group.data());
    QUILLET(3, kParseLineFunction, "%s", line.c_str());
    description.assign(line.view());
    note.kind = MessageKind::Sia;
    stampTick(station);
    ++station.m_siaCount;
}

}  // namespace corvane
