#pragma once
// Graph data out of the analysis program: times and/or values as text on the clipboard or in
// a text file (the impulse program's input), and spreadsheet workbooks (time and value, with
// running integrals, all channels). Every export covers the kept points between two times
// (removed points left out, moved values used).
//
// Times given to these functions are display times: milliseconds divided by the dataset's
// time divisor, the graph's current time unit, as the graph plots them. Point i lies at
// (i - 1) * Ts + t0 ms (common::SampleTime), exported in the same unit.
//
// The spreadsheet exports write an .xlsx file (SpreadsheetExport.h has the cells) instead of
// driving a running spreadsheet program: it is saved under a new name
// "<test>_<graph>_<n>.xlsx" ("<test>_<graph>_Integral_<n>.xlsx", "<test>_AllChannels_<n>.xlsx")
// in the context's spreadsheet folder (the test's folder when empty), never over an existing
// file, handed to the opener, and the user is told where it is ("Data saved to " + path).
// A workbook that cannot be written ("Error - while copying data to Excel" + the reason)
// leaves no file behind. All boxes have the title "  Message" unless said otherwise.

#include <cstdint>
#include <string>

#include "analysis/measure/Clipboard.h"
#include "common/Prompt.h"

namespace files {
class clsDataset;
}

namespace measure {

inline constexpr const char* kClipboardNotCopied = "Error: Data not copied to clipboard";
inline constexpr const char* kCopiedToClipboard = "Data copied to clipboard";
inline constexpr const char* kConfirmTitle = "Confirm";
inline constexpr const char* kExcelNoPoints =
    "Error - no points found in current range. No data copied to Excel";
inline constexpr const char* kExcelCopyError = "Error - while copying data to Excel";
// Above this many points the user is asked first.
inline constexpr std::int64_t kMaxPointsWithoutQuestion = 32767;

// "This will copy " + n + " points to the clipboard. Continue?" (asked for files too).
std::string copyQuestion(std::int64_t points);
// "Data saved to " + path.
std::string savedMessage(const std::string& path);
// "Error: Data not written to " + path + "[nl]" + reason.
std::string fileNotWrittenMessage(const std::string& path, const std::string& reason);

// Where spreadsheet files go and how they are opened; the windows give the desktop's default
// program, tests a recorder.
class FileOpener {
public:
    virtual ~FileOpener() = default;
    virtual bool openFile(const std::string& path) = 0;
};

// Workbooks of tests whose folder cannot be written, in the user data folder.
inline constexpr const char* kExportsFolder = "exports";

struct ExportContext {
    common::Prompt& prompt;
    Clipboard& clipboard;
    FileOpener& opener;
    // Folder for .xlsx files; empty = the test's own folder, or kExportsFolder in the user
    // data folder when the test's folder cannot be written.
    std::string spreadsheetFolder;
};

// mode 0 times, 1 values, 2 "time,value" lines. toFile: the text goes to fileName (written
// under a temporary name and renamed when complete) instead of the clipboard. Above 32767
// points the user is asked ("Confirm", Yes/No). True when the export was done.
bool CopyDataToClipboard(const files::clsDataset& dataset, std::int32_t graph, std::int32_t mode,
                         double time1, double time2, bool toFile, const std::string& fileName,
                         ExportContext& context);

// Time and value columns, the caption above each block.
bool CopyDataToExcel(const files::clsDataset& dataset, std::int32_t graph, double time1,
                     double time2, const std::string& caption, ExportContext& context);

// Time, value and the first and second running integrals (at most 31968 rows); refused on a
// graph with removed points.
bool CopyDataToExcelIntegral(const files::clsDataset& dataset, std::int32_t graph,
                             const std::string& caption, const std::string& unused, double time1,
                             double time2, ExportContext& context);

// Every shown channel of the test over the whole record (with uninitialised data hidden, up
// to the last valid point), graphInfo in A2.
bool CopyDataToExcel_4C(const files::clsDataset& dataset, const std::string& graphInfo,
                        ExportContext& context);

// Performs no action.
void TestAsciiFileValues();

// The graph's value title, quantity + " (" + units + ")" ("Voltage (V)", "Distance (m)", an
// event graph's "Y quantity" and "Y units"), and its units alone.
std::string valueTitleOf(const files::clsDataset& dataset, std::int32_t graph);
std::string valueUnitsOf(const files::clsDataset& dataset, std::int32_t graph);

// "<test>_<graph>": the test's file name without folder and extension, and "C" + channel for
// a channel graph or the event's title (letters, digits, "-" and "." kept, others "_";
// "E" + event when nothing is left) for an event graph.
std::string workbookBaseName(const files::clsDataset& dataset, std::int32_t graph);

}  // namespace measure
