#include "record/record_text.h"

#include <cstdio>
#include <ctime>

#include "protocol/hex_digit.h"

namespace corvane {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

std::string hexOf(std::string_view bytes, bool spaced) {
    std::string out;
    out.reserve(bytes.size() * (spaced ? 3 : 2));
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (spaced && !out.empty()) {
            out.push_back(' ');
        }
        out.push_back(kHexDigits[b >> 4]);
        out.push_back(kHexDigits[b & 15]);
    }
    return out;
}

std::optional<std::string> bytesFromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexDigitValue(hex[i]);
        const int low = hexDigitValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(high * 16 + low));
    }
    return out;
}

std::string escapedText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (b >= 0x20 && b < 0x7F) {
            out.push_back(c);
        } else {
            out += "\\x";
            out.push_back(kHexDigits[b >> 4]);
            out.push_back(kHexDigits[b & 15]);
        }
    }
    return out;
}

std::optional<std::string> bytesFromEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        switch (i + 1 < text.size() ? text[++i] : '\0') {
            case '\\':
                out.push_back('\\');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'x': {
                const int high = i + 2 < text.size() ? hexDigitValue(text[i + 1]) : -1;
                const int low = i + 2 < text.size() ? hexDigitValue(text[i + 2]) : -1;
                if (high < 0 || low < 0) {
                    return std::nullopt;
                }
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::string utcText(std::int64_t us) {
    std::int64_t seconds = us / 1'000'000;
    std::int64_t micros = us % 1'000'000;
    if (micros < 0) {
        micros += 1'000'000;
        --seconds;
    }
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06lldZ", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<long long>(micros));
    return text;
}

}  // namespace corvane
