#pragma once
// The recorder's code-to-value tables (index = code). A code without an entry throws
// SettingsIndexError naming the table and the code.

#include <cstdint>

namespace download {

// Range code 1 is the VOD (resistance probe) input, 0 to 5 V; 0 is a channel switched off.
inline constexpr int kVodRangeCode = 1;

// Range codes 0 to 6: 0, 0, 0, 0, -2.5, -5, -10 volts.
double minimumVoltage(int rangeCode);
// Range codes 0 to 6: 0, 5, 5, 10, 2.5, 5, 10 volts.
double maximumVoltage(int rangeCode);
// Sample speed codes 0 to 11: 250 Hz to 5 MHz.
std::int32_t sampleSpeedHz(int code);
// Trigger level codes 0 to 11: 100, 5, 10, 20 ... 90, 95 percent.
std::int32_t triggerLevelPercent(int code);
// Pre-trigger codes 0 to 11: the same percentages.
std::int32_t preTriggerPercent(int code);

}  // namespace download
