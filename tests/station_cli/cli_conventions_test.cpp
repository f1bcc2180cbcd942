// The command-line conventions both rig programs share: durations, names in any case, bounded
// quotes of bad input, one-line errors.
#include <gtest/gtest.h>

#include <string>

#include "station_cli/cli_conventions.h"

namespace corvane::cli {
namespace {

TEST(CliConventions, Durations) {
    struct Case {
        const char* text;
        TimeUnit bare;
        std::int64_t ms;  // -1: refused
    };
    const Case cases[] = {
        {"90", TimeUnit::Seconds, 90'000},
        {"90s", TimeUnit::Seconds, 90'000},
        {"5m", TimeUnit::Seconds, 300'000},
        {"2h", TimeUnit::Seconds, 7'200'000},
        {"0.5", TimeUnit::Seconds, 500},
        {"1.5M", TimeUnit::Seconds, 90'000},
        {"250ms", TimeUnit::Seconds, 250},
        {"250", TimeUnit::Milliseconds, 250},
        {"2s", TimeUnit::Milliseconds, 2000},
        {"0", TimeUnit::Seconds, 0},
        {"", TimeUnit::Seconds, -1},
        {"m", TimeUnit::Seconds, -1},
        {"-5", TimeUnit::Seconds, -1},
        {"+5", TimeUnit::Seconds, -1},
        {"1e3", TimeUnit::Seconds, -1},
        {"1.", TimeUnit::Seconds, -1},
        {".5", TimeUnit::Seconds, -1},
        {"1.2.3", TimeUnit::Seconds, -1},
        {"5 m", TimeUnit::Seconds, -1},
        {"5d", TimeUnit::Seconds, -1},
        {"99999999999999999999h", TimeUnit::Seconds, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseDuration(c.text, c.bare).value_or(-1), c.ms) << c.text;
    }
    EXPECT_EQ(durationText(86'400'000), "24h");
    EXPECT_EQ(durationText(90'000), "90s");
    EXPECT_EQ(durationText(1500), "1500ms");
    std::int64_t ms = 0;
    EXPECT_EQ(readDuration("25h", TimeUnit::Seconds, 0, 86'400'000, ms),
              "must be at most 24h, got '25h'");
}

TEST(CliConventions, NamesInAnyCaseAndBoundedQuotes) {
    const std::vector<std::string> names = {"MLR2000", "MLR2"};
    EXPECT_EQ(matchName("mlr2", names), "MLR2");
    EXPECT_EQ(matchName("Mlr2000", names), "MLR2000");
    EXPECT_FALSE(matchName("MLR", names));
    EXPECT_EQ(alternatives({"a", "b", "c"}), "a, b or c");

    const std::string huge(1 << 20, 'x');
    EXPECT_EQ(quotedInput(huge), "'" + std::string(80, 'x') + "...'");
    EXPECT_EQ(quotedInput("a\nb\x01"), "'a\\nb\\x01'");
    const std::string line =
        oneLine("The following argument was not expected: " + huge, {"--count", huge});
    EXPECT_LT(line.size(), 140U);
    EXPECT_EQ(oneLine("bad\nvalue", {}), "bad\\x0Avalue");
}

}  // namespace
}  // namespace corvane::cli
