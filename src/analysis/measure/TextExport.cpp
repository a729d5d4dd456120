#include "analysis/measure/TextExport.h"

#include <cmath>
#include <vector>

#include "analysis/measure/PendingFile.h"
#include "common/NumberFormat.h"

namespace measure {
namespace {

const common::NumberPattern& exportPattern() {
    static const common::NumberPattern pattern(kExportNumberPattern);
    return pattern;
}

// Appends the lines of the kept points of the range to text; after every 200 lines calls
// block() (which may empty the text). Returns the number of lines.
template <class Block>
std::int64_t appendLines(std::string& text, const GraphSeries& series, const ExportRange& range,
                         ExportMode mode, double timeDivisor, Block&& block) {
    const common::NumberPattern& pattern = exportPattern();
    // One line is put together in a buffer and appended at once.
    std::vector<char> buffer(2 * pattern.maxLength() + 3);
    char* const begin = buffer.data();
    char* const end = begin + buffer.size();
    std::int64_t lines = 0;
    std::int32_t inBlock = 0;
    forEachKept(series, range.first, range.last, [&](std::int32_t i, double y) {
        char* p = begin;
        if (mode != ExportMode::Values) p = pattern.format(p, end, series.timeOf(i) / timeDivisor).ptr;
        if (mode == ExportMode::TimesAndValues) *p++ = ',';
        if (mode != ExportMode::Times) p = pattern.format(p, end, y).ptr;
        *p++ = '\r';
        *p++ = '\n';
        text.append(begin, p);
        ++lines;
        if (++inBlock == kExportLinesPerBlock) {
            block();
            inBlock = 0;
        }
    });
    return lines;
}

std::size_t estimatedBytes(const ExportRange& range, ExportMode mode) {
    const std::size_t perLine = mode == ExportMode::TimesAndValues ? 20 : 10;
    return static_cast<std::size_t>(range.count()) * perLine;
}

}  // namespace

ExportRange exportRange(const GraphSeries& series, double time1Ms, double time2Ms) {
    ExportRange range;
    if (series.points() < 1 || std::isnan(time1Ms) || std::isnan(time2Ms)) return range;
    if (time1Ms > time2Ms) std::swap(time1Ms, time2Ms);
    range.first = series.time.TimeToIndex(time1Ms);
    range.last = series.time.TimeToIndex(time2Ms);
    return range;
}

std::string exportText(const GraphSeries& series, const ExportRange& range, ExportMode mode,
                       double timeDivisor) {
    std::string text;
    text.reserve(estimatedBytes(range, mode));
    appendLines(text, series, range, mode, timeDivisor, [] {});
    return text;
}

std::int64_t exportBlocks(const GraphSeries& series, const ExportRange& range, ExportMode mode,
                          double timeDivisor, const std::function<void(std::string_view)>& block) {
    std::string text;
    text.reserve(static_cast<std::size_t>(kExportLinesPerBlock) * 48);
    const std::int64_t lines = appendLines(text, series, range, mode, timeDivisor, [&] {
        block(text);
        text.clear();
    });
    if (!text.empty()) block(text);
    return lines;
}

std::int64_t writeExportFile(const std::string& path, const GraphSeries& series,
                             const ExportRange& range, ExportMode mode, double timeDivisor) {
    PendingFile file(path);
    std::string block;
    block.reserve(static_cast<std::size_t>(kExportLinesPerBlock) * 48);
    const std::int64_t lines = appendLines(block, series, range, mode, timeDivisor, [&] {
        file.write(block);
        block.clear();
    });
    file.write(block);
    file.commitReplacing();
    return lines;
}

}  // namespace measure
