// The DC-09 CRC-16: reflected polynomial 0xA001, initial value 0, no final inversion (check value
// over "123456789": 0xBB3D).
#pragma once

#include <cstdint>
#include <string_view>

namespace corvane {

// Feeds the low 8 bits of `byte` into the running CRC and returns the new CRC.
std::uint16_t crc16Update(std::uint16_t crc, int byte);

// CRC of a whole body, starting from 0.
std::uint16_t crc16(std::string_view bytes);

}  // namespace corvane
