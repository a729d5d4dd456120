#pragma once
// What a graph's plot shows, in plain C++: the points, the axis limits, the titles and axis
// labels, the annotations and whether point markers are drawn. The plot adapter draws it; the
// plot file stores it.

#include <cstdint>
#include <string>
#include <vector>

namespace graphs {

// A Y value equal to this marker (or not a number) is missing: the trace has a gap there.
inline constexpr double kMissingValue = -9999.19;

bool isMissingValue(double y);

// Colours are Windows RGB values: red in the low byte, then green, then blue.
inline constexpr std::uint32_t kBlack = 0;
inline constexpr std::uint32_t kRed = 255;

struct PlotText {
    std::string text;
    std::uint32_t colour = kBlack;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const PlotText&) const = default;
};

struct PlotLimits {
    double xMin = 0.0, xMax = 1.0;
    double yMin = 0.0, yMax = 1.0;

    bool operator==(const PlotLimits&) const = default;
};

// Annotation entry types.
enum class AnnotationType : std::int32_t {
    Text = 0,
    ArrowEnd = 37,
    ThinLineStart = 38,
    MediumLineStart = 43,
    ThickLineStart = 44,
    LineContinuation = 45,
};

bool isKnownAnnotationType(std::int32_t type);
bool isLineStart(AnnotationType type);

// One annotation entry. A line is a start entry followed by continuation entries; an arrow is
// an entry followed by an arrow end. A cleared entry (used = false) draws nothing but keeps its
// number, so numbers are never reused.
struct Annotation {
    bool used = true;
    AnnotationType type = AnnotationType::Text;
    double x = 0.0, y = 0.0;
    std::string text;
    std::uint32_t colour = kBlack;

    bool operator==(const Annotation&) const = default;
};

struct PlotState {
    std::vector<double> x;
    std::vector<double> y;  // same length as x; kMissingValue marks a gap
    PlotLimits limits;      // the manual limits of both axes, also the zoom extents
    PlotText mainTitle, subTitle, xLabel, yLabel;
    std::vector<Annotation> annotations;  // indexed by annotation number
    bool annotationsShown = true;
    bool markers = false;  // draw a marker on every point

    bool operator==(const PlotState&) const = default;
};

}  // namespace graphs
