// The receiver heartbeat, told by its shape. The decoder counts it and the response policy
// answers it ("NACK All But Heartbeats", heartbeat scripts) by this one test, which the receiving
// thread runs before anything is decoded: a length test turns most lines away at once.
#pragma once

#include <string_view>

namespace corvane {

// "1", the receiver number and the line (RR L, or RR LLL: hexadecimal digits), then blanks with
// "@" in the event letter's place and four blanks after it, then the terminator 0x14: 21 bytes
// (MLR2) or 23 (MLR2000). A "1" line with an account, another event letter or the receivers'
// clock is a signal, not a heartbeat.
bool isSurGardHeartbeat(std::string_view message);

}  // namespace corvane
