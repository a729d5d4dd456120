#include "ExportCommand.h"

#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "common/NumberFormat.h"
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

    void append(const std::string& text) {
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
    command->add_option("--out", request.outFile, "Output file (default: standard output)");
    return command;
}

int runExport(const ExportRequest& request, std::ostream& out, std::ostream& err) {
    try {
        common::ScriptedPrompt prompt;
        prompt.setDefaultAnswer(false);  // uninitialised data stay in the export
        common::SilentProgress progress;
        files::clsDataset dataset(prompt, progress, graphs::clsGraph::factory());
        if (!dataset.bSetupDataAndGraphs(request.setFile, 1, true)) {
            std::string why = dataset.lLastErrorStep() > 0
                                  ? files::graphsNotShownMessage(dataset.lLastErrorStep())
                                  : std::string("The test cannot be opened.");
            if (!dataset.sLastError().empty()) why += " " + dataset.sLastError();
            for (const std::string& message : prompt.messages())
                why += " " + common::expandLineMarks(message);
            fail(why);
        }
        std::int32_t graph = 0;
        for (const std::int32_t g : dataset.graphNumbers())
            if (dataset.graphKind(g) == files::GraphKind::Channel &&
                dataset.graphChannel(g) == request.channel)
                graph = g;
        if (request.channel < 1 || request.channel > dataset.lNrChannels())
            fail("The test has no channel " + std::to_string(request.channel) + " (channels 1 to " +
                 std::to_string(dataset.lNrChannels()) + ")");
        if (graph == 0) fail("Channel " + std::to_string(request.channel) + " is switched off");
        if (dataset.graphTable(graph).empty()) {
            const std::string& note = dataset.tableNote(request.channel);
            fail("Channel " + std::to_string(request.channel) + " has no conversion table" +
                 (note.empty() ? std::string(".") : ": " + note));
        }
        refuseTestFile(request.outFile, dataset);

        const common::SampleTime& time = dataset.sampleTime();
        const double divisor = dataset.dTimeDivisor();
        LineSink sink(request.outFile, out);
        if (request.csv) {
            const auto* model = dynamic_cast<const graphs::clsGraph*>(dataset.graph(graph));
            sink.append("Time (" + dataset.sTimeUnits() + ")," + (model ? model->sQUstr() : "") +
                        "\r\n");
        }
        if (time.N >= 1) {
            std::int32_t first = request.fromMs ? time.TimeToIndex(*request.fromMs) : 1;
            std::int32_t last = request.toMs ? time.TimeToIndex(*request.toMs) : time.N;
            if (first > last) std::swap(first, last);
            const common::NumberPattern pattern("0.0###");
            std::string line;
            for (std::int32_t i = first; i <= last; ++i) {
                const std::optional<double> value = dataset.graphValue(graph, i);
                if (!value) continue;
                line.clear();
                pattern.appendTo(line, time.timeOfIndex(i) / divisor);
                line += ',';
                pattern.appendTo(line, *value);
                line += "\r\n";
                sink.append(line);
            }
        }
        sink.finish();
        return 0;
    } catch (const common::Error& e) {
        err << "corvane-cli: error: " << e.description() << " (error " << e.number() << ")\n";
    } catch (const std::exception& e) {
        err << "corvane-cli: error: " << e.what() << '\n';
    }
    return 1;
}

}  // namespace cli
