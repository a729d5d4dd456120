#include "analysis/measure/Integration.h"

#include <algorithm>
#include <cmath>

#include "analysis/files/clsDataset.h"
#include "analysis/measure/GraphPointEdits.h"
#include "analysis/measure/ProbeUnits.h"
#include "common/NumberFormat.h"

namespace measure {

std::string integrationCutMessage() {
    const std::string limit = std::to_string(kMaxIntegrationRows);
    return "Over " + limit + " points in the current window.[nl]" +
           "Integration will be performed on the first " + limit + " points.";
}

std::string analysisCutMessage() {
    return "Warning, only the first " + std::to_string(kMaxAnalysisPoints) +
           " points will be analyzed.";
}

bool hasRemovedPoints(const GraphSeries& series) {
    if (!series.edits || !series.edits->hasEdits()) return false;
    if (const auto* stores = dynamic_cast<const GraphPointEdits*>(series.edits))
        return stores->bHasRemovedPts();
    for (const files::PointEdit& edit : series.edits->editsIn(1, series.points()))
        if (edit.removed) return true;
    return false;
}

// --- two-point integral ------------------------------------------------------------------------

Integral CalculateIntegral2pts(const GraphSeries& series, double time1, double time2,
                               bool stopAtFirstNonPositive, common::Prompt& prompt) {
    Integral result;
    if (!std::isfinite(time1) || !std::isfinite(time2) || series.points() < 1) {
        common::ShowMessage(prompt, kNoPointsInRange);
        return result;
    }
    if (time1 > time2) std::swap(time1, time2);
    const std::int32_t first = series.time.TimeToIndex(time1);
    const std::int32_t last = series.time.TimeToIndex(time2);
    if (first == last) {
        common::ShowMessage(prompt, kNoPointsInRange);
        return result;
    }

    const double ts = series.time.Ts;
    double integral = 0.0;
    std::int32_t previousIndex = 0;  // 0: no point kept yet
    double previous = 0.0;
    bool stoppedAtStart = false;
    bool stopped = false;
    // One kept point after another: the points skipped since the previous kept one are
    // removed, and one trapezoid spans them. Before the first kept point there is nothing to
    // span from.
    const auto keep = [&](std::int32_t i, double y) -> bool {
        if (previousIndex != 0) integral += ts * (previous + y) / 2.0 * (i - previousIndex);
        else result.startTime = series.timeOf(i);
        ++result.count;
        result.endTime = series.timeOf(i);
        if (stopAtFirstNonPositive && y <= 0.0) {
            stopped = true;
            stoppedAtStart = previousIndex == 0;
            return false;
        }
        previousIndex = i;
        previous = y;
        return true;
    };
    if (stopAtFirstNonPositive) {
        forEachKept(series, first, last, keep);
    } else {
        // A stretch without edits from a to b adds Ts (y_a / 2 + y_a+1 + ... + y_b / 2).
        const double* table = series.table.data();
        const std::int64_t stride = series.samples.stride();
        forEachKeptRun(
            series, first, last,
            [&](std::int32_t from, std::int32_t to) {
                keep(from, series.tableValue(from));
                if (to == from) return;
                const std::uint16_t* w =
                    series.samples.wordsOfChannel() + static_cast<std::int64_t>(from - 1) * stride;
                double sum0 = 0.0, sum1 = 0.0;
                std::int32_t i = from;
                for (; i + 1 <= to; i += 2, w += 2 * stride) {
                    sum0 += table[w[0] & files::kCodeMask];
                    sum1 += table[w[stride] & files::kCodeMask];
                }
                if (i == to) sum0 += table[w[0] & files::kCodeMask];
                const double yLast = series.tableValue(to);
                integral += ts * (sum0 + sum1 - (previous + yLast) / 2.0);
                result.count += to - from;
                result.endTime = series.timeOf(to);
                previousIndex = to;
                previous = yLast;
            },
            keep);
    }

    if (result.count == 0) {
        common::ShowMessage(prompt, kNoPointsInRange);
        return result;
    }
    if (stoppedAtStart) {
        common::ShowMessage(prompt, kChoosePositiveStart);
        return result;
    }
    if (!stopped) result.endTime = series.timeOf(last);
    if (!std::isfinite(integral)) {  // overflow, or values that are not numbers
        common::ShowMessage(prompt, kIntegrationNotNumbers);
        return result;
    }
    result.integral = integral;
    result.ok = true;
    return result;
}

Integral CalculateIntegral2pts(const files::clsDataset& dataset, std::int32_t graph, double time1,
                               double time2, bool stopAtFirstNonPositive, common::Prompt& prompt) {
    return CalculateIntegral2pts(seriesOf(dataset, graph), time1, time2, stopAtFirstNonPositive,
                                 prompt);
}

void CalculateIntegral2pts(const files::clsDataset& dataset, std::int32_t graph,
                           const std::string& /*text1*/, const std::string& /*text2*/,
                           double time1, double time2, bool stopAtFirstNonPositive,
                           double& integral, bool& ok, double& endTime, common::Prompt& prompt) {
    const Integral result =
        CalculateIntegral2pts(dataset, graph, time1, time2, stopAtFirstNonPositive, prompt);
    ok = result.ok;
    if (!ok) return;
    integral = result.integral;
    endTime = result.endTime;
}

std::string integralUnitText(const files::clsDataset& dataset, std::int32_t graph) {
    GraphIdentity identity;
    identity.event = dataset.graphKind(graph) == files::GraphKind::Event;
    identity.vod = dataset.bVODchannel(dataset.graphChannel(graph));
    identity.section = dataset.graphSection(graph);
    return GetFormulaQuantityUnits(dataset.setFile(), identity).units + " * ms";
}

std::string integralText(double integral, const std::string& unitText) {
    return "I = " + common::formatNumber(integral, "0.000000") + " " + unitText;
}

std::string integralRangeText(double time1, double endTime) {
    return " (From " + common::formatNumber(time1, "0.0000") + " to " +
           common::formatNumber(endTime, "0.0000") + " ms)";
}

// --- running integrals ---------------------------------------------------------------------------

RunningIntegrals runningIntegrals(const GraphSeries& series, double time1, double time2,
                                  const std::string& quantity, const std::string& unit,
                                  common::Prompt& prompt) {
    RunningIntegrals result;
    result.titles = {"Time (ms)", quantity, unit + " * ms", unit + " * ms^2"};
    if (hasRemovedPoints(series)) {
        common::ShowMessage(prompt, kIntegrationWithMissingPoints);
        return result;
    }
    if (!std::isfinite(time1) || !std::isfinite(time2) || series.points() < 1) {
        common::ShowMessage(prompt, kNoPointsInRange);
        return result;
    }
    if (time1 > time2) std::swap(time1, time2);
    const std::int32_t first = series.time.TimeToIndex(time1);
    std::int32_t last = series.time.TimeToIndex(time2);
    if (static_cast<std::int64_t>(last) - first + 1 > kMaxIntegrationRows) {
        common::ShowMessage(prompt, integrationCutMessage());
        last = first + kMaxIntegrationRows - 1;
        result.cut = true;
    }

    const double ts = series.time.Ts;
    result.rows.reserve(static_cast<std::size_t>(last - first + 1));
    double i1 = 0.0, i2 = 0.0, previous = 0.0;
    bool finite = true;
    forEachKept(series, first, last, [&](std::int32_t i, double y) {
        if (!result.rows.empty()) {
            const double i1Before = i1;
            i1 += ts * (previous + y) / 2.0;
            i2 += ts * (i1Before + i1) / 2.0;
        }
        finite = finite && std::isfinite(y) && std::isfinite(i2);
        result.rows.push_back(IntegralRow{series.timeOf(i), y, i1, i2});
        previous = y;
    });
    if (!finite) {
        common::ShowMessage(prompt, kIntegrationNotNumbers);
        result.rows.clear();
        return result;
    }
    result.ok = !result.rows.empty();
    return result;
}

// --- advanced-analysis arrays ----------------------------------------------------------------------

AnalysisArrays SetupAlzGraphArrayTimes(const GraphSeries& series, double time1, double time2,
                                       bool allowLargeArrays, common::Prompt& prompt) {
    AnalysisArrays arrays;
    const std::int32_t points = series.points();
    if (hasRemovedPoints(series)) {
        common::ShowMessage(prompt, kAnalysisWithRemovedPoints);
        return arrays;
    }
    if (points < 3 || !std::isfinite(time1) || !std::isfinite(time2)) return arrays;
    if (time1 > time2) std::swap(time1, time2);
    std::int32_t first = series.time.TimeToIndex(time1);
    std::int64_t last = std::min<std::int64_t>(std::int64_t{series.time.TimeToIndex(time2)} + 1, points);
    last = std::max<std::int64_t>(last, std::int64_t{first} + 2);
    if (last > points) {  // three points at the end of the record
        last = points;
        first = points - 2;
    }
    std::int64_t n = last - first + 1;
    if (n > kMaxAnalysisPoints && !allowLargeArrays) {
        common::ShowMessage(prompt, analysisCutMessage());
        n = kMaxAnalysisPoints;
        arrays.cut = true;
    }

    arrays.times.reserve(static_cast<std::size_t>(n));
    arrays.values.reserve(static_cast<std::size_t>(n));
    double smallest = 0.0, largest = 0.0;
    bool finite = true;
    forEachKept(series, first, static_cast<std::int32_t>(first + n - 1), [&](std::int32_t i, double y) {
        arrays.times.push_back(series.timeOf(i));
        arrays.values.push_back(y);
        finite = finite && std::isfinite(y);
        smallest = std::min(smallest, y);
        largest = std::max(largest, y);
    });
    if (!finite) {
        common::ShowMessage(prompt, kAnalysisNotNumbers);
        return AnalysisArrays{};
    }
    arrays.count = static_cast<std::int32_t>(arrays.values.size());
    if (arrays.count == 0) return AnalysisArrays{};
    arrays.smallest = smallest - 0.00000001;
    arrays.largest = largest + 0.00000001;
    arrays.firstTime = arrays.times.front();
    arrays.lastTime = arrays.times.back();
    arrays.ok = true;
    return arrays;
}

AnalysisArrays SetupAlzGraphArrayTimes(const files::clsDataset& dataset, std::int32_t graph,
                                       double time1, double time2, bool allowLargeArrays,
                                       common::Prompt& prompt) {
    return SetupAlzGraphArrayTimes(seriesOf(dataset, graph), time1, time2, allowLargeArrays, prompt);
}

}  // namespace measure
