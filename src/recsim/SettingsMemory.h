#pragma once
// The recorder's settings memory: 257 lines of 64 bytes, and the encoders that put numbers
// into bytes the way the download side's decoders read them back.

#include <array>
#include <cstdint>

namespace recsim {

inline constexpr int kSettingsLines = 257;
inline constexpr int kLineBytes = 64;

using SettingsLine = std::array<std::uint8_t, kLineBytes>;

class SettingsMemory {
public:
    SettingsMemory() { clear(0); }

    void clear(std::uint8_t value);
    // Line n (0..256); throws std::out_of_range otherwise.
    SettingsLine& line(int n);
    const SettingsLine& line(int n) const;
    std::uint8_t byte(int n, int k) const { return line(n).at(static_cast<std::size_t>(k)); }
    void setByte(int n, int k, std::uint8_t value) { line(n).at(static_cast<std::size_t>(k)) = value; }

    // Packed BCD over bytes lo..hi, byte hi least significant, two digits per byte (high
    // nibble tens). Throws std::out_of_range when value needs more digits than the bytes hold.
    void putBcdUnsigned(int n, int hi, int lo, std::uint64_t value);
    // Like putBcdUnsigned for bytes hi..lo+1; byte lo holds one more digit in its low nibble
    // and 0xC in its high nibble when value is negative.
    void putBcdSigned(int n, int hi, int lo, std::int64_t value);
    // value spread over bytes k1 (most significant) .. k4 (least significant).
    void putComposite(int n, int k1, int k2, int k3, int k4, std::uint32_t value);
    // Word j as bytes 2j (high) and 2j+1 (low), or 2j+1 (high) and 2j (low).
    void putWordBE(int n, int j, std::uint16_t value);
    void putWordLE(int n, int j, std::uint16_t value);

    bool operator==(const SettingsMemory&) const = default;

private:
    std::array<SettingsLine, kSettingsLines> m_lines{};
};

// Largest value n BCD digits hold (n <= 18).
std::uint64_t bcdLimit(int digits);

}  // namespace recsim
