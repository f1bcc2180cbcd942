// Checks that a text is a complete DC-09 reply frame: LF, CRC of the body, "0", body length,
// body, CR, at most 255 bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "protocol/crc16.h"

namespace corvane::test {

inline std::string hexField(unsigned value, int digits) {
    char text[8];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

inline ::testing::AssertionResult isCompleteFrame(const std::string& frame) {
    if (frame.size() < 10 || frame.size() > 255) {
        return ::testing::AssertionFailure() << "size " << frame.size();
    }
    if (frame.front() != '\n' || frame.back() != '\r' || frame[5] != '0') {
        return ::testing::AssertionFailure() << "framing of " << frame;
    }
    const std::string body = frame.substr(9, frame.size() - 10);
    if (frame.substr(6, 3) != hexField(static_cast<unsigned>(body.size()), 3)) {
        return ::testing::AssertionFailure() << "length field of " << frame;
    }
    if (frame.substr(1, 4) != hexField(crc16(body), 4)) {
        return ::testing::AssertionFailure() << "CRC field of " << frame;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace corvane::test
