#include "common/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace common {

namespace {

// Longest text std::to_chars gives for the shortest fixed form of a finite double: 309 integer
// digits for the largest values, "0." and up to 324 decimals for the smallest.
constexpr std::size_t kShortestFixedMax = 330;
// Integer digits of the largest double plus one for a carry out of the rounding.
constexpr std::size_t kMaxValueDigits = 310;

std::to_chars_result copyText(char* first, char* last, std::string_view text) noexcept {
    if (static_cast<std::size_t>(last - first) < text.size()) {
        return {last, std::errc::value_too_large};
    }
    std::memcpy(first, text.data(), text.size());
    return {first + text.size(), std::errc{}};
}

[[noreturn]] void rejectPattern(std::string_view pattern) {
    throw std::invalid_argument("Unknown number pattern \"" + std::string(pattern) + "\"");
}

}  // namespace

NumberPattern::NumberPattern(std::string_view pattern) {
    std::size_t i = 0;
    const std::size_t n = pattern.size();
    while (i < n && pattern[i] == '#') {
        ++i;
    }
    int integerZeros = 0;
    while (i < n && pattern[i] == '0') {
        ++integerZeros;
        ++i;
    }
    int decimalZeros = 0;
    int decimalHashes = 0;
    if (i < n && pattern[i] == '.') {
        ++i;
        while (i < n && pattern[i] == '0') {
            ++decimalZeros;
            ++i;
        }
        while (i < n && pattern[i] == '#') {
            ++decimalHashes;
            ++i;
        }
        // "0." or "0.##" would show a bare trailing point for whole numbers; no display
        // uses them, so they are not accepted.
        if (decimalZeros == 0) {
            rejectPattern(pattern);
        }
    }
    if (i != n || integerZeros == 0 || integerZeros > kMaxIntegerZeros ||
        decimalZeros + decimalHashes > kMaxDecimals) {
        rejectPattern(pattern);
    }
    m_minIntegerDigits = integerZeros;
    m_minDecimals = decimalZeros;
    m_maxDecimals = decimalZeros + decimalHashes;
}

std::size_t NumberPattern::maxLength() const noexcept {
    const std::size_t integerDigits =
        std::max(kMaxValueDigits, static_cast<std::size_t>(m_minIntegerDigits));
    const std::size_t decimals = static_cast<std::size_t>(m_maxDecimals);
    return 1 + integerDigits + (decimals > 0 ? 1 + decimals : 0);
}

std::to_chars_result NumberPattern::format(char* first, char* last, double value) const noexcept {
    if (std::isnan(value)) {
        return copyText(first, last, "NaN");
    }
    if (std::isinf(value)) {
        return copyText(first, last, value < 0 ? "-Infinity" : "Infinity");
    }
    const bool negative = std::signbit(value);
    const auto maxDecimals = static_cast<std::size_t>(m_maxDecimals);

    // work[0] is a spare digit that takes a carry out of the rounding (9.96 -> 10.0).
    char work[1 + kShortestFixedMax + kMaxDecimals];
    work[0] = '0';
    char* const digits = work + 1;
    // The shortest text that reads back as the same double is the number's decimal value;
    // rounding that text (not the exact binary value, whose halves round to even in
    // to_chars with a precision) gives the half-away-from-zero results users expect.
    const auto converted = std::to_chars(digits, digits + kShortestFixedMax, std::fabs(value),
                                         std::chars_format::fixed);
    if (converted.ec != std::errc{}) {
        return {last, std::errc::value_too_large};
    }
    char* end = converted.ptr;
    char* const dot = std::find(digits, end, '.');
    auto integerLength = static_cast<std::size_t>(dot - digits);
    std::size_t fractionLength = 0;
    if (dot != end) {
        // Close the gap of the point so that integer and fraction digits are one number.
        fractionLength = static_cast<std::size_t>(end - dot - 1);
        std::memmove(dot, dot + 1, fractionLength);
        --end;
    }

    // Digits kept: integer digits and exactly maxDecimals decimals.
    const std::size_t kept = integerLength + maxDecimals;
    if (fractionLength > maxDecimals) {
        if (digits[kept] >= '5') {
            // Walk left through the kept digits and the spare one; the spare never
            // overflows because it starts at '0'.
            char* d = digits + kept - 1;
            while (*d == '9') {
                *d = '0';
                --d;
            }
            ++*d;
        }
    } else {
        std::memset(digits + integerLength + fractionLength, '0', maxDecimals - fractionLength);
    }

    const char* start = digits;
    if (work[0] != '0') {
        start = work;
        ++integerLength;
    }

    bool allZero = true;
    for (std::size_t k = 0; k < integerLength + maxDecimals; ++k) {
        if (start[k] != '0') {
            allZero = false;
            break;
        }
    }

    std::size_t decimalsShown = maxDecimals;
    const char* const decimals = start + integerLength;
    while (decimalsShown > static_cast<std::size_t>(m_minDecimals) &&
           decimals[decimalsShown - 1] == '0') {
        --decimalsShown;
    }

    const std::size_t padding =
        integerLength < static_cast<std::size_t>(m_minIntegerDigits)
            ? static_cast<std::size_t>(m_minIntegerDigits) - integerLength
            : 0;
    const bool sign = negative && !allZero;
    const std::size_t length = (sign ? 1 : 0) + padding + integerLength +
                               (decimalsShown > 0 ? 1 + decimalsShown : 0);
    if (static_cast<std::size_t>(last - first) < length) {
        return {last, std::errc::value_too_large};
    }

    char* out = first;
    if (sign) {
        *out++ = '-';
    }
    std::memset(out, '0', padding);
    out += padding;
    std::memcpy(out, start, integerLength);
    out += integerLength;
    if (decimalsShown > 0) {
        *out++ = '.';
        std::memcpy(out, decimals, decimalsShown);
        out += decimalsShown;
    }
    return {out, std::errc{}};
}

void NumberPattern::appendTo(std::string& out, double value) const {
    char buffer[1 + kMaxValueDigits + kMaxIntegerZeros + 1 + kMaxDecimals];
    const auto result = format(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

std::string NumberPattern::format(double value) const {
    std::string text;
    appendTo(text, value);
    return text;
}

std::string formatNumber(double value, std::string_view pattern) {
    return NumberPattern(pattern).format(value);
}

}  // namespace common
