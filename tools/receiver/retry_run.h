// corvane-receiver as a field receiver: one message at a time, each resent after a NACK (or any
// answer but ACK) or after no answer within the wait, up to N times, then given up; the
// connection made again after the station closes it, when asked.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "receiver/run_options.h"

namespace corvane::sim {

struct AnswerSeen {
    std::string word;      // "ACK", "NACK", "NAK", "DUH", "byte 0xNN", "no answer", "closed"
    std::int64_t delayMs;  // after the attempt was sent
};

struct MessageOutcome {
    int connection = 0;
    std::uint64_t number = 0;  // 1-based on its connection
    Kind kind = Kind::Heartbeat;
    int attempts = 0;
    std::vector<AnswerSeen> answers;
    bool acknowledged = false;
    bool stopped = false;  // a signal stopped the run while it waited for an answer
};

struct RetryResult {
    std::string error;      // the run could not start
    std::string stoppedBy;  // the signal that stopped the run; empty: none
    std::vector<MessageOutcome> messages;
    int reconnects = 0;
    std::uint64_t acknowledged() const;
    std::uint64_t givenUp() const;  // not acknowledged, and not stopped
};

// Runs options.connections receivers at once (each on its own thread), options.count messages
// each, new messages paced by options.rate. Listening, `onListening` gets the port before the wait
// for the station.
RetryResult runRetrying(const RunOptions& options,
                        const std::function<void(std::uint16_t)>& onListening = {});

// One line per message ("message 3 (cid): 2 attempts; NACK after 12 ms, ACK after 4501 ms;
// acknowledged"), then the summary by outcome.
void printRetryReport(std::ostream& out, const RetryResult& result, bool quiet);

}  // namespace corvane::sim
