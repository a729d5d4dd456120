#pragma once
// Averages of a graph: over two picked times, and the calibration average of a channel of a
// recorder's calibration test, recorded in the calibration results file.
//
// Values by the graph value rule (removed points left out, moved values used). A range in
// which every point is removed has no average ("not calculated"), never a division by 0.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "analysis/measure/GraphSeries.h"

namespace files {
class clsDataset;
}

namespace measure {

inline constexpr const char* kAverageNotCalculated = "Error : average not calculated";
// The calibration results file in the user data folder.
inline constexpr const char* kCalibrationResultsFile = "CalibrationResults.ini";

struct RangeAverage {
    bool ok = false;
    double average = 0.0;
    // The first and last kept points of the range (the points the average starts and ends at).
    double firstTime = 0.0, firstValue = 0.0;
    double lastTime = 0.0, lastValue = 0.0;
    std::int32_t count = 0;  // kept points averaged
    std::string reason;      // why there is no average ("" when ok)
};

// Times in milliseconds, in either order. With allPoints the times are not read: the range is
// the whole record without its first two points and its last one.
RangeAverage GetAverage(const GraphSeries& series, double time1, double time2, bool allPoints);
RangeAverage GetAverage(const files::clsDataset& dataset, std::int32_t graph, double time1,
                        double time2, bool allPoints);
// The same with the arguments of the original interface.
void GetAverage(const files::clsDataset& dataset, std::int32_t graph, double time1, double time2,
                double& average, bool& ok, double& firstTime, double& lastTime, double& firstValue,
                double& lastValue, bool allPoints);

// "Average from (" + t1 "0.0000" + " ms," + v1 "0.0000" + ") to (" + t2 + " ms," + v2 + ") = "
// + average "0.000000"; "Error : average not calculated" without an average.
std::string averageText(const RangeAverage& average);

// --- calibration tests -----------------------------------------------------------------------------

// The known input of calibration test n (1..15), e.g. " 4.8 V in  (0 to 5 V Range)"; "" for
// any other n.
std::string calibrationInputText(std::int32_t n);
// "Test " + n + ": " + input text.
std::string calibrationTestTitle(std::int32_t n);

struct CalibrationAverage {
    bool ok = false;
    std::int32_t testNumber = 0;  // 0: not a calibration test
    double average = 0.0;         // volts
    double millivolts = 0.0;
    std::string title;            // the test title
    std::string text;             // "Ch " + c + " Avg = " + V "0.00000" + " V    " + mV "0.0000" + " mV "
    std::filesystem::path picture;  // output folder / "Calib_" + nn + "_Ch_" + c + ".jpg"
};

// Saves a picture of the channel's graph (the graph window's picture output).
using GraphPictureOutput = std::function<void(const std::filesystem::path& file,
                                              const std::string& title, const std::string& text)>;

// The calibration average of the channel's graph over all its points. Records the title and
// "mV_Avg_Ch" + channel in section "Test_" + nn of the calibration results file, and saves the
// graph's picture when an output is given. Nothing is done for a test that is not a
// calibration test (its number is 0 or not in 1..15) or a channel without a graph.
CalibrationAverage GetAverageAllPts(const files::clsDataset& dataset, std::int32_t channel,
                                    const std::filesystem::path& outputFolder,
                                    const GraphPictureOutput& picture = {});
// The same with the arguments of the original interface.
void GetAverageAllPts(const files::clsDataset& dataset, double& average, bool& ok,
                      std::int32_t channel, const std::filesystem::path& outputFolder,
                      const GraphPictureOutput& picture = {});
// The calibration results file: common::userDataDirectory() / "CalibrationResults.ini".
std::filesystem::path calibrationResultsFile();

}  // namespace measure
