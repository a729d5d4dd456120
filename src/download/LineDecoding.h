#pragma once
// The recorder link's settings-line decoders applied to a line source (byte indexes 0 to 63,
// std::out_of_range outside). Each decoder reads the line through the source, so a cached
// source reads every line at most once.

#include "download/LineSource.h"

#include <cstdint>

namespace download {

// Byte k of line n.
int LineByte(LineSource& lines, int n, int k);
// Byte 2j + 1 (high) and byte 2j (low).
int LineWordLE(LineSource& lines, int n, int j);
// Byte 2j (high) and byte 2j + 1 (low).
int LineWordBE(LineSource& lines, int n, int j);
// Packed BCD over bytes lo to hi, byte hi least significant: each byte gives its low nibble
// plus 10 times its high nibble, and the weight grows by 100 per byte toward lo.
std::int64_t BcdUnsigned(LineSource& lines, int n, int hi, int lo);
// As BcdUnsigned over bytes hi down to lo + 1; of byte lo only the low nibble counts, as the
// next decimal digit, and a high nibble of 0xC makes the result negative.
std::int64_t BcdSigned(LineSource& lines, int n, int hi, int lo);

}  // namespace download
