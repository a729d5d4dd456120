#include "analysis/graphs/plot/PlotState.h"

#include <cmath>

namespace graphs {

bool isMissingValue(double y) { return std::isnan(y) || y == kMissingValue; }

bool isKnownAnnotationType(std::int32_t type) {
    switch (type) {
    case 0: case 37: case 38: case 43: case 44: case 45: return true;
    default: return false;
    }
}

bool isLineStart(AnnotationType type) {
    return type == AnnotationType::ThinLineStart || type == AnnotationType::MediumLineStart ||
           type == AnnotationType::ThickLineStart;
}

}  // namespace graphs
