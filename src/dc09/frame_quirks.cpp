#include "dc09/frame_quirks.h"

#include <cctype>
#include <cstdio>

#include "platform/quillet.h"
#include "protocol/crc16.h"

namespace corvane::dc09 {

namespace {

constexpr auto npos = std::string_view::npos;

bool hexField(std::string_view field) {
    for (const char c : field) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return !field.empty();
}

bool hasLower(std::string_view field) {
    for (const char c : field) {
        if (c >= 'a' && c <= 'f') {
            return true;
        }
    }
    return false;
}

unsigned hexNumber(std::string_view field) {
    unsigned value = 0;
    for (const char c : field) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) != 0
                              ? c - '0'
                              : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

std::string hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFU);
    return text;
}

}  // namespace

std::vector<std::string> frameQuirks(std::string_view frame) {
    std::vector<std::string> quirks;
    if (frame.empty() || frame.front() != '\n') {
        return quirks;
    }
    const std::size_t end = frame.find('\r', 1);
    // The length field ("0LLL") stands right before the body's opening quotation mark; the CRC
    // field is what lies between LF and the length: 4 characters, or 2 binary bytes.
    const std::size_t quote = frame.find('"', 3);
    if (quote == npos || quote < 7 || (quote != 7 && quote != 9) || frame[quote - 4] != '0') {
        return quirks;
    }
    const std::string_view crcField = frame.substr(1, quote - 5);
    const std::string_view lengthField = frame.substr(quote - 3, 3);
    const std::string_view body =
        frame.substr(quote, end == npos || end < quote ? npos : end - quote);
    const unsigned actual = crc16(body);
    unsigned sent = 0;
    if (crcField.size() == 2) {
        quirks.emplace_back("binary CRC");
        sent = static_cast<unsigned>(static_cast<unsigned char>(crcField[0])) << 8 |
               static_cast<unsigned char>(crcField[1]);
    } else if (hexField(crcField)) {
        if (hasLower(crcField)) {
            quirks.emplace_back("lower-case hex in the CRC field");
        }
        sent = hexNumber(crcField);
    } else {
        quirks.emplace_back("CRC field is not hexadecimal");
        sent = actual;
    }
    if (hasLower(lengthField)) {
        quirks.emplace_back("lower-case hex in the length field");
    }
    if (hexField(lengthField) && hexNumber(lengthField) != body.size()) {
        quirks.emplace_back("length field " + std::string(lengthField) + " but the body has " +
                            std::to_string(body.size()) + " bytes");
    }
    if (sent != actual) {
        quirks.emplace_back("CRC field " + hex4(sent) + " but the body's CRC is " + hex4(actual));
    }
    const std::size_t hash = body.find('#');
    const std::size_t open = body.find('[');
    if (hash != npos && (open == npos || hash < open) && hash > 0 && body[hash - 1] == 'L') {
        quirks.emplace_back("empty L field");
    }
    return quirks;
}

void noteFrameQuirks(std::string_view frame) {
    for (const std::string& quirk : frameQuirks(frame)) {
        QUILLET(3, "CCorvaneDlg::parseLine", "quirk: %s: %.*s", quirk.c_str(),
                static_cast<int>(frame.size()), frame.data());
    }
}

}  // namespace corvane::dc09
