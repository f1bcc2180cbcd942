// The DC-09 answer frames beyond the plain ACK and NACK: the NAK that carries the receiver's
// clock, the DUH for a message the receiver cannot use, and the encrypted ACK.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "dc09/dc09_key.h"

namespace corvane::dc09 {

// LF, CRC of the body (4 upper-case hex digits), "0", body length (3 digits), body, CR.
std::string frameAround(std::string_view body);

// "NAK"0000R0L0A0[]_HH:MM:SS,MM-DD-YYYY with the UTC time `now`.
std::string nakFrame(std::time_t now);
// A NAK frame carries the UTC time it leaves: one that waited (NACK All's pause, a script's
// DELAY) gets `now` in place of the time it was built with, and its CRC anew. Any other answer
// stays as it is. A sender that sets its clock from a NAK must not end up behind.
void restampNak(std::string& answer, std::time_t now);

// "DUH", the text the message carries after its ID token up to "[", and "[]".
std::string duhFrame(std::string_view message);

// "*ACK", the copied text, "[", then the hexadecimal cipher text of: random pad (never "|", "["
// or "]") making a multiple of 16 bytes, "|]", "_" and the time stamp of `now`. Empty when
// OpenSSL fails (the caller then answers in the clear).
std::string encryptedAckFrame(std::string_view message, const Key& key, std::time_t now);

// The answer is an encrypted DC-09 frame (its body starts with "*, after LF, CRC and length).
inline bool encryptedAnswer(std::string_view answer) {
    return answer.size() > 10 && answer[0] == '\n' && answer[9] == '"' && answer[10] == '*';
}

}  // namespace corvane::dc09
