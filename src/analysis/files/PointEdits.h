#pragma once
// The removed and moved points of one graph, as the readers of graph values see them.
//
// The value of point i of a graph is its conversion table at the point's sample code, unless
// the point was moved (then its moved value) or removed (then it is left out). The stores
// that keep these edits beside the test implement this interface; a graph without stores
// uses NoPointEdits.
//
// editsIn() is what lets a reader of a long range stay fast: it names the few edited points
// of the range, so every other stretch of the range can be answered from precomputed
// minima and maxima without reading a single sample. A store must therefore be able to list
// its edited indexes of a range in index order (the removed-points file is sorted; the
// moved-points store keeps its pages in memory).

#include <cstdint>
#include <optional>
#include <vector>

namespace files {

struct PointEdit {
    std::int32_t index = 0;   // 1-based point index
    bool removed = false;     // a removed point is left out, whatever its moved value
    double movedValue = 0.0;  // the point's value when it is moved and not removed
};

class PointEdits {
public:
    virtual ~PointEdits() = default;

    // False when the graph has neither removed nor moved points.
    virtual bool hasEdits() const = 0;
    virtual bool isRemoved(std::int32_t index) const = 0;
    virtual std::optional<double> movedValue(std::int32_t index) const = 0;
    // The edited points with first <= index <= last, in increasing index order, each index
    // once.
    virtual std::vector<PointEdit> editsIn(std::int32_t first, std::int32_t last) const = 0;
};

// A graph without removed or moved points.
class NoPointEdits final : public PointEdits {
public:
    bool hasEdits() const override { return false; }
    bool isRemoved(std::int32_t) const override { return false; }
    std::optional<double> movedValue(std::int32_t) const override { return std::nullopt; }
    std::vector<PointEdit> editsIn(std::int32_t, std::int32_t) const override { return {}; }

    static const NoPointEdits& instance() {
        static const NoPointEdits none;
        return none;
    }
};

}  // namespace files
