#pragma once
// Numbers in the bytes of one 64-byte settings line (byte indexes 0 to 63; an index outside
// throws std::out_of_range).

#include <array>
#include <cstdint>

namespace vantrel::link {

inline constexpr int kLineBytes = 64;
using LineBytes = std::array<std::uint8_t, kLineBytes>;

int byteAt(const LineBytes& line, int k);
// Up to four bytes, the first most significant, read as one 32-bit signed integer; a
// negative index leaves that byte (and the ones after it) out.
std::int32_t compositeOf(const LineBytes& line, int k1, int k2 = -1, int k3 = -1, int k4 = -1);
// Packed BCD over bytes lo..hi, byte hi least significant; each byte gives its low nibble
// plus 10 times its high nibble and the weight grows by 100 per byte toward lo.
std::int64_t bcdUnsignedOf(const LineBytes& line, int hi, int lo);
// As bcdUnsignedOf over bytes hi..lo+1; of byte lo only the low nibble counts (the next
// decimal digit) and a high nibble of 0xC makes the result negative.
std::int64_t bcdSignedOf(const LineBytes& line, int hi, int lo);

}  // namespace vantrel::link
