#include "analysis/graphs/plot/PlotMargins.h"

#include <cmath>

namespace graphs {

PlotLimits limitsWithMargins(double xStart, double xEnd, double yMin, double yMax,
                             bool eventGraph) {
    double yMargin = 0.03 * std::fabs(yMax - yMin);
    if (yMargin < 0.00002) yMargin = 0.001;
    const double xMargin = eventGraph ? 0.0 : 0.03 * std::fabs(xEnd - xStart);
    return {xStart - xMargin, xEnd + xMargin, yMin - yMargin, yMax + yMargin};
}

}  // namespace graphs
