// What one simulator run does, and what it found.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "receiver/answer_check.h"
#include "receiver/dc09_crypto.h"
#include "receiver/latency_stats.h"
#include "receiver/message_kinds.h"

namespace corvane::sim {

struct RunProgress;

// One message of a replayed recording (--replay).
struct ReplayMessage {
    std::int64_t atUs = 0;  // after the recording's first message
    Kind kind = Kind::Heartbeat;
    std::string bytes;
    std::string echo;  // DC-09: the text the answer must copy
};

// --suite: a fixed set of lines or frames with a verdict for each, instead of a run.
enum class Suite { None, Dc09, SurGard };

struct RunOptions {
    Protocol protocol = Protocol::SurGard;
    ReceiverType receiverType = ReceiverType::Mlr2000;
    Qualifier qualifier = Qualifier::Letter;  // of Contact ID lines
    std::string account;  // the account of every message (--account); empty: 1000 + connection
    bool clock = false;   // the receivers' clock suffix on the lines that may carry one
    // Listen (the station connects to us, its Client mode) or connect (its Server mode).
    bool listen = false;
    std::string host = "127.0.0.1";
    std::uint16_t port = 0;     // listening: 0 picks a free port, reported to the callback
    std::vector<Kind> kinds;    // sent round-robin; empty means defaultKinds(protocol)
    std::uint64_t count = 100;  // messages per connection
    double rate = 0;            // messages per second on each connection; 0 = as fast as possible
    bool pipeline = false;      // send without waiting for answers (answers matched in order)
    int connections = 1;
    int glue = 1;  // messages per write
    Expectation expectation;
    int answerTimeoutMs = 5000;
    int connectTimeoutMs = 30000;    // to connect, or to wait for the station to connect
    std::size_t badSampleLimit = 5;  // bad answers kept, per connection, for the report
    // When set, a connection that sees it true stops at once (for callers that run the
    // simulator in-process and need to end a long run early).
    const std::atomic<bool>* cancel = nullptr;
    // When set, the connections add what they sent and what got settled to it (progress_line).
    RunProgress* progress = nullptr;
    // DC-09 encryption (--key): frames of accounts with a key are sent encrypted, and their ACKs
    // must be encrypted ACKs. --suite dc09 sends the fixed set of awkward frames instead.
    SimKeys keys;
    Pad pad = Pad::Binary;
    Suite suite = Suite::None;
    // Behave like a field receiver (retry_run): set by --retries, --ack-wait or --reconnect.
    bool retrying = false;
    int retries = 3;       // resends after a NACK or no answer, before giving up
    int ackWaitMs = 4000;  // how long each attempt waits for its answer
    int reconnectMs = -1;  // connect again this long after the station closed; -1: never
    // Replay: one list per connection, sent instead of generated messages (count and
    // connections then follow the recording); with recordedTiming the recorded gaps are kept.
    std::vector<std::vector<ReplayMessage>> replay;
    bool recordedTiming = false;
};

struct BadAnswer {
    int connection = 0;
    std::uint64_t message = 0;  // 1-based number of the message on its connection, 0 if none
    std::string text;
};

struct ConnectionResult {
    std::uint64_t sent = 0;      // messages written completely
    std::uint64_t answered = 0;  // answers matched to a message
    std::uint64_t good = 0;
    std::uint64_t bad = 0;
    std::uint64_t missing = 0;  // sent, but no answer within the time-out or before the close
    std::uint64_t extra = 0;    // answers that came when no message was waiting for one
    LatencyStats latency;
    std::vector<BadAnswer> badSamples;
    std::string error;  // why the connection ended early; empty when it ran to the end
    std::chrono::steady_clock::time_point firstSend{};
    std::chrono::steady_clock::time_point lastAnswer{};
};

struct RunResult {
    std::string error;       // the run could not start (listen, accept or connect failed)
    std::string stoppedBy;   // the signal that stopped the run ("SIGINT", "SIGTERM"); empty: none
    std::uint16_t port = 0;  // the port used (the one picked, when listening on port 0)
    std::uint64_t expected = 0;  // messages that should have been sent
    std::vector<ConnectionResult> connections;
    ConnectionResult total;  // sums; its latency holds every sample
    double seconds = 0;      // first send to last answer
    double messagesPerSecond() const {
        return seconds > 0 ? static_cast<double>(total.answered) / seconds : 0.0;
    }
    // Every message was sent and got a good answer, and nothing else came.
    bool allGood() const {
        return error.empty() && stoppedBy.empty() && total.sent == expected &&
               total.good == expected && total.bad == 0 && total.missing == 0 && total.extra == 0;
    }
};

}  // namespace corvane::sim
