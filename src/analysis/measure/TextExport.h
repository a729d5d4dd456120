#pragma once
// Graph data as text: one kept point per line (removed points left out, moved values used),
// times, values, or "time,value", numbers in the pattern "0.0###", every line ended by
// CR LF. Times are the points' times (common::SampleTime) divided by the dataset's time
// divisor, so they are in the graph's current time unit like its plotted X values.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "analysis/measure/GraphSeries.h"

namespace measure {

enum class ExportMode : std::int32_t { Times = 0, Values = 1, TimesAndValues = 2 };

inline constexpr const char* kExportNumberPattern = "0.0###";
inline constexpr const char* kExportLineEnd = "\r\n";
// Lines written to a file at a time.
inline constexpr std::int32_t kExportLinesPerBlock = 200;

// The indexes an export between two times covers: TimeToIndex of the earlier and of the later
// time. Empty (count() < 1) when the series has no points or a time is not a number.
struct ExportRange {
    std::int32_t first = 1;
    std::int32_t last = 0;
    std::int64_t count() const { return last >= first ? std::int64_t{last} - first + 1 : 0; }
};
// Times in milliseconds, in either order.
ExportRange exportRange(const GraphSeries& series, double time1Ms, double time2Ms);

// The lines of the range in one text.
std::string exportText(const GraphSeries& series, const ExportRange& range, ExportMode mode,
                       double timeDivisor);

// The lines of the range handed to block 200 at a time (the last block may be shorter; no
// call without lines). Returns the number of lines.
std::int64_t exportBlocks(const GraphSeries& series, const ExportRange& range, ExportMode mode,
                          double timeDivisor, const std::function<void(std::string_view)>& block);

// The lines of the range written to path, 200 lines at a time, under a temporary name in
// path's folder that is renamed onto path when every line is written; path is left as it was
// when that fails. Returns the number of lines. Throws common::IoError.
std::int64_t writeExportFile(const std::string& path, const GraphSeries& series,
                             const ExportRange& range, ExportMode mode, double timeDivisor);

}  // namespace measure
