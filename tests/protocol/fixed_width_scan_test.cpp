// The fixed-width scanner against the C library's formatted scan, which it replaces.
#include "protocol/fixed_width_scan.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

namespace corvane {
namespace {

// The MLR2000 "5" form: "%*c%02d%03d%*c%02d%04d%*c%03d%02d%03d%*c".
std::array<std::int64_t, 7> scanCid4(const std::string& text) {
    std::array<std::int64_t, 7> v{};
    FixedWidthScan(text)
        .skip()
        .number(2, v[0])
        .number(3, v[1])
        .skip()
        .number(2, v[2])
        .number(4, v[3])
        .skip()
        .number(3, v[4])
        .number(2, v[5])
        .number(3, v[6])
        .skip();
    return v;
}

std::array<std::int64_t, 7> referenceCid4(const std::string& text) {
    std::array<int, 7> v{};
    // NOLINTNEXTLINE: the reference the scanner must agree with (widths small enough for int).
    std::sscanf(text.c_str(), "%*c%02d%03d%*c%02d%04d%*c%03d%02d%03d%*c", &v[0], &v[1], &v[2],
                &v[3], &v[4], &v[5], &v[6]);
    return {v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
}

TEST(FixedWidthScan, AgreesWithFormattedScanOnAwkwardText) {
    const std::string alphabet = "0123456789 \t+-A\x14";
    std::mt19937 random(20240601);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<std::size_t> length(0, 30);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const std::size_t n = length(random);
        for (std::size_t k = 0; k < n; ++k) {
            // Mostly digits, so that long runs of fields get read.
            text += (random() % 3 == 0) ? alphabet[pick(random)] : static_cast<char>('0' + k % 10);
        }
        ASSERT_EQ(scanCid4(text), referenceCid4(text)) << '"' << text << '"';
    }
}

TEST(FixedWidthScan, FieldRules) {
    struct Case {
        std::string text;
        int width;
        std::int64_t value;  // 7 when nothing was read
        bool stopped;
    };
    const Case cases[] = {
        {"12", 2, 12, false},
        {"123", 2, 12, false},
        {"  \t\n12", 2, 12, false},
        {"-1", 2, -1, false},
        {"+12", 2, 1, false},
        {"-", 1, 7, true},
        {"+5", 1, 7, true},
        {"x", 3, 7, true},
        {"", 3, 7, true},
        {"   ", 3, 7, true},
        {"-x", 3, 7, true},
        {"9999999999", 10, 9999999999, false},
        {"-999999999", 10, -999999999, false},
    };
    for (const auto& c : cases) {
        std::int64_t value = 7;
        FixedWidthScan scan(c.text);
        scan.number(c.width, value);
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        EXPECT_EQ(scan.stopped(), c.stopped) << '"' << c.text << '"';
    }
}

TEST(FixedWidthScan, SkipTakesAnyCharacterAndStopsAtTheEnd) {
    std::int64_t value = 0;
    FixedWidthScan scan(" 5");
    scan.skip().number(1, value);
    EXPECT_EQ(value, 5);
    EXPECT_FALSE(scan.stopped());
    scan.skip();
    EXPECT_TRUE(scan.stopped());
    // Once stopped, later fields keep their values even if text would follow.
    std::int64_t later = 3;
    scan.number(1, later);
    EXPECT_EQ(later, 3);
}

}  // namespace
}  // namespace corvane
