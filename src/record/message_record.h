// One received message as the records keep it: where and when it came, all its bytes, what the
// decoder made of it and how it was answered. No key material is ever part of a record.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/decoded.h"
#include "protocol/reply.h"
#include "station/choices.h"

namespace corvane {

struct MessageRecord {
    std::uint64_t sequence = 0;           // 1 for the first record of the run, then +1 each
    std::int64_t receivedUs = 0;          // UTC microseconds when the receiving thread read it
    std::uint64_t connection = 0;         // the link's connection number
    std::uint64_t indexOnConnection = 0;  // 0 for the first message of its connection
    std::string peer;                     // "address:port"
    Protocol protocol = Protocol::None;
    std::string raw;  // every byte, zero bytes included
    Decoded decoded;  // what the msgPro worker's decoder made of it
    // The answer
    std::string answerBytes;
    AnswerWord answerWord = AnswerWord::None;
    int answerStep = -1;          // the answer script's step, -1 when none
    std::int64_t latencyUs = -1;  // read to send, -1 when unknown or nothing was sent
    bool encrypted = false;       // the frame was DC-09 encrypted
};

// Copies what the Reply says of the answer, and its bytes, into `record`; the latency once the
// answer has been sent.
void applyAnswer(MessageRecord& record, const Reply& reply, std::string bytes);

}  // namespace corvane
