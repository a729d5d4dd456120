#pragma once
// The manual limits a graph's first plot gets from its points' range: 3% of the span on each
// side of both axes (0.001 on Y when 3% of the span is below 0.00002, so a flat signal still
// has a height); an event graph shows its X range exactly.

#include "analysis/graphs/plot/PlotState.h"

namespace graphs {

PlotLimits limitsWithMargins(double xStart, double xEnd, double yMin, double yMax,
                             bool eventGraph);

}  // namespace graphs
