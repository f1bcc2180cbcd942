#include "station_cli/answer_word.h"

namespace corvane::cli {

namespace {

// A reply frame is LF, CRC, length, then its body, which starts with the quoted word.
std::string frameWord(std::string_view frame) {
    const std::size_t open = frame.find('"');
    const std::size_t close = open == std::string_view::npos ? open : frame.find('"', open + 1);
    if (close == std::string_view::npos) {
        return "custom";
    }
    const std::string_view word = frame.substr(open + 1, close - open - 1);
    for (const char* known : {"ACK", "NAK", "NACK", "DUH"}) {
        if (word == known) {
            return known;
        }
    }
    return "custom";
}

}  // namespace

std::string answerWord(std::string_view protocol, const AnswerNote& answer) {
    if (!answer.word.empty()) {
        return answer.word;
    }
    const std::string& bytes = answer.bytes;
    if (bytes.empty()) {
        return "none";
    }
    if (protocol == "Sur-Gard") {
        if (bytes == "\x06") {
            return "ACK";
        }
        return bytes == "\x15" ? "NACK" : "custom";
    }
    return frameWord(bytes);
}

}  // namespace corvane::cli
