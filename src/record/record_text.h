// How record fields read as text: bytes in hexadecimal and as escaped text, times in UTC.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// "0A3132" (upper-case, no separators); with `spaced`, "0A 31 32".
std::string hexOf(std::string_view bytes, bool spaced = false);
// The bytes back from hexOf's plain form; nullopt when it is not an even run of hex digits.
std::optional<std::string> bytesFromHex(std::string_view hex);
// Printable ASCII as is, "\\" for a backslash, \r \n \t, every other byte "\xHH".
std::string escapedText(std::string_view bytes);
// The bytes back from escapedText; nullopt for a text it cannot have made.
std::optional<std::string> bytesFromEscaped(std::string_view text);
// "2026-12-07T13:14:52.123456Z" from UTC microseconds since the epoch.
std::string utcText(std::int64_t us);

}  // namespace corvane
