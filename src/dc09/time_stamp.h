// DC-09 time stamps: "HH:MM:SS,MM-DD-YYYY" in UTC, after a "_" at the end of a frame's body.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::dc09 {

inline constexpr std::size_t kTimeStampSize = 19;  // without the "_"

// "HH:MM:SS,MM-DD-YYYY" for a UTC time.
std::string formatTimeStamp(std::time_t utc);
// The same into the kTimeStampSize bytes at `out`.
void writeTimeStamp(std::time_t utc, char* out);
// The UTC time of a stamp of exactly that form; nullopt for another form or impossible values
// (month 13, 31 April, hour 24, ...).
std::optional<std::time_t> parseTimeStamp(std::string_view stamp);
// The stamp of a plain frame: "_" and 19 characters right after its last "]"; nullopt when the
// frame has none or it cannot be read.
std::optional<std::string_view> plainFrameStamp(std::string_view frame);

// The window a frame's time stamp must lie in, measured from now.
struct TimeWindow {
    int pastSeconds = 40;
    int futureSeconds = 20;
    bool contains(std::time_t stamp, std::time_t now) const {
        return stamp >= now - pastSeconds && stamp <= now + futureSeconds;
    }
};

}  // namespace corvane::dc09
