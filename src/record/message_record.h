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
    std::string raw;                      // every byte, zero bytes included
    // An encrypted frame's decrypted clear text, pad left out: data block, extended data and time
    // stamp. Empty when the frame was not decrypted. The meaning and the details read it.
    std::string clearText;
    // What the msgPro worker's Decoded said of it. Its SIA data block (and a Sur-Gard line's
    // fields) are taken again from `raw` (or `clearText`) when its events are asked for, so a
    // record stays as small as a record without them.
    std::string description;  // the activity log's description
    std::string answerBytes;
    Protocol protocol = Protocol::None;
    MessageKind kind = MessageKind::Unknown;
    bool decrypted = false;      // decoded from what the DC-09 settings decrypted
    char cidQualifier = 0;       // Contact ID only, as received (1, 3, 6 or E, R, P)
    std::int16_t cidEvent = -1;  // Contact ID only
    // The answer
    AnswerWord answerWord = AnswerWord::None;
    bool encrypted = false;       // the frame was DC-09 encrypted
    int answerStep = -1;          // the answer script's step, -1 when none
    std::int64_t latencyUs = -1;  // read to send, -1 when unknown or nothing was sent
};

// Keeps what the records hold of `decoded` (its description is moved).
void keepDecoded(MessageRecord& record, Decoded&& decoded);
// The record's Decoded again: what it kept, with the SIA data block taken anew from its bytes, or
// from its clear text when it was decrypted (none for a decrypted frame without one).
Decoded decodedOf(const MessageRecord& record);

// Copies what the Reply says of the answer, and its bytes, into `record`; the latency once the
// answer has been sent.
void applyAnswer(MessageRecord& record, const Reply& reply, std::string bytes);

}  // namespace corvane
