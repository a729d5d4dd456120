#include "analysis/graphs/window/ZoomHistory.h"

#include <algorithm>
#include <cmath>

namespace graphs {

PlotLimits zoomBoxLimits(const PlotLimits& current, const PlotLimits& box) {
    PlotLimits limits = box;
    const double shown = std::fabs(current.yMax - current.yMin);
    const double drawn = std::fabs(box.yMax - box.yMin);
    if (0.98 * shown < drawn) {
        limits.yMin -= 0.03 * drawn;
        limits.yMax += 0.03 * drawn;
    }
    return limits;
}

void ZoomHistory::reset(const PlotLimits& first) {
    m_entries.fill(first);
    m_level = 0;
}

const PlotLimits& ZoomHistory::entry(int level) const {
    return m_entries[static_cast<std::size_t>(std::clamp(level, 0, kTopLevel))];
}

void ZoomHistory::push(const PlotLimits& limits) {
    if (m_level < kTopLevel) {
        ++m_level;
    } else {
        std::move(m_entries.begin() + 2, m_entries.end(), m_entries.begin() + 1);
    }
    m_entries[static_cast<std::size_t>(m_level)] = limits;
}

std::optional<PlotLimits> ZoomHistory::unzoom() {
    if (m_level <= 0) return std::nullopt;
    --m_level;
    return current();
}

const PlotLimits& ZoomHistory::resetToFull() {
    m_level = 0;
    return current();
}

}  // namespace graphs
