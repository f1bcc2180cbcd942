// The value of one hexadecimal digit, either letter case, and whether a text holds only such
// digits.
#pragma once

#include <algorithm>
#include <string_view>

namespace corvane {

// 0..15, or -1 when `c` is no hexadecimal digit.
constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Whether every character of `text` is a hexadecimal digit (an empty text is).
constexpr bool allHex(std::string_view text) {
    return std::ranges::all_of(text, [](char c) { return hexDigitValue(c) >= 0; });
}

}  // namespace corvane
