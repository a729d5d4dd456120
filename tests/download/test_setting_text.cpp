// Text forms of the values the download program writes, and the download date.

#include "download/DownloadDate.h"
#include "download/SettingText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace download {
namespace {

TEST(RealText, AtLeastOneAndAtMostEightDecimals) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0.0"},
        {5.0, "5.0"},
        {-10.0, "-10.0"},
        {-2.5, "-2.5"},
        {0.1, "0.1"},
        {1.0 / 3.0, "0.33333333"},
        {2.0 / 3.0, "0.66666667"},
        {-1.0 / 3.0, "-0.33333333"},
        {123.456789012, "123.45678901"},
        {2500000.0, "2500000.0"},
        {1e-9, "0.0"},
        {-1e-9, "0.0"},
        {-0.0, "0.0"},
        {0.000000016, "0.00000002"},
        {0.000000005, "0.00000001"},  // half away from zero, on the decimal value
        {-0.000000005, "-0.00000001"},
        {1.000000125, "1.00000013"},
        {1e20, "100000000000000000000.0"},
    };
    for (const Case& c : cases) EXPECT_EQ(realText(c.value), c.text) << c.value;
}

TEST(RealText, NonFiniteValuesHaveNoText) {
    EXPECT_THROW(realText(std::numeric_limits<double>::infinity()), std::domain_error);
    EXPECT_THROW(realText(std::nan("")), std::domain_error);
}

TEST(NumberTexts, WholeNumbersFlagsAndFourDigits) {
    EXPECT_EQ(wholeNumberText(0), "0");
    EXPECT_EQ(wholeNumberText(-378), "-378");
    EXPECT_EQ(wholeNumberText(25165824), "25165824");
    EXPECT_EQ(booleanNumberText(true), "-1");
    EXPECT_EQ(booleanNumberText(false), "0");
    EXPECT_EQ(mainFlagText(true), "T");
    EXPECT_EQ(mainFlagText(false), "F");
    EXPECT_EQ(channelFlagText(true), "True");
    EXPECT_EQ(channelFlagText(false), "False");
    EXPECT_EQ(fourDigitText(0), "0000");
    EXPECT_EQ(fourDigitText(42), "0042");
    EXPECT_EQ(fourDigitText(1207), "1207");
    EXPECT_EQ(fourDigitText(123456), "123456");
    EXPECT_EQ(fourDigitText(-7), "-0007");
}

TEST(DownloadDate, TimeDayFullMonthAndYear) {
    struct Case {
        LocalDateTime when;
        const char* text;
    };
    const Case cases[] = {
        {{2026, 12, 6, 14, 3, 22}, "14:03:22, 6 December 2026"},
        {{2003, 1, 31, 0, 0, 0}, "00:00:00, 31 January 2003"},
        {{2024, 2, 29, 23, 59, 59}, "23:59:59, 29 February 2024"},
        {{2025, 3, 1, 9, 5, 7}, "09:05:07, 1 March 2025"},
        {{2025, 4, 10, 12, 0, 0}, "12:00:00, 10 April 2025"},
        {{2025, 5, 2, 1, 2, 3}, "01:02:03, 2 May 2025"},
        {{2025, 6, 3, 1, 2, 3}, "01:02:03, 3 June 2025"},
        {{2025, 7, 4, 1, 2, 3}, "01:02:03, 4 July 2025"},
        {{2025, 8, 5, 1, 2, 3}, "01:02:03, 5 August 2025"},
        {{2025, 9, 6, 1, 2, 3}, "01:02:03, 6 September 2025"},
        {{2025, 10, 7, 1, 2, 3}, "01:02:03, 7 October 2025"},
        {{2025, 11, 8, 1, 2, 3}, "01:02:03, 8 November 2025"},
    };
    for (const Case& c : cases) EXPECT_EQ(downloadDateText(c.when), c.text);
}

TEST(DownloadDate, MonthOutsideTheYearIsRefused) {
    EXPECT_THROW(downloadDateText({2025, 0, 1, 0, 0, 0}), std::out_of_range);
    EXPECT_THROW(downloadDateText({2025, 13, 1, 0, 0, 0}), std::out_of_range);
}

}  // namespace
}  // namespace download
