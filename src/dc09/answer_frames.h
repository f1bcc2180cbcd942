// The DC-09 answers beyond the plain ACK and NACK: the NAK that carries the receiver's clock, the
// DUH for a message the receiver cannot use, and the encrypted ACK.
#pragma once

#include <ctime>
#include <optional>
#include <string_view>

#include "dc09/dc09_key.h"
#include "protocol/reply.h"

namespace corvane::dc09 {

// "NAK"0000R0L0A0[]_HH:MM:SS,MM-DD-YYYY with the UTC time `now`.
Reply nakReply(std::time_t now);
// A NAK carries the UTC time it leaves: one that waited (NACK All's pause, a script's DELAY)
// gets `now` in place of the time it was planned with. Any other answer stays as it is. A
// sender that sets its clock from a NAK must not end up behind. True when it was restamped.
bool restampNak(Reply& reply, std::time_t now);
// "DUH", the text the message carries after its ID token up to "[", and "[]".
Reply duhReply(std::string_view message);

// "*ACK", the copied text, "[", then the hexadecimal cipher text of: random pad (never "|", "["
// or "]") making a multiple of 16 bytes, "|]", "_" and the time stamp of `now`. Nothing when
// OpenSSL fails (the caller then answers in the clear).
std::optional<Reply> encryptedAckReply(std::string_view message, const Key& key, std::time_t now);

}  // namespace corvane::dc09
