#include "station_cli/cli_conventions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace corvane::cli {

namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;
// Longer than any time-out or run anyone asks for, and far from the range of a 64-bit count.
constexpr double kLongestMs = 1e15;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

std::optional<std::int64_t> unitMs(std::string_view unit, TimeUnit bare) {
    if (unit.empty()) {
        return bare == TimeUnit::Seconds ? kSecond : 1;
    }
    for (const auto& [name, ms] : {std::pair<std::string_view, std::int64_t>{"ms", 1},
                                   {"s", kSecond},
                                   {"m", kMinute},
                                   {"h", kHour}}) {
        if (sameIgnoringCase(unit, name)) {
            return ms;
        }
    }
    return std::nullopt;
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Control bytes of an error line as \xNN, so the line stays one line.
std::string controlsEscaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(byte));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// CLI11's texts for the --config file, said in the words of the option.
std::string configErrorText(const CLI::Error& error) {
    const std::string text = error.what();
    const std::string unknown = "INI was not able to parse ";
    const std::string notHere = ": This option is not allowed in a configuration file";
    const std::string unreadable = " was not readable (missing?)";
    if (text.rfind(unknown, 0) == 0) {
        return "--config: the file sets an unknown option " +
               quotedInput(text.substr(unknown.size()));
    }
    if (endsWith(text, notHere)) {
        return "--config: the file cannot set " +
               quotedInput(text.substr(0, text.size() - notHere.size()));
    }
    if (endsWith(text, unreadable)) {
        return "--config: cannot read " +
               quotedInput(text.substr(0, text.size() - unreadable.size()));
    }
    return "--config: " + text;
}

}  // namespace

std::optional<std::int64_t> parseDuration(std::string_view text, TimeUnit bare) {
    const std::size_t numberEnd = text.find_first_not_of("0123456789.");
    const std::string_view number = text.substr(0, numberEnd);
    const auto unit =
        unitMs(numberEnd == std::string_view::npos ? "" : text.substr(numberEnd), bare);
    if (!unit || number.empty() || number.front() == '.' || number.back() == '.' ||
        std::count(number.begin(), number.end(), '.') > 1) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    const double ms = value * static_cast<double>(*unit);
    if (ec != std::errc() || end != number.data() + number.size() || !(ms <= kLongestMs)) {
        return std::nullopt;
    }
    return std::llround(ms);
}

std::string durationText(std::int64_t ms) {
    for (const auto& [unit, name] :
         {std::pair<std::int64_t, const char*>{kHour, "h"}, {kMinute, "m"}, {kSecond, "s"}}) {
        if (ms != 0 && ms % unit == 0) {
            return std::to_string(ms / unit) + name;
        }
    }
    return std::to_string(ms) + "ms";
}

std::string readDuration(std::string_view text, TimeUnit bare, std::int64_t minMs,
                         std::int64_t maxMs, std::int64_t& ms) {
    const auto parsed = parseDuration(text, bare);
    if (!parsed) {
        return std::string("expected a duration such as ") +
               (bare == TimeUnit::Seconds ? "90 (seconds), 90s, 5m or 2h"
                                          : "500 (milliseconds), 2s, 5m or 1h") +
               ", got " + quotedInput(text);
    }
    if (*parsed < minMs) {
        return "must be at least " + durationText(minMs) + ", got " + quotedInput(text);
    }
    if (*parsed > maxMs) {
        return "must be at most " + durationText(maxMs) + ", got " + quotedInput(text);
    }
    ms = *parsed;
    return {};
}

CLI::Validator durationIn(TimeUnit bare, std::int64_t minMs, std::int64_t maxMs, bool whole) {
    return CLI::Validator(
        [=](std::string& value) {
            std::int64_t ms = 0;
            if (std::string why = readDuration(value, bare, minMs, maxMs, ms); !why.empty()) {
                return why;
            }
            const std::int64_t per = bare == TimeUnit::Seconds ? kSecond : 1;
            if (ms % per != 0 && whole) {
                return "takes whole seconds, got " + quotedInput(value);
            }
            char number[32];
            std::snprintf(number, sizeof number, "%.3f",
                          static_cast<double>(ms) / static_cast<double>(per));
            value = ms % per == 0 ? std::to_string(ms / per) : std::string(number);
            return std::string();
        },
        "");
}

std::string readWholeNumber(std::string_view text, std::int64_t min, std::int64_t max,
                            std::int64_t& number) {
    std::int64_t parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || parsed < min || parsed > max) {
        return "expected a whole number " +
               (max == std::numeric_limits<std::int64_t>::max()
                    ? "of at least " + std::to_string(min)
                    : "from " + std::to_string(min) + " to " + std::to_string(max)) +
               ", got " + quotedInput(text);
    }
    number = parsed;
    return {};
}

CLI::Validator wholeNumberIn(std::int64_t min, std::int64_t max) {
    return CLI::Validator(
        [=](std::string& value) {
            std::int64_t number = 0;
            return readWholeNumber(value, min, max, number);
        },
        "");
}

std::optional<std::string> matchName(std::string_view text, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (sameIgnoringCase(text, name)) {
            return name;
        }
    }
    return std::nullopt;
}

std::string alternatives(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    }
    return text;
}

CLI::Validator oneOf(std::vector<std::string> names) {
    std::string listed;  // shown in the help after the value's type, as "TEXT:{a,b}"
    for (const std::string& name : names) {
        listed += (listed.empty() ? "{" : ",") + name;
    }
    return CLI::Validator(
        [names = std::move(names)](std::string& value) {
            if (auto name = matchName(value, names)) {
                value = std::move(*name);
                return std::string();
            }
            return "expected " + alternatives(names) + ", got " + quotedInput(value);
        },
        listed + "}");
}

CLI::Validator oneOf(std::span<const std::string_view> names) {
    return oneOf(std::vector<std::string>(names.begin(), names.end()));
}

std::string escapedBytes(std::string_view bytes, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n') {
            text += "\\n";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c));
            text += hex;
        }
    }
    if (bytes.size() > limit) {
        text += "...";
    }
    return text;
}

std::string quotedInput(std::string_view input) {
    return "'" + escapedBytes(input, kQuotedInputLimit) + "'";
}

// Every part of `text` in single quotes cut to kQuotedInputLimit bytes.
std::string quotesBounded(const std::string& text) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t open = text.find('\''); open != std::string::npos;
         open = text.find('\'', from)) {
        const std::size_t close = text.find('\'', open + 1);
        if (close == std::string::npos) {
            break;
        }
        out.append(text, from, open + 1 - from);
        const std::string_view inside = std::string_view(text).substr(open + 1, close - open - 1);
        out += inside.size() > kQuotedInputLimit
                   ? std::string(inside.substr(0, kQuotedInputLimit)) + "..."
                   : std::string(inside);
        from = close;
        out += '\'';
        ++from;
    }
    out.append(text, from, std::string::npos);
    return out;
}

std::string oneLine(std::string text, const std::vector<std::string>& args) {
    text = quotesBounded(text);
    for (const std::string& arg : args) {
        const auto equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        for (const std::string& input :
             {arg, equals == std::string::npos ? std::string() : arg.substr(equals + 1)}) {
            if (input.size() > kQuotedInputLimit) {
                replaceAll(text, input, escapedBytes(input, kQuotedInputLimit));
            }
        }
    }
    return controlsEscaped(text);
}

std::string usageErrorLine(const CLI::Error& error, const std::vector<std::string>& args) {
    const std::string kind = error.get_name();
    return oneLine(
        kind == "ConfigError" || kind == "FileError" ? configErrorText(error) : error.what(), args);
}

std::string versionText(std::string_view program) {
    return std::string(program) + " " + CORVANE_VERSION;
}

CLI::Option* addVersionFlag(CLI::App& app, std::string_view program) {
    return app.set_version_flag("--version", versionText(program), "Print the version, and exit");
}

}  // namespace corvane::cli
