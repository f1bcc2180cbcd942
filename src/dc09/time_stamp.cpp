#include "dc09/time_stamp.h"

#include <chrono>

namespace corvane::dc09 {

namespace {

// The value of `digits` decimal digits at `at`, or -1 when one is no digit.
int number(std::string_view text, std::size_t at, std::size_t digits) {
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysIn(int month, int year) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

// Written digit by digit: the receiving thread stamps every encrypted ACK, and a formatted
// print costs more than the rest of the stamp.
void writeTimeStamp(std::time_t utc, char* out) {
    namespace chrono = std::chrono;
    const chrono::sys_seconds moment{chrono::seconds{utc}};
    const chrono::sys_days midnight = chrono::floor<chrono::days>(moment);
    const chrono::year_month_day date{midnight};
    const chrono::hh_mm_ss time{moment - midnight};
    const auto put = [out](std::size_t from, long long value, int digits, char after) {
        for (int i = digits - 1; i >= 0; --i) {
            out[from + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
        if (after != '\0') {
            out[from + static_cast<std::size_t>(digits)] = after;
        }
    };
    put(0, time.hours().count(), 2, ':');
    put(3, time.minutes().count(), 2, ':');
    put(6, time.seconds().count(), 2, ',');
    put(9, static_cast<unsigned>(date.month()), 2, '-');
    put(12, static_cast<unsigned>(date.day()), 2, '-');
    put(15, (static_cast<int>(date.year()) % 10000 + 10000) % 10000, 4, '\0');
}

std::string formatTimeStamp(std::time_t utc) {
    std::string text(kTimeStampSize, '0');
    writeTimeStamp(utc, text.data());
    return text;
}

std::optional<std::time_t> parseTimeStamp(std::string_view stamp) {
    if (stamp.size() != kTimeStampSize || stamp[2] != ':' || stamp[5] != ':' || stamp[8] != ',' ||
        stamp[11] != '-' || stamp[14] != '-') {
        return std::nullopt;
    }
    const int hour = number(stamp, 0, 2);
    const int minute = number(stamp, 3, 2);
    const int second = number(stamp, 6, 2);
    const int month = number(stamp, 9, 2);
    const int day = number(stamp, 12, 2);
    const int year = number(stamp, 15, 4);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        month < 1 || month > 12 || year < 1970 || day < 1 || day > daysIn(month, year)) {
        return std::nullopt;
    }
    namespace chrono = std::chrono;
    const chrono::sys_days date =
        chrono::year{year} / static_cast<unsigned>(month) / static_cast<unsigned>(day);
    const chrono::seconds clock =
        chrono::hours{hour} + chrono::minutes{minute} + chrono::seconds{second};
    return static_cast<std::time_t>((date + clock).time_since_epoch().count());
}

std::optional<std::string_view> plainFrameStamp(std::string_view frame) {
    const std::size_t close = frame.rfind(']');
    if (close == std::string_view::npos || frame.size() < close + 2 + kTimeStampSize ||
        frame[close + 1] != '_') {
        return std::nullopt;
    }
    return frame.substr(close + 2, kTimeStampSize);
}

}  // namespace corvane::dc09
