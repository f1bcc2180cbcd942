// DC-09 frames as the receiver writes them and as it checks the station's answers:
// LF, CRC-16 of the body (4 upper-case hex digits), "0" and the body length (3 upper-case hex
// digits), the body, CR. Written here independently of the station's own code, so the simulator
// can catch a wrong byte in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::sim {

// CRC-16 with the reflected polynomial 0xA001, initial value 0, no final inversion.
std::uint16_t dc09Crc(std::string_view body);

// The complete frame around `body` (at most 0xFFF bytes).
std::string dc09Frame(std::string_view body);

// The body of a frame whose framing, length field and CRC field are all right. Otherwise nullopt,
// with the reason in `why` (when given).
std::optional<std::string_view> dc09Body(std::string_view frame, std::string* why = nullptr);

}  // namespace corvane::sim
