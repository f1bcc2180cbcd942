#include "receiver/dc09_frame.h"

#include <array>

namespace corvane::sim {

namespace {

constexpr std::size_t kHeaderSize = 1 + 4 + 4;  // LF, CRC, "0" + length

// Reads `digits` upper-case hex digits; lower case is refused, as the frame layout asks for upper.
std::optional<unsigned> upperHex(std::string_view text) {
    unsigned value = 0;
    for (char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return value;
}

// The CRC of each byte value, from the bitwise definition (lowest bit first): one look-up a byte
// instead of eight shifts.
constexpr std::array<std::uint16_t, 256> makeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned value = 0; value < 256; ++value) {
        unsigned crc = value;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) != 0 ? (crc >> 1) ^ 0xA001U : crc >> 1;
        }
        table[value] = static_cast<std::uint16_t>(crc);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = makeCrcTable();

std::optional<std::string_view> refuse(std::string* why, const char* reason) {
    if (why != nullptr) {
        *why = reason;
    }
    return std::nullopt;
}

}  // namespace

std::uint16_t dc09Crc(std::string_view body) {
    std::uint16_t crc = 0;
    for (const char c : body) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^
                                         kCrcTable[(crc ^ static_cast<unsigned char>(c)) & 0xFFU]);
    }
    return crc;
}

std::string dc09Frame(std::string_view body) {
    constexpr char kHex[] = "0123456789ABCDEF";
    const unsigned crc = dc09Crc(body);
    const unsigned length = static_cast<unsigned>(body.size() & 0xFFFU);
    std::string frame;
    frame.reserve(kHeaderSize + body.size() + 1);
    frame.push_back('\n');
    for (const unsigned shift : {12U, 8U, 4U, 0U}) {
        frame.push_back(kHex[(crc >> shift) & 15U]);
    }
    frame.push_back('0');
    for (const unsigned shift : {8U, 4U, 0U}) {
        frame.push_back(kHex[(length >> shift) & 15U]);
    }
    frame.append(body);
    frame.push_back('\r');
    return frame;
}

std::optional<std::string_view> dc09Body(std::string_view frame, std::string* why) {
    if (frame.size() < kHeaderSize + 1 || frame.front() != '\n') {
        return refuse(why, "no LF at the start");
    }
    if (frame.back() != '\r') {
        return refuse(why, "no CR at the end");
    }
    const auto crc = upperHex(frame.substr(1, 4));
    if (!crc) {
        return refuse(why, "CRC field is not 4 upper-case hex digits");
    }
    if (frame[5] != '0') {
        return refuse(why, "length field does not start with 0");
    }
    const auto length = upperHex(frame.substr(6, 3));
    if (!length) {
        return refuse(why, "length field is not 3 upper-case hex digits");
    }
    const std::string_view body = frame.substr(kHeaderSize, frame.size() - kHeaderSize - 1);
    if (*length != body.size()) {
        return refuse(why, "length field does not match the body");
    }
    if (*crc != dc09Crc(body)) {
        return refuse(why, "CRC field does not match the body");
    }
    return body;
}

}  // namespace corvane::sim
