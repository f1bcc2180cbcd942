// The byte a Sur-Gard custom response sends: the custom text read as a decimal integer; and whether
// a custom answer given by a person is such a byte, written plainly.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvane {

// Reads `text` as the standard text-to-integer conversion does (leading white space, an optional
// sign, digits up to the first other character; 0 when there are none) and returns the low 8 bits
// of that value. Any number of digits is fine: the value is taken modulo 256 as it is read.
std::uint8_t customByte(std::string_view text);

// Whether `text` is a custom answer as a person gives it under Sur-Gard: a decimal byte value from
// 0 to 255, nothing before or after it.
bool isCustomByte(std::string_view text);

}  // namespace corvane
