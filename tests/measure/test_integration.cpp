// Integrals: between two times (with removed points, with the stop at the first value <= 0),
// running integrals with their limit, and the arrays of the advanced-analysis graph.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EditSession.h"
#include "SeriesFixture.h"
#include "analysis/measure/Integration.h"

namespace {

using seriesfixture::valuesSeries;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct IntegralCase {
    const char* name;
    std::vector<double> values;
    double ts;
    std::int32_t from, to;  // picked points (times of these points)
    std::vector<std::int32_t> removed;
    std::vector<std::pair<std::int32_t, double>> moved;
    bool stop;
    bool ok;
    double integral;
    std::int32_t endPoint;
    std::vector<std::string> messages;
};

TEST(TwoPointIntegral, TrapezoidsOverTheKeptPoints) {
    const std::vector<IntegralCase> cases = {
        // Ts (y1/2 + y2 + y3 + y4/2) = 0.5 * 7.5
        {"plain", {1, 2, 3, 4}, 0.5, 1, 4, {}, {}, false, true, 3.75, 4, {}},
        {"picked backwards", {1, 2, 3, 4}, 0.5, 4, 1, {}, {}, false, true, 3.75, 4, {}},
        {"part of the record", {1, 2, 3, 4, 9}, 1, 2, 3, {}, {}, false, true, 2.5, 3, {}},
        {"one removed point spans two intervals", {2, 100, 4}, 1, 1, 3, {2}, {}, false, true, 6, 3, {}},
        {"removed points at the start add nothing", {100, 50, 3, 5}, 1, 1, 4, {1, 2}, {}, false, true, 4, 4, {}},
        {"removed points at the end add nothing", {3, 5, 100}, 1, 1, 3, {3}, {}, false, true, 4, 3, {}},
        {"a moved point counts with its value", {1, 100, 1}, 1, 1, 3, {}, {{2, 3.0}}, false, true, 4, 3, {}},
        {"one point", {1, 2, 3}, 1, 2, 2, {}, {}, false, false, 0, 0, {measure::kNoPointsInRange}},
        {"every point removed", {1, 2, 3}, 1, 1, 3, {1, 2, 3}, {}, false, false, 0, 0,
         {measure::kNoPointsInRange}},
        {"stop where the value reaches 0", {2, 4, 0, 5}, 1, 1, 4, {}, {}, true, true, 5, 3, {}},
        {"no stop without the option", {2, 4, 0, 5}, 1, 1, 4, {}, {}, false, true, 7.5, 4, {}},
        {"stop at a negative value", {2, -1, 5}, 1, 1, 3, {}, {}, true, true, 0.5, 2, {}},
        {"stop after removed points", {2, 100, 0, 5}, 1, 1, 4, {2}, {}, true, true, 2, 3, {}},
        {"a start at 0", {0, 2, 3}, 1, 1, 3, {}, {}, true, false, 0, 0, {measure::kChoosePositiveStart}},
        {"a first kept point below 0", {5, -1, 3}, 1, 1, 3, {1}, {}, true, false, 0, 0,
         {measure::kChoosePositiveStart}},
        {"a value that is not a number", {1, kNaN, 3}, 1, 1, 3, {}, {}, false, false, 0, 0,
         {measure::kIntegrationNotNumbers}},
        {"sums that overflow", {1e308, 1e308, 1e308}, 1, 1, 3, {}, {}, false, false, 0, 0,
         {measure::kIntegrationNotNumbers}},
    };
    for (const IntegralCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto owned = valuesSeries(c.values, 0.0, c.ts);
        for (const std::int32_t i : c.removed) owned->edits.remove(i);
        for (const auto& [i, y] : c.moved) owned->edits.move(i, y);
        common::ScriptedPrompt prompt;
        const auto result = measure::CalculateIntegral2pts(owned->series(), owned->timeOf(c.from),
                                                           owned->timeOf(c.to), c.stop, prompt);
        EXPECT_EQ(result.ok, c.ok);
        EXPECT_EQ(prompt.messages(), c.messages);
        if (!c.ok) continue;
        EXPECT_DOUBLE_EQ(result.integral, c.integral);
        EXPECT_DOUBLE_EQ(result.endTime, owned->timeOf(c.endPoint));
    }
}

TEST(TwoPointIntegral, TimesThatAreNotFiniteGiveNoIntegral) {
    auto owned = valuesSeries({1, 2, 3});
    for (const auto& [t1, t2] : std::vector<std::pair<double, double>>{{kNaN, 1}, {0, INFINITY}, {-INFINITY, 1}}) {
        common::ScriptedPrompt prompt;
        EXPECT_FALSE(measure::CalculateIntegral2pts(owned->series(), t1, t2, false, prompt).ok);
        EXPECT_EQ(prompt.messages(), std::vector<std::string>{measure::kNoPointsInRange});
        EXPECT_FALSE(measure::SetupAlzGraphArrayTimes(owned->series(), t1, t2, false, prompt).ok);
        EXPECT_FALSE(measure::runningIntegrals(owned->series(), t1, t2, "P", "kPa", prompt).ok);
    }
}

TEST(TwoPointIntegral, ThroughAnOpenedTestWithItsUnitText) {
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome(home.path());
    editsession::TraceTest t({8191, 8191, 9000, 8191});
    editsession::Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    s.edits->StoreRemovedPt(editsession::timeOf(3), editsession::kEventGraph);
    common::ScriptedPrompt prompt;
    double integral = 0, endTime = 0;
    bool ok = false;
    measure::CalculateIntegral2pts(s.dataset, editsession::kEventGraph, "", "", editsession::timeOf(1),
                                   editsession::timeOf(4), false, integral, ok, endTime, prompt);
    ASSERT_TRUE(ok);
    const double v = testsets::scopeVolts(8191);
    EXPECT_NEAR(integral, 3 * editsession::kTs * v, 1e-15);
    EXPECT_DOUBLE_EQ(endTime, editsession::timeOf(4));
    EXPECT_EQ(measure::integralUnitText(s.dataset, editsession::kEventGraph), "V * ms");
}

TEST(TwoPointIntegral, LabelTexts) {
    EXPECT_EQ(measure::integralText(1.23456789, "V * ms"), "I = 1.234568 V * ms");
    EXPECT_EQ(measure::integralText(-0.0000001, "kPa * ms"), "I = 0.000000 kPa * ms");
    EXPECT_EQ(measure::integralRangeText(0.1, 0.25), " (From 0.1000 to 0.2500 ms)");
}

TEST(RunningIntegrals, FirstAndSecondIntegralOfEachPoint) {
    auto owned = valuesSeries({1, 2, 3, 7}, 0.0, 1.0);
    common::ScriptedPrompt prompt;
    const auto result = measure::runningIntegrals(owned->series(), 0.0, 2.0, "Pressure", "kPa", prompt);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.titles, (std::array<std::string, 4>{"Time (ms)", "Pressure", "kPa * ms", "kPa * ms^2"}));
    ASSERT_EQ(result.rows.size(), 3u);
    const std::vector<std::array<double, 4>> expected = {
        {0, 1, 0, 0}, {1, 2, 1.5, 0.75}, {2, 3, 4, 3.5}};
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_DOUBLE_EQ(result.rows[k].time, expected[k][0]);
        EXPECT_DOUBLE_EQ(result.rows[k].value, expected[k][1]);
        EXPECT_DOUBLE_EQ(result.rows[k].first, expected[k][2]);
        EXPECT_DOUBLE_EQ(result.rows[k].second, expected[k][3]);
    }
    EXPECT_EQ(prompt.messages(), std::vector<std::string>{});

    owned->edits.move(2, 5.0);  // moved points are allowed
    EXPECT_DOUBLE_EQ(measure::runningIntegrals(owned->series(), 0, 2, "P", "kPa", prompt).rows[1].first, 3.0);
    owned->edits.remove(4);  // anywhere in the graph: refused
    const auto refused = measure::runningIntegrals(owned->series(), 0.0, 2.0, "P", "kPa", prompt);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(prompt.messages().back(),
              "Error - Integration cannot be performed on a graph with missing points.");

    auto bad = valuesSeries({1, kNaN, 3});
    EXPECT_FALSE(measure::runningIntegrals(bad->series(), 0, 2, "P", "kPa", prompt).ok);
    EXPECT_EQ(prompt.messages().back(), measure::kIntegrationNotNumbers);
}

TEST(RunningIntegrals, AWindowAbove31968PointsIsCutToItsFirst31968) {
    struct Case {
        std::int32_t points;
        std::size_t rows;
        bool message;
    };
    for (const Case c : {Case{31968, 31968, false}, Case{31969, 31968, true}, Case{40000, 31968, true}}) {
        seriesfixture::OwnedSeries owned;
        owned.words.assign(static_cast<std::size_t>(c.points), 1);
        owned.table[1] = 2.0;
        common::ScriptedPrompt prompt;
        const auto result = measure::runningIntegrals(owned.series(), 0, c.points, "P", "kPa", prompt);
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.rows.size(), c.rows);
        EXPECT_EQ(result.cut, c.message);
        EXPECT_DOUBLE_EQ(result.rows.back().first, 2.0 * static_cast<double>(c.rows - 1));
        if (c.message) {
            EXPECT_EQ(prompt.messages(),
                      std::vector<std::string>{"Over 31968 points in the current window.[nl]"
                                               "Integration will be performed on the first 31968 points."});
        } else {
            EXPECT_TRUE(prompt.messages().empty());
        }
    }
}

TEST(AnalysisArrays, RangeFromTheFirstPointToOneAfterTheLast) {
    auto owned = valuesSeries({1, 2, 3, 4, 5, 6}, 10.0, 0.5);
    common::ScriptedPrompt prompt;
    const auto arrays = measure::SetupAlzGraphArrayTimes(owned->series(), owned->timeOf(2),
                                                         owned->timeOf(4), false, prompt);
    ASSERT_TRUE(arrays.ok);
    EXPECT_EQ(arrays.count, 4);
    EXPECT_EQ(arrays.values, (std::vector<double>{2, 3, 4, 5}));
    EXPECT_DOUBLE_EQ(arrays.firstTime, 10.5);
    EXPECT_DOUBLE_EQ(arrays.lastTime, 12.0);
    EXPECT_DOUBLE_EQ(arrays.smallest, -0.00000001);  // 0 is always inside the range
    EXPECT_DOUBLE_EQ(arrays.largest, 5.00000001);

    // At least three points, also at the end of the record.
    const auto end = measure::SetupAlzGraphArrayTimes(owned->series(), owned->timeOf(6),
                                                      owned->timeOf(6), false, prompt);
    ASSERT_TRUE(end.ok);
    EXPECT_EQ(end.values, (std::vector<double>{4, 5, 6}));

    auto negative = valuesSeries({-3, -1, -2});
    const auto below = measure::SetupAlzGraphArrayTimes(negative->series(), 0, 2, false, prompt);
    EXPECT_DOUBLE_EQ(below.smallest, -3.00000001);
    EXPECT_DOUBLE_EQ(below.largest, 0.00000001);
    EXPECT_TRUE(prompt.messages().empty());

    owned->edits.move(3, -7.0);
    EXPECT_DOUBLE_EQ(measure::SetupAlzGraphArrayTimes(owned->series(), 10.5, 12, false, prompt).smallest,
                     -7.00000001);
    owned->edits.remove(6);
    EXPECT_FALSE(measure::SetupAlzGraphArrayTimes(owned->series(), 10.5, 12, false, prompt).ok);
    EXPECT_EQ(prompt.messages(),
              std::vector<std::string>{"Advanced analysis can only be carried out on graphs with no "
                                       "removed points.[nl]Graphs with moved points can be analysed normally."});
}

TEST(AnalysisArrays, Above65530PointsOnlyTheFirstUnlessLargeArraysAreAllowed) {
    seriesfixture::OwnedSeries owned;
    owned.words.resize(65532);
    for (std::size_t k = 0; k < owned.words.size(); ++k) owned.words[k] = static_cast<std::uint16_t>(k % 100);
    for (int c = 0; c < 100; ++c) owned.table[static_cast<std::size_t>(c)] = c;
    // Points 1..65531 (the one after the point at time2 is included).
    const double t2 = owned.timeOf(65530);
    struct Case {
        bool allow;
        std::int32_t count;
        bool warned;
    };
    for (const Case c : {Case{false, 65530, true}, Case{true, 65531, false}}) {
        common::ScriptedPrompt prompt;
        const auto arrays = measure::SetupAlzGraphArrayTimes(owned.series(), 0, t2, c.allow, prompt);
        ASSERT_TRUE(arrays.ok);
        EXPECT_EQ(arrays.count, c.count);
        EXPECT_EQ(arrays.times.size(), static_cast<std::size_t>(c.count));
        EXPECT_DOUBLE_EQ(arrays.lastTime, owned.timeOf(c.count));
        EXPECT_EQ(prompt.messages().size(), c.warned ? 1u : 0u);
        if (c.warned) {
            EXPECT_EQ(prompt.messages()[0], "Warning, only the first 65530 points will be analyzed.");
        }
    }
}

}  // namespace
