#include "recsim/SettingsMemory.h"

#include <stdexcept>
#include <string>

namespace recsim {

void SettingsMemory::clear(std::uint8_t value) {
    for (auto& l : m_lines) l.fill(value);
}

SettingsLine& SettingsMemory::line(int n) {
    if (n < 0 || n >= kSettingsLines)
        throw std::out_of_range("settings line " + std::to_string(n) + " does not exist");
    return m_lines[static_cast<std::size_t>(n)];
}

const SettingsLine& SettingsMemory::line(int n) const {
    return const_cast<SettingsMemory*>(this)->line(n);
}

std::uint64_t bcdLimit(int digits) {
    std::uint64_t limit = 1;
    for (int i = 0; i < digits; ++i) limit *= 10;
    return limit - 1;
}

void SettingsMemory::putBcdUnsigned(int n, int hi, int lo, std::uint64_t value) {
    const int digits = 2 * (hi - lo + 1);
    if (hi < lo || value > bcdLimit(digits))
        throw std::out_of_range(std::to_string(value) + " does not fit " + std::to_string(digits) +
                                " BCD digits");
    for (int k = hi; k >= lo; --k) {
        const auto pair = static_cast<unsigned>(value % 100);
        setByte(n, k, static_cast<std::uint8_t>(((pair / 10) << 4) | (pair % 10)));
        value /= 100;
    }
}

void SettingsMemory::putBcdSigned(int n, int hi, int lo, std::int64_t value) {
    const int digits = 2 * (hi - lo) + 1;
    const std::uint64_t magnitude =
        value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
    if (hi < lo || magnitude > bcdLimit(digits))
        throw std::out_of_range(std::to_string(value) + " does not fit " + std::to_string(digits) +
                                " signed BCD digits");
    std::uint64_t rest = magnitude;
    if (hi > lo) {
        putBcdUnsigned(n, hi, lo + 1, rest % (bcdLimit(digits - 1) + 1));
        rest /= bcdLimit(digits - 1) + 1;
    }
    setByte(n, lo, static_cast<std::uint8_t>((value < 0 ? 0xC0 : 0x00) | rest));
}

void SettingsMemory::putComposite(int n, int k1, int k2, int k3, int k4, std::uint32_t value) {
    setByte(n, k4, static_cast<std::uint8_t>(value));
    setByte(n, k3, static_cast<std::uint8_t>(value >> 8));
    setByte(n, k2, static_cast<std::uint8_t>(value >> 16));
    setByte(n, k1, static_cast<std::uint8_t>(value >> 24));
}

void SettingsMemory::putWordBE(int n, int j, std::uint16_t value) {
    setByte(n, 2 * j, static_cast<std::uint8_t>(value >> 8));
    setByte(n, 2 * j + 1, static_cast<std::uint8_t>(value));
}

void SettingsMemory::putWordLE(int n, int j, std::uint16_t value) {
    setByte(n, 2 * j + 1, static_cast<std::uint8_t>(value >> 8));
    setByte(n, 2 * j, static_cast<std::uint8_t>(value));
}

}  // namespace recsim
