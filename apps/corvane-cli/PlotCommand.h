#pragma once
// "corvane-cli plot <set file> --channel N [--from MS --to MS] --out FILE.png|.jpg|.pdf
// [--width W --height H]": the channel's graph as the graph window draws it (the same reduced
// points, titles, axis labels with units and time unit, and limits), written as an image
// through the plot adapter without a display. The image is written beside FILE under a
// temporary name and renamed onto it when complete; nothing of the test set is written.

#include <optional>
#include <ostream>
#include <string>

namespace CLI {
class App;
}

namespace cli {

struct PlotRequest {
    std::string setFile;
    int channel = 0;
    std::optional<double> fromMs;
    std::optional<double> toMs;
    std::string outFile;
    int width = 700;
    int height = 320;
};

CLI::App* addPlotCommand(CLI::App& app, PlotRequest& request);

// 0 on success, 1 with a message on err otherwise. Creates the Qt application it needs
// (offscreen when there is no display), so it runs once per process.
int runPlot(const PlotRequest& request, std::ostream& err);

}  // namespace cli
