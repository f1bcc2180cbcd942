#include "protocol/sur_gard_meanings.h"

#include <array>
#include <string_view>

#include "protocol/decoded.h"
#include "protocol/event_meanings.h"
#include "protocol/sur_gard_line.h"

namespace corvane {

namespace {

struct Named {
    const char* code;
    const char* words;
};

// The receivers' own status events: the central unit's (CPM2) and the line cards'.
constexpr std::array kStatusCodes = {
    Named{"01", "Printer trouble"},
    Named{"08", "UPS battery low restored"},
    Named{"10", "Faulty data on the line card"},
    Named{"11", "9 V battery low"},
    Named{"12", "9 V battery restored"},
    Named{"13", "COM2 absent"},
    Named{"14", "COM2 restored"},
    Named{"15", "AC failure"},
    Named{"16", "AC restored"},
    Named{"17", "UPS AC failure"},
    Named{"18", "UPS AC restored"},
    Named{"19", "CPM2 master failure"},
    Named{"20", "Telephone line fault"},
    Named{"30", "Telephone line restored"},
    Named{"40", "Call without data"},
    Named{"D0", "CPM2 reset"},
};

// Ademco high speed: what each channel's digit reports.
std::string_view channelState(char digit) {
    switch (digit) {
        case '1':
            return "new alarm";
        case '2':
            return "opening";
        case '3':
            return "restore";
        case '4':
            return "closing";
        case '6':
            return "still present";
        default:
            return {};
    }
}

std::string signalMeaning(const LineLayout& layout, std::string_view fields) {
    const std::string_view event = lineField(layout, fields, "Event");
    const char letter = event.empty() ? ' ' : event.front();
    const std::string_view name = signalEventName(letter);
    std::string out = name.empty() ? "Event " + std::string(event) : std::string(name);
    out += letter == 'O' || letter == 'C' ? ": user " : ": zone ";
    out += lineField(layout, fields, "Zone");
    const std::string_view area = lineField(layout, fields, "Area");
    if (!area.empty()) {
        out += ", area ";
        out += area;
    }
    return out;
}

std::string statusMeaning(const LineLayout& layout, std::string_view fields) {
    const std::string_view event = lineField(layout, fields, "Event");
    const std::string_view code = lineField(layout, fields, "Code");
    std::string out(signalEventName(event.empty() ? ' ' : event.front()));
    out += ": ";
    out += code;
    out += ' ';
    const std::string meaning = statusCodeMeaning(code);
    out += meaning.empty() ? "unknown" : meaning;
    return out;
}

std::string ademcoMeaning(const LineLayout& layout, std::string_view fields) {
    std::string out;
    int channel = 0;
    for (const char digit : lineField(layout, fields, "Channels")) {
        if (digit == ' ') {
            continue;
        }
        ++channel;
        if (digit == '5') {
            continue;  // nothing to report
        }
        const std::string_view state = channelState(digit);
        out += out.empty() ? "Channel " : "; channel ";
        out += std::to_string(channel);
        out += ": ";
        out += state.empty() ? "state " + std::string(1, digit) : std::string(state);
    }
    return out.empty() ? "All channels normal" : out;
}

}  // namespace

std::string_view signalEventName(char letter) {
    switch (letter) {
        case 'A':
            return "Alarm";
        case 'B':
            return "Bypass";
        case 'C':
            return "Closing";
        case 'D':
        case '\\':
            return "Cancel";
        case 'O':
            return "Opening";
        case 'R':
            return "Restore";
        case 'T':
            return "Trouble";
        default:
            return {};
    }
}

std::string statusCodeMeaning(std::string_view code) {
    for (const Named& named : kStatusCodes) {
        if (code == named.code) {
            return named.words;
        }
    }
    // D1-DE, E1-EE, F1-FE: line card 1 to E reset, restored, absent.
    if (code.size() == 2 &&
        ((code[1] >= '1' && code[1] <= '9') || (code[1] >= 'A' && code[1] <= 'E'))) {
        const std::string card = "Line card " + std::string(1, code[1]);
        switch (code[0]) {
            case 'D':
                return card + " reset";
            case 'E':
                return card + " restored";
            case 'F':
                return card + " absent";
            default:
                break;
        }
    }
    return {};
}

std::string surGardLineMeaning(const Decoded& decoded) {
    const LineLayout* layout = layoutOf(decoded.kind);
    if (layout == nullptr) {
        return {};
    }
    const std::string_view fields(decoded.lineFields.data(), decoded.lineFields.size());
    switch (decoded.kind) {
        case MessageKind::Signal:
            return signalMeaning(*layout, fields);
        case MessageKind::LineStatus:
            return statusMeaning(*layout, fields);
        case MessageKind::Audio: {
            std::string_view line = lineField(*layout, fields, "Line");
            if (line.size() > 1 && line.front() == '0') {
                line.remove_prefix(1);
            }
            return "Two-way audio on line " + std::string(line);
        }
        case MessageKind::Sia1: {
            const std::string_view code = lineField(*layout, fields, "EventCode");
            const std::string_view meaning = siaEventMeaning(code);
            return std::string(code) + ' ' +
                   (meaning.empty() ? std::string("unknown") : std::string(meaning)) + ", zone " +
                   std::string(lineField(*layout, fields, "Zone"));
        }
        case MessageKind::Bfsk:
            return "Event " + std::string(lineField(*layout, fields, "Event")) + ", zone " +
                   std::string(lineField(*layout, fields, "Zone"));
        case MessageKind::Ademco:
            return ademcoMeaning(*layout, fields);
        default:
            return {};
    }
}

}  // namespace corvane
