#pragma once
// VOD: the slope of distance against time on a VOD graph, from two picked points or by a
// least-squares line through every kept point between two times; and the two-point time and
// value differences that the same two-click picking gives.
//
// The least-squares fit reads values by the graph value rule (removed points left out, moved
// values used) at times (i - 1) * Ts + t0 ms. It is computed in blocks of points, each about
// its own first point, merged by their means, so that neither the size of the times (far
// from 0) nor the offset of the values costs precision: over millions of points the slope
// agrees with an exact computation to about 1e-12 of the data's own slope scale
// (sqrt(Syy / Sxx), the slope of a perfectly correlated trace of the same spread).
//
// A fit needs at least two kept points; a range whose times sum to zero (symmetric about the
// trigger) is a fit like any other.

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/measure/GraphSeries.h"
#include "common/Prompt.h"

namespace files {
class clsDataset;
}

namespace measure {

struct SlopeFit {
    bool ok = false;
    double slope = 0.0;      // value per millisecond
    double intercept = 0.0;  // value at time 0 ms
    double average = 0.0;    // mean of the values of the fit
    std::int32_t count = 0;  // kept points in the fit
    std::int32_t first = 0;  // the point range the times gave
    std::int32_t last = 0;
    // Standard error of the slope (value per millisecond); needs at least three points.
    std::optional<double> slopeStandardError;
    // Coefficient of determination; needs values that are not all equal.
    std::optional<double> rSquared;
    std::string reason;  // why there is no fit ("" when ok)
};

// Times in milliseconds, in either order.
SlopeFit GetSlopeInterceptAverage(const GraphSeries& series, double time1, double time2);
SlopeFit GetSlopeInterceptAverage(const files::clsDataset& dataset, double time1, double time2,
                                  std::int32_t graph);
// The same with the arguments of the original interface.
void GetSlopeInterceptAverage(const files::clsDataset& dataset, bool& ok, double time1,
                              double time2, std::int32_t graph, double& average, double& slope,
                              double& intercept);
// For the graph's own window: slope and intercept of the fit (times in milliseconds).
void GetCurGraphSlope(const files::clsDataset& dataset, std::int32_t graph, double time1,
                      double time2, double& slope, double& intercept, bool& ok);

// --- the two-click commands ------------------------------------------------------------------

// Graph window modes of the VOD commands.
inline constexpr int kModeVodTwoPoints = 10;
inline constexpr int kModeVodRegression = 11;

inline constexpr const char* kClickTwoPointsForVod = "Click on 2 points to calculate the VOD.";
inline constexpr const char* kNotAVodGraph = "Not a VOD graph.";

// Starts a VOD command: on a VOD graph shows "Click on 2 points to calculate the VOD." and
// returns the mode (10 or 11) to switch to; on any other graph shows "Not a VOD graph." and
// returns 0 (the cursor goes off).
int StartVodCommand(bool isVodGraph, int mode, common::Prompt& prompt);

// Two picks make a pair only when their point indexes differ.
bool bPickPairAccepted(std::int32_t index1, std::int32_t index2);

// Two-point VOD: |(ya - yb) / (ta - tb)| * 1000 (per second from per millisecond); nothing
// when ta = tb or a value is not a number.
std::optional<double> twoPointVod(double ta, double ya, double tb, double yb);
// "VOD = " + VOD formatted "#0.0" + " " + units, or "VOD = ?".
std::string twoPointVodLabel(double ta, double ya, double tb, double yb, const std::string& vodUnits);

// The fitted line between the two picked times and its label: slope * 1000 formatted "#0.0"
// + " " + units (the sign stays).
struct RegressionLine {
    double t1 = 0.0, y1 = 0.0;
    double t2 = 0.0, y2 = 0.0;
    std::string label;
};
std::optional<RegressionLine> regressionVodLine(const SlopeFit& fit, double ta, double tb,
                                                const std::string& vodUnits);

// "T = " + (t2 - t1) formatted "0.0000" + " " + time unit.
std::string timeDifferenceLabel(double t1, double t2, const std::string& timeUnits);
// "Y = " + (y2 - y1) formatted "0.0000" + " " + Y unit.
std::string valueDifferenceLabel(double y1, double y2, const std::string& yUnits);

}  // namespace measure
