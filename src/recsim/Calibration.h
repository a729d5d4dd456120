#pragma once
// The calibration numbers exactly as the recorder stores them (fixed-point integers), and the
// physical values the download and analysis side will derive from those stored integers. The
// settings encoder writes the stored form and the sample generator uses the derived values, so
// that a test converts back to the velocities and voltages its image describes.

#include "recsim/RecorderImage.h"

#include <cstdint>

namespace recsim {

inline constexpr int kVtFirstDac = 1576;  // first DAC value of the threshold table
inline constexpr int kVtEntries = 630;    // 30 lines of 21 entries, every 4 DAC values

std::uint64_t storedRsrf(const InputCalibration& c);            // milliohms
std::int64_t storedVfs(const InputCalibration& c, int group);    // microvolts
std::uint64_t storedKs(const InputCalibration& c, int group);    // millionths
std::uint64_t storedVtEntry(const InputCalibration& c, int dac);  // 10 microvolts

// The values read back from the stored integers.
double rsrfOhms(const InputCalibration& c);
double vfsVolts(const InputCalibration& c, int group);
double ksGain(const InputCalibration& c, int group);
// Threshold voltage for a DAC value: the table entry, or linear interpolation between the two
// entries around a value that is not a multiple of 4.
double thresholdVolts(const InputCalibration& c, int dac);

}  // namespace recsim
