#include "analysis/measure/SpreadsheetExport.h"

#include <limits>

namespace measure {
namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TimeValueSheet timeValueSheet(const GraphSeries& series, const ExportRange& range,
                              double timeDivisor, std::string caption, std::string timeTitle,
                              std::string valueTitle) {
    TimeValueSheet sheet{std::move(caption), std::move(timeTitle), std::move(valueTitle), {}, {}};
    sheet.times.reserve(static_cast<std::size_t>(range.count()));
    sheet.values.reserve(static_cast<std::size_t>(range.count()));
    forEachKept(series, range.first, range.last, [&](std::int32_t i, double y) {
        sheet.times.push_back(series.timeOf(i) / timeDivisor);
        sheet.values.push_back(y);
    });
    return sheet;
}

BlockLayout layoutOf(const TimeValueSheet& sheet) {
    BlockLayout layout;
    layout.columnsPerBlock = 2;
    layout.rowsPerBlock = kTimeValueBlockRows;
    layout.rows = static_cast<std::int64_t>(sheet.times.size());
    layout.titles = {sheet.timeTitle, sheet.valueTitle};
    layout.caption = sheet.caption;
    return layout;
}

CellSource cellsOf(const TimeValueSheet& sheet) {
    return [&sheet](std::int64_t row, std::int32_t column) {
        const auto k = static_cast<std::size_t>(row);
        return column == 0 ? sheet.times[k] : sheet.values[k];
    };
}

void writeTimeValueWorkbook(const std::string& path, const TimeValueSheet& sheet) {
    saveBlockWorkbook(path, layoutOf(sheet), cellsOf(sheet));
}

BlockLayout layoutOf(const IntegralSheet& sheet) {
    BlockLayout layout;
    layout.columnsPerBlock = 4;
    layout.rowsPerBlock = kIntegralBlockRows;
    layout.rows = static_cast<std::int64_t>(sheet.rows.size());
    layout.titles.assign(sheet.titles.begin(), sheet.titles.end());
    layout.caption = sheet.caption;
    return layout;
}

CellSource cellsOf(const IntegralSheet& sheet) {
    return [&sheet](std::int64_t row, std::int32_t column) {
        const IntegralRow& r = sheet.rows[static_cast<std::size_t>(row)];
        switch (column) {
        case 0: return r.time;
        case 1: return r.value;
        case 2: return r.first;
        default: return r.second;
        }
    };
}

void writeIntegralWorkbook(const std::string& path, const IntegralSheet& sheet) {
    saveBlockWorkbook(path, layoutOf(sheet), cellsOf(sheet));
}

BlockLayout layoutOf(const AllChannelsSheet& sheet) {
    BlockLayout layout;
    layout.columnsPerBlock = static_cast<std::int32_t>(sheet.channels.size()) + 1;
    layout.rowsPerBlock = kAllChannelsBlockRows;
    layout.rows = sheet.last >= sheet.first ? std::int64_t{sheet.last} - sheet.first + 1 : 0;
    layout.titles.push_back("Time (ms)");
    for (const std::int32_t channel : sheet.channels)
        layout.titles.push_back("C" + std::to_string(channel) + " psi");
    layout.info = sheet.info;
    return layout;
}

CellSource cellsOf(const AllChannelsSheet& sheet) {
    const common::SampleTime time = sheet.series.empty() ? common::SampleTime{} : sheet.series.front().time;
    return [&sheet, time](std::int64_t row, std::int32_t column) {
        const auto i = static_cast<std::int32_t>(sheet.first + row);
        if (column == 0) return time.timeOfIndex(i);
        return sheet.series[static_cast<std::size_t>(column - 1)].value(i).value_or(kEmpty);
    };
}

void writeAllChannelsWorkbook(const std::string& path, const AllChannelsSheet& sheet) {
    saveBlockWorkbook(path, layoutOf(sheet), cellsOf(sheet));
}

}  // namespace measure
