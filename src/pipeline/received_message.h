// What a receiving thread hands the msgPro worker through the message queue, in the order it
// happened: a framed message with what the thread knew of it (where and when it was read, how it
// was answered, what the DC-09 settings decrypted), and the events the records and the tally
// follow per connection (a receiver connected or lost, an answer sent after its message).
#pragma once

#include <cstdint>
#include <string>

#include "dc09/dc09_reading.h"
#include "protocol/reply.h"

namespace corvane {

struct ReceivedMessage {
    enum class Event : std::uint8_t {
        Message,     // a received message
        Connected,   // a receiver connection came up
        Lost,        // a receiver connection went away
        AnswerSent,  // the answer of an earlier message left late (its Reply says when)
    };

    Event event = Event::Message;
    std::string raw;                      // Message: every framed byte, zero bytes included
    std::uint64_t connection = 0;         // the link's connection number, 0 when unknown
    std::uint64_t indexOnConnection = 0;  // Message, AnswerSent: its place on the connection
    std::string peer;                     // "address:port" of the receiver
    // UTC microseconds: when the message was read (AnswerSent: its message), or the receiver
    // connected or was lost.
    std::int64_t receivedUs = 0;
    Reply reply;              // how the message was (or is to be) answered
    std::string answerBytes;  // the reply's bytes, as rendered once for the wire
    Dc09Reading dc09;         // the decryption the receiving thread did while answering

    ReceivedMessage() = default;
    // A message known only by its bytes (tests, tools).
    ReceivedMessage(std::string bytes) : raw(std::move(bytes)) {}  // NOLINT: implicit on purpose
    ReceivedMessage(const char* bytes) : raw(bytes) {}             // NOLINT: implicit on purpose

    static ReceivedMessage connected(std::uint64_t connection, std::string peer, std::int64_t us);
    static ReceivedMessage lost(std::uint64_t connection, std::int64_t us);
};

}  // namespace corvane
