#pragma once
// The zoom history of a graph window: entry 0 holds the limits of the first plot, each zoom
// box pushes its limits (levels 0 to 40), an unzoom steps one level back.
//
// A zoom past level 40 keeps the newest limits: the oldest zoom (entry 1) is dropped and the
// entries above it move down one, so entry 0 (the first plot) stays and unzoom still walks
// back through the 40 most recent zooms. Nothing is ever written past the 41 entries.

#include <array>
#include <optional>

#include "analysis/graphs/plot/PlotState.h"

namespace graphs {

// What a completed zoom box shows: when the box kept nearly the whole height of the current
// view (more than 98 % of it) its Y extents are widened by 3 % of the box's height on each
// side; otherwise the box is used as drawn.
PlotLimits zoomBoxLimits(const PlotLimits& current, const PlotLimits& box);

class ZoomHistory {
public:
    static constexpr int kEntries = 41;
    static constexpr int kTopLevel = kEntries - 1;

    // Level 0 with the first plot's limits.
    void reset(const PlotLimits& first);
    int level() const { return m_level; }
    const PlotLimits& current() const { return m_entries[static_cast<std::size_t>(m_level)]; }
    const PlotLimits& entry(int level) const;

    // A new zoom: level + 1 (see above at the top level).
    void push(const PlotLimits& limits);
    // One level back; nothing at level 0.
    std::optional<PlotLimits> unzoom();
    // Level 0: the first plot's limits.
    const PlotLimits& resetToFull();

private:
    std::array<PlotLimits, kEntries> m_entries{};
    int m_level = 0;
};

}  // namespace graphs
