// The settings bytes the emulator writes decode, by the download side's rules, to the natural
// values of the image.

#include "TestImages.h"
#include "recsim/Calibration.h"
#include "recsim/CorvaneSettings.h"
#include "recsim/Emulator.h"

#include <gtest/gtest.h>

namespace recsim {
namespace {

using testing::RuleDecoder;

TEST(Bcd, SignedDigitsSignNibbleAndBytesAsTheReaderExpects) {
    struct Case {
        long long value;
        std::array<std::uint8_t, 3> bytes;  // lo .. hi
    };
    const Case cases[] = {
        {-12345, {0xC1, 0x23, 0x45}}, {12345, {0x01, 0x23, 0x45}}, {0, {0x00, 0x00, 0x00}},
        {-1, {0xC0, 0x00, 0x01}},     {99999, {0x09, 0x99, 0x99}}, {-99999, {0xC9, 0x99, 0x99}},
    };
    for (const Case& c : cases) {
        SettingsMemory m;
        m.putBcdSigned(96, 23, 21, c.value);
        EXPECT_EQ(m.byte(96, 21), c.bytes[0]) << c.value;
        EXPECT_EQ(m.byte(96, 22), c.bytes[1]) << c.value;
        EXPECT_EQ(m.byte(96, 23), c.bytes[2]) << c.value;
        EXPECT_EQ(RuleDecoder{m}.bcdSigned(96, 23, 21), c.value);
    }
}

TEST(Bcd, UnsignedRoundTripsAndRefusesWhatDoesNotFit) {
    const std::uint64_t values[] = {0, 7, 10, 99, 100, 123456, 999999};
    for (std::uint64_t v : values) {
        SettingsMemory m;
        m.putBcdUnsigned(14, 18, 16, v);
        EXPECT_EQ(RuleDecoder{m}.bcdUnsigned(14, 18, 16), static_cast<long long>(v));
    }
    SettingsMemory m;
    m.putBcdUnsigned(96, 27, 24, 99999999);
    EXPECT_EQ(RuleDecoder{m}.bcdUnsigned(96, 27, 24), 99999999);
    EXPECT_THROW(m.putBcdUnsigned(14, 18, 16, 1000000), std::out_of_range);
    EXPECT_THROW(m.putBcdSigned(96, 23, 21, 100000), std::out_of_range);
    EXPECT_THROW(m.putBcdSigned(96, 23, 21, -100000), std::out_of_range);
}

TEST(Composite, DirectoryCounterIsLittleEndian) {
    SettingsMemory m;
    m.putComposite(2, 3, 2, 1, 0, 1000000);
    EXPECT_EQ(m.byte(2, 0), 0x40);
    EXPECT_EQ(m.byte(2, 1), 0x42);
    EXPECT_EQ(m.byte(2, 2), 0x0F);
    EXPECT_EQ(m.byte(2, 3), 0x00);
    EXPECT_EQ(RuleDecoder{m}.composite(2, 3, 2, 1, 0) % 1000000, 0);
}

struct PositionCase {
    const char* name;
    int slots;
    int test;
    std::uint32_t atrig;
    std::uint32_t astop;
    bool half;
    long long pre;  // "PreTriggerPts" the reader must find
};

class TriggerAndStop : public ::testing::TestWithParam<PositionCase> {};

TEST_P(TriggerAndStop, DecodeToTheImagePositions) {
    const PositionCase& c = GetParam();
    RecorderImage image = testing::smallImage(c.test, c.slots, 131072);  // full-size memory
    StoredTest& t = image.tests.back();
    t.atrig = c.atrig;
    t.astop = c.astop;
    t.halfStep = c.half;
    const Emulator e(image);
    const auto p = RuleDecoder{e.settingsMemory()}.positions(c.test, c.slots);
    EXPECT_EQ(p.atrig, c.atrig);
    EXPECT_EQ(p.astop, c.astop);
    EXPECT_EQ(p.half, c.half);
    EXPECT_EQ(p.pre, c.pre);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TriggerAndStop,
    ::testing::Values(
        PositionCase{"plain", 1, 1, 5000000, 1000000, false, 4000000},
        PositionCase{"stopAtZero", 1, 1, 32, 0, false, 32},
        PositionCase{"halfStepAtSlotStart", 1, 1, 0, 0, true, 32},
        PositionCase{"halfStepTriggerEqualsStop", 4, 2, 4096, 4096, true, 32},
        PositionCase{"triggerBeforeStop", 2, 2, 100, 12582880, false, 100 + 12582912 - 12582880},
        PositionCase{"lastOfSixteen", 16, 16, 1572863, 1572832, false, 31},
        PositionCase{"halfStepEightSlots", 8, 5, 17, 64, true, 17 - 64 + 32 + 3145728}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TestHeader, StopAtSlotStartStoresAllOnesInTheLow20Bits) {
    StoredTest t;
    t.astop = 0;
    EXPECT_EQ(stopGroup(t, 1, 1), 0xFFFFFu);
}

TEST(Settings, EveryKeyDecodesToTheImage) {
    RecorderImage image = testing::smallImage(3, 4, 64);
    image.serialNumber = 4711;
    image.measurementCounter = 1234567;
    image.inputs[1].rp = 1500;  // the reader caps at 999
    image.inputs[0].vfsVolts[3] = -0.099999;
    StoredTest& t2 = image.tests[1];
    t2.sampleSpeedCode = 11;
    t2.triggerLevelCode = 7;
    t2.preTriggerCode = 10;
    t2.overflowed = false;
    t2.triggered = false;
    t2.ch1Trig = false;
    t2.ch2Trig = true;
    t2.stopPressed = true;
    t2.channels[0].dacVt = 1603;
    t2.channels[1].selectCode = 6;
    t2.channels[1].dacVt = 4092;
    std::array<int, 16> vs{};
    for (int i = 0; i < 16; ++i) vs[static_cast<std::size_t>(i)] = 8000 + 17 * i;
    t2.channels[1].initialSamples = vs;
    const Emulator e(image);
    const RuleDecoder d{e.settingsMemory()};

    EXPECT_EQ(d.composite(2, 3, 2, 1, 0) % 1000000, 234567);
    EXPECT_EQ(1 << d.byte(2, 4), 4);
    EXPECT_EQ(d.byte(2, 5), 1);
    EXPECT_EQ(d.bcdUnsigned(14, 18, 16), 4711);

    const int l = 4 * 2 + 28;
    EXPECT_EQ(d.field4(l, 18, 0), 11);
    EXPECT_EQ(d.field4(l, 16, 0), 7);
    EXPECT_EQ(d.field4(l, 17, 0), 10);
    EXPECT_EQ(d.field3(l, 19, 0), 1);
    EXPECT_EQ(d.field3(l, 19, 4), 6);
    EXPECT_FALSE(d.bit(l, 3, 2));  // OFL
    EXPECT_FALSE(d.bit(l, 3, 3));  // Triggered
    EXPECT_FALSE(d.bit(l, 3, 4));
    EXPECT_TRUE(d.bit(l, 3, 5));
    EXPECT_FALSE(d.bit(l, 6, 4));  // 0: the stop button was pressed
    EXPECT_EQ(d.wordLE(l, 10) & 0x3FFF, 1603);
    EXPECT_EQ(d.wordLE(l, 11) & 0x3FFF, 4092);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(d.wordBE(l + 2, 2 * i + 1) & 0x3FFF, 8000 + 17 * i);

    for (int input = 0; input < 2; ++input) {
        const InputCalibration& c = image.inputs[static_cast<std::size_t>(input)];
        const int line = input == 0 ? 96 : 128;
        EXPECT_EQ(d.bcdUnsigned(line, 18, 16), static_cast<long long>(storedRsrf(c)));
        EXPECT_EQ(std::min(999LL, d.bcdUnsigned(line, 20, 19)), std::min(999, c.rp));
        const int vfs[5][2] = {{23, 21}, {30, 28}, {37, 35}, {44, 42}, {51, 49}};
        const int ks[5][2] = {{27, 24}, {34, 31}, {41, 38}, {48, 45}, {55, 52}};
        for (int g = 0; g < 5; ++g) {
            EXPECT_NEAR(static_cast<double>(d.bcdSigned(line, vfs[g][0], vfs[g][1])) * 0.000001,
                        c.vfsVolts[static_cast<std::size_t>(g)], 5e-7);
            EXPECT_NEAR(static_cast<double>(d.bcdUnsigned(line, ks[g][0], ks[g][1])) / 1e6, c.ks[static_cast<std::size_t>(g)], 5e-7);
        }
        // Threshold table: DAC value h at line base + (h - 1576) div 84, entry ((h - 1576) mod 84) div 4.
        const int base = input == 0 ? 98 : 130;
        for (int h : {1576, 1600, 1604, 3684, 3688, 4092}) {
            const int tl = base + (h - 1576) / 84;
            const int j = ((h - 1576) % 84) / 4;
            EXPECT_NEAR(static_cast<double>(d.bcdUnsigned(tl, 3 * j + 2, 3 * j)) / 100000.0,
                        c.vtOffsetVolts + c.vtGainVoltsPerCode * h, 5.01e-6)
                << "input " << input + 1 << " DAC " << h;
        }
    }
}

TEST(Settings, OverridesComeLast) {
    RecorderImage image = testing::smallImage(1, 1);
    image.overrides.push_back({32, 19, 0x07});
    image.overrides.push_back({256, 63, 0xAB});
    const Emulator e(image);
    EXPECT_EQ(e.settingsMemory().byte(32, 19), 0x07);
    EXPECT_EQ(e.settingsMemory().byte(256, 63), 0xAB);
}

TEST(Settings, AutomaticInitialCodesAreTheChannelsFirstPoints) {
    const RecorderImage image = testing::smallImage(1, 1);
    const Emulator e(image);
    const RuleDecoder d{e.settingsMemory()};
    const auto words = e.expectedDataFile(1);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(d.wordBE(34, 2 * i), words[static_cast<std::size_t>(2 * i)]);
        EXPECT_EQ(d.wordBE(34, 2 * i + 1), words[static_cast<std::size_t>(2 * i + 1)]);
    }
}

}  // namespace
}  // namespace recsim
