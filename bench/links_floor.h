// The link benchmark's floor: a bare loopback ping-pong, a peer that answers each 23-byte message
// with one byte (blocking sockets, TCP_NODELAY, one message after the previous answer).
#pragma once

#include <cstdint>

#include "links_table.h"

namespace corvane::bench {

// A blocking client against the bare peer: the loopback's own cost. Fills `row` with it.
Floor measureFloor(std::uint64_t messages, Row& row);
// The receiver simulator against the same bare peer: how much of a gap to the floor is the
// measuring client's own.
Row measureSimulatorFloor(std::uint64_t messages);
// The floor of the 64-receiver rows: the simulator's `connections` receivers in lockstep against
// bare peers served by one thread that answers each message with one byte, as the station's one
// select thread does. Fills `row` with it.
Floor measureManyFloor(int connections, std::uint64_t perReceiver, Row& row);

}  // namespace corvane::bench
