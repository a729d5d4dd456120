#pragma once
// Integrals of a graph over time by the trapezoidal rule with the sample interval Ts in
// milliseconds (an integral of a value in some unit is in that unit " * ms"): the integral
// between two picked times, the running first and second integrals of a range (for the
// spreadsheet export), and the time and value arrays of a range for the advanced-analysis
// graph.
//
// Values by the graph value rule (removed points left out, moved values used). The two-point
// integral spans removed points with one trapezoid between the kept points on either side,
// and starts at the first kept point of the range: removed points at its start add nothing.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/measure/GraphSeries.h"
#include "common/Prompt.h"

namespace files {
class clsDataset;
}

namespace measure {

// Messages (title "  Message"; "[nl]" is a line break).
inline constexpr const char* kNoPointsInRange = "Error - no points found in current range. ";
inline constexpr const char* kChoosePositiveStart = "Please choose a start time with a positive Y value.";
inline constexpr const char* kIntegrationWithMissingPoints =
    "Error - Integration cannot be performed on a graph with missing points.";
inline constexpr const char* kIntegrationNotNumbers =
    "Error - Integration cannot be performed: the range holds values that are not numbers or too large.";
inline constexpr const char* kAnalysisWithRemovedPoints =
    "Advanced analysis can only be carried out on graphs with no removed points.[nl]"
    "Graphs with moved points can be analysed normally.";
inline constexpr const char* kAnalysisNotNumbers =
    "Advanced analysis cannot be carried out: the range holds values that are not numbers.";

inline constexpr std::int32_t kMaxIntegrationRows = 31968;
inline constexpr std::int32_t kMaxAnalysisPoints = 65530;
// The main window's option that lifts the limit of analysis arrays.
inline constexpr const char* kAllowLargeArraysOption = "Analyze - Allow Large Arrays";

// "Over 31968 points in the current window.[nl]Integration will be performed on the first
// 31968 points."
std::string integrationCutMessage();
// "Warning, only the first 65530 points will be analyzed."
std::string analysisCutMessage();

// Whether the graph has removed points (its "Removed" counter, or any removed point in the
// edits when they are not a graph's stores).
bool hasRemovedPoints(const GraphSeries& series);

// --- two-point integral ------------------------------------------------------------------------

struct Integral {
    bool ok = false;
    double integral = 0.0;   // value unit * ms
    double startTime = 0.0;  // time of the first kept point integrated (ms)
    double endTime = 0.0;    // time of the last point integrated (ms)
    std::int32_t count = 0;  // kept points integrated
};

// Times in milliseconds, in either order. With stopAtFirstNonPositive the integral ends at the
// first value <= 0 (included); when that is its first point there is no result and the user
// is asked for a positive start. Failures are shown on the prompt.
Integral CalculateIntegral2pts(const GraphSeries& series, double time1, double time2,
                               bool stopAtFirstNonPositive, common::Prompt& prompt);
Integral CalculateIntegral2pts(const files::clsDataset& dataset, std::int32_t graph, double time1,
                               double time2, bool stopAtFirstNonPositive, common::Prompt& prompt);
// The same with the arguments of the original interface (the two strings are not read).
void CalculateIntegral2pts(const files::clsDataset& dataset, std::int32_t graph,
                           const std::string& text1, const std::string& text2, double time1,
                           double time2, bool stopAtFirstNonPositive, double& integral, bool& ok,
                           double& endTime, common::Prompt& prompt);

// The unit of the graph's integral: its Y unit + " * ms".
std::string integralUnitText(const files::clsDataset& dataset, std::int32_t graph);
// "I = " + integral formatted "0.000000" + " " + unit text.
std::string integralText(double integral, const std::string& unitText);
// " (From " + time1 formatted "0.0000" + " to " + end time formatted "0.0000" + " ms)".
std::string integralRangeText(double time1, double endTime);

// --- running integrals ---------------------------------------------------------------------------

struct IntegralRow {
    double time = 0.0;   // ms
    double value = 0.0;
    double first = 0.0;  // running integral, unit * ms
    double second = 0.0; // running integral of the first, unit * ms^2
};

struct RunningIntegrals {
    bool ok = false;
    bool cut = false;  // the range was cut to its first 31968 points
    std::vector<IntegralRow> rows;
    // "Time (ms)", the quantity, unit + " * ms", unit + " * ms^2".
    std::array<std::string, 4> titles;
};

// The points of the range times (in either order) with their first and second running
// integrals. Refused (with its message) on a graph with removed points; a range above 31968
// points is announced and cut.
RunningIntegrals runningIntegrals(const GraphSeries& series, double time1, double time2,
                                  const std::string& quantity, const std::string& unit,
                                  common::Prompt& prompt);

// --- advanced-analysis arrays ----------------------------------------------------------------------

struct AnalysisArrays {
    bool ok = false;
    std::vector<double> times;   // entry k - 1 holds point k of the arrays (ms)
    std::vector<double> values;
    double firstTime = 0.0;
    double lastTime = 0.0;
    double smallest = 0.0;  // min(0, values) - 1e-8
    double largest = 0.0;   // max(0, values) + 1e-8
    std::int32_t count = 0;
    bool cut = false;  // held to 65530 points
};

// From the point at time1 to the one after the point at time2, at least three points. Refused
// (with its message) on a graph with removed points; above 65530 points the user is warned and
// only the first 65530 are taken unless large arrays are allowed.
AnalysisArrays SetupAlzGraphArrayTimes(const GraphSeries& series, double time1, double time2,
                                       bool allowLargeArrays, common::Prompt& prompt);
AnalysisArrays SetupAlzGraphArrayTimes(const files::clsDataset& dataset, std::int32_t graph,
                                       double time1, double time2, bool allowLargeArrays,
                                       common::Prompt& prompt);

}  // namespace measure
