// Cutting texts out of received messages by their delimiter characters.
#pragma once

#include <cstddef>
#include <string_view>

namespace corvane {

// The message as C text: everything before its first zero byte.
inline std::string_view untilFirstZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// The text after the first `open` (or from the start when there is none) up to the first `close`
// (or to the end when there is none, or when it stands before `open`).
inline std::string_view textBetween(std::string_view text, char open, char close) {
    const std::size_t openPos = text.find(open);
    const std::size_t start = openPos == std::string_view::npos ? 0 : openPos + 1;
    const std::size_t closePos = text.find(close);
    if (closePos == std::string_view::npos ||
        (openPos != std::string_view::npos && closePos < openPos)) {
        return text.substr(start);
    }
    return text.substr(start, closePos - start);
}

// The text from `start` up to just before `end`; to the end of `text` when `end` is npos or lies
// before `start`. `start` must not lie past the end of `text`.
inline std::string_view textFromTo(std::string_view text, std::size_t start, std::size_t end) {
    if (end == std::string_view::npos || end < start) {
        return text.substr(start);
    }
    return text.substr(start, end - start);
}

// The first position from `from` on that holds one of `bytes`, or npos. One pass with plain
// comparisons: the standard find_first_of searches the set once per byte of the text, which
// costs more than the rest of the work on a frame.
template <typename... Bytes>
std::size_t findAnyOf(std::string_view text, std::size_t from, Bytes... bytes) {
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (((c == bytes) || ...)) {
            return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace corvane
