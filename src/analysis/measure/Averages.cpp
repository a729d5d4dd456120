#include "analysis/measure/Averages.h"

#include <array>
#include <cmath>

#include "analysis/files/clsDataset.h"
#include "common/AppPaths.h"
#include "common/Ini.h"
#include "common/NumberFormat.h"

namespace measure {
namespace {

RangeAverage refuse(RangeAverage average, std::string reason) {
    average.ok = false;
    average.reason = std::move(reason);
    return average;
}

constexpr std::array<const char*, 15> kCalibrationInputs = {
    " 0 V in  (0 to 2.5 V Range)",     " 2.4 V in  (0 to 2.5 V Range)",
    " 0 V in  (-2.5 to 2.5 V Range)",  " 2.4 V in  (-2.5 to 2.5 V Range)",
    " -2.4 V in  (-2.5 to 2.5 V Range)", " 0 V in  (0 to 5 V Range)",
    " 4.8 V in  (0 to 5 V Range)",     " 0 V in  (-5 to 5 V Range)",
    " 4.8 V in  (-5 to 5 V Range)",    " -4.8 V in  (-5 to 5 V Range)",
    " 0 V in  (0 to 10 V Range)",      " 9.9 V in  (0 to 10 V Range)",
    " 0 V in  (-10 to 10 V Range)",    " 9.9 V in  (-10 to 10 V Range)",
    " -9.9 V in  (-10 to 10 V Range)",
};

std::int32_t channelGraph(const files::clsDataset& dataset, std::int32_t channel) {
    for (const std::int32_t graph : dataset.graphNumbers())
        if (dataset.graphKind(graph) == files::GraphKind::Channel &&
            dataset.graphChannel(graph) == channel)
            return graph;
    return 0;
}

}  // namespace

RangeAverage GetAverage(const GraphSeries& series, double time1, double time2, bool allPoints) {
    RangeAverage result;
    const std::int32_t points = series.points();
    std::int32_t first = 0, last = 0;
    if (allPoints) {
        // The first two points and the last one are left out.
        first = series.time.TimeToIndex(2 * series.time.Ts + series.time.t0);
        last = points - 1;
        if (points < 1 || first > last) return refuse(result, "the record is too short");
    } else {
        if (!std::isfinite(time1) || !std::isfinite(time2)) return refuse(result, "a time is not a finite number");
        if (points < 1) return refuse(result, "the graph has no values");
        if (time1 > time2) std::swap(time1, time2);
        first = series.time.TimeToIndex(time1);
        last = series.time.TimeToIndex(time2);
        if (first == last) return refuse(result, "the two times give the same point");
    }

    // About the first value, so that a large offset does not swamp small differences.
    double base = 0.0, sum = 0.0;
    forEachKept(series, first, last, [&](std::int32_t i, double y) {
        if (result.count == 0) {
            base = y;
            result.firstTime = series.timeOf(i);
            result.firstValue = y;
        }
        sum += y - base;
        ++result.count;
        result.lastTime = series.timeOf(i);
        result.lastValue = y;
    });
    if (result.count == 0) return refuse(result, "every point of the range is removed");
    result.average = base + sum / result.count;
    if (!std::isfinite(result.average))
        return refuse(result, "the values of the range are not all numbers, or too large");
    result.ok = true;
    return result;
}

RangeAverage GetAverage(const files::clsDataset& dataset, std::int32_t graph, double time1,
                        double time2, bool allPoints) {
    return GetAverage(seriesOf(dataset, graph), time1, time2, allPoints);
}

void GetAverage(const files::clsDataset& dataset, std::int32_t graph, double time1, double time2,
                double& average, bool& ok, double& firstTime, double& lastTime, double& firstValue,
                double& lastValue, bool allPoints) {
    const RangeAverage result = GetAverage(dataset, graph, time1, time2, allPoints);
    ok = result.ok;
    if (!ok) return;
    average = result.average;
    firstTime = result.firstTime;
    lastTime = result.lastTime;
    firstValue = result.firstValue;
    lastValue = result.lastValue;
}

std::string averageText(const RangeAverage& average) {
    if (!average.ok) return kAverageNotCalculated;
    const auto point = [](double time, double value) {
        return "(" + common::formatNumber(time, "0.0000") + " ms," +
               common::formatNumber(value, "0.0000") + ")";
    };
    return "Average from " + point(average.firstTime, average.firstValue) + " to " +
           point(average.lastTime, average.lastValue) + " = " +
           common::formatNumber(average.average, "0.000000");
}

std::string calibrationInputText(std::int32_t n) {
    if (n < 1 || n > static_cast<std::int32_t>(kCalibrationInputs.size())) return {};
    return kCalibrationInputs[static_cast<std::size_t>(n - 1)];
}

std::string calibrationTestTitle(std::int32_t n) {
    return "Test " + std::to_string(n) + ": " + calibrationInputText(n);
}

std::filesystem::path calibrationResultsFile() {
    return common::userDataDirectory() / kCalibrationResultsFile;
}

CalibrationAverage GetAverageAllPts(const files::clsDataset& dataset, std::int32_t channel,
                                    const std::filesystem::path& outputFolder,
                                    const GraphPictureOutput& picture) {
    CalibrationAverage result;
    const std::int32_t n = dataset.setFile().lCalibTestNr();
    if (calibrationInputText(n).empty()) return result;
    result.testNumber = n;
    const std::int32_t graph = channelGraph(dataset, channel);
    if (graph == 0) return result;
    const RangeAverage average = GetAverage(dataset, graph, 0.0, 0.0, true);
    if (!average.ok) return result;

    result.average = average.average;
    result.millivolts = average.average * 1000.0;
    result.title = calibrationTestTitle(n);
    const std::string channelText = std::to_string(channel);
    result.text = "Ch " + channelText + " Avg = " + common::formatNumber(result.average, "0.00000") +
                  " V    " + common::formatNumber(result.millivolts, "0.0000") + " mV ";
    const std::string section = "Test_" + common::formatNumber(n, "00");
    const std::filesystem::path results = calibrationResultsFile();
    common::ini::writeValue(results, section, "Title", result.title);
    common::ini::writeValue(results, section, "mV_Avg_Ch" + channelText,
                            common::formatNumber(result.millivolts, "0.0000"));
    result.picture =
        outputFolder / ("Calib_" + common::formatNumber(n, "00") + "_Ch_" + channelText + ".jpg");
    if (picture) picture(result.picture, result.title, result.text);
    result.ok = true;
    return result;
}

void GetAverageAllPts(const files::clsDataset& dataset, double& average, bool& ok,
                      std::int32_t channel, const std::filesystem::path& outputFolder,
                      const GraphPictureOutput& picture) {
    const CalibrationAverage result = GetAverageAllPts(dataset, channel, outputFolder, picture);
    ok = result.ok;
    if (ok) average = result.average;
}

}  // namespace measure
