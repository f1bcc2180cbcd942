#include "protocol/crc16.h"

#include <array>

namespace corvane {

namespace {

// The bit-by-bit definition, lowest bit first; the tables below are derived from it so they can
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

// kTables[0] is the byte table; kTables[k] is a byte followed by k zero bytes. Four bytes then
// cost four independent look-ups instead of a chain of four dependent ones ("slicing"), which
// matters for the longer bodies of encrypted frames. All derive from the bitwise definition.
using Table = std::array<std::uint16_t, 256>;

constexpr std::array<Table, 4> makeTables() {
    std::array<Table, 4> tables{};
    for (unsigned i = 0; i < 256; ++i) {
        tables[0][i] = crc16UpdateBitwise(0, i);
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint16_t before = tables[k - 1][i];
            tables[k][i] = static_cast<std::uint16_t>((before >> 8) ^ tables[0][before & 0xFFU]);
        }
    }
    return tables;
}

constexpr std::array<Table, 4> kTables = makeTables();

constexpr std::uint16_t byteStep(std::uint16_t crc, unsigned byte) {
    // One table step equals eight bitwise steps: the CRC's low byte and the data byte mix by XOR.
    return static_cast<std::uint16_t>((crc >> 8) ^ kTables[0][(crc ^ byte) & 0xFFU]);
}

constexpr std::uint16_t sliced(std::string_view bytes) {
    std::uint16_t crc = 0;
    std::size_t i = 0;
    const auto at = [&bytes](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    for (; i + 4 <= bytes.size(); i += 4) {
        crc = static_cast<std::uint16_t>(kTables[3][(crc ^ at(i)) & 0xFFU] ^
                                         kTables[2][((crc >> 8) ^ at(i + 1)) & 0xFFU] ^
                                         kTables[1][at(i + 2)] ^ kTables[0][at(i + 3)]);
    }
    for (; i < bytes.size(); ++i) {
        crc = byteStep(crc, at(i));
    }
    return crc;
}

static_assert(sliced("123456789") == 0xBB3D, "DC-09 CRC check value");
static_assert(
    sliced("12345678") ==
        [] {
            std::uint16_t crc = 0;
            for (const char c : std::string_view("12345678")) {
                crc = crc16UpdateBitwise(crc, static_cast<unsigned char>(c));
            }
            return crc;
        }(),
    "four bytes at a time equal the bitwise definition");

}  // namespace

std::uint16_t crc16Update(std::uint16_t crc, int byte) {
    return byteStep(crc, static_cast<unsigned>(byte));
}

std::uint16_t crc16(std::string_view bytes) {
    return sliced(bytes);
}

}  // namespace corvane
