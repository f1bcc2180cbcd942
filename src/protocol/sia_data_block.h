// A full reading of an SIA data block, for the records (the activity log keeps its one-line
// description): the account, new or old event, modifiers (ti, da, id, ri, pi ...) and every event
// of the block, as in "[#1234|Nri1/BA01/BA02]" or "[#1234|NBA01]".
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane {

struct SiaEvent {
    std::string code;     // two upper-case letters
    std::string address;  // zone or user number after the code, may be empty
    std::string text;     // "^text^" after the code, without the carets
    std::string area;     // the ri modifier in force, may be empty
    std::string user;     // the id modifier in force, may be empty
};

struct SiaDataBlock {
    bool found = false;  // the message holds a "[" at all
    std::string account;
    char eventType = 0;  // 'N' new, 'O' old, 0 when the block does not say
    std::vector<std::pair<std::string, std::string>> modifiers;  // in order, e.g. {"ri", "1"}
    std::vector<SiaEvent> events;
    std::string unread;  // characters no rule could read, joined
};

// Reads the first "[...]" block of a message (up to the end when "]" is missing).
SiaDataBlock readSiaDataBlock(std::string_view message);
// The text of a message's first block, between its "[" and "]" (to the end when "]" is missing);
// empty when there is no "[".
std::string_view siaBlockText(std::string_view message);
// The block text of a received frame: from its decrypted clear text when it has one (the clear
// text starts inside the block, after the "[" the frame sent in the clear), else from its bytes.
std::string_view siaBlockText(std::string_view raw, std::string_view clearText);
// The block of a received frame, read from siaBlockText(raw, clearText); a decrypted block
// without its account field takes the account the frame names before "[".
SiaDataBlock readSiaDataBlock(std::string_view raw, std::string_view clearText);
// The events of a block's text alone (the modifiers in force are still applied to them).
std::vector<SiaEvent> readSiaEvents(std::string_view blockText);

// A modifier's name in words ("time", "date", "user", "area", "peripheral"), empty when unknown.
std::string_view siaModifierName(std::string_view modifier);

}  // namespace corvane
