#include "common/NumberFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Case {
    double value;
    const char* pattern;
    const char* expected;
};

const std::vector<Case> kCases = {
    // Optional decimals: rounded to all places, then trailing zeros dropped to the mandatory.
    {0.123456, "0.0###", "0.1235"},
    {2.0, "0.0###", "2.0"},
    {2.5, "0.0###", "2.5"},
    {-1.25, "0.0###", "-1.25"},
    {0.00004, "0.0###", "0.0"},
    {0.00005, "0.0###", "0.0001"},
    {-0.00004, "0.0###", "0.0"},
    {1e-7, "0.0###", "0.0"},
    {1.5, "#0.0#######", "1.5"},
    {0.1, "#0.0#######", "0.1"},
    {0.1 + 0.2, "#0.0#######", "0.3"},
    {123456.123456789, "#0.0#######", "123456.12345679"},
    {1e-9, "#0.0#######", "0.0"},
    {5e-9, "#0.0#######", "0.00000001"},
    // Integer patterns: at least as many digits as zeros, never cut.
    {3.0, "#0", "3"},
    {0.0, "#0", "0"},
    {-0.4, "#0", "0"},
    {-0.5, "#0", "-1"},
    {2.5, "#0", "3"},
    {-2.5, "#0", "-3"},
    {3.5, "#0", "4"},
    {12345.0, "00", "12345"},
    {5.0, "000", "005"},
    {-5.0, "000", "-005"},
    {7.0, "00", "07"},
    {42.0, "0000", "0042"},
    {9.5, "00", "10"},
    {99.5, "00", "100"},
    {1e20, "#0", "100000000000000000000"},
    // Fixed decimals; halves of the decimal value round away from zero.
    {0.12345, "0.0000", "0.1235"},
    {-0.12345, "0.0000", "-0.1235"},
    {0.125, "#0.00", "0.13"},
    {1.005, "#0.00", "1.01"},
    {2.675, "#0.00", "2.68"},
    {0.99995, "0.0000", "1.0000"},
    {9.96, "#0.0", "10.0"},
    {-9.96, "#0.0", "-10.0"},
    {-0.04, "#0.0", "0.0"},
    {-0.05, "#0.0", "-0.1"},
    {4500.0, "#0.0", "4500.0"},
    {1.0, "0.00000", "1.00000"},
    {-1.234567, "0.00000", "-1.23457"},
    {0.0000005, "0.000000", "0.000001"},
    {0.00000049, "0.000000", "0.000000"},
    {123.4, "0.000000", "123.400000"},
    // Signed zero and extremes.
    {-0.0, "0.0000", "0.0000"},
    {-0.0, "#0", "0"},
    {std::numeric_limits<double>::denorm_min(), "0.0###", "0.0"},
    {-std::numeric_limits<double>::min(), "0.000000", "0.000000"},
    {std::numeric_limits<double>::quiet_NaN(), "0.0###", "NaN"},
    {std::numeric_limits<double>::infinity(), "#0", "Infinity"},
    {-std::numeric_limits<double>::infinity(), "0.0000", "-Infinity"},
};

TEST(NumberFormat, FormatsTableOfValues) {
    for (const auto& c : kCases) {
        EXPECT_EQ(common::formatNumber(c.value, c.pattern), c.expected)
            << "value " << c.value << " pattern " << c.pattern;
    }
}

TEST(NumberFormat, LargestDoubleKeepsEveryIntegerDigit) {
    const double big = std::numeric_limits<double>::max();
    const std::string text = common::formatNumber(-big, "#0.0#######");
    EXPECT_EQ(text.size(), 1u + 309u + 2u);
    EXPECT_EQ(text.substr(0, 8), "-1797693");
    EXPECT_EQ(text.substr(text.size() - 2), ".0");
}

TEST(NumberFormat, RejectsUnknownPatterns) {
    for (const char* bad : {"", "#", "0.", ".0", "0.#", "0.##", "0,0", "0.0#0", "#0%", "0.0 ",
                            " 0", "0..0", "0e0", "General Number",
                            "0.0000000000000000000000000000000"}) {
        EXPECT_THROW(common::NumberPattern{bad}, std::invalid_argument) << '"' << bad << '"';
        EXPECT_THROW(common::formatNumber(1.0, bad), std::invalid_argument) << '"' << bad << '"';
    }
}

TEST(NumberFormat, PatternObjectWritesIntoCallersRange) {
    const common::NumberPattern pattern("0.0###");
    char buffer[64];
    auto result = pattern.format(buffer, buffer + sizeof buffer, -3.14159);
    ASSERT_EQ(result.ec, std::errc{});
    EXPECT_EQ(std::string(buffer, result.ptr), "-3.1416");

    // Exactly the needed room suffices; one char less is reported, never overrun.
    char exact[7];
    result = pattern.format(exact, exact + 7, -3.14159);
    ASSERT_EQ(result.ec, std::errc{});
    EXPECT_EQ(std::string(exact, result.ptr), "-3.1416");
    char guard[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    result = pattern.format(guard, guard + 6, -3.14159);
    EXPECT_EQ(result.ec, std::errc::value_too_large);
    EXPECT_EQ(guard[6], 'x');
    result = pattern.format(guard, guard + 2, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(result.ec, std::errc::value_too_large);

    std::string line = "t=";
    pattern.appendTo(line, 2.0);
    line += ';';
    pattern.appendTo(line, 0.123456);
    EXPECT_EQ(line, "t=2.0;0.1235");
}

TEST(NumberFormat, MaxLengthBoundsEveryText) {
    const common::NumberPattern pattern("#0.0#######");
    std::vector<char> buffer(pattern.maxLength());
    for (double v : {-std::numeric_limits<double>::max(), -999999999.99999999, 1e300,
                     -std::numeric_limits<double>::denorm_min()}) {
        const auto result = pattern.format(buffer.data(), buffer.data() + buffer.size(), v);
        EXPECT_EQ(result.ec, std::errc{}) << v;
    }
}

}  // namespace
