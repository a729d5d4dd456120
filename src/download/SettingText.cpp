#include "download/SettingText.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace download {

std::string wholeNumberText(std::int64_t n) { return std::to_string(n); }

std::string booleanNumberText(bool b) { return b ? "-1" : "0"; }

std::string realText(double x) {
    if (!std::isfinite(x)) throw std::domain_error("a real that is not finite has no text");
    // Fixed notation of a double needs at most 309 integer digits, a sign, a point and 8
    // decimals.
    std::vector<char> buffer(330);
    const auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed, 8);
    if (ec != std::errc{}) throw std::domain_error("real out of range for its text");
    std::string text(buffer.data(), end);
    // Drop trailing zeros, keeping at least one decimal.
    std::size_t last = text.find_last_not_of('0');
    if (text[last] == '.') ++last;
    text.erase(last + 1);
    if (text == "-0.0") text = "0.0";
    return text;
}

std::string mainFlagText(bool b) { return b ? "T" : "F"; }

std::string channelFlagText(bool b) { return b ? "True" : "False"; }

std::string fourDigitText(std::int64_t n) {
    const bool negative = n < 0;
    // The magnitude as unsigned, so that the smallest 64-bit value has one too.
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    std::string digits = std::to_string(magnitude);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

}  // namespace download
