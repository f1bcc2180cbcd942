// What a receiving thread hands the msgPro worker through the message queue, in the order it
// happened: a framed message with what the thread knew of it (where and when it was read, how it
// was answered, what the DC-09 settings decrypted), and the events the records and the tally
// follow per connection (a receiver connected or lost, an answer sent after its message).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dc09/dc09_reading.h"
#include "protocol/reply.h"
#include "station/link_loss.h"

namespace corvane {

// An answer that was still waiting when its connection ended: it never left.
struct UnsentAnswer {
    std::uint64_t index = 0;             // its message's place on the connection
    std::int32_t step = -1;              // the answer script's step, -1 when the policy chose
    AnswerWord word = AnswerWord::None;  // the word it would have been
    Delivery::Reason reason = Delivery::Reason::None;  // why it never left
};

struct ReceivedMessage {
    enum class Event : std::uint8_t {
        Message,     // a received message
        Connected,   // a receiver connection came up
        Lost,        // a receiver connection went away, with the answers it left unsent
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
    // Lost: how the link was lost, and the answers that never left, in order.
    LinkLoss loss = LinkLoss::None;
    std::vector<UnsentAnswer> unsent;

    ReceivedMessage() = default;
    // A message known only by its bytes (tests, tools): answered with nothing.
    ReceivedMessage(std::string bytes) : raw(std::move(bytes)) {  // NOLINT: implicit on purpose
        reply.delivery = {Delivery::State::Unsent, Delivery::Reason::NothingToSend, 0};
    }
    ReceivedMessage(const char* bytes) : ReceivedMessage(std::string(bytes)) {}  // NOLINT: as above

    static ReceivedMessage connected(std::uint64_t connection, std::string peer, std::int64_t us);
    static ReceivedMessage lost(std::uint64_t connection, std::int64_t us, LinkLoss loss);
};

}  // namespace corvane
