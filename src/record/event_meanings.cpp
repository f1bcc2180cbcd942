#include "record/event_meanings.h"

#include <cstdio>
#include <unordered_map>

#include "record/message_record.h"
#include "record/sia_data_block.h"

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
    switch (qualifier) {
        case '1':
            return "New event or opening";
        case '3':
            return "New restore or closing";
        case '6':
            return "Previous event";
        default:
            return {};
    }
}

std::string recordMeaning(const MessageRecord& record) {
    std::string out;
    if (record.kind == MessageKind::Cid || record.kind == MessageKind::DeviceHeart) {
        const std::string_view qualifier = contactIdQualifierMeaning(record.cidQualifier);
        if (qualifier.empty()) {
            out = "Qualifier unknown";
        } else {
            out = qualifier;
        }
        char code[16];
        std::snprintf(code, sizeof code, ": %03d ", record.cidEvent);
        out += code;
        const std::string_view meaning = contactIdEventMeaning(record.cidEvent);
        out += meaning.empty() ? std::string_view("unknown") : meaning;
        return out;
    }
    if (record.kind != MessageKind::Sia) {
        return out;
    }
    const SiaDataBlock block = readSiaDataBlock(record.raw, record.clearText);
    for (const SiaEvent& event : block.events) {
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
    if (out.empty()) {
        out = "No event code readable";
    }
    return out;
}

}  // namespace corvane
