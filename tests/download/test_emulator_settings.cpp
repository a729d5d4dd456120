// The emulator's settings memory for a known recorder image, decoded by the settings writer,
// gives back the image's natural values.

#include "common/IniFunctions.h"
#include "download/LineSource.h"
#include "download/Sets.h"
#include "download/SettingsLinesSource.h"
#include "download/SettingsWriter.h"
#include "download/StatusKeySink.h"
#include "link/CommandChannel.h"
#include "link/Directory.h"
#include "link/Port.h"
#include "link/SettingsLines.h"
#include "recsim/Calibration.h"
#include "recsim/DefaultImage.h"
#include "recsim/Emulator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace download {
namespace {

class EmulatorLines : public LineSource {
public:
    explicit EmulatorLines(const recsim::SettingsMemory& memory) : m_memory(memory) {}
    LineBytes line(int n) override {
        const recsim::SettingsLine& bytes = m_memory.line(n);
        LineBytes result{};
        for (std::size_t k = 0; k < result.size(); ++k) result[k] = bytes[k];
        return result;
    }

private:
    const recsim::SettingsMemory& m_memory;
};

class EmulatorImage : public ::testing::Test {
protected:
    EmulatorImage() {
        recsim::ImageOptions options;
        options.tests = 3;  // the third test records input 1 only
        options.slots = 4;
        options.memoryWords = 192 * 32;
        options.serialNumber = 1207;
        m_emulator = std::make_unique<recsim::Emulator>(recsim::makeImage(options));
    }

    const recsim::RecorderImage& image() const { return m_emulator->image(); }

    std::string text(const std::filesystem::path& file, const std::string& section, const std::string& key) {
        const common::IniText v = common::ReadIniString(file, section, key);
        EXPECT_TRUE(v.found) << section << " " << key;
        return v.value;
    }
    long long number(const std::filesystem::path& file, const std::string& section, const std::string& key) {
        return std::stoll(text(file, section, key));
    }
    double whole(const std::filesystem::path& file, const std::string& section, const std::string& key) {
        return static_cast<double>(number(file, section, key));
    }
    double real(const std::filesystem::path& file, const std::string& section, const std::string& key) {
        return common::parseRealText(text(file, section, key)).value_or(std::nan(""));
    }

    testsupport::TempDir m_dir;
    std::unique_ptr<recsim::Emulator> m_emulator;
};

TEST_F(EmulatorImage, WrittenSettingsGiveTheImagesValues) {
    EmulatorLines lines(m_emulator->settingsMemory());
    const int slots = image().slots;
    const int freeSlots = image().freeSlots();
    const auto counter = static_cast<std::int32_t>(image().measurementCounter);
    for (int t = 1; t <= static_cast<int>(image().tests.size()); ++t) {
        SCOPED_TRACE(t);
        const recsim::StoredTest& test = image().tests[static_cast<std::size_t>(t - 1)];
        const auto file = m_dir / ("CV_0" + std::to_string(t) + ".crv");
        Sets sets;
        sets.SetCurrentSetFile(file);
        SettingsWriter writer(sets, lines, slots, [] { return LocalDateTime{2026, 1, 2, 3, 4, 5}; });
        const TriggerAndStop ts = writer.WriteTestSettings(t, counter + freeSlots - slots + t);
        writer.WriteInitialSamples(t);

        EXPECT_EQ(ts.atrig, static_cast<std::int32_t>(test.atrig));
        EXPECT_EQ(ts.astop, static_cast<std::int32_t>(test.astop));
        EXPECT_EQ(number(file, "settings", "PreTriggerPts"), test.atrig - test.astop);
        EXPECT_EQ(number(file, "settings", "Measurement"), 100 + t);
        EXPECT_EQ(number(file, "settings", "SampleSpeedInHz"),
                  recsim::kSampleSpeedsHz[static_cast<std::size_t>(test.sampleSpeedCode)]);
        EXPECT_EQ(number(file, "settings", "PercentTriggerLevel"), 10);
        EXPECT_EQ(number(file, "settings", "PercentPreTriggerTime"), 20);
        EXPECT_EQ(number(file, "settings", "NrChannels"), test.channelCount());
        EXPECT_EQ(text(file, "settings", "Ch2on"), test.channelCount() == 2 ? "T" : "F");
        EXPECT_EQ(text(file, "settings", "Triggered"), "T");
        EXPECT_EQ(text(file, "settings", "Ch1Trig"), "T");
        EXPECT_EQ(text(file, "settings", "ExtTrig"), "F");
        EXPECT_EQ(text(file, "settings", "Stop Pressed"), "F");
        EXPECT_EQ(text(file, "settings", "OFL"), "-1");
        EXPECT_EQ(text(file, "settings", "Serial Nr"), "s1207");

        for (int ch = 1; ch <= test.channelCount(); ++ch) {
            SCOPED_TRACE(ch);
            const std::string section = "Channel" + std::to_string(ch);
            const recsim::TestChannel& channel = test.channels[static_cast<std::size_t>(ch - 1)];
            const recsim::InputCalibration& cal = image().inputs[static_cast<std::size_t>(ch - 1)];
            const int code = channel.selectCode;
            EXPECT_EQ(number(file, section, "SelectCode"), code);
            EXPECT_EQ(real(file, section, "MinVoltage"), recsim::kMinVoltage[static_cast<std::size_t>(code)]);
            EXPECT_EQ(real(file, section, "MaxVoltage"), recsim::kMaxVoltage[static_cast<std::size_t>(code)]);
            EXPECT_EQ(text(file, section, "VOD"), code == 1 ? "True" : "False");
            EXPECT_NEAR(whole(file, section, "RSRF") * 0.001, cal.rsrfOhms, 5e-4);
            EXPECT_EQ(number(file, section, "RP"), cal.rp);
            for (int s = 1; s <= 6; ++s) {
                const auto group = static_cast<std::size_t>(recsim::rangeGroup(s));
                EXPECT_NEAR(whole(file, section, "VFS" + std::to_string(s)) * 0.000001, cal.vfsVolts[group], 5e-7) << s;
                EXPECT_NEAR(whole(file, section, "KS" + std::to_string(s)) / 1e6, cal.ks[group], 5e-7) << s;
            }
            if (code == 1) {
                const long long dac = number(file, section, "dacVT");
                EXPECT_EQ(dac, channel.dacVt);
                const long long base = dac / 4 * 4;
                const long long lo = number(file, section, "VT" + std::to_string(base));
                const long long hi = dac == base ? lo : number(file, section, "VT" + std::to_string(base + 4));
                const double threshold =
                    (static_cast<double>(hi - lo) * static_cast<double>(dac - base) / 4 + static_cast<double>(lo)) / 100000;
                EXPECT_NEAR(threshold, cal.vtOffsetVolts + cal.vtGainVoltsPerCode * static_cast<double>(dac), 1e-5);
                EXPECT_NEAR(threshold, recsim::thresholdVolts(cal, channel.dacVt), 1e-12);
            }
            for (int i = 0; i < 16; ++i) {
                const auto word = m_emulator->slot(t).timeOrderWord(
                    static_cast<std::uint64_t>(i * test.channelCount() + ch - 1));
                EXPECT_EQ(number(file, section, "VS" + std::to_string(i)), word) << i;
            }
        }
    }
}

// The same test written from lines read over the emulated cable through the link's command
// channel and line cache gives the same set file, byte for byte, as the memory read directly.
TEST_F(EmulatorImage, LinesReadOverTheCableWriteTheSameSetFile) {
    const auto direct = m_dir / "direct.crv";
    const auto cable = m_dir / "cable.crv";
    const DownloadClock clock = [] { return LocalDateTime{2026, 1, 2, 3, 4, 5}; };
    {
        EmulatorLines lines(m_emulator->settingsMemory());
        Sets sets;
        sets.SetCurrentSetFile(direct);
        SettingsWriter writer(sets, lines, image().slots, clock);
        writer.WriteTestSettings(2, 102);
        writer.WriteInitialSamples(2);
    }
    recsim::RecorderImage copy = image();
    vantrel::link::Port port(std::make_unique<recsim::Emulator>(copy));
    ASSERT_TRUE(port.SetPortBase(static_cast<std::int32_t>(copy.port)));
    port.EnterStandardMode();
    port.IdlePort();
    vantrel::link::CommandChannel channel(port);
    vantrel::link::SettingsLines settingsLines(channel);
    Sets sets;
    sets.SetLogFile(m_dir / "run.log");
    sets.SetCurrentSetFile(cable);
    StatusKeySink status(sets);
    const vantrel::link::Directory directory = vantrel::link::ReadDirectory(settingsLines, &status);
    ASSERT_EQ(directory.slots, image().slots);
    SettingsLinesSource source(settingsLines);
    SettingsWriter writer(sets, source, directory.slots, clock);
    writer.WriteTestSettings(2, directory.measurementNumber(2));
    writer.WriteInitialSamples(2);

    EXPECT_EQ(text(direct, "settings", "Measurement"), "102");
    EXPECT_EQ(testsupport::readFile(cable), testsupport::readFile(direct));
    EXPECT_EQ(text(m_dir / "run.log", "Status", "Total Tests"), std::to_string(image().slots));
}

}  // namespace
}  // namespace download
