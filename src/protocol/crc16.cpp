#include "protocol/crc16.h"

#include <array>

namespace corvane {

namespace {

// The bit-by-bit definition, lowest bit first; the table below is derived from it so the two can
// never disagree.
constexpr std::uint16_t crc16UpdateBitwise(std::uint16_t crc, unsigned byte) {
    for (int i = 0; i < 8; ++i) {
        const unsigned bit = (byte ^ crc) & 1U;
        crc = static_cast<std::uint16_t>(crc >> 1);
        if (bit != 0) {
            crc = static_cast<std::uint16_t>(crc ^ 0xA001U);
        }
        byte >>= 1;
    }
    return crc;
}

constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        table[i] = crc16UpdateBitwise(0, i);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();

constexpr std::uint16_t checkValue() {
    std::uint16_t crc = 0;
    for (const char c : std::string_view("123456789")) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^
                                         kTable[(crc ^ static_cast<unsigned>(c)) & 0xFFU]);
    }
    return crc;
}
static_assert(checkValue() == 0xBB3D, "DC-09 CRC check value");

}  // namespace

std::uint16_t crc16Update(std::uint16_t crc, int byte) {
    // One table step equals eight bitwise steps: the CRC's low byte and the data byte mix by XOR.
    const unsigned index = (crc ^ static_cast<unsigned>(byte)) & 0xFFU;
    return static_cast<std::uint16_t>((crc >> 8) ^ kTable[index]);
}

std::uint16_t crc16(std::string_view bytes) {
    std::uint16_t crc = 0;
    for (const char c : bytes) {
        crc = crc16Update(crc, static_cast<unsigned char>(c));
    }
    return crc;
}

}  // namespace corvane
