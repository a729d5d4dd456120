#include "analysis/measure/DataExport.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <new>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "analysis/files/clsDataset.h"
#include "analysis/measure/GraphSeries.h"
#include "analysis/measure/Integration.h"
#include "analysis/measure/ProbeUnits.h"
#include "analysis/measure/SpreadsheetExport.h"
#include "analysis/measure/TextExport.h"
#include "common/AppPaths.h"
#include "common/Error.h"

namespace measure {
namespace {

namespace fs = std::filesystem;

FormulaQuantityUnits yTextsOf(const files::clsDataset& dataset, std::int32_t graph) {
    GraphIdentity identity;
    identity.event = dataset.graphKind(graph) == files::GraphKind::Event;
    identity.vod = dataset.bVODchannel(dataset.graphChannel(graph));
    identity.section = dataset.graphSection(graph);
    return GetFormulaQuantityUnits(dataset.setFile(), identity);
}

bool knownGraph(const files::clsDataset& dataset, std::int32_t graph) {
    return dataset.bHasGraph(graph) && !dataset.bGraphDeleted(graph);
}

std::string spreadsheetFolder(const files::clsDataset& dataset, const ExportContext& context) {
    if (!context.spreadsheetFolder.empty()) return context.spreadsheetFolder;
    fs::path folder = fs::path(dataset.setFile().sSetFileName()).parent_path();
    if (folder.empty()) folder = ".";
    // Tests are often opened where they cannot be written (a shared or read-only copy); the
    // workbook then goes to the user's own folder, and the saved-location message says where.
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0)
        return folder.string();
    const fs::path own = common::userDataDirectory() / kExportsFolder;
    std::error_code ignored;
    fs::create_directories(own, ignored);
    return own.string();
}

std::string testName(const files::clsDataset& dataset) {
    std::string name = dataset.sFileNoPathNoExtDotAtEnd();
    if (!name.empty() && name.back() == '.') name.pop_back();
    return name.empty() ? std::string("Test") : name;
}

// A part of a file name: letters, digits, "-" and "." kept, every other run of characters
// one "_", at most 40 characters, no leading ".".
std::string namePart(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '.';
        if (keep) out += c;
        else if (!out.empty() && out.back() != '_') out += '_';
        if (out.size() >= 40) break;
    }
    while (!out.empty() && (out.front() == '.' || out.front() == '_')) out.erase(out.begin());
    while (!out.empty() && out.back() == '_') out.pop_back();
    return out;
}

// Saves the workbook as a new file and tells the user where; failures are reported.
bool saveAndOpen(const files::clsDataset& dataset, const std::string& baseName,
                 const BlockLayout& layout, const CellSource& cells, ExportContext& context) {
    std::string path;
    try {
        path = saveNewBlockWorkbook(spreadsheetFolder(dataset, context), baseName, layout, cells);
    } catch (const std::bad_alloc&) {
        common::ShowMessage(context.prompt, std::string(kExcelCopyError) + "[nl]Not enough memory");
        return false;
    } catch (const std::exception& e) {
        common::ShowMessage(context.prompt, std::string(kExcelCopyError) + "[nl]" + e.what());
        return false;
    }
    const bool opened = context.opener.openFile(path);
    common::ShowMessage(context.prompt,
                        opened ? savedMessage(path)
                               : savedMessage(path) + "[nl]No program could open it.");
    return true;
}

}  // namespace

std::string copyQuestion(std::int64_t points) {
    return "This will copy " + std::to_string(points) + " points to the clipboard. Continue?";
}

std::string savedMessage(const std::string& path) { return "Data saved to " + path; }

std::string fileNotWrittenMessage(const std::string& path, const std::string& reason) {
    return "Error: Data not written to " + path + "[nl]" + reason;
}

std::string valueTitleOf(const files::clsDataset& dataset, std::int32_t graph) {
    const FormulaQuantityUnits texts = yTextsOf(dataset, graph);
    return texts.quantity + " (" + texts.units + ")";
}

std::string valueUnitsOf(const files::clsDataset& dataset, std::int32_t graph) {
    return yTextsOf(dataset, graph).units;
}

std::string workbookBaseName(const files::clsDataset& dataset, std::int32_t graph) {
    std::string part;
    if (dataset.graphKind(graph) == files::GraphKind::Event) {
        part = namePart(dataset.sGetGraphIniStrDefault(graph, "EventTitle", ""));
        if (part.empty()) part = "E" + std::to_string(dataset.graphEvent(graph));
    } else {
        part = "C" + std::to_string(dataset.graphChannel(graph));
    }
    return testName(dataset) + "_" + part;
}

namespace {

bool clipboardExport(const files::clsDataset& dataset, std::int32_t graph, std::int32_t mode,
                         double time1, double time2, bool toFile, const std::string& fileName,
                         ExportContext& context) {
    if (mode < 0 || mode > 2) return false;
    const GraphSeries series = seriesOf(dataset, graph);
    const double divisor = dataset.dTimeDivisor();
    const ExportRange range = exportRange(series, time1 * divisor, time2 * divisor);
    const std::int64_t n = range.count();
    if (n < 1) {
        if (!toFile) common::ShowMessage(context.prompt, kClipboardNotCopied);
        return false;
    }
    if (n > kMaxPointsWithoutQuestion && !context.prompt.askYesNo(copyQuestion(n), kConfirmTitle))
        return false;

    const auto exportMode = static_cast<ExportMode>(mode);
    if (toFile) {
        try {
            writeExportFile(fileName, series, range, exportMode, divisor);
            return true;
        } catch (const std::bad_alloc&) {
            common::ShowMessage(context.prompt, fileNotWrittenMessage(fileName, "Not enough memory"));
        } catch (const std::exception& e) {
            common::ShowMessage(context.prompt, fileNotWrittenMessage(fileName, e.what()));
        }
        return false;
    }
    std::string text;
    try {
        text = exportText(series, range, exportMode, divisor);
    } catch (const std::bad_alloc&) {
        // The clipboard keeps what it had.
        common::ShowMessage(context.prompt, kClipboardNotCopied);
        return false;
    }
    context.clipboard.clear();
    context.clipboard.setText(text);
    common::ShowMessage(context.prompt, kCopiedToClipboard);
    return true;
}

bool timeValueExport(const files::clsDataset& dataset, std::int32_t graph, double time1,
                     double time2, const std::string& caption, ExportContext& context) {
    const GraphSeries series = seriesOf(dataset, graph);
    const double divisor = dataset.dTimeDivisor();
    const ExportRange range = exportRange(series, time1 * divisor, time2 * divisor);
    if (range.count() < 1 || !knownGraph(dataset, graph)) {
        common::ShowMessage(context.prompt, kExcelNoPoints);
        return false;
    }
    TimeValueSheet sheet;
    try {
        sheet = timeValueSheet(series, range, divisor, caption, "Time (" + dataset.sTimeUnits() + ")",
                               valueTitleOf(dataset, graph));
    } catch (const std::bad_alloc&) {
        common::ShowMessage(context.prompt, std::string(kExcelCopyError) + "[nl]Not enough memory");
        return false;
    }
    if (sheet.times.empty()) {  // every point of the range is removed
        common::ShowMessage(context.prompt, kExcelNoPoints);
        return false;
    }
    return saveAndOpen(dataset, workbookBaseName(dataset, graph), layoutOf(sheet), cellsOf(sheet),
                       context);
}

bool integralExport(const files::clsDataset& dataset, std::int32_t graph,
                             const std::string& caption, const std::string& /*unused*/,
                             double time1, double time2, ExportContext& context) {
    const GraphSeries series = seriesOf(dataset, graph);
    if (hasRemovedPoints(series)) {
        common::ShowMessage(context.prompt, kIntegrationWithMissingPoints);
        return false;
    }
    const double divisor = dataset.dTimeDivisor();
    const double ms1 = time1 * divisor, ms2 = time2 * divisor;
    if (exportRange(series, ms1, ms2).count() < 1 || !knownGraph(dataset, graph) ||
        !std::isfinite(ms1) || !std::isfinite(ms2)) {
        common::ShowMessage(context.prompt, kExcelNoPoints);
        return false;
    }
    RunningIntegrals integrals = runningIntegrals(series, ms1, ms2, valueTitleOf(dataset, graph),
                                                  valueUnitsOf(dataset, graph), context.prompt);
    if (!integrals.ok) return false;  // runningIntegrals said why
    IntegralSheet sheet{caption, integrals.titles, std::move(integrals.rows)};
    return saveAndOpen(dataset, workbookBaseName(dataset, graph) + "_Integral", layoutOf(sheet),
                       cellsOf(sheet), context);
}

bool allChannelsExport(const files::clsDataset& dataset, const std::string& graphInfo,
                        ExportContext& context) {
    AllChannelsSheet sheet;
    sheet.info = graphInfo;
    std::int32_t points = 0;
    for (const std::int32_t g : dataset.graphNumbers()) {
        if (dataset.graphKind(g) != files::GraphKind::Channel || dataset.bGraphDeleted(g)) continue;
        GraphSeries series = seriesOf(dataset, g);
        if (series.points() < 1) continue;  // a channel without a table has no values
        points = std::max(points, series.points());
        sheet.channels.push_back(dataset.graphChannel(g));
        sheet.series.push_back(std::move(series));
    }
    sheet.first = 1;
    sheet.last = points;
    if (dataset.bHideUninitialised() && dataset.lLastValidPoint() >= 1)
        sheet.last = std::min(sheet.last, dataset.lLastValidPoint());
    if (sheet.channels.empty() || sheet.last < sheet.first) {
        common::ShowMessage(context.prompt, kExcelNoPoints);
        return false;
    }
    return saveAndOpen(dataset, testName(dataset) + "_AllChannels", layoutOf(sheet),
                       cellsOf(sheet), context);
}

// A failure of the test's files while exporting (its set file gone or unreadable) ends the
// export with a message instead of leaving the command.
template <class Export>
bool guarded(common::Prompt& prompt, const char* failure, Export&& run) {
    try {
        return run();
    } catch (const common::Error& e) {
        common::ShowMessage(prompt, std::string(failure) + "[nl]" + e.description());
    } catch (const std::bad_alloc&) {
        common::ShowMessage(prompt, std::string(failure) + "[nl]Not enough memory");
    } catch (const std::exception& e) {
        common::ShowMessage(prompt, std::string(failure) + "[nl]" + e.what());
    }
    return false;
}

}  // namespace

bool CopyDataToClipboard(const files::clsDataset& dataset, std::int32_t graph, std::int32_t mode,
                         double time1, double time2, bool toFile, const std::string& fileName,
                         ExportContext& context) {
    return guarded(context.prompt, toFile ? "Error: Data not written" : kClipboardNotCopied, [&] {
        return clipboardExport(dataset, graph, mode, time1, time2, toFile, fileName,
                                            context);
    });
}

bool CopyDataToExcel(const files::clsDataset& dataset, std::int32_t graph, double time1,
                     double time2, const std::string& caption, ExportContext& context) {
    return guarded(context.prompt, kExcelCopyError, [&] {
        return timeValueExport(dataset, graph, time1, time2, caption, context);
    });
}

bool CopyDataToExcelIntegral(const files::clsDataset& dataset, std::int32_t graph,
                             const std::string& caption, const std::string& unused, double time1,
                             double time2, ExportContext& context) {
    return guarded(context.prompt, kExcelCopyError, [&] {
        return integralExport(dataset, graph, caption, unused, time1, time2,
                                                context);
    });
}

bool CopyDataToExcel_4C(const files::clsDataset& dataset, const std::string& graphInfo,
                        ExportContext& context) {
    return guarded(context.prompt, kExcelCopyError,
                   [&] { return allChannelsExport(dataset, graphInfo, context); });
}

void TestAsciiFileValues() {}

}  // namespace measure
