#include "download/SettingText.h"

#include "common/NumberFormat.h"

#include <cmath>
#include <stdexcept>

namespace download {

// Pattern "#0" of an integer is its decimal digits; to_string keeps all 64 bits, where a
// detour through a double would not.
std::string wholeNumberText(std::int64_t n) { return std::to_string(n); }

std::string booleanNumberText(bool b) { return b ? "-1" : "0"; }

std::string realText(double x) {
    if (!std::isfinite(x)) throw std::domain_error("a real that is not finite has no text");
    static const common::NumberPattern pattern("#0.0#######");
    return pattern.format(x);
}

std::string mainFlagText(bool b) { return b ? "T" : "F"; }

std::string channelFlagText(bool b) { return b ? "True" : "False"; }

std::string fourDigitText(std::int64_t n) {
    static const common::NumberPattern pattern("0000");
    return pattern.format(static_cast<double>(n));
}

}  // namespace download
