#include "link/LineDecoders.h"

#include <stdexcept>
#include <string>

namespace vantrel::link {

int byteAt(const LineBytes& line, int k) {
    if (k < 0 || k >= kLineBytes) throw std::out_of_range("settings line byte " + std::to_string(k));
    return line[static_cast<std::size_t>(k)];
}

std::int32_t compositeOf(const LineBytes& line, int k1, int k2, int k3, int k4) {
    std::uint32_t value = 0;
    for (int k : {k1, k2, k3, k4}) {
        if (k < 0) break;
        value = (value << 8) | static_cast<std::uint32_t>(byteAt(line, k));
    }
    return static_cast<std::int32_t>(value);
}

namespace {
std::int64_t bcdByte(int b) { return (b & 0x0F) + 10 * (b >> 4); }
}  // namespace

std::int64_t bcdUnsignedOf(const LineBytes& line, int hi, int lo) {
    std::int64_t value = 0;
    std::int64_t weight = 1;
    for (int k = hi; k >= lo; --k, weight *= 100) value += bcdByte(byteAt(line, k)) * weight;
    return value;
}

std::int64_t bcdSignedOf(const LineBytes& line, int hi, int lo) {
    std::int64_t value = 0;
    std::int64_t weight = 1;
    for (int k = hi; k > lo; --k, weight *= 100) value += bcdByte(byteAt(line, k)) * weight;
    const int last = byteAt(line, lo);
    value += (last & 0x0F) * weight;
    return (last >> 4) == 0xC ? -value : value;
}

}  // namespace vantrel::link
