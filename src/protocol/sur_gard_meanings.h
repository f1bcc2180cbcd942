// The meanings of the Sur-Gard line kinds that carry an event: a signal's event letter with its
// zone (or user) and area, a receiver's or line card's status code, two-way audio, an SIA
// protocol 1 code, a BFSK event and the Ademco high speed channels. The records show them; the
// activity log keeps the one-line description.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

struct Decoded;

// "Closing: user 128, area 1", "Trouble: 10 Faulty data on the line card", "Two-way audio on
// line 4", "BA Burglary Alarm, zone 0001", "Event B, zone 003", "Channel 1: new alarm"; empty
// for the other kinds (a caller ID carries no event).
std::string surGardLineMeaning(const Decoded& decoded);

// A signal's event letter in words ("Alarm", "Opening", ...), empty for a letter the receivers'
// printer library does not name.
std::string_view signalEventName(char letter);
// A status code of a receiver or a line card ("15" "AC failure", "F3" "Line card 3 absent").
std::string statusCodeMeaning(std::string_view code);

}  // namespace corvane
