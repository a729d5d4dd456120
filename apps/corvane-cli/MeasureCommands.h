#pragma once
// The measurements of a graph from the command line (all read-only):
//
//   corvane-cli vod <set file> (--channel N | --event E) --from MS --to MS [--json]
//       the least-squares VOD as the graph's label shows it ("5000.0 m/s"), with the standard
//       error of the VOD, R squared and the number of points fitted; VOD graphs only
//   corvane-cli integrate <set file> (--channel N | --event E) --from MS --to MS
//       [--stop-at-zero] [--json]
//       the trapezoidal integral ("I = ... V * ms (From ... to ... ms)")
//   corvane-cli average <set file> (--channel N | --event E) (--from MS --to MS | --all)
//       [--json]
//       the average ("Average from (...) to (...) = ..."); --all: the whole record without its
//       first two points and its last
//
// Times are milliseconds. An event graph is read with its removed and moved points; a channel
// graph has none. A measurement that cannot be made ends with exit code 1 and the reason on
// standard error.

#include <optional>
#include <ostream>
#include <string>

namespace CLI {
class App;
}

namespace cli {

struct MeasureRequest {
    std::string setFile;
    int channel = 0;
    int event = 0;
    std::optional<double> fromMs;
    std::optional<double> toMs;
    bool json = false;
    bool stopAtZero = false;  // integrate
    bool allPoints = false;   // average
};

// The three subcommands, added to the program by addMeasureCommands.
class MeasureCommands {
public:
    // The exit code when one of the three was given on the command line, else nothing.
    std::optional<int> runParsed(std::ostream& out, std::ostream& err) const;

    CLI::App* vod = nullptr;
    CLI::App* integrate = nullptr;
    CLI::App* average = nullptr;
    MeasureRequest vodRequest;
    MeasureRequest integrateRequest;
    MeasureRequest averageRequest;
};

// Adds "vod", "integrate" and "average" to app. The object must stay in place (parsing fills
// its requests).
void addMeasureCommands(CLI::App& app, MeasureCommands& commands);

int runVod(const MeasureRequest& request, std::ostream& out, std::ostream& err);
int runIntegrate(const MeasureRequest& request, std::ostream& out, std::ostream& err);
int runAverage(const MeasureRequest& request, std::ostream& out, std::ostream& err);

}  // namespace cli
