#pragma once
// The plot file of a graph: its PlotState as a versioned JSON document.
//
// A file that cannot be read, is not JSON, is of another format or version, or holds values of
// the wrong kind is refused as a whole: the result then carries a plain default state and a
// message naming the file and the fault. Missing values are stored as null.

#include <string>

#include "analysis/graphs/plot/PlotState.h"

namespace graphs {

inline constexpr int kPlotFileVersion = 1;

struct PlotFileRead {
    bool ok = false;
    std::string error;  // "" when ok
    PlotState state;    // default state unless ok
};

PlotFileRead loadPlotFile(const std::string& path);
// Written to a temporary file beside path and renamed onto it; false with error set otherwise.
bool savePlotFile(const std::string& path, const PlotState& state, std::string& error);

// The same on text, for callers that keep the document elsewhere.
std::string plotStateToJson(const PlotState& state);
PlotFileRead plotStateFromJson(const std::string& json);

}  // namespace graphs
