#pragma once
// The multi-channel recorder's settings-memory map: which line and byte holds which setting.
//
//   line 2          directory: measurement counter (bytes 0..3, little-endian), log2 of the
//                   number of slots (byte 4), free slots (byte 5)
//   line 14         serial number, BCD bytes 16..18
//   line 4t+28      header of test t: trigger code (bytes 0..3: 25-bit address, half-step,
//                   OFL, triggered, channel trigger flags), stop address in 32-word groups
//                   (bytes 4..6, stop button flag in byte 6 bit 4), trigger level, pre-trigger
//                   and sample speed codes (bytes 16..18), range codes (byte 19), VOD DAC
//                   values (little-endian words 10 and 11)
//   line 4t+30      initial signal codes, 32 big-endian words, channels alternating
//   line 96 / 128   calibration of input 1 / 2: RSRF, RP, five groups of offset and gain
//   lines 98..127 / 130..159   threshold voltage table of input 1 / 2, 21 entries a line
//
// Trigger and stop are stored as absolute addresses of the full-size memory, which the reader
// reduces modulo its slot size; so they decode to the image's slot-relative values whatever
// memory size is emulated.

#include "recsim/RecorderImage.h"
#include "recsim/SettingsMemory.h"

#include <array>
#include <cstdint>

namespace recsim {

inline constexpr int kDirectoryLine = 2;
inline constexpr int kSerialLine = 14;
inline constexpr std::array<int, 2> kCalibrationLine{96, 128};
inline constexpr std::array<int, 2> kVtTableLine{98, 130};
inline int testHeaderLine(int test) { return 4 * test + 28; }
inline int initialSamplesLine(int test) { return 4 * test + 30; }

// The stored forms of a test's trigger and stop (the 28-bit trigger code without the channel
// flags, the 20-bit stop group), for the slot of test t of a recorder with `slots` slots.
std::uint32_t triggerCode(const StoredTest& test, int t, int slots);
std::uint32_t stopGroup(const StoredTest& test, int t, int slots);

// Encodes the image (everything but the overrides, which the caller applies) into memory.
// initialSamples[t-1][c] are the 16 initial codes of channel c of test t.
SettingsMemory encodeCorvaneSettings(
    const RecorderImage& image,
    const std::vector<std::array<std::array<std::uint16_t, 16>, 2>>& initialSamples);

}  // namespace recsim
