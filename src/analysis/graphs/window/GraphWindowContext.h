#pragma once
// What every graph window of the program shares: the prompt, the registry of open test sets,
// the main window's calls and the hooks of the windows that come with the toolbar, the points
// box, the annotation editor, the axes dialog and the formula window. Owned by the main
// window; each hook may be left empty.

#include <cstdint>
#include <functional>
#include <string>

#include "analysis/measure/PickedPoints.h"

namespace common {
class Prompt;
}
namespace shell {
class msgGraphs;
class msgMDIparent;
}  // namespace shell

namespace graphs {

class clsGraph;

struct GraphWindowContext {
    GraphWindowContext(common::Prompt& p, shell::msgGraphs& g) : prompt(p), graphs(g) {}

    common::Prompt& prompt;
    shell::msgGraphs& graphs;
    shell::msgMDIparent* parent = nullptr;
    // The point readout of every graph.
    measure::PickedPoints picked;

    // A Save As hands its plot file to the window it makes: the dataset names the new
    // event's own (not yet written) plot file as next plot file on the way.
    std::string saveAsPlotFile;

    // --- the main window (these may close the calling window: run them later) ------------
    std::function<void()> analyzeFile;                      // File > Open
    std::function<void()> exitGraphs;                       // File > Exit
    std::function<void(const std::string& setFile)> saveFile;  // File > Save as
    std::function<void()> tileHorizontally, tileVertically, cascade, arrangeIcons;
    std::function<void()> openManual;
    std::function<void()> about;

    // --- windows made later ----------------------------------------------------------------
    std::function<void()> resetToolbar;
    std::function<void(bool pressed)> toolbarZoom;
    std::function<void()> openPointsBox;
    std::function<void()> pointsChanged;  // the readout of the current graph changed
    std::function<void()> closeAxesBox;
    std::function<void(clsGraph&, double xMin, double xMax, double yMin, double yMax)> changeAxes;
    std::function<void(clsGraph&, std::int32_t annotation)> editAnnotation;
    // 222 main title, 223 subtitle, 224 X-axis label, 225 Y-axis label.
    std::function<void(clsGraph&, std::int32_t id)> editTitle;
    std::function<void(clsGraph&, double value)> offsetToFormula;
    std::function<void(clsGraph&, const std::string& caption)> formulaWindowFor;
    // Data export (Edit > Copy X/Y Data, Export Data to Excel): kind 0 X, 1 Y, 2 X and Y;
    // times as shown.
    std::function<void(clsGraph&, int kind, double xMin, double xMax)> copyData;
    std::function<void(clsGraph&, double xMin, double xMax, const std::string& caption)>
        exportToExcel;
};

}  // namespace graphs
