// VOD: the least-squares fit over a range, its statistics and precision, the two-point VOD
// and the label texts.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EditSession.h"
#include "SeriesFixture.h"
#include "analysis/measure/VodSlope.h"

namespace {

using measure::GetSlopeInterceptAverage;
using seriesfixture::valuesSeries;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct FitCase {
    const char* name;
    std::vector<double> values;
    double t0, ts;
    double time1, time2;
    std::vector<std::int32_t> removed;
    std::vector<std::pair<std::int32_t, double>> moved;
    bool ok;
    double slope, intercept, average;
    std::int32_t count;
};

TEST(VodFit, LeastSquaresLineOverTheKeptPoints) {
    // y = 2 + 3 t at t = 0, 0.5, 1, 1.5, 2.
    const std::vector<double> line = {2, 3.5, 5, 6.5, 8};
    const std::vector<FitCase> cases = {
        {"exact line", line, 0, 0.5, 0, 2, {}, {}, true, 3, 2, 5, 5},
        {"times reversed", line, 0, 0.5, 2, 0, {}, {}, true, 3, 2, 5, 5},
        {"times between points round to the nearest", line, 0, 0.5, 0.2, 1.3, {}, {}, true, 3, 2, 4.25, 4},
        // Times -2..2: they sum to exactly zero, a fit like any other.
        {"symmetric about the trigger", {0, 0.5, 1, 1.5, 2}, -2, 1, -2, 2, {}, {}, true, 0.5, 1, 1, 5},
        {"an outlier removed", {2, 3.5, 500, 6.5, 8}, 0, 0.5, 0, 2, {3}, {}, true, 3, 2, 5, 4},
        {"an outlier moved onto the line", {2, 3.5, 500, 6.5, 8}, 0, 0.5, 0, 2, {}, {{3, 5.0}}, true, 3, 2, 5, 5},
        {"two points", line, 0, 0.5, 1.5, 2, {}, {}, true, 3, 2, 7.25, 2},
        {"times reaching outside the record", line, 0, 0.5, -10, 1, {}, {}, true, 3, 2, 3.5, 3},
        {"one time", line, 0, 0.5, 1, 1, {}, {}, false, 0, 0, 0, 0},
        {"a range wholly before the record", line, 0, 0.5, -9, -5, {}, {}, false, 0, 0, 0, 0},
        {"one kept point", line, 0, 0.5, 0, 1, {1, 2}, {}, false, 0, 0, 0, 1},
        {"no kept point", line, 0, 0.5, 0, 1, {1, 2, 3}, {}, false, 0, 0, 0, 0},
        {"a time that is not a number", line, 0, 0.5, kNaN, 1, {}, {}, false, 0, 0, 0, 0},
        {"an infinite time", line, 0, 0.5, -INFINITY, 1, {}, {}, false, 0, 0, 0, 0},
        {"a value that is not a number", {2, kNaN, 5}, 0, 0.5, 0, 1, {}, {}, false, 0, 0, 0, 3},
        {"an infinite value", {2, INFINITY, 5}, 0, 0.5, 0, 1, {}, {}, false, 0, 0, 0, 3},
        {"sums that overflow", {1e308, -1e308, 5}, 0, 0.5, 0, 1, {}, {}, false, 0, 0, 0, 3},
        {"a bad value removed", {2, kNaN, 5, 6.5}, 0, 0.5, 0, 1.5, {2}, {}, true, 3, 2, 13.5 / 3, 3},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto owned = valuesSeries(c.values, c.t0, c.ts);
        for (const std::int32_t i : c.removed) owned->edits.remove(i);
        for (const auto& [i, y] : c.moved) owned->edits.move(i, y);
        const measure::SlopeFit fit = GetSlopeInterceptAverage(owned->series(), c.time1, c.time2);
        EXPECT_EQ(fit.ok, c.ok) << fit.reason;
        EXPECT_EQ(fit.count, c.count);
        if (!c.ok) {
            EXPECT_NE(fit.reason, "");
            continue;
        }
        EXPECT_NEAR(fit.slope, c.slope, 1e-12);
        EXPECT_NEAR(fit.intercept, c.intercept, 1e-12);
        EXPECT_NEAR(fit.average, c.average, 1e-12);
    }
}

TEST(VodFit, StandardErrorOfTheSlopeAndRSquared) {
    struct Case {
        std::vector<double> values;
        double slope;
        std::optional<double> se, r2;
    };
    const std::vector<Case> cases = {
        // x = 0..4: Sxx = 10, Sxy = 8, SST = 10, SSE = 3.6.
        {{1, 3, 2, 5, 4}, 0.8, std::sqrt(3.6 / 3 / 10), 0.64},
        {{1, 2, 3}, 1.0, 0.0, 1.0},
        {{4, 4, 4, 4}, 0.0, 0.0, std::nullopt},  // no spread: R squared not defined
        {{1, 5}, 4.0, std::nullopt, 1.0},         // two points: no error estimate
    };
    for (const Case& c : cases) {
        auto owned = valuesSeries(c.values);
        const auto fit = GetSlopeInterceptAverage(owned->series(), 0, 1e9);
        ASSERT_TRUE(fit.ok);
        EXPECT_NEAR(fit.slope, c.slope, 1e-12);
        ASSERT_EQ(fit.slopeStandardError.has_value(), c.se.has_value());
        if (c.se) {
            EXPECT_NEAR(*fit.slopeStandardError, *c.se, 1e-12);
        }
        ASSERT_EQ(fit.rSquared.has_value(), c.r2.has_value());
        if (c.r2) {
            EXPECT_NEAR(*fit.rSquared, *c.r2, 1e-12);
        }
    }
    // The standard error is per millisecond: halving Ts doubles slope and error.
    auto owned = valuesSeries({1, 3, 2, 5, 4}, 0, 0.5);
    const auto fit = GetSlopeInterceptAverage(owned->series(), 0, 2);
    EXPECT_NEAR(fit.slope, 1.6, 1e-12);
    EXPECT_NEAR(*fit.slopeStandardError, 2 * std::sqrt(0.12), 1e-12);
}

TEST(VodFit, MillionsOfPointsFarFromTimeZeroKeepTheirPrecision) {
    // 2 million points at 5 MHz starting 1000 s after the trigger, on a large offset: a plain
    // sum of x and x*x would lose most digits of the slope. Two traces: a VOD-like rise with
    // jitter, and a saw tooth whose slope is tiny against its spread.
    const std::int32_t n = 2'000'000;
    const std::vector<std::pair<const char*, std::uint16_t (*)(std::int32_t)>> traces = {
        {"rise", [](std::int32_t k) { return static_cast<std::uint16_t>(k / 200 + (k * 7) % 5); }},
        {"saw tooth", [](std::int32_t k) { return static_cast<std::uint16_t>((k * 7 + k / 1000) % 16384); }},
    };
    for (const auto& [name, codeOf] : traces) {
        SCOPED_TRACE(name);
        seriesfixture::OwnedSeries owned;
        owned.t0 = 1.0e6;
        owned.ts = 0.0002;
        owned.words.resize(n);
        for (std::int32_t k = 0; k < n; ++k) owned.words[static_cast<std::size_t>(k)] = codeOf(k);
        for (std::int32_t c = 0; c < files::kCodeCount; ++c)
            owned.table[static_cast<std::size_t>(c)] = 5000.0 + c * 0.01;
        for (std::int32_t i = 10; i <= n; i += 97) owned.edits.remove(i);

        // Reference: two passes in extended precision over the exact times t0 + (i - 1) Ts.
        long double sk = 0, sy = 0, m = 0;
        const auto kept = [&](std::int32_t i) { return !(i >= 10 && (i - 10) % 97 == 0); };
        const auto valueOf = [&](std::int32_t i) -> long double {
            return owned.table[owned.words[static_cast<std::size_t>(i - 1)]];
        };
        for (std::int32_t i = 1; i <= n; ++i) {
            if (!kept(i)) continue;
            sk += i - 1;
            sy += valueOf(i);
            m += 1;
        }
        const long double mk = sk / m, my = sy / m;
        long double skk = 0, sky = 0, syy = 0;
        for (std::int32_t i = 1; i <= n; ++i) {
            if (!kept(i)) continue;
            const long double dk = (i - 1) - mk;
            skk += dk * dk;
            sky += dk * (valueOf(i) - my);
            syy += (valueOf(i) - my) * (valueOf(i) - my);
        }
        const long double ts = owned.ts;
        const double slope = static_cast<double>(sky / skk / ts);
        // The slope scale of the data: the slope a perfectly correlated trace would have.
        const double scale = static_cast<double>(std::sqrt(syy / skk) / ts);

        const auto fit = GetSlopeInterceptAverage(owned.series(), owned.timeOf(1), owned.timeOf(n));
        ASSERT_TRUE(fit.ok);
        EXPECT_EQ(fit.count, static_cast<std::int32_t>(m));
        EXPECT_NEAR(fit.slope, slope, scale * 1e-12);
        EXPECT_NEAR(fit.average, static_cast<double>(my), 1e-9);
        EXPECT_NEAR(fit.slope * (owned.t0 + static_cast<double>(mk) * owned.ts) + fit.intercept,
                    static_cast<double>(my), 1e-6);
    }
}

TEST(VodLabels, TextsOfTheTwoClickReadouts) {
    struct Case {
        std::string text, expected;
    };
    measure::SlopeFit falling;
    falling.ok = true;
    falling.slope = -1.23456;  // m per ms
    measure::SlopeFit rising;
    rising.ok = true;
    rising.slope = 6.5;
    rising.intercept = 1.0;
    const std::vector<Case> cases = {
        {measure::twoPointVodLabel(0.1, 2.0, 0.3, 1.0, "m/s"), "VOD = 5000.0 m/s"},
        {measure::twoPointVodLabel(0.3, 1.0, 0.1, 2.0, "m/s"), "VOD = 5000.0 m/s"},
        {measure::twoPointVodLabel(0.0, 1.0, 0.004, 1.0155, "ft/s"), "VOD = 3875.0 ft/s"},
        {measure::twoPointVodLabel(0.2, 1.0, 0.2, 2.0, "m/s"), "VOD = ?"},
        {measure::twoPointVodLabel(0.1, kNaN, 0.2, 2.0, "m/s"), "VOD = ?"},
        {measure::regressionVodLine(falling, 0, 1, "m/s")->label, "-1234.6 m/s"},
        {measure::regressionVodLine(rising, 0, 1, "ft/s")->label, "6500.0 ft/s"},
        {measure::timeDifferenceLabel(1.5, 2.25, "ms"), "T = 0.7500 ms"},
        {measure::timeDifferenceLabel(2.25, 1.5, "s"), "T = -0.7500 s"},
        {measure::valueDifferenceLabel(1.0, 0.5, "V"), "Y = -0.5000 V"},
        {measure::valueDifferenceLabel(0.0, 0.00004, "m"), "Y = 0.0000 m"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, c.expected);

    const auto line = measure::regressionVodLine(rising, 0.5, 2.0, "m/s");
    EXPECT_DOUBLE_EQ(line->y1, 4.25);
    EXPECT_DOUBLE_EQ(line->y2, 14.0);
    EXPECT_FALSE(measure::regressionVodLine(measure::SlopeFit{}, 0, 1, "m/s").has_value());
    EXPECT_FALSE(measure::bPickPairAccepted(7, 7));
    EXPECT_TRUE(measure::bPickPairAccepted(7, 8));
}

TEST(VodCommands, StartOnlyOnVodGraphs) {
    common::ScriptedPrompt prompt;
    EXPECT_EQ(measure::StartVodCommand(false, measure::kModeVodTwoPoints, prompt), 0);
    EXPECT_EQ(measure::StartVodCommand(true, measure::kModeVodTwoPoints, prompt), 10);
    EXPECT_EQ(measure::StartVodCommand(true, measure::kModeVodRegression, prompt), 11);
    EXPECT_EQ(prompt.messages(), (std::vector<std::string>{"Not a VOD graph.",
                                                           "Click on 2 points to calculate the VOD.",
                                                           "Click on 2 points to calculate the VOD."}));
    EXPECT_EQ(prompt.shown()[0].title, "  Message");
}

TEST(VodFit, ThroughAnOpenedTestWithItsRemovedAndMovedPoints) {
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome(home.path());
    // Codes 100, 110, ..., a line of 10 codes per point, with a spike at point 4.
    std::vector<std::uint16_t> codes;
    for (int k = 0; k < 8; ++k) codes.push_back(static_cast<std::uint16_t>(100 + 10 * k));
    codes[3] = 9000;
    editsession::TraceTest t(codes);
    editsession::Session s;
    ASSERT_TRUE(s.open(t.setFile()));
    const double perPoint = (testsets::scopeVolts(110) - testsets::scopeVolts(100));
    const auto slopeOf = [&](std::int32_t graph) {
        return GetSlopeInterceptAverage(s.dataset, editsession::timeOf(1), editsession::timeOf(8), graph);
    };
    EXPECT_GT(std::fabs(slopeOf(editsession::kEventGraph).slope - perPoint / editsession::kTs), 1.0);

    s.edits->StoreRemovedPt(editsession::timeOf(4), editsession::kEventGraph);
    const auto fit = slopeOf(editsession::kEventGraph);
    ASSERT_TRUE(fit.ok);
    EXPECT_EQ(fit.count, 7);
    EXPECT_NEAR(fit.slope, perPoint / editsession::kTs, 1e-9);

    bool ok = false;
    double average = 0, slope = 0, intercept = 0;
    measure::GetSlopeInterceptAverage(s.dataset, ok, editsession::timeOf(8), editsession::timeOf(1),
                                      editsession::kEventGraph, average, slope, intercept);
    EXPECT_TRUE(ok);
    EXPECT_EQ(slope, fit.slope);
    EXPECT_EQ(intercept, fit.intercept);
    EXPECT_EQ(average, fit.average);
    // Channel graph 1 has no edits: the spike stays in its fit.
    EXPECT_EQ(slopeOf(1).count, 8);
}

}  // namespace
