#include "MeasureCommands.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <stdexcept>

#include "JsonText.h"
#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/measure/Averages.h"
#include "analysis/measure/DatasetEdits.h"
#include "analysis/measure/Integration.h"
#include "analysis/measure/ProbeUnits.h"
#include "analysis/measure/VodSlope.h"
#include "common/NumberFormat.h"
#include "common/ScriptedPrompt.h"

namespace cli {
namespace {

// A usage error found after parsing (exit code 2).
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The test opened for reading, with the stores of the chosen event graph.
class OpenGraph {
public:
    explicit OpenGraph(const MeasureRequest& request) {
        if ((request.channel > 0) == (request.event > 0))
            throw UsageError("Give either --channel or --event.");
        m_prompt.setDefaultAnswer(false);  // uninitialised data stay in the measurement
        if (!m_dataset.bSetupDataAndGraphs(request.setFile, 1, true)) {
            std::string why = m_dataset.lLastErrorStep() > 0
                                  ? files::graphsNotShownMessage(m_dataset.lLastErrorStep())
                                  : std::string("The test cannot be opened.");
            if (!m_dataset.sLastError().empty()) why += " " + m_dataset.sLastError();
            throw std::runtime_error(why);
        }
        for (const std::int32_t g : m_dataset.graphNumbers()) {
            if (m_dataset.bGraphDeleted(g)) continue;
            const bool isEvent = m_dataset.graphKind(g) == files::GraphKind::Event;
            if (request.channel > 0 && !isEvent && m_dataset.graphChannel(g) == request.channel)
                m_graph = g;
            if (request.event > 0 && isEvent && m_dataset.graphEvent(g) == request.event)
                m_graph = g;
        }
        if (m_graph == 0)
            throw std::runtime_error(request.channel > 0
                                         ? "The test has no channel " + std::to_string(request.channel) + "."
                                         : "The test has no event " + std::to_string(request.event) + ".");
        m_edits = std::make_unique<measure::DatasetEdits>(m_dataset, m_prompt, m_progress);
        m_edits->attach(m_graph);
        m_prompt.clear();  // what opening said is not part of the measurement
    }
    OpenGraph(const OpenGraph&) = delete;
    OpenGraph& operator=(const OpenGraph&) = delete;
    ~OpenGraph() { m_edits.reset(); }

    files::clsDataset& dataset() { return m_dataset; }
    std::int32_t graph() const { return m_graph; }
    common::ScriptedPrompt& prompt() { return m_prompt; }
    // The messages of the measurement, one a line.
    std::string messages() const {
        std::string text;
        for (const std::string& message : m_prompt.messages())
            text += common::expandLineMarks(message) + "\n";
        return text;
    }

private:
    common::ScriptedPrompt m_prompt;
    common::SilentProgress m_progress;
    files::clsDataset m_dataset{m_prompt, m_progress, graphs::clsGraph::factory()};
    std::unique_ptr<measure::DatasetEdits> m_edits;
    std::int32_t m_graph = 0;
};

CLI::App* addCommand(CLI::App& app, const char* name, const char* description,
                     MeasureRequest& request, bool timesRequired) {
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("setfile", request.setFile, "The test's set file (root.crv)")->required();
    CLI::Option* channel = command->add_option("--channel", request.channel, "Channel number");
    command->add_option("--event", request.event, "Event number (with its removed and moved points)")
        ->excludes(channel);
    CLI::Option* from = command->add_option("--from", request.fromMs, "First time in ms");
    CLI::Option* to = command->add_option("--to", request.toMs, "Last time in ms");
    if (timesRequired) {
        from->required();
        to->required();
    }
    command->add_flag("--json", request.json, "Write one flat JSON object instead of text");
    return command;
}

template <class Measure>
int guarded(std::ostream& err, Measure&& measure) {
    try {
        return measure();
    } catch (const UsageError& e) {
        err << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
}

std::optional<double> perSecond(std::optional<double> perMs) {
    if (!perMs) return std::nullopt;
    return *perMs * 1000.0;
}

}  // namespace

void addMeasureCommands(CLI::App& app, MeasureCommands& commands) {
    commands.vod = addCommand(app, "vod",
                              "Least-squares VOD between two times, with its standard error and R "
                              "squared (read-only)",
                              commands.vodRequest, true);
    commands.integrate = addCommand(app, "integrate",
                                    "Trapezoidal integral between two times (read-only)",
                                    commands.integrateRequest, true);
    commands.integrate->add_flag("--stop-at-zero", commands.integrateRequest.stopAtZero,
                                 "End at the first value <= 0");
    commands.average = addCommand(app, "average", "Average between two times (read-only)",
                                  commands.averageRequest, false);
    commands.average->add_flag("--all", commands.averageRequest.allPoints,
                               "The whole record without its first two points and its last");
}

std::optional<int> MeasureCommands::runParsed(std::ostream& out, std::ostream& err) const {
    if (vod && vod->parsed()) return runVod(vodRequest, out, err);
    if (integrate && integrate->parsed()) return runIntegrate(integrateRequest, out, err);
    if (average && average->parsed()) return runAverage(averageRequest, out, err);
    return std::nullopt;
}

int runVod(const MeasureRequest& request, std::ostream& out, std::ostream& err) {
    return guarded(err, [&] {
        OpenGraph open(request);
        files::clsDataset& dataset = open.dataset();
        if (!dataset.bVODchannel(dataset.graphChannel(open.graph()))) {
            err << measure::kNotAVodGraph << "\n";
            return 1;
        }
        const measure::SlopeFit fit =
            measure::GetSlopeInterceptAverage(dataset, *request.fromMs, *request.toMs, open.graph());
        if (!fit.ok) {
            err << "VOD not calculated: " << fit.reason << ".\n";
            return 1;
        }
        const std::string units = measure::sVODunits(dataset.setFile());
        const auto line = measure::regressionVodLine(fit, *request.fromMs, *request.toMs, units);
        const std::optional<double> error = perSecond(fit.slopeStandardError);
        if (request.json) {
            JsonObject json;
            json.add("vod", jsonNumber(fit.slope * 1000.0));
            json.add("units", jsonString(units));
            json.add("label", jsonString(line->label));
            json.add("standardError", jsonNumber(error));
            json.add("rSquared", jsonNumber(fit.rSquared));
            json.add("points", jsonInteger(fit.count));
            json.add("firstPoint", jsonInteger(fit.first));
            json.add("lastPoint", jsonInteger(fit.last));
            json.add("slopePerMs", jsonNumber(fit.slope));
            json.add("intercept", jsonNumber(fit.intercept));
            json.add("average", jsonNumber(fit.average));
            out << json.text();
            return 0;
        }
        out << line->label << "\n";
        out << "standard error: "
            << (error ? common::formatNumber(*error, "#0.0") + " " + units : "not available (two points)")
            << "\n";
        out << "R^2: "
            << (fit.rSquared ? common::formatNumber(*fit.rSquared, "0.000000")
                             : "not defined (all values equal)")
            << "\n";
        out << "points: " << fit.count << "\n";
        return 0;
    });
}

int runIntegrate(const MeasureRequest& request, std::ostream& out, std::ostream& err) {
    return guarded(err, [&] {
        OpenGraph open(request);
        const measure::Integral result =
            measure::CalculateIntegral2pts(open.dataset(), open.graph(), *request.fromMs,
                                           *request.toMs, request.stopAtZero, open.prompt());
        if (!result.ok) {
            const std::string why = open.messages();
            err << "Integral not calculated." << (why.empty() ? "\n" : " " + why);
            return 1;
        }
        const std::string units = measure::integralUnitText(open.dataset(), open.graph());
        if (request.json) {
            JsonObject json;
            json.add("integral", jsonNumber(result.integral));
            json.add("units", jsonString(units));
            json.add("from", jsonNumber(result.startTime));
            json.add("to", jsonNumber(result.endTime));
            json.add("points", jsonInteger(result.count));
            out << json.text();
            return 0;
        }
        out << measure::integralText(result.integral, units)
            << measure::integralRangeText(result.startTime, result.endTime) << "\n";
        return 0;
    });
}

int runAverage(const MeasureRequest& request, std::ostream& out, std::ostream& err) {
    return guarded(err, [&] {
        if (!request.allPoints && (!request.fromMs || !request.toMs))
            throw UsageError("Give --from and --to, or --all.");
        OpenGraph open(request);
        const measure::RangeAverage average = measure::GetAverage(
            open.dataset(), open.graph(), request.fromMs.value_or(0.0), request.toMs.value_or(0.0),
            request.allPoints);
        if (!average.ok) {
            err << measure::kAverageNotCalculated << ": " << average.reason << ".\n";
            return 1;
        }
        if (request.json) {
            JsonObject json;
            json.add("average", jsonNumber(average.average));
            json.add("from", jsonNumber(average.firstTime));
            json.add("firstValue", jsonNumber(average.firstValue));
            json.add("to", jsonNumber(average.lastTime));
            json.add("lastValue", jsonNumber(average.lastValue));
            json.add("points", jsonInteger(average.count));
            out << json.text();
            return 0;
        }
        out << measure::averageText(average) << "\n";
        return 0;
    });
}

}  // namespace cli
