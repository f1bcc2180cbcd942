// What a decoder makes of one received message, as plain data: its kind, account, events and
// description, and the diagnostic line it calls for. Decoders only read the message; parseLine
// applies a Decoded to the counters and the heartbeat tick, and the msgPro worker hands the same
// Decoded to the activity log, the records and the tally.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/sia_data_block.h"

namespace corvane {

// The kinds a record can have. The first five each raise one of the station's counters (SIA 1
// lines count as SIA, link tests as heartbeats); the Sur-Gard line types from Signal to Other
// format are kept as kinds of their own, and counted by the tally alone.
enum class MessageKind : std::uint8_t {
    Cid,
    Sia,
    Heartbeat,
    Private,
    DeviceHeart,
    LinkTest,
    Signal,       // Sur-Gard "1": a basic, pulse or open/close signal
    LineStatus,   // Sur-Gard "1": a receiver's or line card's own status
    Audio,        // Sur-Gard "1": two-way audio on a line
    Sia1,         // Sur-Gard "3": SIA protocol 1
    CallerId,     // Sur-Gard "4": the caller's telephone number
    Bfsk,         // Sur-Gard "6": Modem II / BFSK
    Ademco,       // Sur-Gard "8": Ademco high speed
    OtherFormat,  // a Sur-Gard line type whose fields are not read
    Unknown,
    FormatError,
    CannotDecrypt,
};
inline constexpr int kMessageKindCount = 17;

// "CID", "SIA", "heartbeat", "private", "device heart", "link test", "signal", "line status",
// "audio", "SIA 1", "caller ID", "BFSK", "Ademco", "other format", "unknown", "format error",
// "cannot decrypt".
const char* messageKindName(MessageKind kind);

// The width of the fields after a Sur-Gard line's header (all line types but Contact ID).
inline constexpr std::size_t kLineFieldsWidth = 16;

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
        FormatError,       // level 3, the description (which names the fault) and the message
        CannotDecrypt,     // level 2, the description and the message
    };

    MessageKind kind = MessageKind::Unknown;
    Note note = Note::None;
    bool stampsTick = false;  // a sign of life: renews the heartbeat tick
    bool decrypted = false;   // decoded from what the DC-09 settings decrypted
    // Contact ID: the qualifier as received (1, 3, 6 or E, R, P), 0 otherwise
    char cidQualifier = 0;
    std::int16_t cidEvent = -1;  // Contact ID: the event code, -1 otherwise
    std::string account;         // as the message writes it; empty when it names none
    // SIA and private: the data block's text between "[" and "]", which events() reads (kept as
    // text: most blocks are short enough to need no allocation).
    std::string siaBlock;
    // Sur-Gard line kinds (Signal to Ademco): the fields after the header, which meaningOf reads.
    std::array<char, kLineFieldsWidth> lineFields{};
    // The activity log's text after " --> "; may be empty. The worker marks a decrypted
    // message's description once parseLine has logged it: "(decrypted) ...".
    std::string description;

    // SIA and Sur-Gard private messages: every event of the data block; none for other kinds.
    std::vector<SiaEvent> events() const;
};

}  // namespace corvane
