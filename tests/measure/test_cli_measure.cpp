// corvane-cli vod, integrate and average, run as a separate program, against the same
// measurements made in this process.

#include <gtest/gtest.h>

#include "EditSession.h"
#include "analysis/measure/Averages.h"
#include "analysis/measure/Integration.h"
#include "analysis/measure/VodSlope.h"
#include "common/NumberFormat.h"
#include "support/RunProgram.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ProgramRun;

// Channel 1 a VOD probe being consumed (codes falling from the initial signal, with jitter),
// channel 2 a scope trace; 1 MHz with 50 points before the trigger. Event 1 is channel 2.
struct VodTest {
    testsupport::TempDir dir;
    std::unique_ptr<testsets::TestSet> test;

    VodTest() {
        testsets::SetFileText set = testsets::twoChannelSet(200);
        testsets::vodChannel(set, 1, "10");
        set.set("settings", "PreTriggerPts", "100");
        set.set("settings", "NrEventGraphs", "1");
        set.set("Event1", "EventChannelNr", "2");
        set.set("Event1", "StartTimeInMilliSec", "-0.05");
        set.set("Event1", "EndTimeMilliSec", "0.149");
        set.set("Event1", "EventTitle", "pressure");
        set.set("Event1", "Removed", "1");
        std::vector<std::uint16_t> words;
        for (int i = 0; i < 200; ++i) {
            words.push_back(static_cast<std::uint16_t>(8000 - i * 30 + (i % 3) * 5));
            words.push_back(static_cast<std::uint16_t>(9000 + (i % 7) * 40 - i));
        }
        test = std::make_unique<testsets::TestSet>(dir.path(), "Test01", set, words);
        // Point 60 of event 1 (graph 3) is removed.
        testsupport::writeFile(dir / "Test01.r03", std::string("\x3c\0\0\0", 4));
    }
};

class CliMeasureTest : public ::testing::Test {
protected:
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome{home.path()};
    VodTest t;

    ProgramRun cli(std::vector<std::string> args) {
        args.insert(args.begin() + 1, t.test->setFile.string());
        return testsupport::runProgram(CORVANE_CLI, args, {{"VANTREL_HOME", home.path().string()}});
    }
};

TEST_F(CliMeasureTest, VodAsTheGraphLabelShowsItWithItsStatistics) {
    editsession::Session s;
    ASSERT_TRUE(s.open(t.test->setFile));
    const auto before = testsets::snapshot(t.dir.path());
    // -0.02 .. 0.02 ms: times that sum to zero are a fit like any other.
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"-0.02", "0.02"}, {"0.1", "-0.05"}, {"0", "0.149"}}) {
        SCOPED_TRACE(from + " " + to);
        const auto fit = measure::GetSlopeInterceptAverage(s.dataset, std::stod(from), std::stod(to), 1);
        ASSERT_TRUE(fit.ok);
        const std::string expected =
            measure::regressionVodLine(fit, 0, 1, "m/s")->label + "\n" + "standard error: " +
            common::formatNumber(*fit.slopeStandardError * 1000, "#0.0") + " m/s\n" + "R^2: " +
            common::formatNumber(*fit.rSquared, "0.000000") + "\n" + "points: " +
            std::to_string(fit.count) + "\n";
        const ProgramRun run = cli({"vod", "--channel", "1", "--from", from, "--to", to});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, expected);
        EXPECT_GT(fit.slope * 1000, 1000);  // a VOD of the probe, in m/s
    }
    const ProgramRun json = cli({"vod", "--channel", "1", "--from", "-0.02", "--to", "0.02", "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(json.out.find("\"units\": \"m/s\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"points\": 41"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"rSquared\": 0.9"), std::string::npos) << json.out;
    EXPECT_EQ(testsets::snapshot(t.dir.path()), before);
}

TEST_F(CliMeasureTest, RefusalsAndBadInput) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"vod", "--channel", "2", "--from", "0", "--to", "0.1"}, 1, "Not a VOD graph.\n"},
        {{"vod", "--channel", "1", "--from", "0.01", "--to", "0.0102"}, 1,
         "VOD not calculated: the two times give the same point.\n"},
        {{"vod", "--channel", "1", "--from", "-9", "--to", "-5"}, 1,
         "VOD not calculated: the two times give the same point.\n"},
        {{"vod", "--channel", "7", "--from", "0", "--to", "1"}, 1, "The test has no channel 7.\n"},
        {{"vod", "--channel", "1", "--event", "1", "--from", "0", "--to", "1"}, 2, ""},
        {{"vod", "--from", "0", "--to", "1"}, 2, "Give either --channel or --event.\n"},
        {{"vod", "--channel", "1", "--from", "0"}, 2, ""},
        {{"average", "--channel", "2", "--from", "0"}, 2, "Give --from and --to, or --all.\n"},
        {{"integrate", "--event", "1", "--from", "0.05", "--to", "0.05"}, 1,
         "Integral not calculated. Error - no points found in current range. \n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const ProgramRun run = cli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.out, "");
        if (!c.err.empty()) {
            EXPECT_EQ(run.err, c.err);
        }
    }
}

TEST_F(CliMeasureTest, IntegralAndAverageOfAnEventWithItsRemovedPoint) {
    editsession::Session s;
    ASSERT_TRUE(s.open(t.test->setFile));
    common::ScriptedPrompt prompt;
    const auto integral = measure::CalculateIntegral2pts(s.dataset, 3, -0.05, 0.1, false, prompt);
    ASSERT_TRUE(integral.ok);
    ProgramRun run = cli({"integrate", "--event", "1", "--from", "-0.05", "--to", "0.1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, measure::integralText(integral.integral, "V * ms") +
                           " (From -0.0500 to 0.1000 ms)\n");
    // The channel graph has no removed point: its integral differs.
    run = cli({"integrate", "--channel", "2", "--from", "-0.05", "--to", "0.1", "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\"points\": 151"), std::string::npos) << run.out;

    const auto average = measure::GetAverage(s.dataset, 3, 0, 0, true);
    ASSERT_TRUE(average.ok);
    EXPECT_EQ(average.count, 196);
    run = cli({"average", "--event", "1", "--all"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, measure::averageText(average) + "\n");
}

}  // namespace
