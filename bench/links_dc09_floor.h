// The SIA-DCS floors of the link benchmark: the receiver simulator in lockstep against a bare peer
// that answers each DC-09 frame with its ACK frame and nothing else. Plain, it is the cost of the
// simulator's own frames; encrypted, the peer does the AES work a station does for each frame
// (decrypt the frame, encrypt the ACK) and the simulator does its own (encrypt the frame, decrypt
// the ACK), so the row is what encryption costs with no station in the way.
#pragma once

#include <cstdint>

#include "links_table.h"

namespace corvane::bench {

inline constexpr const char* kDc09FloorKey = "000102030405060708090A0B0C0D0E0F";

// `encrypted`: every frame is sent encrypted under kDc09FloorKey and answered with an
// encrypted ACK.
Row measureDc09Floor(std::uint64_t messages, bool encrypted);

}  // namespace corvane::bench
