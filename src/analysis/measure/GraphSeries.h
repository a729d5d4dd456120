#pragma once
// The values of a graph as every measurement reads them (the graph value rule):
//
//   value of point i = the moved value        when the point is moved,
//                      nothing (left out)     when the point is removed,
//                      table[code of point i] otherwise,
//
// where the table is the graph's conversion table (volts, probe length, or a formula table)
// and the code is the point's sample code in the channel's words. The time of point i is
// (i - 1) * Ts + t0 milliseconds (common::SampleTime).
//
// forEachKept walks a range without a call per point: the edited points of the range are
// listed once, and the stretches between them are read straight from the mapped words.

#include <cstdint>
#include <optional>
#include <type_traits>
#include <vector>

#include "analysis/files/ChannelSamples.h"
#include "analysis/files/PointEdits.h"
#include "common/SampleTime.h"

namespace files {
class clsDataset;
}

namespace measure {

struct GraphSeries {
    files::ChannelSamples samples;
    files::CodeTable table;                   // kCodeCount entries; empty: no values
    const files::PointEdits* edits = nullptr; // nullptr: no removed or moved points
    common::SampleTime time;

    // Points that carry a value: the channel's points (when they agree with the time axis)
    // and a complete table.
    std::int32_t points() const {
        if (table.size() < static_cast<std::size_t>(files::kCodeCount)) return 0;
        return time.N < samples.points() ? time.N : samples.points();
    }
    // The table value of point i, without edits (1 <= i <= points()).
    double tableValue(std::int32_t i) const { return table[samples.code(i)]; }
    // The value by the graph value rule; nothing for a removed point or an index outside
    // 1..points().
    std::optional<double> value(std::int32_t i) const;
    double timeOf(std::int32_t i) const { return time.timeOfIndex(i); }
};

// The series of a graph of the dataset (an unknown graph gives a series without points).
GraphSeries seriesOf(const files::clsDataset& dataset, std::int32_t graph);

// Walks the points of first..last (limited to 1..points()) that are not removed, in index
// order: run(from, to) for each stretch of points without edits (their values are the table
// values; read them with series.tableValue or, in tight loops, from series.samples and
// series.table), point(index, value) for each moved point. When a callback returns bool,
// false stops the walk. Returns false when it was stopped.
template <class Run, class Point>
bool forEachKeptRun(const GraphSeries& series, std::int32_t first, std::int32_t last, Run&& run,
                    Point&& point) {
    if (first < 1) first = 1;
    if (last > series.points()) last = series.points();
    if (first > last) return true;
    std::vector<files::PointEdit> edits;
    if (series.edits && series.edits->hasEdits()) edits = series.edits->editsIn(first, last);

    const auto callRun = [&](std::int32_t from, std::int32_t to) -> bool {
        if constexpr (std::is_same_v<std::invoke_result_t<Run&, std::int32_t, std::int32_t>, bool>)
            return run(from, to);
        else {
            run(from, to);
            return true;
        }
    };
    const auto callPoint = [&](std::int32_t i, double y) -> bool {
        if constexpr (std::is_same_v<std::invoke_result_t<Point&, std::int32_t, double>, bool>)
            return point(i, y);
        else {
            point(i, y);
            return true;
        }
    };
    std::int32_t next = first;
    for (const files::PointEdit& edit : edits) {
        if (edit.index < next || edit.index > last) continue;  // a store that breaks its order
        if (edit.index > next && !callRun(next, edit.index - 1)) return false;
        if (!edit.removed && !callPoint(edit.index, edit.movedValue)) return false;
        next = edit.index + 1;
    }
    return next > last || callRun(next, last);
}

// Calls f(index, value) for every point of first..last (limited to 1..points()) that is not
// removed, in index order, with its value by the rule. When f returns bool, false stops the
// walk. Returns false when it was stopped.
template <class F>
bool forEachKept(const GraphSeries& series, std::int32_t first, std::int32_t last, F&& f) {
    const auto call = [&](std::int32_t i, double y) -> bool {
        if constexpr (std::is_same_v<std::invoke_result_t<F&, std::int32_t, double>, bool>)
            return f(i, y);
        else {
            f(i, y);
            return true;
        }
    };
    const double* table = series.table.data();
    const std::uint16_t* words = series.samples.wordsOfChannel();
    const std::int64_t stride = series.samples.stride();
    return forEachKeptRun(
        series, first, last,
        [&](std::int32_t from, std::int32_t to) -> bool {
            const std::uint16_t* w = words + static_cast<std::int64_t>(from - 1) * stride;
            for (std::int32_t i = from; i <= to; ++i, w += stride)
                if (!call(i, table[*w & files::kCodeMask])) return false;
            return true;
        },
        call);
}

}  // namespace measure
