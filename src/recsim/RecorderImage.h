#pragma once
// What an emulated recorder holds, in natural terms: where it is plugged in, its identity, its
// memory partition, the calibration of its two inputs and the tests stored in its slots. The
// emulator encodes all of it into the bytes of the recorder's settings memory and generates
// the sample memory from it word by word. Read and written as a text file by RecorderImageFile.

#include "recsim/Faults.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace recsim {

// Sample memory of the multi-channel recorder: 192 blocks, 0x1800000 words in all.
inline constexpr std::uint64_t kFullMemoryWords = 0x1800000;
inline constexpr std::uint32_t kMemoryBlocks = 192;
// The smallest memory an image may give: 192 blocks of 32 words.
inline constexpr std::uint64_t kMinimumMemoryWords = kMemoryBlocks * 32;

// Only the multi-channel recorder is emulated so far; the smaller recorder (one VOD and up to
// four scope inputs, its own framing and settings map) is meant to become a second model.
enum class RecorderModel { Corvane };

// Calibration of one recorder input (kept by the recorder, shared by all its tests).
struct InputCalibration {
    double rsrfOhms = 100.0;  // reference resistor of the VOD divider
    int rp = 0;               // stored as is (4 BCD digits)
    // Offset (volts) and gain per range group: group 0 serves select codes 1 and 2, groups 1
    // to 4 serve select codes 3 to 6.
    std::array<double, 5> vfsVolts{};
    std::array<double, 5> ks{1.0, 1.0, 1.0, 1.0, 1.0};
    // Threshold voltage of the VOD divider for DAC value h: vtOffset + vtGain * h volts,
    // stored every 4 DAC values from 1576.
    double vtGainVoltsPerCode = 5.0 / 4096.0;
    double vtOffsetVolts = 0.0;

    bool operator==(const InputCalibration&) const = default;
};

enum class SignalKind {
    None,   // code 0
    Vod,    // resistance probe consumed by a detonation front
    Pulse,  // pressure pulse: linear rise, exponential decay
    Level,  // constant voltage
    Ramp    // code = point index (+ 8192 on channel 2) mod 16384, no calibration, no noise
};

struct ChannelSignal {
    SignalKind kind = SignalKind::None;
    double velocityMps = 6500.0;         // Vod: front velocity
    double probeLengthM = 6.0;           // Vod: probe length
    double unitResistanceOhmPerM = 10.8;  // Vod: resistance per metre of probe
    double arrivalMs = 0.0;              // Vod, Pulse: arrival of the front after the trigger
    double noiseVolts = 0.0;             // rms noise at the input (not for Ramp)
    double baselineVolts = 0.0;          // Pulse
    double peakVolts = 5.0;              // Pulse: height above the baseline
    double riseUs = 5.0;                 // Pulse
    double decayUs = 80.0;               // Pulse: time constant of the decay
    double levelVolts = 0.0;             // Level

    bool operator==(const ChannelSignal&) const = default;
};

// One input as used by one test.
struct TestChannel {
    // 0 off, 1 VOD (0 to 5 V), 2 "0 to 5 V", 3 "0 to 10 V", 4 "-2.5 to 2.5 V", 5 "-5 to 5 V",
    // 6 "-10 to 10 V"; 7 has no table entry and is accepted to test the reader's refusal.
    int selectCode = 0;
    int dacVt = 3686;  // VOD threshold DAC value (14 bits)
    // The 16 initial signal codes; empty = taken from the channel's first 16 points.
    std::optional<std::array<int, 16>> initialSamples;
    ChannelSignal signal;

    bool operator==(const TestChannel&) const = default;
};

struct StoredTest {
    // Codes into the recorder's tables (0 to 15; 12 to 15 have no table entry).
    int sampleSpeedCode = 9;    // 1000000 Hz
    int triggerLevelCode = 2;   // 10 %
    int preTriggerCode = 3;     // 20 %
    // Slot-relative word addresses of the trigger and of the stop (the oldest word of the ring).
    std::uint32_t atrig = 0;
    std::uint32_t astop = 0;
    bool halfStep = false;
    bool overflowed = true;  // "OFL": the ring was filled
    bool triggered = true;
    bool ch1Trig = true;
    bool ch2Trig = false;
    bool stopPressed = false;
    std::array<TestChannel, 2> channels;
    // When set, the test's words (in time order, channels interleaved as in a data file) come
    // from this file of 16-bit little-endian words, repeated when shorter than the slot.
    std::filesystem::path samplesFile;

    int channelCount() const { return channels[1].selectCode != 0 ? 2 : 1; }
    bool operator==(const StoredTest&) const = default;
};

// One byte of the settings memory set after everything else was encoded.
struct SettingsOverride {
    int line = 0;
    int byte = 0;
    std::uint8_t value = 0;

    bool operator==(const SettingsOverride&) const = default;
};

struct RecorderImage {
    RecorderModel model = RecorderModel::Corvane;
    std::uint32_t port = 888;
    std::uint32_t serialNumber = 1;
    int slots = 1;
    std::uint64_t memoryWords = kFullMemoryWords;
    std::uint32_t measurementCounter = 1;  // number of the newest measurement
    std::uint64_t seed = 1;
    std::array<InputCalibration, 2> inputs;
    std::vector<StoredTest> tests;  // test t (1-based) is in slot t
    Faults faults;
    std::vector<SettingsOverride> overrides;

    std::uint64_t slotWords() const { return memoryWords / static_cast<std::uint64_t>(slots); }
    int freeSlots() const { return slots - static_cast<int>(tests.size()); }
    bool operator==(const RecorderImage&) const = default;
};

// Checks everything the emulator relies on; throws ImageError naming the first problem.
void validateImage(const RecorderImage& image);

// Recorder tables (index = code), as the download side reads them.
inline constexpr std::array<std::uint32_t, 12> kSampleSpeedsHz{
    250, 500, 1000, 5000, 10000, 50000, 100000, 250000, 500000, 1000000, 2500000, 5000000};
inline constexpr std::array<int, 12> kPercentTable{100, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95};
inline constexpr std::array<double, 7> kMinVoltage{0, 0, 0, 0, -2.5, -5, -10};
inline constexpr std::array<double, 7> kMaxVoltage{0, 5, 5, 10, 2.5, 5, 10};
inline constexpr std::array<const char*, 7> kInputNames{
    "Off", "VOD", "0 to 5 V", "0 to 10 V", "-2.5 to 2.5 V", "-5 to 5 V", "-10 to 10 V"};

// Range group of a select code (1 and 2 share group 0), or -1 for none.
inline int rangeGroup(int selectCode) {
    return selectCode >= 1 && selectCode <= 6 ? (selectCode <= 2 ? 0 : selectCode - 2) : -1;
}

}  // namespace recsim
