#include "protocol/event_meanings.h"

#include <cstdio>
#include <unordered_map>

#include "protocol/decoded.h"
#include "protocol/sur_gard_meanings.h"

namespace corvane {

namespace {

using Index = std::unordered_map<std::string_view, std::string_view>;

Index indexOf(std::span<const EventCodeEntry> table) {
    Index index;
    for (const EventCodeEntry& entry : table) {
        index.emplace(entry.code, entry.meaning);
    }
    return index;
}

std::string_view lookUp(const Index& index, std::string_view code) {
    const auto found = index.find(code);
    return found == index.end() ? std::string_view{} : found->second;
}

}  // namespace

std::span<const EventCodeEntry> siaEventCodes() {
    return {kSiaEventCodes, kSiaEventCodesCount};
}

std::span<const EventCodeEntry> contactIdEventCodes() {
    return {kContactIdEventCodes, kContactIdEventCodesCount};
}

std::string_view siaEventMeaning(std::string_view code) {
    static const Index index = indexOf(siaEventCodes());
    return lookUp(index, code);
}

std::string_view contactIdEventMeaning(int code) {
    static const Index index = indexOf(contactIdEventCodes());
    if (code < 0 || code > 999) {
        return {};
    }
    char text[4];
    std::snprintf(text, sizeof text, "%03d", code);
    return lookUp(index, std::string_view(text, 3));
}

std::string_view contactIdQualifierMeaning(char qualifier) {
    // The panel's digit, or the letter receivers write in its place.
    switch (qualifier) {
        case '1':
        case 'E':
            return "New event or opening";
        case '3':
        case 'R':
            return "New restore or closing";
        case '6':
        case 'P':
            return "Previous event";
        default:
            return {};
    }
}

std::string meaningOf(const Decoded& decoded) {
    std::string out;
    if (decoded.kind == MessageKind::Cid || decoded.kind == MessageKind::DeviceHeart) {
        const std::string_view qualifier = contactIdQualifierMeaning(decoded.cidQualifier);
        if (qualifier.empty()) {
            out = "Qualifier unknown";
        } else {
            out = qualifier;
        }
        char code[16];
        std::snprintf(code, sizeof code, ": %03d ", decoded.cidEvent);
        out += code;
        const std::string_view meaning = contactIdEventMeaning(decoded.cidEvent);
        out += meaning.empty() ? std::string_view("unknown") : meaning;
        return out;
    }
    if (decoded.kind != MessageKind::Sia && decoded.kind != MessageKind::Private) {
        return surGardLineMeaning(decoded);
    }
    for (const SiaEvent& event : decoded.events()) {
        if (!out.empty()) {
            out += "; ";
        }
        out += event.code;
        out += ' ';
        const std::string_view meaning = siaEventMeaning(event.code);
        out += meaning.empty() ? std::string_view("unknown") : meaning;
        if (!event.address.empty()) {
            out += ", zone ";
            out += event.address;
        }
        if (!event.area.empty()) {
            out += ", area ";
            out += event.area;
        }
        if (!event.text.empty()) {
            out += ", \"";
            out += event.text;
            out += '"';
        }
    }
    if (out.empty() && decoded.kind == MessageKind::Sia) {
        out = "No event code readable";
    }
    return out;
}

}  // namespace corvane
