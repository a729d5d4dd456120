#pragma once
// The recorder's directory of stored tests (settings line 2).

#include "link/KeySink.h"
#include "link/SettingsLines.h"

#include <cstdint>

namespace vantrel::link {

struct Directory {
    std::int32_t counter = 0;  // measurement counter, 0 to 999999
    int slots = 0;             // 1, 2, 4, 8 or 16
    int freeSlots = 0;

    int storedTests() const { return slots - freeSlots; }
    // Measurement number of stored test t (1-based).
    std::int32_t measurementNumber(int t) const { return counter + freeSlots - slots + t; }
};

inline constexpr int kMaxSlotsLog2 = 4;

// Reads line 2: counter = bytes 3..0 (little-endian) mod 1000000, slots = 2 ^ byte 4, free
// slots = byte 5; records "Mes No", "Total Tests" and "Rem Tests" in status (may be null).
// A directory no recorder can hold (more than 16 slots, more free slots than slots) raises
// 3341 "PellionNotFound Error 44", as an unreadable line does.
Directory ReadDirectory(SettingsLines& lines, KeySink* status);

}  // namespace vantrel::link
