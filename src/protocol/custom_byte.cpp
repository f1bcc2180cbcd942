#include "protocol/custom_byte.h"

#include <charconv>

namespace corvane {

std::uint8_t customByte(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned low = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        low = (low * 10 + static_cast<unsigned>(text[i] - '0')) & 0xFFU;
        ++i;
    }
    if (negative) {
        low = (256 - low) & 0xFFU;
    }
    return static_cast<std::uint8_t>(low);
}

bool isCustomByte(std::string_view text) {
    int value = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0 && value <= 255;
}

}  // namespace corvane
