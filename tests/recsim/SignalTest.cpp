// The generated samples mean what the image says once converted the way the analysis program
// converts them: the VOD channel gives the image's velocity, the pressure channel its pulse.

#include "PcReader.h"
#include "TestImages.h"
#include "recsim/Emulator.h"
#include "recsim/ExpectedData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace recsim {
namespace {

using testing::RuleDecoder;

constexpr double kStep = 5.0 / 16383.0;

struct Channel {
    std::vector<std::uint16_t> codes;
    double secondsPerPoint;
    std::int64_t prePoints;
    double seconds(std::size_t k) const { return (static_cast<double>(k) - static_cast<double>(prePoints)) * secondsPerPoint; }
};

Channel channelOf(const Emulator& e, int test, int channel) {
    const RuleDecoder d{e.settingsMemory()};
    const auto words = e.expectedDataFile(test);
    const int l = 4 * test + 28;
    const int nch = d.field3(l, 19, 4) != 0 ? 2 : 1;
    static const double rates[] = {250, 500, 1000, 5000, 10000, 50000, 100000, 250000, 500000, 1000000, 2500000, 5000000};
    Channel c;
    for (std::size_t i = static_cast<std::size_t>(channel - 1); i < words.size(); i += static_cast<std::size_t>(nch))
        c.codes.push_back(words[i]);
    c.secondsPerPoint = 1.0 / rates[d.field4(l, 18, 0)];
    c.prePoints = d.positions(test, e.image().slots).pre / nch;
    return c;
}

// The consumed probe length of a code, from the stored calibration as the analysis reads it.
struct VodTable {
    double ks, vfs, rref, vt, vs, ur;
    double distance(int code) const {
        double v = code * kStep / ks - vfs;
        if (v >= vs) v = vs;
        if (v >= vt) v = 0.999 * vt;
        return (rref / ur) * (vs / (vt - vs) - v / (vt - v));
    }
};

VodTable vodTable(const Emulator& e, int test, double unitResistance) {
    const RuleDecoder d{e.settingsMemory()};
    VodTable t{};
    t.ks = static_cast<double>(d.bcdUnsigned(96, 27, 24)) / 1000000.0;
    t.vfs = static_cast<double>(d.bcdSigned(96, 23, 21)) * 0.000001;
    t.rref = static_cast<double>(d.bcdUnsigned(96, 18, 16)) * 0.001;
    const int dac = d.wordLE(4 * test + 28, 10) & 0x3FFF;
    auto entry = [&](int h) {
        const int j = ((h - 1576) % 84) / 4;
        return static_cast<double>(d.bcdUnsigned(98 + (h - 1576) / 84, 3 * j + 2, 3 * j));
    };
    const int r = dac % 4;
    const double lo = entry(dac - r);
    t.vt = (r == 0 ? lo : ((entry(dac - r + 4) - lo) * r / 4 + lo)) / 100000.0;
    double sum = 0;
    for (int i = 0; i < 16; ++i) sum += d.wordBE(4 * test + 30, 2 * i) & 0x3FFF;
    t.vs = (sum / 16) * kStep / t.ks - t.vfs;
    t.ur = unitResistance;
    return t;
}

TEST(Signals, VodChannelShowsTheVelocityOfTheImage) {
    struct Case {
        int test;
        double velocity;
    };
    RecorderImage image = testing::smallImage(3, 4, 2048);  // 24576 points a channel
    image.tests[2].channels[0].signal.velocityMps = 3100;  // test 3 records one channel
    image.tests[2].sampleSpeedCode = 6;  // 100 kHz
    const Emulator e(image);
    for (const Case c : {Case{1, 6500}, Case{2, 6050}, Case{3, 3100}}) {
        const Channel ch = channelOf(e, c.test, 1);
        const VodTable table = vodTable(e, c.test, 10.8);
        double t1 = -1;
        double t5 = -1;
        for (std::size_t k = 0; k < ch.codes.size(); ++k) {
            const double x = table.distance(ch.codes[k]);
            if (t1 < 0 && x >= 1.0) t1 = ch.seconds(k);
            if (t5 < 0 && x >= 5.0) t5 = ch.seconds(k);
        }
        ASSERT_GT(t1, 0) << c.test;
        ASSERT_GT(t5, t1) << c.test;
        EXPECT_NEAR(4.0 / (t5 - t1), c.velocity, c.velocity * 0.01) << "test " << c.test;
        EXPECT_NEAR(t1, 1.0 / c.velocity, 3 * ch.secondsPerPoint + 2e-6) << "front starts at the trigger";
        EXPECT_NEAR(table.distance(ch.codes[10]), 0.0, 0.02) << "nothing consumed before the shot";
    }
}

TEST(Signals, PressureChannelShowsThePulse) {
    const Emulator e(testing::smallImage(1, 1, 512));
    const Channel ch = channelOf(e, 1, 2);
    const RuleDecoder d{e.settingsMemory()};
    const double ks = static_cast<double>(d.bcdUnsigned(128, 34, 31)) / 1e6;  // input 2, select code 3
    const double vfs = static_cast<double>(d.bcdSigned(128, 30, 28)) * 1e-6;
    std::size_t peak = 0;
    for (std::size_t k = 1; k < ch.codes.size(); ++k)
        if (ch.codes[k] > ch.codes[peak]) peak = k;
    const double volts = (0 + ch.codes[peak] * 10.0 / 16383 - vfs) / ks;
    EXPECT_NEAR(volts, 6.05, 0.03);
    EXPECT_NEAR(ch.seconds(peak), 0.355e-3, 3e-6);
    const double before = (ch.codes[100] * 10.0 / 16383 - vfs) / ks;
    EXPECT_NEAR(before, 0.05, 0.015);
}

TEST(Signals, SameImageSameWordsOtherSeedOtherNoise) {
    RecorderImage image = testing::smallImage(1, 2, 64);
    const auto a = Emulator(image).expectedDataFile(1);
    EXPECT_EQ(a, Emulator(image).expectedDataFile(1));
    image.seed = 2;
    const auto b = Emulator(image).expectedDataFile(1);
    EXPECT_NE(a, b);
    std::size_t close = 0;
    // The noise is bounded (at most 3.5 sigma each way), the signal itself is the same.
    for (std::size_t i = 0; i < a.size(); ++i) close += std::abs(int(a[i]) - int(b[i])) <= 50;
    EXPECT_EQ(close, a.size()) << "only the noise differs";
}

TEST(Signals, RampCountsPointsInTimeOrder) {
    RecorderImage image = testing::smallImage(1, 1, 64);
    image.tests[0].channels[0].signal.kind = SignalKind::Ramp;
    image.tests[0].channels[1].signal.kind = SignalKind::Ramp;
    const auto words = Emulator(image).expectedDataFile(1);
    for (std::size_t k = 0; k < words.size() / 2; ++k) {
        ASSERT_EQ(words[2 * k], k & 0x3FFF);
        ASSERT_EQ(words[2 * k + 1], (k + 8192) & 0x3FFF);
    }
}

TEST(Signals, SamplesFileGivesTheWordsRepeatedAndMasked) {
    const testsupport::TempDir dir;
    const auto file = dir / "words.raw";
    {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 1000; ++i) {
            const int w = 0xC000 | (i * 7);  // top bits must not survive
            out.put(static_cast<char>(w & 0xFF)).put(static_cast<char>(w >> 8));
        }
    }
    RecorderImage image = testing::smallImage(1, 1, 64);
    image.tests[0].samplesFile = file;
    Emulator e(image);
    const auto words = e.expectedDataFile(1);
    for (std::size_t j = 0; j < words.size(); ++j) ASSERT_EQ(words[j], ((j % 1000) * 7) & 0x3FFF) << j;
    testing::PcReader pc(e, 888);
    const auto t = pc.transferEcp(1, 1, image.slotWords(), image.tests[0].astop);
    ASSERT_EQ(t.outcome, 0);
    EXPECT_EQ(t.file, words);
}

TEST(ExpectedData, WrittenFileComparesEqualAndAChangedWordIsFound) {
    const testsupport::TempDir dir;
    const RecorderImage image = testing::smallImage(2, 2, 64);
    const auto file = dir / "t2.raw";
    writeExpectedDataFile(image, 2, file);
    EXPECT_EQ(std::filesystem::file_size(file), 2 * image.slotWords());
    EXPECT_TRUE(compareDataFile(image, 2, file).matches());
    {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(2 * 1234);
        f.put(0x55);
    }
    const auto c = compareDataFile(image, 2, file);
    ASSERT_TRUE(c.firstDifference);
    EXPECT_EQ(*c.firstDifference, 1234u);
    EXPECT_FALSE(compareDataFile(image, 1, file).matches());
    std::filesystem::resize_file(file, 100);
    EXPECT_FALSE(compareDataFile(image, 2, file).matches());
}

}  // namespace
}  // namespace recsim
