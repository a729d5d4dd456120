#pragma once
// The three spreadsheet exports of graph data as workbooks (XlsxWorkbook.h gives the block
// layout: block b at columns W*b .. W*b + W - 1, rows 5 on, titles in row 4, caption in
// row 3):
//
//   time and value    W = 2 (B-C, D-E, ...), 65000 rows a block; "Time (<unit>)" and the
//                     graph's value title; the caption over the time column.
//   running integrals W = 4 (D-G), rows 5 to 31980, at most 31968 rows so one block; "Time (ms)",
//                     the value title, unit + " * ms", unit + " * ms^2"; the caption over D.
//   all channels      W = channels + 1, 51000 rows a block: "Time (ms)" and "C<n> psi" for
//                     every channel; the graph information in A2. The channels of a test are
//                     one record of interleaved samples, so they share one sample interval and
//                     first time: one time column (milliseconds) serves them all. A point that
//                     a channel does not have (a removed one) leaves its cell empty.
//
// Data cells are numbers. Each writer puts the workbook under a temporary name beside path
// and renames it onto path (replacing it) once complete; it throws common::IoError.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/measure/GraphSeries.h"
#include "analysis/measure/Integration.h"
#include "analysis/measure/TextExport.h"
#include "analysis/measure/XlsxWorkbook.h"

namespace measure {

inline constexpr std::int32_t kTimeValueBlockRows = 65000;
inline constexpr std::int32_t kIntegralBlockRows = 31976;  // rows 5 to 31980
inline constexpr std::int32_t kAllChannelsBlockRows = 51000;

struct TimeValueSheet {
    std::string caption;
    std::string timeTitle;   // "Time (" + time unit + ")"
    std::string valueTitle;  // quantity + " (" + units + ")"
    std::vector<double> times;  // in the graph's time unit
    std::vector<double> values;
};

// The kept points of the range (removed points left out, moved values used), times divided by
// timeDivisor.
TimeValueSheet timeValueSheet(const GraphSeries& series, const ExportRange& range,
                              double timeDivisor, std::string caption, std::string timeTitle,
                              std::string valueTitle);
BlockLayout layoutOf(const TimeValueSheet& sheet);
CellSource cellsOf(const TimeValueSheet& sheet);  // refers to sheet
void writeTimeValueWorkbook(const std::string& path, const TimeValueSheet& sheet);

struct IntegralSheet {
    std::string caption;
    std::array<std::string, 4> titles;
    std::vector<IntegralRow> rows;  // at most 31968
};
BlockLayout layoutOf(const IntegralSheet& sheet);
CellSource cellsOf(const IntegralSheet& sheet);
void writeIntegralWorkbook(const std::string& path, const IntegralSheet& sheet);

struct AllChannelsSheet {
    std::string info;
    std::vector<std::int32_t> channels;  // one column each, titled "C<n> psi"
    std::vector<GraphSeries> series;     // the channels' series, same order
    std::int32_t first = 1;              // sample indexes of the rows
    std::int32_t last = 0;
};
BlockLayout layoutOf(const AllChannelsSheet& sheet);
CellSource cellsOf(const AllChannelsSheet& sheet);
void writeAllChannelsWorkbook(const std::string& path, const AllChannelsSheet& sheet);

}  // namespace measure
