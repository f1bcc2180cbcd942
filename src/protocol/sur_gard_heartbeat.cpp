#include "protocol/sur_gard_heartbeat.h"

#include <cstddef>

#include "protocol/hex_digit.h"

namespace corvane {

namespace {

constexpr std::size_t kMlr2Length = 21;
constexpr std::size_t kMlr2000Length = 23;
constexpr std::size_t kAtFromEnd = 6;  // "@", four blanks, the terminator

}  // namespace

bool isSurGardHeartbeat(std::string_view message) {
    const std::size_t length = message.size();
    if (length != kMlr2Length && length != kMlr2000Length) {
        return false;
    }
    const std::size_t at = length - kAtFromEnd;
    if (message[0] != '1' || message[at] != '@' || message[length - 1] != '\x14') {
        return false;
    }
    const std::size_t header = length == kMlr2Length ? 4 : 6;
    if (!allHex(message.substr(1, header - 1))) {
        return false;
    }
    for (std::size_t i = header; i < length - 1; ++i) {
        if (i != at && message[i] != ' ') {
            return false;
        }
    }
    return true;
}

}  // namespace corvane
