// Event codes in words, from the tables kept as data files under resources/events/ (turned into
// C++ at build time). A code the tables do not hold is reported unknown, never guessed.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

struct Decoded;

struct EventCodeEntry {
    const char* code;
    const char* meaning;
};

// The generated tables (build/.../record/*_event_codes.cpp); use the two functions below.
extern const EventCodeEntry kSiaEventCodes[];
extern const std::size_t kSiaEventCodesCount;
extern const EventCodeEntry kContactIdEventCodes[];
extern const std::size_t kContactIdEventCodesCount;

std::span<const EventCodeEntry> siaEventCodes();
std::span<const EventCodeEntry> contactIdEventCodes();

// The meaning of an SIA two-letter code or a Contact ID code; empty when unknown.
std::string_view siaEventMeaning(std::string_view code);
std::string_view contactIdEventMeaning(int code);
// '1' or 'E' "New event or opening", '3' or 'R' "New restore or closing", '6' or 'P' "Previous
// event"; empty else.
std::string_view contactIdQualifierMeaning(char qualifier);

// The meaning of a decoded message's event(s) in words: "New event or opening: 130 Burglary" for
// Contact ID, "BA Burglary Alarm, zone 01, area 1" per event for SIA (and a Sur-Gard private
// message's block), the line's event for the Sur-Gard line kinds (surGardLineMeaning); empty for
// kinds without events.
std::string meaningOf(const Decoded& decoded);

}  // namespace corvane
