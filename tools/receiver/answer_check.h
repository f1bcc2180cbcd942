// Cuts the station's answer stream into answers and judges each one against the message it
// answers.
//   Sur-Gard: every byte is one answer: 0x06 ACK, 0x15 NACK, or the operator's custom byte.
//   SIA-DCS:  an answer runs up to and including CR. A good one is a DC-09 frame with the right
//             length and CRC whose body is the quoted word ACK or NACK, the text the message
//             carried between its ID token and "[", and "[]".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "receiver/message_kinds.h"

namespace corvane::sim {

enum class Expect { Ack, Nack, Any, Byte };

struct Expectation {
    Expect expect = Expect::Ack;
    std::uint8_t byte = 0;  // with Expect::Byte (Sur-Gard only)
};

class AnswerReader {
  public:
    // An SIA-DCS answer that grows past this without a CR is cut off and judged (as bad).
    static constexpr std::size_t kMaxFrame = 1024;

    explicit AnswerReader(Protocol protocol) : m_protocol(protocol) {}

    // Appends the complete answers found in `bytes` to `out`, in order.
    void feed(std::string_view bytes, std::vector<std::string>& out);

  private:
    Protocol m_protocol;
    std::string m_partial;
};

// An empty result means the answer is good; otherwise it says what is wrong.
std::string checkSurGardAnswer(std::string_view answer, const Expectation& expectation);
std::string checkDc09Answer(std::string_view answer, std::string_view echo,
                            const Expectation& expectation);

// The answer to an encrypted frame: an encrypted ACK (checked with `key`) or a plain NACK.
std::string checkEncryptedDc09Answer(std::string_view answer, std::string_view echo,
                                     const std::string& key, const Expectation& expectation);

// Bytes shown readably in a report: printable ASCII as is, the rest as \xNN (\n and \r named).
std::string printable(std::string_view bytes, std::size_t limit = 80);

}  // namespace corvane::sim
