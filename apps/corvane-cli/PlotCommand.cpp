#include "PlotCommand.h"

#include <CLI/CLI.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <qcustomplot.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "OpenedTest.h"
#include "analysis/files/clsDataset.h"
#include "analysis/graphs/GraphView.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/graphs/plot/PlotAdapter.h"
#include "analysis/graphs/plot/PlotMargins.h"
#include "common/Error.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& message) { throw std::runtime_error(message); }

std::string lowerEnding(const std::string& path) {
    std::string ending = fs::path(path).extension().string();
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending;
}

// The Qt application a plot widget needs; without a display it draws offscreen.
std::unique_ptr<QApplication> makeApplication() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "corvane-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

// A private file beside the target with the target's ending, removed unless renamed onto it.
class TempImage {
public:
    explicit TempImage(const std::string& target) : m_target(target) {
        const fs::path folder = fs::path(target).parent_path().empty()
                                    ? fs::path(".")
                                    : fs::path(target).parent_path();
        const std::string ending = fs::path(target).extension().string();
        m_path = (folder / ("." + fs::path(target).stem().string() + ".XXXXXX" + ending)).string();
        const int fd = ::mkstemps(m_path.data(), static_cast<int>(ending.size()));
        if (fd < 0) fail("Cannot write " + target + ": " + std::strerror(errno));
        // An image is an ordinary document, not a private temporary file.
        const bool readable = ::fchmod(fd, 0644) == 0;
        ::close(fd);
        if (!readable) fail("Cannot write " + target + ": " + std::strerror(errno));
    }
    TempImage(const TempImage&) = delete;
    TempImage& operator=(const TempImage&) = delete;
    ~TempImage() {
        if (!m_path.empty()) ::unlink(m_path.c_str());
    }
    const std::string& path() const { return m_path; }
    void commit() {
        if (::rename(m_path.c_str(), m_target.c_str()) != 0)
            fail("Cannot write " + m_target + ": " + std::strerror(errno));
        m_path.clear();
    }

private:
    std::string m_target;
    std::string m_path;
};

files::PlotPoints pointsOfRange(files::clsDataset& dataset, std::int32_t graph,
                                const PlotRequest& request) {
    const common::SampleTime& time = dataset.sampleTime();
    if (!request.fromMs && !request.toMs) return dataset.SetPlotDataMaxMinAll(graph);
    return dataset.SetPlotDataMaxMinTimes(
        graph, request.fromMs.value_or(time.timeOfIndex(1)),
        request.toMs.value_or(time.timeOfIndex(std::max(time.N, 1))));
}

// The points and first limits a channel graph was given when the test was opened: the same
// as SetPlotDataMaxMinAll, without reducing the channel a second time.
files::PlotPoints pointsOnOpening(const graphs::clsGraph& model) {
    files::PlotPoints points;
    const auto* view = dynamic_cast<const graphs::HeadlessGraphView*>(model.view());
    if (!view || view->plots() != 1 || !model.loadRecord().valid) return points;
    points.x = model.xValues();
    points.y = model.yValues();
    points.xMin = view->xStart();
    points.xMax = view->xEnd();
    points.yMin = view->yMin();
    points.yMax = view->yMax();
    return points;
}

// zlib level 4 (Qt's PNG quality 50) instead of the default 6: the same pixels in a file
// about 5 % larger, encoded in half the time (the default took a fifth of the command).
constexpr int kPngQuality = 50;

bool writeImage(QCustomPlot& plot, graphs::PlotAdapter& adapter, const std::string& path,
                const std::string& ending, const PlotRequest& request, std::string& error) {
    if (ending != ".png") return adapter.exportImage(path, request.width, request.height, error);
    if (plot.savePng(QString::fromStdString(path), request.width, request.height, 1.0,
                     kPngQuality))
        return true;
    error = "The image " + path + " cannot be written";
    return false;
}

}  // namespace

CLI::App* addPlotCommand(CLI::App& app, PlotRequest& request) {
    CLI::App* command = app.add_subcommand(
        "plot", "Draw a channel's graph into an image file (.png, .jpg, .pdf or .svg; read-only)");
    command->add_option("setfile", request.setFile, "The test's set file (root.crv)")->required();
    command->add_option("--channel", request.channel, "Channel number")->required();
    command->add_option("--from", request.fromMs, "First time in ms (default: first point)");
    command->add_option("--to", request.toMs, "Last time in ms (default: last point)");
    command->add_option("--out", request.outFile, "The image file (.png, .jpg, .pdf or .svg)")
        ->required();
    command->add_option("--width", request.width, "Image width in pixels (default 700)")
        ->check(CLI::Range(16, 20000));
    command->add_option("--height", request.height, "Image height in pixels (default 320)")
        ->check(CLI::Range(16, 20000));
    return command;
}

int runPlot(const PlotRequest& request, std::ostream& err) {
    try {
        const std::string ending = lowerEnding(request.outFile);
        if (ending != ".png" && ending != ".pdf" && ending != ".jpg" && ending != ".jpeg" &&
            ending != ".svg")
            fail("The image " + request.outFile + " must end in .png, .jpg, .pdf or .svg");

        OpenedTest test(request.setFile);
        files::clsDataset& dataset = test.dataset();
        const std::int32_t graph = test.channelGraph(request.channel);

        const auto* model = dynamic_cast<const graphs::clsGraph*>(dataset.graph(graph));
        // Opening already loaded the whole channel into its graph (what the window first
        // shows); only another range is read again.
        files::PlotPoints points;
        if (!request.fromMs && !request.toMs && model) points = pointsOnOpening(*model);
        if (points.size() == 0) points = pointsOfRange(dataset, graph, request);
        if (points.size() == 0) fail("Channel " + std::to_string(request.channel) +
                                     " has no points in the range");

        graphs::PlotState state;
        state.x = points.x;
        state.y = points.y;
        state.limits =
            graphs::limitsWithMargins(points.xMin, points.xMax, points.yMin, points.yMax, false);
        state.mainTitle.text = "Channel " + std::to_string(request.channel);
        state.subTitle.text = dataset.bVODchannel(request.channel) ? "VOD Data" : "Voltage Data";
        state.xLabel.text = "Time (" + dataset.sTimeUnits() + ")";
        state.yLabel.text = model ? model->sQUstr() : std::string();

        const std::unique_ptr<QApplication> app = makeApplication();
        std::string error;
        {
            QCustomPlot plot;
            plot.resize(request.width, request.height);
            graphs::PlotAdapter adapter(plot);
            adapter.apply(state);
            TempImage image(request.outFile);
            if (!writeImage(plot, adapter, image.path(), ending, request, error)) fail(error);
            image.commit();
        }
        return 0;
    } catch (const common::Error& e) {
        err << "corvane-cli: error: " << e.description() << " (error " << e.number() << ")\n";
    } catch (const std::exception& e) {
        err << "corvane-cli: error: " << e.what() << '\n';
    }
    return 1;
}

}  // namespace cli
