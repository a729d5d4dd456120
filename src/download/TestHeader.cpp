#include "download/TestHeader.h"

#include "download/LineDecoding.h"
#include "download/SettingsIndexError.h"

#include <cstdio>
#include <stdexcept>

namespace download {
namespace {

constexpr std::int64_t kMemoryWords = 0x1800000;

bool bit(int byte, int b) { return ((byte >> b) & 1) != 0; }

void checkTest(int t) {
    if (t < 1 || t > kMaxTests) throw std::out_of_range("test number " + std::to_string(t));
}

}  // namespace

int testHeaderLine(int t) {
    checkTest(t);
    return 4 * t + 28;
}

int initialSamplesLine(int t) {
    checkTest(t);
    return 4 * t + 30;
}

std::int32_t slotWords(int slots) {
    switch (slots) {
        case 1: case 2: case 4: case 8: case 16:
            return static_cast<std::int32_t>(kMemoryWords / slots);
        default:
            throw SettingsIndexError("the recorder reports " + std::to_string(slots) +
                                     " test slots; 1, 2, 4, 8 or 16 expected");
    }
}

void checkTestNumber(int t, int slots) {
    slotWords(slots);
    if (t < 1 || t > slots)
        throw SettingsIndexError("test " + std::to_string(t) + " is not among " +
                                 std::to_string(slots) + " test slots");
}

TestHeader readTestHeader(LineSource& lines, int t) {
    const int n = testHeaderLine(t);
    auto byte = [&](int k) { return LineByte(lines, n, k); };
    TestHeader h;
    const int flags = byte(3);
    h.triggerCode = static_cast<std::uint32_t>(byte(0)) | static_cast<std::uint32_t>(byte(1)) << 8 |
                    static_cast<std::uint32_t>(byte(2)) << 16 |
                    static_cast<std::uint32_t>(flags & 0x0F) << 24;
    h.halfStep = bit(flags, 1);
    h.overflowed = bit(flags, 2);
    h.triggered = bit(flags, 3);
    h.ch1Trig = bit(flags, 4);
    h.ch2Trig = bit(flags, 5);
    h.stopAddress = static_cast<std::uint32_t>(byte(4)) | static_cast<std::uint32_t>(byte(5)) << 8 |
                    static_cast<std::uint32_t>(byte(6)) << 16;
    h.stopPressed = !bit(byte(6), 4);
    h.triggerLevelCode = byte(16) & 0x0F;
    h.preTriggerCode = byte(17) & 0x0F;
    h.sampleSpeedCode = byte(18) & 0x0F;
    h.rangeCode = {byte(19) & 0x07, (byte(19) >> 4) & 0x07};
    h.dac = {LineWordLE(lines, n, 10) & 0x3FFF, LineWordLE(lines, n, 11) & 0x3FFF};
    return h;
}

std::string triggerPositionText(std::uint32_t triggerCode) {
    char text[16];
    std::snprintf(text, sizeof text, "&h%07X", static_cast<unsigned>(triggerCode & 0xFFFFFFF));
    return text;
}

MemoryPositions memoryPositions(const TestHeader& header, int slots) {
    const std::int64_t words = slotWords(slots);
    const std::int64_t h = header.halfStep ? 1 : 0;
    MemoryPositions p;
    const std::int64_t atrig = ((header.triggerCode + 32 * h) & 0x1FFFFFF) % words;
    const std::int64_t astop = ((((header.stopAddress + 1) & 0xFFFFF) + h) * 32) % words;
    std::int64_t pre = atrig - astop + 32 * h;
    if (pre < 0) pre += words;
    if (pre >= words) pre -= words;
    p.atrig = static_cast<std::int32_t>(atrig);
    p.astop = static_cast<std::int32_t>(astop);
    p.preTriggerPts = static_cast<std::int32_t>(pre);
    return p;
}

}  // namespace download
