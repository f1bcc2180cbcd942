// One framed message on its way from a receiving thread to the msgPro worker, with what the
// receiving thread knew of it: where and when it was read, and how it was answered.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// What the station answered (or will answer) to one message.
struct AnswerNote {
    std::string bytes;         // the answer as sent on the wire; empty when nothing is sent
    std::string word;          // "ACK", "NACK", "NAK", "DUH", "custom" or "none"
    int step = -1;             // the answer script's step (0-based), -1 when no script chose it
    std::int64_t delayMs = 0;  // how long the answer waits after the message was read
    bool encrypted = false;    // the answer is an encrypted DC-09 frame
    // Message records: when the answer went out, for its latency
    std::int64_t sentUs = 0;  // UTC microseconds when the answer was sent, 0 when unknown
};

struct ReceivedMessage {
    std::string raw;               // every framed byte, zero bytes included
    std::uint64_t connection = 0;  // the link's connection number, 0 when unknown
    std::string peer;              // "address:port" of the receiver
    std::int64_t receivedUs = 0;   // UTC microseconds since the epoch when it was read
    AnswerNote answer;

    ReceivedMessage() = default;
    // A message known only by its bytes (tests, tools).
    ReceivedMessage(std::string bytes) : raw(std::move(bytes)) {}  // NOLINT: implicit on purpose
    ReceivedMessage(const char* bytes) : raw(bytes) {}             // NOLINT: implicit on purpose
};

// UTC microseconds since the epoch, for ReceivedMessage::receivedUs.
std::int64_t utcMicrosecondsNow();

}  // namespace corvane
