#pragma once
// What clicks on a graph window's plot mean: the click mode, the two-point pick, the free
// endpoints of an arrow or a line, and the point being moved. Plain state, driven by the
// window with point numbers and graph coordinates, so that it runs without pixels.

#include <array>
#include <cstdint>
#include <string>

namespace graphs {

enum ClickMode : std::int32_t {
    kModeNormal = 0,
    kModeDataValue = 1,
    kModeDelay = 2,
    kModeValueDifference = 3,
    kModeRemovePoint = 4,
    kModeMovePoint = 5,
    kModeInsertText = 6,
    kModeArrow = 7,
    kModeLine = 9,
    kModeVodTwoPoints = 10,
    kModeVodRegression = 11,
    kModeAverage = 12,
    kModeOffset = 15,
    kModeMoveTarget = 25,
};

// Prompts shown before a mode starts.
inline constexpr const char* kPromptDelay = "Click on 2 points.  The time between them will be shown.";
inline constexpr const char* kPromptValueDifference =
    "Click on 2 points.  The difference in value between them will be shown.";
inline constexpr const char* kPromptInsertText = "Click on insertion point, then enter text.";
inline constexpr const char* kPromptArrow = "Click on the 2 endpoints of the arrow.";
inline constexpr const char* kPromptLine = "Click on the 2 endpoints of the line.";
inline constexpr const char* kPromptOffset =
    "Click on a data point. The graph will be offset by that value.";
inline constexpr const char* kDefaultAnnotationText = "New Text";

// Modes whose clicks are collected as a pair of data points.
bool isTwoPointMode(std::int32_t mode);

enum class PickStep {
    Ignored,  // not in a pick, or the same point again
    First,    // the first point of the pair
    Pair,     // the second point: the pair is complete
    Ended,    // a click after a completed pair: the two-point state ends
};

struct MoveState {
    std::int32_t point = -1;  // plotted point number
    double x = 0.0, y = 0.0;
    int stage = 0;            // 1 after the picking click, 2 after its release
};

class ClickState {
public:
    std::int32_t mode() const { return m_mode; }
    // Enters a mode; a two-point mode starts an empty pick.
    void setMode(std::int32_t mode);
    // Mode 0 with picks, endpoints, the move and the default text cleared.
    void reset();

    // --- two-point pick ------------------------------------------------------------------
    bool pickActive() const { return m_pickActive; }
    std::int32_t pickedCount() const { return m_picked; }
    std::int32_t pickedPoint(int n) const { return m_points[static_cast<std::size_t>(n)]; }
    // A click on data point `point`. After a pair the mode returns to 0.
    PickStep pick(std::int32_t point);

    // --- endpoints of an arrow or a line ------------------------------------------------------
    // true when this was the second endpoint (they are then cleared for the next figure).
    bool addEndpoint(double x, double y);
    std::int32_t endpointCount() const { return m_endpoints; }
    double endpointX(int n) const { return m_x[static_cast<std::size_t>(n)]; }
    double endpointY(int n) const { return m_y[static_cast<std::size_t>(n)]; }

    // --- moving a point --------------------------------------------------------------------
    MoveState& move() { return m_move; }
    const MoveState& move() const { return m_move; }

    std::string& defaultText() { return m_defaultText; }

private:
    std::int32_t m_mode = kModeNormal;
    bool m_pickActive = false;
    std::int32_t m_picked = 0;
    std::array<std::int32_t, 2> m_points{-1, -1};
    std::int32_t m_endpoints = 0;
    std::array<double, 2> m_x{}, m_y{};
    MoveState m_move;
    std::string m_defaultText;
};

}  // namespace graphs
