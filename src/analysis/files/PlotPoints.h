#pragma once
// The points a graph window draws for a range of a channel: at most M points that keep the
// smallest and the largest value of every stretch of the range.
//
// For the points first..last (n of them):
// 1. When n > M - 1 the range is reduced into buckets of B = (2 n) div M + 1 visited points
//    (at least 2); otherwise B = 2 and every point is emitted. For an odd M the bucket is
//    made one point longer where the formula would give M + 1 points, so the result never
//    exceeds M.
// 2. Points are visited in index order; a removed point is skipped (it does not count
//    towards its bucket); a moved point takes its moved value; every other point its
//    table value.
// 3. Each bucket emits its minimum (first point holding the smallest value) and its maximum
//    (last point holding the largest value) in index order; a bucket whose minimum and
//    maximum are the same point (a bucket of one point) emits it once. With B = 2 this emits
//    every point.
// 4. The Y limits are the smallest and largest emitted values (values that are not a number
//    are left out) widened by 1e-8 on each side; the X limits are the first and last
//    emitted X values.
//
// X values are times: t(i) = (i - 1) * Ts + t0 milliseconds (common::SampleTime), divided by
// the time divisor of the chosen time unit.
//
// pointsForDrawing answers buckets without edited points from a MinMaxPyramid when one is
// given and buckets are long enough, and reads every point of the other buckets. Its result
// is identical, value for value and time for time, to pointsForDrawingDirect, which reads
// every point.

#include <cstdint>
#include <vector>

#include "analysis/files/ChannelSamples.h"
#include "analysis/files/MinMaxPyramid.h"
#include "analysis/files/PointEdits.h"
#include "common/SampleTime.h"

namespace files {

// The most points loaded into one graph, and the load above which a plot counts as coarse.
inline constexpr std::int32_t kMaxPlotPoints = 24192;
inline constexpr std::int32_t kCoarsePlotPoints = 12096;
// The widening of the Y limits on each side.
inline constexpr double kYLimitMargin = 1e-8;

struct PlotPoints {
    std::vector<double> x;             // display time of each point
    std::vector<double> y;             // value of each point
    std::vector<std::int32_t> index;   // 1-based point index of each point
    double xMin = 0.0, xMax = 0.0;     // first and last X
    double yMin = 0.0, yMax = 0.0;     // widened value range
    bool reduced = false;              // the range held more than M - 1 points
    std::int32_t first = 0, last = 0;  // the range read (0, 0 when there was none)

    std::size_t size() const { return x.size(); }
};

struct PlotSource {
    ChannelSamples samples;
    CodeTable table;                       // kCodeCount entries; empty: no values
    const PointEdits* edits = nullptr;     // nullptr: no edits
    const MinMaxPyramid* pyramid = nullptr;  // for the same samples and table, or nullptr
    common::SampleTime time;
    double timeDivisor = 1.0;              // 0 counts as 1
};

// Bucket size for n points drawn into at most maxPoints points (maxPoints below 2 counts as
// 2); 2 when n <= maxPoints - 1.
std::int32_t bucketSize(std::int64_t n, std::int32_t maxPoints);

// Points first..last (limited to 1..N; swapped when given in reverse) reduced to at most
// maxPoints points. A source without points or without a table gives an empty result.
PlotPoints pointsForDrawing(const PlotSource& source, std::int32_t first, std::int32_t last,
                            std::int32_t maxPoints);
// The same by reading every point of the range.
PlotPoints pointsForDrawingDirect(const PlotSource& source, std::int32_t first, std::int32_t last,
                                  std::int32_t maxPoints);

}  // namespace files
