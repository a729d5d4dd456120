#pragma once
// Numbers shown to the user and written to text files use a few fixed digit patterns
// ("#0", "00", "000", "0000", "#0.0", "#0.00", "0.0000", "0.00000", "0.000000", "0.0###",
// "#0.0#######"). They follow the rules of the Basic Format() function for such patterns:
//
//   - "0" is a mandatory digit, "#" an optional one. Before the point the zeros give the
//     least number of integer digits (5 with "000" is "005"); the integer part is never cut
//     (12345 with "00" is "12345"). After the point the value is rounded to as many decimals
//     as the pattern has places, then trailing zeros are dropped down to the mandatory ones
//     (2 with "0.0###" is "2.0", 0.123456 is "0.1235").
//   - Rounding is half away from zero, done on the decimal value of the number: the shortest
//     decimal text that reads back as the same double. So 2.5 with "#0" is "3", -2.5 is "-3",
//     0.125 with "#0.00" is "0.13" and 1.005 (stored as 1.00499999999999989...) with "#0.00"
//     is "1.01", as a user who typed 1.005 expects and as Format() shows it.
//   - "." is always the decimal separator, whatever the locale.
//   - Negative numbers get a leading "-", except when the shown digits are all zero
//     (-0.4 with "#0" is "0", never "-0").
//   - NaN is shown as "NaN", infinities as "Infinity" and "-Infinity".
//
// Accepted patterns: optional "#"s, then one or more "0"s, then optionally "." followed by one
// or more "0"s and then optional "#"s (at most 30 integer zeros and 30 decimal places). Any
// other text is rejected with std::invalid_argument.

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>

namespace common {

// A parsed pattern, for loops that format many values with the same pattern.
class NumberPattern {
public:
    static constexpr int kMaxIntegerZeros = 30;
    static constexpr int kMaxDecimals = 30;

    // Throws std::invalid_argument when the text is not an accepted pattern.
    explicit NumberPattern(std::string_view pattern);

    int minIntegerDigits() const noexcept { return m_minIntegerDigits; }
    int minDecimals() const noexcept { return m_minDecimals; }
    int maxDecimals() const noexcept { return m_maxDecimals; }

    // Upper bound of the length of any text format() can produce with this pattern; a buffer
    // of this size never gets errc::value_too_large.
    std::size_t maxLength() const noexcept;

    // Writes the text of value into [first, last), without a terminating zero. On success
    // returns {end of the text, errc{}}; when the range is too small returns
    // {last, errc::value_too_large} and the range's content is unspecified. Never allocates.
    std::to_chars_result format(char* first, char* last, double value) const noexcept;

    // Appends the text of value to out (allocates only when out has to grow).
    void appendTo(std::string& out, double value) const;

    std::string format(double value) const;

private:
    int m_minIntegerDigits = 1;
    int m_minDecimals = 0;
    int m_maxDecimals = 0;
};

// Formats one value; parses the pattern on every call (use NumberPattern in loops).
// Throws std::invalid_argument for a pattern that is not accepted.
std::string formatNumber(double value, std::string_view pattern);

}  // namespace common
