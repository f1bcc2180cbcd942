#include "receiver/dc09_frame.h"

#include <cstdio>

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

std::optional<std::string_view> refuse(std::string* why, const char* reason) {
    if (why != nullptr) {
        *why = reason;
    }
    return std::nullopt;
}

}  // namespace

std::uint16_t dc09Crc(std::string_view body) {
    std::uint16_t crc = 0;
    for (char c : body) {
        auto byte = static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = ((byte ^ crc) & 1U) != 0;
            crc = static_cast<std::uint16_t>(crc >> 1);
            if (mix) {
                crc = static_cast<std::uint16_t>(crc ^ 0xA001U);
            }
            byte = static_cast<unsigned char>(byte >> 1);
        }
    }
    return crc;
}

std::string dc09Frame(std::string_view body) {
    char header[16];
    std::snprintf(header, sizeof header, "\n%04X0%03X", static_cast<unsigned>(dc09Crc(body)),
                  static_cast<unsigned>(body.size() & 0xFFFU));
    std::string frame(header);
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
