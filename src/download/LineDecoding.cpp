#include "download/LineDecoding.h"

#include <stdexcept>

namespace download {
namespace {

void checkRange(int hi, int lo) {
    if (lo < 0 || hi < lo || hi >= kSettingsLineBytes)
        throw std::out_of_range("settings line bytes " + std::to_string(lo) + " to " + std::to_string(hi));
}

std::int64_t bcdByte(std::uint8_t b) { return (b & 0x0F) + 10 * (b >> 4); }

}  // namespace

int LineByte(LineSource& lines, int n, int k) {
    return lines.line(n).at(static_cast<std::size_t>(k));
}

int LineWordLE(LineSource& lines, int n, int j) {
    const LineBytes bytes = lines.line(n);
    return bytes.at(static_cast<std::size_t>(2 * j + 1)) * 256 + bytes.at(static_cast<std::size_t>(2 * j));
}

int LineWordBE(LineSource& lines, int n, int j) {
    const LineBytes bytes = lines.line(n);
    return bytes.at(static_cast<std::size_t>(2 * j)) * 256 + bytes.at(static_cast<std::size_t>(2 * j + 1));
}

std::int64_t BcdUnsigned(LineSource& lines, int n, int hi, int lo) {
    checkRange(hi, lo);
    const LineBytes bytes = lines.line(n);
    std::int64_t value = 0;
    for (int k = lo; k <= hi; ++k) value = value * 100 + bcdByte(bytes[static_cast<std::size_t>(k)]);
    return value;
}

std::int64_t BcdSigned(LineSource& lines, int n, int hi, int lo) {
    checkRange(hi, lo);
    const LineBytes bytes = lines.line(n);
    const std::uint8_t first = bytes[static_cast<std::size_t>(lo)];
    std::int64_t value = first & 0x0F;
    for (int k = lo + 1; k <= hi; ++k) value = value * 100 + bcdByte(bytes[static_cast<std::size_t>(k)]);
    return (first >> 4) == 0xC ? -value : value;
}

}  // namespace download
