#include "analysis/graphs/window/ClickState.h"

#include <cstdlib>

namespace graphs {

bool isTwoPointMode(std::int32_t mode) {
    return mode == kModeDelay || mode == kModeValueDifference || mode == kModeVodTwoPoints ||
           mode == kModeVodRegression;
}

void ClickState::setMode(std::int32_t mode) {
    m_mode = mode;
    m_endpoints = 0;
    if (isTwoPointMode(mode)) {
        m_pickActive = true;
        m_picked = 0;
        m_points = {-1, -1};
    }
    if (mode == kModeInsertText) m_defaultText = kDefaultAnnotationText;
}

void ClickState::reset() {
    m_mode = kModeNormal;
    m_pickActive = false;
    m_picked = 0;
    m_points = {-1, -1};
    m_endpoints = 0;
    m_move = MoveState{};
    m_defaultText.clear();
}

PickStep ClickState::pick(std::int32_t point) {
    if (!m_pickActive || point < 0) return PickStep::Ignored;
    if (m_picked >= 2) {
        m_pickActive = false;
        m_picked = 0;
        m_points = {-1, -1};
        return PickStep::Ended;
    }
    if (m_picked == 1 && std::abs(point - m_points[0]) < 1) return PickStep::Ignored;
    m_points[static_cast<std::size_t>(m_picked)] = point;
    ++m_picked;
    if (m_picked == 1) return PickStep::First;
    m_mode = kModeNormal;
    return PickStep::Pair;
}

bool ClickState::addEndpoint(double x, double y) {
    if (m_endpoints >= 2) m_endpoints = 0;
    m_x[static_cast<std::size_t>(m_endpoints)] = x;
    m_y[static_cast<std::size_t>(m_endpoints)] = y;
    ++m_endpoints;
    if (m_endpoints < 2) return false;
    return true;
}

}  // namespace graphs
