#pragma once
// "corvane-cli export <set file> --channel N [--from MS --to MS] [--csv|--txt] [--out FILE]":
// the points of a channel as time and value lines, by the graph value rule (removed points
// left out, moved values used), values and times in the pattern "0.0###".
//
// Times are t(i) = (i - 1) * Ts + t0 milliseconds, divided by the test's time factor when it
// has a time unit ("Change Time"); --from and --to are milliseconds (default: the whole
// record). Every line ends with CR LF:
//   --txt (default)  time,value               the analysis program's text export
//   --csv            the same, after a title line "Time (<unit>),<quantity> (<units>)"
// Without --out the lines go to standard output. With --out they are written to a temporary
// file beside FILE and renamed onto it when complete; FILE may not be a file of the test.
//
// --xlsx FILE writes instead the workbook that the graph window's "Export Data to Excel"
// saves for the channel graph and range (time and value columns in blocks of 65000 rows at
// B-C, D-E, ..., titles in row 4, the window's information text in row 3), in the same way
// under a temporary name; it is not opened.
//
// --formula "2*V" [--quantity Pressure --units kPa] converts a scope channel's values through
// the formula as a formula graph would (each table entry evaluated once; failed entries
// -9999.19); the value title becomes quantity + " (" + units + ")" (default "Voltage (V)").
// A formula that is not valid, or one given for a VOD channel, is refused with exit code 2.
//
// Nothing of the test set is written (a compressed test is decompressed into a private
// temporary file that is removed afterwards).

#include <optional>
#include <ostream>
#include <string>

namespace CLI {
class App;
}

namespace cli {

struct ExportRequest {
    std::string setFile;
    int channel = 0;
    std::optional<double> fromMs;
    std::optional<double> toMs;
    bool csv = false;
    bool txt = false;     // the default; given only to say so
    std::string outFile;  // "" for standard output
    std::string xlsxFile; // "" for the lines
    std::string formula;  // "" for the channel's own values
    std::string quantity = "Voltage";
    std::string units = "V";
};

// Adds the "export" subcommand to app; parsing fills request.
CLI::App* addExportCommand(CLI::App& app, ExportRequest& request);

// 0 on success; 2 for refused input (a formula); 1 with a message on err otherwise.
int runExport(const ExportRequest& request, std::ostream& out, std::ostream& err);

}  // namespace cli
