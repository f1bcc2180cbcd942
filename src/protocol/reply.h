// One answer to one message, as a value: the word, the script step that chose it, when it leaves,
// whether the connection closes after it, whether it is encrypted, and what its bytes are made
// of. The response policy and an answer script step both produce one; renderReply alone turns it
// into bytes; the records, the tally and the diagnostic lines read the Reply, never the bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "station/choices.h"

namespace corvane {

enum class AnswerWord : std::uint8_t { Ack, Nack, Nak, Duh, Custom, None };
inline constexpr int kAnswerWordCount = 6;

// "ACK", "NACK", "NAK", "DUH", "custom", "none".
const char* answerWordName(AnswerWord word);

// Whether, when and why an answer left. Pending until the link has tried to send it.
struct Delivery {
    enum class State : std::uint8_t { Pending, Sent, Unsent };
    enum class Reason : std::uint8_t {
        None,
        NothingToSend,      // the answer is none (or the custom answer empty)
        ConnectionClosing,  // a CLOSE step came first
        ConnectionLost,     // the receiver went away
        StationStopped,     // the link was stopped while the answer waited
        TimedOut,           // the receiver did not take it in time
        SendFailed,         // any other failure of the send
    };
    State state = State::Pending;
    Reason reason = Reason::None;
    std::int64_t sentUs = 0;  // UTC microseconds, once Sent

    static Delivery sentAt(std::int64_t us) { return {State::Sent, Reason::None, us}; }
    static Delivery unsentFor(Reason why) { return {State::Unsent, why, 0}; }

    bool waiting() const { return state == State::Pending; }
    // An answer that was planned with bytes to send and never left: it counts as unsent, never
    // under its word. An answer of nothing (none, or a message after a CLOSE) is no such loss.
    bool unsent() const {
        return state == State::Unsent && reason != Reason::NothingToSend &&
               reason != Reason::ConnectionClosing;
    }
};
inline constexpr int kDeliveryReasonCount = 7;

// "the answer is none", "the connection is closing", "connection lost", ...
const char* deliveryReasonText(Delivery::Reason reason);
// The short name counts and exports use: "connection lost", "station stopped", "send timed out",
// "send failed" ("" for None, "nothing to send", "connection closing").
const char* unsentReasonName(Delivery::Reason reason);

struct Reply {
    AnswerWord word = AnswerWord::None;
    bool encrypted = false;  // an encrypted DC-09 frame
    // A frame of the DC-09 settings (NAK, DUH, encrypted ACK): up to 4095 body bytes. The others
    // are built in the 256 bytes of the plain ACK and NACK.
    bool longFrame = false;
    Protocol protocol = Protocol::None;  // what the bytes are made for
    int step = -1;              // the answer script's step (0-based), -1 when the policy chose
    std::int64_t delayMs = 0;   // how long after the message was read it leaves
    std::int64_t closeMs = -1;  // close the connection this long after it; -1: stay open
    Delivery delivery;

    // What the bytes are made of. A frame: the text between the message's ID token and its "["
    // (so the answer names the message it answers). A custom answer: the operator's custom text.
    std::string text;
    // A frame's end: an encrypted ACK's cipher text in hexadecimal, after its "["; otherwise what
    // follows its "[]" (a NAK's "_HH:MM:SS,MM-DD-YYYY").
    std::string tail;
};

// The bytes on the wire: Sur-Gard 0x06, 0x15 or the custom byte; SIA-DCS the ACK, NACK, NAK or
// DUH frame, or the custom text; nothing for None (and for a custom answer that makes no byte).
std::string renderReply(const Reply& reply);

// What the DC-09 settings made of a received frame before the policy or a script answers it.
struct FrameVerdict {
    std::optional<Reply> decided;  // the whole answer, whatever the policy or the script says
    std::optional<Reply> ack;      // the ACK that replaces the plain one (encrypted)
    std::optional<Reply> nack;     // the answer that replaces the NACK frame (a NAK)
    bool linkTest = false;         // an encrypted link test
};

}  // namespace corvane
