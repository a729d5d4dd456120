#pragma once
// The text forms of values in the files the download program writes.

#include <cstdint>
#include <string>

namespace download {

// Pattern "#0": decimal digits, "-" for negatives.
std::string wholeNumberText(std::int64_t n);
// A Boolean written as a number: "-1" for true, "0" for false.
std::string booleanNumberText(bool b);
// Pattern "#0.0#######" (common::NumberPattern): rounded half away from zero to eight
// decimals, trailing zeros dropped down to one decimal; "." is the decimal separator whatever
// the locale (the readers accept "." and ","). A value that rounds to zero is "0.0" without a
// sign. Throws std::domain_error for infinities and NaN: a set file gets no text that its
// readers cannot take as a number.
std::string realText(double x);
// Flags of section "settings": "T" / "F".
std::string mainFlagText(bool b);
// Flags of a channel section: "True" / "False".
std::string channelFlagText(bool b);
// Pattern "0000": at least four digits, zeros on the left ("-" before them for negatives);
// exact up to 2^53.
std::string fourDigitText(std::int64_t n);

}  // namespace download
