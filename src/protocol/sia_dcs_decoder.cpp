#include "protocol/sia_dcs_decoder.h"

#include "protocol/adm_cid_decoder.h"
#include "protocol/dc09_frame.h"
#include "protocol/delimited_text.h"
#include "protocol/description.h"

namespace corvane {

namespace {

constexpr auto npos = std::string_view::npos;

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

Decoded decodeSiaDcs(std::string_view message) {
    const std::string_view text = untilFirstZero(message);
    Decoded decoded;
    if (text.find(kSiaDcsToken) == npos) {
        if (text.find(kNullToken) != npos) {
            // A link test: it renews the tick and counts as a heartbeat, with no description.
            decoded.kind = MessageKind::LinkTest;
            decoded.stampsTick = true;
            return decoded;
        }
        if (text.find(kAdmCidToken) != npos) {
            return decodeAdmCid(text);  // Contact ID inside DC-09
        }
        decoded.note = Decoded::Note::Unknown;
        return decoded;
    }

    const Delimiters at(text);
    if (at.malformed(text.size())) {
        decoded.kind = MessageKind::FormatError;
        decoded.note = Decoded::Note::Error;
        return decoded;
    }
    const std::string_view account = textFromTo(text, at.hash + 1, at.open);
    const std::string_view system = textFromTo(text, at.bar + 4, at.slash);
    const std::string_view eventCode = text.substr(at.slash + 1, 2);
    const std::string_view group = textFromTo(text, at.slash + 3, at.close);

    Description line;
    line.format("SIA: Account=%.*s, EventCode=%.*s, System=%.*s, Group=%.*s", shownLength(account),
                account.data(), shownLength(eventCode), eventCode.data(), shownLength(system),
                system.data(), shownLength(group), group.data());
    decoded.kind = MessageKind::Sia;
    decoded.note = Decoded::Note::Description;
    decoded.stampsTick = true;
    decoded.description.assign(line.view());
    decoded.account.assign(account);
    decoded.siaBlock.assign(siaBlockText(text.substr(at.open)));
    return decoded;
}

}  // namespace corvane
