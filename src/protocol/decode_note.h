// What one decode found out beyond its description: the kind of the message and, for a Contact ID
// event, its qualifier and event code. The message records take it from here, so nothing is
// decoded twice.
#pragma once

#include <cstdint>

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

struct DecodeNote {
    MessageKind kind = MessageKind::Unknown;
    char cidQualifier = 0;  // the character before a Contact ID event code, 0 for other kinds
    int cidEvent = -1;      // the Contact ID event code, -1 for other kinds
};

}  // namespace corvane
