#pragma once
// The header of stored test t in the recorder's settings memory (line 4t + 28), and the
// memory positions derived from it.
//
//   bytes 0..2 and the low nibble of byte 3   trigger position code, 28 bits, little-endian;
//                                             byte 3 bit 1 (code bit 25) is the half-step flag,
//                                             bit 2 "OFL", bit 3 "Triggered"
//   byte 3 bits 4 and 5                       "Ch1Trig", "Ch2Trig"
//   bytes 4..6                                stop address, 24 bits little-endian, low 20 used;
//                                             byte 6 bit 4 is 0 when the stop button was pressed
//   bytes 16, 17, 18 (bits 0..3)              trigger level, pre-trigger, sample speed codes
//   byte 19 bits 0..2 / 4..6                  range code of channel 1 / 2 (0 = off)
//   bytes 20, 21 / 22, 23                     VOD DAC value of channel 1 / 2, little-endian

#include "download/LineSource.h"

#include <array>
#include <cstdint>
#include <string>

namespace download {

inline constexpr int kMaxTests = 16;

// Line of the header and of the initial samples of test t (1 to 16).
int testHeaderLine(int t);
int initialSamplesLine(int t);

// Words of one test slot: 0x1800000 / slots. Throws SettingsIndexError unless slots is 1, 2,
// 4, 8 or 16, the partitions the recorder knows.
std::int32_t slotWords(int slots);

// Throws SettingsIndexError unless 1 <= t <= slots (t is a stored test of the directory).
void checkTestNumber(int t, int slots);

struct TestHeader {
    std::uint32_t triggerCode = 0;  // 28 bits
    bool halfStep = false;
    bool overflowed = false;
    bool triggered = false;
    bool ch1Trig = false;
    bool ch2Trig = false;
    std::uint32_t stopAddress = 0;  // 24 bits
    bool stopPressed = false;
    int triggerLevelCode = 0;  // 0..15
    int preTriggerCode = 0;    // 0..15
    int sampleSpeedCode = 0;   // 0..15
    std::array<int, 2> rangeCode{};  // 0..7
    std::array<int, 2> dac{};        // low 14 bits of the DAC word
};

// Reads line 4t + 28 (t from 1 to 16, std::out_of_range otherwise).
TestHeader readTestHeader(LineSource& lines, int t);

// "&h" followed by the seven hexadecimal digits of the code as stored (the low nibble of
// byte 3, then bytes 2, 1 and 0), upper case.
std::string triggerPositionText(std::uint32_t triggerCode);

struct MemoryPositions {
    std::int32_t atrig = 0;          // "ATRIG"
    std::int32_t astop = 0;          // "ASTOP": the slot-relative stop address
    std::int32_t preTriggerPts = 0;  // "PreTriggerPts"
};

// With h = 1 when the half-step flag is set (else 0) and W = slotWords(slots):
//   atrig = ((code + 32h) AND 0x1FFFFFF) mod W
//   astop = ((((stop + 1) AND 0xFFFFF) + h) * 32) mod W
//   pre   = (atrig - astop + 32h) mod W, in 0 to W - 1: the words from the stop address (the
//           oldest word of the ring) to the trigger. A trigger in the last 32 words before
//           the stop address wraps to the start rather than giving more pre-trigger words
//           than the file holds.
MemoryPositions memoryPositions(const TestHeader& header, int slots);

}  // namespace download
