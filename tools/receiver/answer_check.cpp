#include "receiver/answer_check.h"

#include <cstdio>
#include <ctime>

#include "receiver/dc09_crypto.h"
#include "receiver/dc09_frame.h"
#include "station_cli/cli_conventions.h"

namespace corvane::sim {

namespace {

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNack = 0x15;

std::string hexByte(std::uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(byte));
    return text;
}

}  // namespace

void AnswerReader::feed(std::string_view bytes, std::vector<std::string>& out) {
    if (m_protocol == Protocol::SurGard) {
        for (char c : bytes) {
            out.emplace_back(1, c);
        }
        return;
    }
    // Whole runs up to CR (or up to the size limit) at a time.
    while (!bytes.empty()) {
        const std::string_view run = bytes.substr(0, kMaxFrame - m_partial.size());
        const std::size_t cr = run.find('\r');
        const std::size_t taken = cr == std::string_view::npos ? run.size() : cr + 1;
        m_partial.append(run.substr(0, taken));
        bytes.remove_prefix(taken);
        if (cr != std::string_view::npos || m_partial.size() >= kMaxFrame) {
            out.push_back(std::move(m_partial));
            m_partial.clear();
        }
    }
}

std::string checkSurGardAnswer(std::string_view answer, const Expectation& expectation) {
    if (answer.size() != 1) {
        return "answer is not one byte: " + printable(answer);
    }
    const auto byte = static_cast<std::uint8_t>(answer[0]);
    switch (expectation.expect) {
        case Expect::Ack:
            return byte == kAck ? "" : "expected ACK 0x06, got " + hexByte(byte);
        case Expect::Nack:
            return byte == kNack ? "" : "expected NACK 0x15, got " + hexByte(byte);
        case Expect::Any:
            return byte == kAck || byte == kNack ? ""
                                                 : "expected ACK or NACK, got " + hexByte(byte);
        case Expect::Byte:
            return byte == expectation.byte
                       ? ""
                       : "expected " + hexByte(expectation.byte) + ", got " + hexByte(byte);
    }
    return "unknown expectation";
}

std::string checkDc09Answer(std::string_view answer, std::string_view echo,
                            const Expectation& expectation) {
    std::string why;
    const auto body = dc09Body(answer, &why);
    if (!body) {
        return why + ": " + printable(answer);
    }
    const std::string tail = std::string(echo) + "[]";
    const bool ack = *body == "\"ACK\"" + tail;
    const bool nack = *body == "\"NACK\"" + tail;
    if (!ack && !nack) {
        return "body is not \"ACK\" or \"NACK\" + \"" + printable(tail) + "\": " + printable(*body);
    }
    if (expectation.expect == Expect::Ack && !ack) {
        return "expected ACK, got NACK";
    }
    if (expectation.expect == Expect::Nack && !nack) {
        return "expected NACK, got ACK";
    }
    if (expectation.expect == Expect::Byte) {
        return "a custom byte is not a SIA-DCS answer";
    }
    return "";
}

std::string checkEncryptedDc09Answer(std::string_view answer, std::string_view echo,
                                     const std::string& key, const Expectation& expectation) {
    std::string why;
    const auto body = dc09Body(answer, &why);
    if (!body) {
        return why + ": " + printable(answer);
    }
    if (body->substr(0, 6) == "\"*ACK\"") {
        if (expectation.expect == Expect::Nack) {
            return "expected NACK, got an encrypted ACK";
        }
        return checkEncryptedAckBody(*body, echo, key, std::time(nullptr));
    }
    if (*body == "\"NACK\"" + std::string(echo) + "[]" && expectation.expect != Expect::Ack) {
        return "";
    }
    return "expected an encrypted ACK or a plain NACK: " + printable(*body);
}

std::string printable(std::string_view bytes, std::size_t limit) {
    return cli::escapedBytes(bytes, limit);
}

}  // namespace corvane::sim
