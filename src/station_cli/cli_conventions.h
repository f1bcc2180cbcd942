// What corvane-station and corvane-receiver share on their command lines, written once so the
// two behave alike: durations with units, names matched whatever their case, bad input quoted in
// bounded length, usage errors on one line, the version. CLI11 only: no core, no Qt.
#pragma once

#include <CLI/App.hpp>
#include <CLI/Error.hpp>
#include <CLI/Validators.hpp>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// Exit status of a usage error.
inline constexpr int kUsageExit = 2;
// The most of a bad input an error message quotes.
inline constexpr std::size_t kQuotedInputLimit = 80;

// The unit of a bare number: corvane-station counts durations in seconds, corvane-receiver's
// MS options in milliseconds.
enum class TimeUnit { Milliseconds, Seconds };

// "90", "90s", "1.5m", "2h", "250ms" in milliseconds (units in either case); nullopt for an empty,
// signed or unknown text.
std::optional<std::int64_t> parseDuration(std::string_view text, TimeUnit bare);

// The shortest exact text of a duration: "24h", "90s", "1500ms".
std::string durationText(std::int64_t ms);

// Reads `text` as a duration from minMs to maxMs into `ms`; otherwise returns the reason (one line,
// the input quoted).
std::string readDuration(std::string_view text, TimeUnit bare, std::int64_t minMs,
                         std::int64_t maxMs, std::int64_t& ms);

// A CLI11 transform for an option that holds a number of `bare` units: checks the duration and
// hands the option that number (whole units only when `whole`).
CLI::Validator durationIn(TimeUnit bare, std::int64_t minMs, std::int64_t maxMs, bool whole);

// Reads `text` as a whole decimal number from min to max into `number`; otherwise returns the
// reason (one line, the input quoted; no upper bound named when max is the largest 64-bit value).
std::string readWholeNumber(std::string_view text, std::int64_t min, std::int64_t max,
                            std::int64_t& number);

// A CLI11 check for a whole decimal number from min to max (no upper bound named when max is the
// largest 64-bit value).
CLI::Validator wholeNumberIn(std::int64_t min, std::int64_t max);

// The spelling of `text` in `names`, compared whatever the case; nullopt when none matches.
std::optional<std::string> matchName(std::string_view text, const std::vector<std::string>& names);

// "a, b or c".
std::string alternatives(const std::vector<std::string>& names);

// A CLI11 transform that accepts one of `names` in any case and hands the option its spelling
// from the list.
CLI::Validator oneOf(std::vector<std::string> names);
CLI::Validator oneOf(std::span<const std::string_view> names);

// Bytes shown readably: printable ASCII as is, \n and \r named, the rest as \xNN; at most `limit`
// bytes of input, then "...".
std::string escapedBytes(std::string_view bytes, std::size_t limit);

// `input` in single quotes, escaped and cut to kQuotedInputLimit bytes.
std::string quotedInput(std::string_view input);

// An error text made one line: each part in single quotes, and whatever it quotes of `args`, cut
// to kQuotedInputLimit bytes; control bytes escaped.
std::string oneLine(std::string text, const std::vector<std::string>& args);

// The one line a CLI11 error becomes (oneLine of CLI11's text); errors of the --config file are
// said in the words of that option.
std::string usageErrorLine(const CLI::Error& error, const std::vector<std::string>& args);

// "corvane-station 1.0.0.1".
std::string versionText(std::string_view program);

// --version: prints versionText(program) and exits (CLI::CallForVersion carries the text).
CLI::Option* addVersionFlag(CLI::App& app, std::string_view program);

}  // namespace corvane::cli
