// The DC-09 CRC-16 against its bit-by-bit definition.
#include "protocol/crc16.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace corvane {
namespace {

// Lowest bit first: XOR of the lowest bits, shift the CRC, fold in 0xA001 on a 1, shift the byte.
std::uint16_t bitwiseReference(std::uint16_t crc, int byte) {
    unsigned b = static_cast<unsigned>(byte) & 0xFFU;
    for (int i = 0; i < 8; ++i) {
        const unsigned bit = (b ^ crc) & 1U;
        crc = static_cast<std::uint16_t>(crc >> 1);
        if (bit != 0) {
            crc = static_cast<std::uint16_t>(crc ^ 0xA001U);
        }
        b >>= 1;
    }
    return crc;
}

TEST(Crc16, EveryByteMatchesTheBitwiseDefinition) {
    for (const unsigned start : {0x0000U, 0x0001U, 0x8000U, 0xBB3DU, 0xFFFFU, 0x1234U}) {
        for (int byte = 0; byte < 256; ++byte) {
            ASSERT_EQ(crc16Update(static_cast<std::uint16_t>(start), byte),
                      bitwiseReference(static_cast<std::uint16_t>(start), byte))
                << "start " << start << " byte " << byte;
        }
    }
}

TEST(Crc16, CheckValueOverDigits) {
    std::uint16_t crc = 0;
    for (const char c : std::string_view("123456789")) {
        crc = crc16Update(crc, c);
    }
    EXPECT_EQ(crc, 0xBB3D);
    EXPECT_EQ(crc16("123456789"), 0xBB3D);
    EXPECT_EQ(crc16(""), 0);
}

TEST(Crc16, OnlyTheLowEightBitsOfTheByteCount) {
    for (const int byte : {0x31, 0x80, 0xFF}) {
        EXPECT_EQ(crc16Update(0x4321, byte | 0x100), crc16Update(0x4321, byte));
        EXPECT_EQ(crc16Update(0x4321, byte - 256), crc16Update(0x4321, byte));
    }
}

}  // namespace
}  // namespace corvane
