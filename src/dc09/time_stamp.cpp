#include "dc09/time_stamp.h"

#include <cstdio>

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

std::string formatTimeStamp(std::time_t utc) {
    std::tm parts{};
    gmtime_r(&utc, &parts);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d,%02d-%02d-%04d", parts.tm_hour % 100,
                  parts.tm_min % 100, parts.tm_sec % 100, (parts.tm_mon + 1) % 100,
                  parts.tm_mday % 100, (parts.tm_year + 1900) % 10000);
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
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return timegm(&parts);
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
