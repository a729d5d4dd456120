#include "ExportCommand.h"

#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "OpenedTest.h"
#include "analysis/files/clsDataset.h"
#include "analysis/graphs/GraphView.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/measure/DataExport.h"
#include "analysis/measure/GraphSeries.h"
#include "analysis/measure/ScopeFormulas.h"
#include "analysis/measure/SpreadsheetExport.h"
#include "analysis/measure/TextExport.h"
#include "common/Error.h"
#include "common/ScriptedPrompt.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& message) { throw std::runtime_error(message); }

// Where the lines go: standard output, or a temporary file renamed onto the target at the end.
class LineSink {
public:
    LineSink(const std::string& target, std::ostream& out) : m_out(out), m_target(target) {
        if (target.empty()) return;
        const fs::path folder = fs::path(target).parent_path().empty()
                                    ? fs::path(".")
                                    : fs::path(target).parent_path();
        m_temp = (folder / ("." + fs::path(target).filename().string() + ".XXXXXX")).string();
        m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
        if (m_fd < 0) fail("Cannot write " + target + ": " + std::strerror(errno));
    }
    LineSink(const LineSink&) = delete;
    LineSink& operator=(const LineSink&) = delete;
    ~LineSink() {
        if (m_fd >= 0) {
            ::close(m_fd);
            ::unlink(m_temp.c_str());
        }
    }

    void append(std::string_view text) {
        m_buffer += text;
        if (m_buffer.size() >= (1u << 16)) flush();
    }
    void finish() {
        flush();
        if (m_fd < 0) {
            m_out.flush();
            if (!m_out) fail("Cannot write the exported lines");
            return;
        }
        if (::fchmod(m_fd, 0644) != 0 || ::close(m_fd) != 0) {
            m_fd = -1;
            ::unlink(m_temp.c_str());
            fail("Cannot write " + m_target + ": " + std::strerror(errno));
        }
        m_fd = -1;
        if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
            const int error = errno;
            ::unlink(m_temp.c_str());
            fail("Cannot write " + m_target + ": " + std::strerror(error));
        }
    }

private:
    void flush() {
        if (m_fd < 0) {
            m_out << m_buffer;
        } else {
            std::string_view rest = m_buffer;
            while (!rest.empty()) {
                const ssize_t n = ::write(m_fd, rest.data(), rest.size());
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) fail("Cannot write " + m_target + ": " + std::strerror(errno));
                rest.remove_prefix(static_cast<std::size_t>(n));
            }
        }
        m_buffer.clear();
    }

    std::ostream& m_out;
    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    std::string m_buffer;
};

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec);
}

// The output must not replace a file of the test set: every file named root + "." + ending.
void refuseTestFile(const std::string& outFile, const files::clsDataset& dataset) {
    if (outFile.empty()) return;
    const fs::path target = fs::absolute(outFile);
    const fs::path set = fs::absolute(dataset.setFile().sSetFileName());
    const std::string root = set.stem().string().substr(0, set.stem().string().find('.'));
    const bool sameFolder = sameFile(target.parent_path(), set.parent_path());
    const std::string name = target.filename().string();
    std::error_code ec;
    const bool existingSetFile =
        sameFolder && name.rfind(root + ".", 0) == 0 && fs::exists(target, ec);
    if (existingSetFile || sameFile(target, set) ||
        sameFile(target, dataset.sRawFilePath()))
        fail("The output " + outFile + " would replace a file of the test set");
}

// The channel's table passed through the formula, as a scope formula graph gets it.
measure::FormulaTable formulaValues(const files::clsDataset& dataset, const ExportRequest& request,
                                    const measure::GraphSeries& series) {
    if (dataset.bVODchannel(request.channel))
        throw BadInput("--formula applies to scope channels; channel " +
                       std::to_string(request.channel) + " is a VOD channel");
    common::ScriptedPrompt check;
    check.setDefaultAnswer(false);  // a loss of significance is not accepted unasked
    if (!measure::CheckFormula(request.formula, check)) {
        std::string why;
        for (const auto& shown : check.shown()) why += " " + common::expandLineMarks(shown.text);
        throw BadInput("The formula \"" + request.formula + "\" is refused:" + why);
    }
    measure::FormulaTable table = measure::ApplyFormulaToTable(
        request.formula, std::vector<double>(series.table.begin(), series.table.end()));
    if (!table.ok) throw BadInput("The formula \"" + request.formula + "\" cannot be evaluated");
    return table;
}

}  // namespace

CLI::App* addExportCommand(CLI::App& app, ExportRequest& request) {
    CLI::App* command = app.add_subcommand(
        "export", "Write a channel's points as time,value lines (removed points left out, moved "
                  "values used; read-only)");
    command->add_option("setfile", request.setFile, "The test's set file (root.crv)")->required();
    command->add_option("--channel", request.channel, "Channel number")->required();
    command->add_option("--from", request.fromMs, "First time in ms (default: first point)");
    command->add_option("--to", request.toMs, "Last time in ms (default: last point)");
    CLI::Option* csv = command->add_flag("--csv", request.csv, "Begin with a title line");
    command->add_flag("--txt", request.txt, "Plain time,value lines (the default)")->excludes(csv);
    CLI::Option* outFile =
        command->add_option("--out", request.outFile, "Output file (default: standard output)");
    CLI::Option* xlsx = command->add_option(
        "--xlsx", request.xlsxFile,
        "Write the graph window's spreadsheet export (.xlsx: time and value columns) instead");
    xlsx->excludes(outFile)->excludes(csv)->excludes("--txt");
    CLI::Option* formula = command->add_option(
        "--formula", request.formula, "Values through a scope formula in V, e.g. \"2*V\"");
    command->add_option("--quantity", request.quantity, "Quantity of the formula's values (default Voltage)")
        ->needs(formula);
    command->add_option("--units", request.units, "Units of the formula's values (default V)")
        ->needs(formula);
    return command;
}

int runExport(const ExportRequest& request, std::ostream& out, std::ostream& err) {
    try {
        OpenedTest test(request.setFile);
        files::clsDataset& dataset = test.dataset();
        const std::int32_t graph = test.channelGraph(request.channel);
        refuseTestFile(request.outFile, dataset);
        refuseTestFile(request.xlsxFile, dataset);

        measure::GraphSeries series = measure::seriesOf(dataset, graph);
        std::string valueTitle = measure::valueTitleOf(dataset, graph);
        measure::FormulaTable formulaTable;
        if (!request.formula.empty()) {
            formulaTable = formulaValues(dataset, request, series);
            series.table = files::CodeTable(formulaTable.values);
            valueTitle = request.quantity + " (" + request.units + ")";
        }

        const common::SampleTime& time = dataset.sampleTime();
        const double divisor = dataset.dTimeDivisor();
        measure::ExportRange range;
        if (series.points() >= 1) {
            range.first = request.fromMs ? time.TimeToIndex(*request.fromMs) : 1;
            range.last = request.toMs ? time.TimeToIndex(*request.toMs) : time.N;
            if (range.first > range.last) std::swap(range.first, range.last);
        }

        if (!request.xlsxFile.empty()) {
            const auto* model = dynamic_cast<const graphs::clsGraph*>(dataset.graph(graph));
            const auto* view = model ? dynamic_cast<const graphs::HeadlessGraphView*>(model->view())
                                     : nullptr;
            const measure::TimeValueSheet sheet = measure::timeValueSheet(
                series, range, divisor, view ? view->fileInfo() : std::string(),
                "Time (" + dataset.sTimeUnits() + ")", valueTitle);
            if (sheet.times.empty()) fail(measure::kExcelNoPoints);
            measure::writeTimeValueWorkbook(request.xlsxFile, sheet);
            return 0;
        }

        LineSink sink(request.outFile, out);
        if (request.csv) sink.append("Time (" + dataset.sTimeUnits() + ")," + valueTitle + "\r\n");
        measure::exportBlocks(series, range, measure::ExportMode::TimesAndValues, divisor,
                              [&](std::string_view block) { sink.append(block); });
        sink.finish();
        return 0;
    } catch (const BadInput& e) {
        err << "corvane-cli: error: " << e.what() << '\n';
        return 2;
    } catch (const common::Error& e) {
        err << "corvane-cli: error: " << e.description() << " (error " << e.number() << ")\n";
    } catch (const std::exception& e) {
        err << "corvane-cli: error: " << e.what() << '\n';
    }
    return 1;
}

}  // namespace cli
