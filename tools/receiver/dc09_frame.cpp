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

// kCrcTables[0] holds the CRC of each byte value, from the bitwise definition (lowest bit
// first); kCrcTables[k] that of a byte followed by k zero bytes. Four bytes then cost four
// independent look-ups instead of a chain of 32 shifts.
using CrcTable = std::array<std::uint16_t, 256>;

constexpr std::array<CrcTable, 4> makeCrcTables() {
    std::array<CrcTable, 4> tables{};
    for (unsigned value = 0; value < 256; ++value) {
        unsigned crc = value;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) != 0 ? (crc >> 1) ^ 0xA001U : crc >> 1;
        }
        tables[0][value] = static_cast<std::uint16_t>(crc);
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (unsigned value = 0; value < 256; ++value) {
            const unsigned before = tables[k - 1][value];
            tables[k][value] =
                static_cast<std::uint16_t>((before >> 8) ^ tables[0][before & 0xFFU]);
        }
    }
    return tables;
}

constexpr std::array<CrcTable, 4> kCrcTables = makeCrcTables();

std::optional<std::string_view> refuse(std::string* why, const char* reason) {
    if (why != nullptr) {
        *why = reason;
    }
    return std::nullopt;
}

}  // namespace

std::uint16_t dc09Crc(std::string_view body) {
    const auto at = [body](std::size_t i) { return static_cast<unsigned char>(body[i]); };
    unsigned crc = 0;
    std::size_t i = 0;
    for (; i + 4 <= body.size(); i += 4) {
        crc = kCrcTables[3][(crc ^ at(i)) & 0xFFU] ^ kCrcTables[2][(crc >> 8) ^ at(i + 1)] ^
              kCrcTables[1][at(i + 2)] ^ kCrcTables[0][at(i + 3)];
    }
    for (; i < body.size(); ++i) {
        crc = (crc >> 8) ^ kCrcTables[0][(crc ^ at(i)) & 0xFFU];
    }
    return static_cast<std::uint16_t>(crc);
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
