#include "record/message_record.h"

#include <array>

namespace corvane {

namespace {

constexpr std::array<const char*, kAnswerWordCount> kWordNames = {"ACK", "NACK",   "NAK",
                                                                  "DUH", "custom", "none"};

}  // namespace

const char* answerWordName(AnswerWord word) {
    return kWordNames[static_cast<std::size_t>(word)];
}

AnswerWord answerWordFromName(std::string_view name) {
    for (std::size_t i = 0; i < kWordNames.size(); ++i) {
        if (name == kWordNames[i]) {
            return static_cast<AnswerWord>(i);
        }
    }
    return AnswerWord::None;
}

const char* recordProtocolName(RecordProtocol protocol) {
    switch (protocol) {
        case RecordProtocol::SurGard:
            return "Sur-Gard";
        case RecordProtocol::SiaDcs:
            return "SIA-DCS";
        case RecordProtocol::Other:
            break;
    }
    return "";
}

RecordProtocol recordProtocolFromName(std::string_view name) {
    if (name == "Sur-Gard") {
        return RecordProtocol::SurGard;
    }
    if (name == "SIA-DCS") {
        return RecordProtocol::SiaDcs;
    }
    return RecordProtocol::Other;
}

AnswerWord answerWordFor(RecordProtocol protocol, std::string_view bytes) {
    if (bytes.empty()) {
        return AnswerWord::None;
    }
    if (protocol == RecordProtocol::SurGard && bytes.size() == 1) {
        if (bytes[0] == '\x06') {
            return AnswerWord::Ack;
        }
        if (bytes[0] == '\x15') {
            return AnswerWord::Nack;
        }
    }
    if (protocol == RecordProtocol::SiaDcs) {
        const std::size_t open = bytes.find('"');
        const std::size_t close = open == std::string_view::npos ? open : bytes.find('"', open + 1);
        if (close != std::string_view::npos) {
            const std::string_view word = bytes.substr(open + 1, close - open - 1);
            for (AnswerWord w :
                 {AnswerWord::Ack, AnswerWord::Nack, AnswerWord::Nak, AnswerWord::Duh}) {
                if (word == answerWordName(w)) {
                    return w;
                }
            }
        }
    }
    return AnswerWord::Custom;
}

void applyAnswer(MessageRecord& record, const AnswerNote& note) {
    record.answerBytes = note.bytes;
    record.answerWord = note.word.empty() ? answerWordFor(record.protocol, note.bytes)
                                          : answerWordFromName(note.word);
    record.answerStep = note.step;
    record.latencyUs =
        note.sentUs > 0 && !note.bytes.empty() ? note.sentUs - record.receivedUs : -1;
    record.encrypted = record.encrypted || note.encrypted;
}

}  // namespace corvane
