#include "protocol/reply.h"

#include <array>

#include "protocol/custom_byte.h"
#include "protocol/dc09_frame.h"

namespace corvane {

namespace {

constexpr std::array<const char*, kAnswerWordCount> kWordNames = {"ACK", "NACK",   "NAK",
                                                                  "DUH", "custom", "none"};

constexpr char kAckByte = 0x06;
constexpr char kNackByte = 0x15;

std::string frameOf(const Reply& reply, std::string_view word) {
    if (reply.encrypted) {
        return encryptedFrame(word, reply.text, reply.tail);
    }
    if (reply.longFrame) {
        return longReplyFrame(word, reply.text, reply.tail);
    }
    ReplyFrame frame;
    buildReplyFrame(word, reply.text, frame, reply.tail);
    return std::string(frame.view());
}

}  // namespace

const char* answerWordName(AnswerWord word) {
    return kWordNames[static_cast<std::size_t>(word)];
}

const char* deliveryReasonText(Delivery::Reason reason) {
    switch (reason) {
        case Delivery::Reason::None:
            return "";
        case Delivery::Reason::NothingToSend:
            return "the answer is none";
        case Delivery::Reason::ConnectionClosing:
            return "the connection is closing";
        case Delivery::Reason::ConnectionLost:
            return "connection lost";
        case Delivery::Reason::StationStopped:
            return "the station stopped";
        case Delivery::Reason::TimedOut:
            return "the receiver did not take it in time";
        case Delivery::Reason::SendFailed:
            return "the send failed";
    }
    return "";
}

const char* unsentReasonName(Delivery::Reason reason) {
    switch (reason) {
        case Delivery::Reason::None:
            return "";
        case Delivery::Reason::NothingToSend:
            return "nothing to send";
        case Delivery::Reason::ConnectionClosing:
            return "connection closing";
        case Delivery::Reason::ConnectionLost:
            return "connection lost";
        case Delivery::Reason::StationStopped:
            return "station stopped";
        case Delivery::Reason::TimedOut:
            return "send timed out";
        case Delivery::Reason::SendFailed:
            return "send failed";
    }
    return "";
}

std::string renderReply(const Reply& reply) {
    const bool siaDcs = reply.protocol == Protocol::SiaDcs;
    switch (reply.word) {
        case AnswerWord::Ack:
            return siaDcs ? frameOf(reply, "ACK") : std::string(1, kAckByte);
        case AnswerWord::Nack:
            return siaDcs ? frameOf(reply, "NACK") : std::string(1, kNackByte);
        case AnswerWord::Nak:
            return frameOf(reply, "NAK");
        case AnswerWord::Duh:
            return frameOf(reply, "DUH");
        case AnswerWord::Custom: {
            if (siaDcs) {
                return reply.text;  // sent as it is: no framing, no CRC, no terminator
            }
            // The answer is a C text of at most one byte: a byte 0 sends nothing.
            const auto byte = static_cast<char>(customByte(reply.text));
            return byte == 0 ? std::string() : std::string(1, byte);
        }
        case AnswerWord::None:
            break;
    }
    return {};
}

}  // namespace corvane
