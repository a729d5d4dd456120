// Range and calibration averages, and the picked-point readout with its clipboard copy.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EditSession.h"
#include "SeriesFixture.h"
#include "analysis/measure/Averages.h"
#include "analysis/measure/PickedPoints.h"
#include "common/Ini.h"
#include "common/NumberFormat.h"

namespace {

using seriesfixture::valuesSeries;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct AverageCase {
    const char* name;
    std::vector<double> values;
    double time1, time2;  // Ts = 1, t0 = 0: point i at time i - 1
    bool allPoints;
    std::vector<std::int32_t> removed;
    std::vector<std::pair<std::int32_t, double>> moved;
    bool ok;
    double average;
    std::int32_t count;
    double firstTime, lastTime;
};

TEST(RangeAverage, MeanOfTheKeptPointsOfTheRange) {
    const std::vector<AverageCase> cases = {
        {"plain", {1, 2, 3, 4}, 0, 3, false, {}, {}, true, 2.5, 4, 0, 3},
        {"picked backwards", {1, 2, 3, 4}, 3, 0, false, {}, {}, true, 2.5, 4, 0, 3},
        {"removed points left out", {9, 2, 3, 9}, 0, 3, false, {1, 4}, {}, true, 2.5, 2, 1, 2},
        {"a moved point counts with its value", {1, 2, 3}, 0, 2, false, {}, {{2, 8.0}}, true, 4, 3, 0, 2},
        {"every point removed", {1, 2, 3}, 0, 2, false, {1, 2, 3}, {}, false, 0, 0, 0, 0},
        {"one point", {1, 2, 3}, 1, 1.2, false, {}, {}, false, 0, 0, 0, 0},
        {"a time that is not a number", {1, 2, 3}, kNaN, 1, false, {}, {}, false, 0, 0, 0, 0},
        {"an infinite time", {1, 2, 3}, 0, INFINITY, false, {}, {}, false, 0, 0, 0, 0},
        {"a value that is not a number", {1, kNaN, 3}, 0, 2, false, {}, {}, false, 0, 3, 0, 2},
        {"all points: without the first two and the last", {100, 100, 1, 2, 3, 100}, kNaN, kNaN,
         true, {}, {}, true, 2, 3, 2, 4},
        {"all points of a record too short", {1, 2, 3}, 0, 2, true, {}, {}, false, 0, 0, 0, 0},
        {"large offset", {1e12 + 0.25, 1e12 + 0.5, 1e12 + 0.75}, 0, 2, false, {}, {}, true,
         1e12 + 0.5, 3, 0, 2},
    };
    for (const AverageCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto owned = valuesSeries(c.values);
        for (const std::int32_t i : c.removed) owned->edits.remove(i);
        for (const auto& [i, y] : c.moved) owned->edits.move(i, y);
        const auto result = measure::GetAverage(owned->series(), c.time1, c.time2, c.allPoints);
        EXPECT_EQ(result.ok, c.ok) << result.reason;
        EXPECT_EQ(result.count, c.count);
        if (!c.ok) {
            EXPECT_EQ(measure::averageText(result), "Error : average not calculated");
            continue;
        }
        EXPECT_DOUBLE_EQ(result.average, c.average);
        EXPECT_DOUBLE_EQ(result.firstTime, c.firstTime);
        EXPECT_DOUBLE_EQ(result.lastTime, c.lastTime);
    }
}

TEST(RangeAverage, ResultText) {
    auto owned = valuesSeries({1, 2.5, 3, 4.123456}, 0.5, 0.25);
    const auto result = measure::GetAverage(owned->series(), 0.5, 1.25, false);
    EXPECT_EQ(measure::averageText(result),
              "Average from (0.5000 ms,1.0000) to (1.2500 ms,4.1235) = 2.655864");
}

TEST(CalibrationAverage, TitlesOfTheCalibrationTests) {
    EXPECT_EQ(measure::calibrationTestTitle(7), "Test 7:  4.8 V in  (0 to 5 V Range)");
    EXPECT_EQ(measure::calibrationTestTitle(1), "Test 1:  0 V in  (0 to 2.5 V Range)");
    EXPECT_EQ(measure::calibrationTestTitle(15), "Test 15:  -9.9 V in  (-10 to 10 V Range)");
    EXPECT_EQ(measure::calibrationInputText(5), " -2.4 V in  (-2.5 to 2.5 V Range)");
    EXPECT_EQ(measure::calibrationInputText(12), " 9.9 V in  (0 to 10 V Range)");
    EXPECT_EQ(measure::calibrationInputText(0), "");
    EXPECT_EQ(measure::calibrationInputText(16), "");
}

TEST(CalibrationAverage, RecordedInTheResultsFileWithThePicture) {
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome(home.path());
    // Points 3..N-1 hold code 12000; the points left out hold other codes.
    std::vector<std::uint16_t> codes(12, 12000);
    codes[0] = 0;
    codes[1] = 1;
    codes[11] = 16383;
    testsets::SetFileText set = editsession::traceSet(codes.size());
    set.set("settings", "CTN", "7");
    editsession::TraceTest t(codes, set);
    editsession::Session s;
    ASSERT_TRUE(s.open(t.setFile()));

    std::vector<std::string> pictures;
    const auto result = measure::GetAverageAllPts(
        s.dataset, 1, t.dir.path(),
        [&](const std::filesystem::path& file, const std::string& title, const std::string& text) {
            pictures.push_back(file.string() + "|" + title + "|" + text);
        });
    ASSERT_TRUE(result.ok);
    const double volts = testsets::scopeVolts(12000);
    EXPECT_DOUBLE_EQ(result.average, volts);
    const std::string mv = common::formatNumber(volts * 1000, "0.0000");
    const std::string text = "Ch 1 Avg = " + common::formatNumber(volts, "0.00000") + " V    " + mv + " mV ";
    EXPECT_EQ(result.text, text);
    EXPECT_EQ(pictures, std::vector<std::string>{(t.dir / "Calib_07_Ch_1.jpg").string() +
                                                 "|Test 7:  4.8 V in  (0 to 5 V Range)|" + text});
    const auto file = home.path() / "CalibrationResults.ini";
    EXPECT_EQ(common::ini::readValue(file, "Test_07", "Title"), "Test 7:  4.8 V in  (0 to 5 V Range)");
    EXPECT_EQ(common::ini::readValue(file, "Test_07", "mV_Avg_Ch1"), mv);

    double average = 0;
    bool ok = false;
    measure::GetAverageAllPts(s.dataset, average, ok, 2, t.dir.path());
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(average, testsets::scopeVolts(16383 - 12000));
    EXPECT_TRUE(common::ini::readValue(file, "Test_07", "mV_Avg_Ch2").has_value());
    EXPECT_FALSE(measure::GetAverageAllPts(s.dataset, 3, t.dir.path()).ok);  // no such channel
}

TEST(CalibrationAverage, NothingForATestThatIsNotACalibrationTest) {
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome(home.path());
    for (const char* ctn : {"0", "16", "-1"}) {
        testsets::SetFileText set = editsession::traceSet(8);
        set.set("settings", "CTN", ctn);
        editsession::TraceTest t(std::vector<std::uint16_t>(8, 100), set);
        editsession::Session s;
        ASSERT_TRUE(s.open(t.setFile()));
        int pictures = 0;
        const auto result = measure::GetAverageAllPts(
            s.dataset, 1, t.dir.path(),
            [&](const std::filesystem::path&, const std::string&, const std::string&) { ++pictures; });
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(pictures, 0);
        EXPECT_FALSE(std::filesystem::exists(home.path() / "CalibrationResults.ini"));
    }
}

TEST(PickedPoints, ReadoutOfOneOrTwoPointsAndTheClipboardCopy) {
    measure::PickedPoints picked;
    measure::HeadlessClipboard clipboard;
    common::ScriptedPrompt prompt;
    ASSERT_TRUE(picked.SetCurrent(1, 3));
    EXPECT_FALSE(picked.CopyToClipboard(clipboard, prompt, "V"));  // nothing picked
    EXPECT_EQ(clipboard.clears(), 0);

    picked.PickPoint(0.123456, 1.5);
    EXPECT_EQ(picked.boxTexts().clickedPoint, "0.1235,1.50000");
    EXPECT_EQ(picked.boxTexts().point1, "");
    ASSERT_TRUE(picked.CopyToClipboard(clipboard, prompt, "V"));
    EXPECT_EQ(clipboard.text(), "\n0.1235 ms, 1.50000 V\n");
    EXPECT_EQ(clipboard.clears(), 1);
    EXPECT_EQ(prompt.messages(),
              std::vector<std::string>{"Current point information copied to the clipboard.[nl]"
                                       "It can now be pasted to another application."});

    picked.StoreTwoPoints({0.1, 2.0}, {0.3, -1.0}, "VOD = 15000.0 m/s");
    const auto boxes = picked.boxTexts();
    EXPECT_EQ(boxes.clickedPoint, "");
    EXPECT_EQ(boxes.point1, "0.1000,2.00000");
    EXPECT_EQ(boxes.point2, "0.3000,-1.00000");
    EXPECT_EQ(boxes.readout, "VOD = 15000.0 m/s");
    EXPECT_EQ(picked.clipboardText("m"), "\n0.1000 ms, 2.00000 m\n0.3000 ms, -1.00000 m\nVOD = 15000.0 m/s\n");

    // Each graph of each dataset has its own entry.
    ASSERT_TRUE(picked.SetCurrent(2, 3));
    EXPECT_EQ(picked.boxTexts().point1, "");
    ASSERT_TRUE(picked.SetCurrent(1, 3));
    EXPECT_EQ(picked.boxTexts().point1, "0.1000,2.00000");
    picked.Clear();
    EXPECT_EQ(picked.boxTexts().point1, "");
    EXPECT_EQ(picked.clipboardText("m"), "");
}

TEST(PickedPoints, NumbersOutsideTheTableSelectNoEntry) {
    measure::PickedPoints picked;
    struct Case {
        std::int32_t dataset, graph;
        bool inTable;
    };
    for (const Case c : {Case{1, 1, true}, Case{64, 127, true}, Case{0, 1, false}, Case{65, 1, false},
                         Case{1, 128, false}, Case{1, -1, false}}) {
        EXPECT_EQ(picked.SetCurrent(c.dataset, c.graph), c.inTable);
        picked.PickPoint(1, 2);
        EXPECT_EQ(picked.boxTexts().clickedPoint.empty(), !c.inTable);
        EXPECT_EQ(picked.current() != nullptr, c.inTable);
    }
}

}  // namespace
