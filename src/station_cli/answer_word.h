// The word an answer is counted under in corvane-station's summary.
#pragma once

#include <string>
#include <string_view>

#include "pipeline/received_message.h"

namespace corvane::cli {

// The note's own word when the answering code set one; else read from the bytes: Sur-Gard 0x06
// "ACK", 0x15 "NACK", any other byte "custom"; SIA-DCS the quoted word that opens a reply frame
// ("ACK", "NAK", "NACK", "DUH"), any other text "custom"; nothing sent "none".
std::string answerWord(std::string_view protocol, const AnswerNote& answer);

}  // namespace corvane::cli
