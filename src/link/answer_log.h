// The diagnostic lines of answers, written from the receiving threads through the log's own
// writing thread (never a file write on a receiving thread). An answer that went as planned (sent
// at once, or nothing sent because nothing was to be sent) gets its line only at the verbose
// level 1; one that was delayed, not sent, or failed gets it at level 2.
#pragma once

#include <chrono>
#include <cstdint>

#include "protocol/reply.h"

namespace corvane {

// "connection N: WORD sent (step S, delay D ms) L us after the read".
void logAnswerSent(std::uint64_t connection, const Reply& reply, std::int64_t latencyUs,
                   bool asPlanned);
// "connection N: nothing sent for WORD (step S, delay D ms): REASON". A timed-out send names
// `sendTimeout`.
void logNothingSent(std::uint64_t connection, const Reply& reply,
                    std::chrono::milliseconds sendTimeout = {});

}  // namespace corvane
