// What a decoder makes of one received message, as plain data: its kind, account, events and
// description, and the diagnostic line it calls for. Decoders only read the message; parseLine
// applies a Decoded to the counters and the heartbeat tick, and the msgPro worker hands the same
// Decoded to the activity log, the records and the tally.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/sia_data_block.h"

namespace corvane {

enum class MessageKind : std::uint8_t {
    Cid,
    Sia,
    Heartbeat,
    Private,
    DeviceHeart,
    LinkTest,
    Unknown,
    FormatError,
    CannotDecrypt,
};
inline constexpr int kMessageKindCount = 9;

// "CID", "SIA", "heartbeat", "private", "device heart", "link test", "unknown", "format error",
// "cannot decrypt".
const char* messageKindName(MessageKind kind);

struct Decoded {
    // The diagnostic line parseLine writes for the message.
    enum class Note : std::uint8_t {
        None,
        Description,       // level 3, the description
        Private,           // level 3, "SG Private-" and the message
        Cid10FormatError,  // level 3, "CID 10 format error: " and the message
        Cid4FormatError,   // level 3, "CID 4 format error: " and the message
        Unknown,           // level 2, "Unknown msg: " and the message
        Error,             // level 2, "Error msg: " and the message
        CannotDecrypt,     // level 2, the description and the message
    };

    MessageKind kind = MessageKind::Unknown;
    Note note = Note::None;
    bool stampsTick = false;     // a sign of life: renews the heartbeat tick
    bool decrypted = false;      // decoded from what the DC-09 settings decrypted
    char cidQualifier = 0;       // Contact ID: the character before the event code, 0 otherwise
    std::int16_t cidEvent = -1;  // Contact ID: the event code, -1 otherwise
    std::string account;         // as the message writes it; empty when it names none
    // SIA: the data block's text between "[" and "]", which events() reads (kept as text: most
    // blocks are short enough to need no allocation).
    std::string siaBlock;
    // The activity log's text after " --> "; may be empty. The worker marks a decrypted
    // message's description once parseLine has logged it: "(decrypted) ...".
    std::string description;

    // SIA: every event of the data block; none for other kinds.
    std::vector<SiaEvent> events() const;
};

}  // namespace corvane
