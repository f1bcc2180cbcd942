// One received message as the records keep it: where and when it came, all its bytes, what the
// decoder made of it and how it was answered. No key material is ever part of a record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pipeline/received_message.h"
#include "protocol/decode_note.h"

namespace corvane {

enum class AnswerWord : std::uint8_t { Ack, Nack, Nak, Duh, Custom, None };
inline constexpr int kAnswerWordCount = 6;

// "ACK", "NACK", "NAK", "DUH", "custom", "none"; parsing is the inverse (None when unknown).
const char* answerWordName(AnswerWord word);
AnswerWord answerWordFromName(std::string_view name);

enum class RecordProtocol : std::uint8_t { Other, SurGard, SiaDcs };
const char* recordProtocolName(RecordProtocol protocol);  // "Sur-Gard", "SIA-DCS", ""
RecordProtocol recordProtocolFromName(std::string_view name);

struct MessageRecord {
    std::uint64_t sequence = 0;           // 1 for the first record of the run, then +1 each
    std::int64_t receivedUs = 0;          // UTC microseconds when the receiving thread read it
    std::uint64_t connection = 0;         // the link's connection number
    std::uint64_t indexOnConnection = 0;  // 0 for the first message of its connection
    std::string peer;                     // "address:port"
    RecordProtocol protocol = RecordProtocol::Other;
    std::string raw;  // every byte, zero bytes included
    // An encrypted frame's decrypted clear text, pad left out: data block, extended data and time
    // stamp. Empty when the frame was not decrypted. The meaning and the details read it.
    std::string clearText;
    MessageKind kind = MessageKind::Unknown;
    char cidQualifier = 0;  // Contact ID events only
    std::int16_t cidEvent = -1;
    std::string description;  // the activity log's description
    // The answer
    std::string answerBytes;
    AnswerWord answerWord = AnswerWord::None;
    int answerStep = -1;          // the answer script's step, -1 when none
    std::int64_t latencyUs = -1;  // read to send, -1 when unknown or nothing was sent
    bool encrypted = false;       // the frame was DC-09 encrypted
};

// The word an answer's bytes make under a protocol: Sur-Gard 0x06 ACK, 0x15 NACK; SIA-DCS the
// quoted word of the answer frame; any other bytes are custom, no bytes none.
AnswerWord answerWordFor(RecordProtocol protocol, std::string_view bytes);

// Copies what `note` says of the answer into `record` (the word named by the note wins over the
// one its bytes make).
void applyAnswer(MessageRecord& record, const AnswerNote& note);

}  // namespace corvane
