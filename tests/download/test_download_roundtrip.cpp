// A recorder image with a known VOD shot, downloaded by the driver, read back by the analysis
// side: the set file gives the image's recording settings, the data file holds the emulator's
// words, and the VOD channel's table turns them back into the probe length consumed.

#include "DriverFixture.h"

#include "analysis/files/CreateTable.h"
#include "analysis/files/clasSetFileEC.h"
#include "recsim/RecorderImage.h"
#include "support/RunProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace download::testing {
namespace {

class RoundTrip : public DriverRun {};

TEST_F(RoundTrip, TheAnalysisSideReadsBackTheRecordedShot) {
    recsim::ImageOptions options = smallOptions(1, 1);
    options.memoryWords = 6144 * 8;  // 49152 words: 24576 points a channel
    recsim::RecorderImage image = recsim::makeImage(options);
    recsim::StoredTest& shot = image.tests.at(0);
    shot.channels[0].signal.noiseVolts = 0.0;  // exact distances
    make(image);
    ASSERT_FALSE(m_driver->Start());
    ASSERT_EQ(m_driver->result(), RunResult::Complete);

    files::clasSetFileEC crv;
    crv.Setup(setFile(1));
    EXPECT_TRUE(crv.bIsCorvane());
    EXPECT_EQ(crv.sGetLongRawName(), rawFile(1));
    EXPECT_EQ(crv.lMainLongWithDefault("SampleSpeedInHz", 0),
              static_cast<std::int32_t>(recsim::kSampleSpeedsHz.at(static_cast<std::size_t>(shot.sampleSpeedCode))));
    EXPECT_EQ(crv.wNrChannels(), shot.channelCount());
    EXPECT_EQ(crv.lMainLongWithDefault("ATRIG", -1), static_cast<std::int32_t>(shot.atrig));
    EXPECT_EQ(crv.lMainLongWithDefault("ASTOP", -1), static_cast<std::int32_t>(shot.astop));
    const recsim::SlotContent& slot = m_emulator->slot(1);
    EXPECT_EQ(crv.lMainLongWithDefault("PreTriggerPts", -1), static_cast<std::int32_t>(slot.preTriggerWords()));
    EXPECT_EQ(crv.lMainLongWithDefault("NumPtsDownloaded", -1), static_cast<std::int32_t>(slot.words()));
    EXPECT_EQ(std::filesystem::file_size(rawFile(1)), 2 * slot.words());
    for (int ch = 1; ch <= shot.channelCount(); ++ch) {
        SCOPED_TRACE(ch);
        const auto code = static_cast<std::size_t>(shot.channels[static_cast<std::size_t>(ch - 1)].selectCode);
        EXPECT_EQ(crv.dGetChannelDouble(ch, "MinVoltage"), recsim::kMinVoltage.at(code));
        EXPECT_EQ(crv.dGetChannelDouble(ch, "MaxVoltage"), recsim::kMaxVoltage.at(code));
        EXPECT_EQ(crv.bIsVODchannel(ch), code == 1);
    }
    expectDataFileOf(1);

    // The probe's unit resistance, as the analysis program asks for it after a download.
    const recsim::ChannelSignal& vod = shot.channels[0].signal;
    crv.WriteChannelStr(1, "Unit resistance", "10.8");
    ASSERT_EQ(vod.unitResistanceOhmPerM, 10.8);
    const files::ChannelTable table = files::CreateChannelTable(crv, 1, m_prompt);
    ASSERT_TRUE(table.convertible()) << table.reason;

    std::ifstream in(rawFile(1), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int channels = shot.channelCount();
    const double dt = 1.0 / recsim::kSampleSpeedsHz.at(static_cast<std::size_t>(shot.sampleSpeedCode));
    const std::uint64_t prePoints = slot.preTriggerWords() / static_cast<std::uint64_t>(channels);
    const std::uint64_t points = slot.words() / static_cast<std::uint64_t>(channels);
    int checked = 0;
    double worst = 0.0;
    for (std::uint64_t k = 0; k < points; ++k) {
        const double t = (static_cast<double>(k) - static_cast<double>(prePoints)) * dt - vod.arrivalMs * 1e-3;
        const double consumed = std::clamp(vod.velocityMps * t, 0.0, vod.probeLengthM);
        // Clear of the two corners, where one sample period changes the length by 6.5 mm.
        if (t <= dt || consumed >= vod.probeLengthM - 0.01) continue;
        const std::size_t word = static_cast<std::size_t>(k) * static_cast<std::size_t>(channels);
        const auto lo = static_cast<unsigned char>(bytes.at(2 * word));
        const auto hi = static_cast<unsigned char>(bytes.at(2 * word + 1));
        const std::size_t sample = lo | (static_cast<std::size_t>(hi) << 8);
        worst = std::max(worst, std::abs(table[sample] - consumed));
        ++checked;
    }
    EXPECT_GT(checked, 500);
    EXPECT_LT(worst, 0.005) << "metres";
}

#ifdef CORVANE_CLI
// The whole chain a user runs: record (emulated, with its noise), download, enter the unit
// resistance, measure the least-squares VOD with the command-line program.
TEST_F(RoundTrip, TheCommandLineMeasuresTheRecordedVelocity) {
    recsim::ImageOptions options = smallOptions(1, 1);
    options.memoryWords = 6144 * 8;
    const recsim::RecorderImage image = recsim::makeImage(options);
    const recsim::StoredTest& shot = image.tests.at(0);
    const recsim::ChannelSignal& vod = shot.channels[0].signal;
    make(image);
    ASSERT_FALSE(m_driver->Start());
    ASSERT_EQ(m_driver->result(), RunResult::Complete);
    files::clasSetFileEC crv;
    crv.Setup(setFile(1));
    crv.WriteChannelStr(1, "Unit resistance", "10.8");

    // From a tenth to nine tenths of the probe, clear of the corners of the ramp.
    const double startMs = vod.arrivalMs + 0.1 * vod.probeLengthM / vod.velocityMps * 1000.0;
    const double endMs = vod.arrivalMs + 0.9 * vod.probeLengthM / vod.velocityMps * 1000.0;
    const testsupport::ProgramRun run = testsupport::runProgram(
        CORVANE_CLI,
        {"vod", setFile(1), "--channel", "1", "--from", std::to_string(startMs), "--to",
         std::to_string(endMs), "--json"},
        {{"VANTREL_HOME", m_dir.path().string()}});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::size_t at = run.out.find("\"vod\": ");
    ASSERT_NE(at, std::string::npos) << run.out;
    const double measured = std::stod(run.out.substr(at + 7));
    EXPECT_NEAR(measured, vod.velocityMps, 0.001 * vod.velocityMps) << run.out;
}
#endif

}  // namespace
}  // namespace download::testing
