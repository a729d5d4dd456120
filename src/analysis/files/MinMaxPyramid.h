#pragma once
// Minima and maxima of the converted values of one channel, precomputed level by level, so
// that the smallest and largest value of any range of points (and where they lie) are found
// by reading a few dozen nodes instead of every sample.
//
// Level 1 holds one node per 16 points, every further level one node per 16 nodes of the
// level below, up to a top level of at most 16 nodes. A node keeps the sample code of its
// smallest and of its largest converted value (4 bytes), so the pyramid of a channel of N
// points takes about N / 15 * 4 bytes and the values themselves stay in the table.
//
// Order of values: the minimum is the first point (lowest index) holding the smallest
// value, the maximum the last point holding the largest value. A value that is not a number
// counts as larger than every number for the minimum and smaller than every number for the
// maximum, so it is chosen only where a range holds nothing else. These are exactly the
// choices of a walk over the points that replaces its minimum when a value is smaller and
// its maximum when a value is not smaller (see lessForMinimum / lessForMaximum), so an
// answer from the pyramid equals the answer of reading every point.

#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "analysis/files/ChannelSamples.h"

namespace files {

// a comes before b when looking for the smallest value (not-a-number is the largest).
inline bool lessForMinimum(double a, double b) {
    return a < b || (std::isnan(b) && !std::isnan(a));
}
// a lies below b when looking for the largest value (not-a-number is the smallest).
inline bool lessForMaximum(double a, double b) {
    return a < b || (std::isnan(a) && !std::isnan(b));
}
inline bool sameValue(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

struct PointValue {
    std::int32_t index = 0;  // 1-based point index
    double value = 0.0;
};

struct RangeExtremes {
    PointValue min;  // first point with the smallest value
    PointValue max;  // last point with the largest value
};

class MinMaxPyramid {
public:
    static constexpr int kFanOutBits = 4;
    static constexpr std::int64_t kFanOut = 1 << kFanOutBits;

    // One channel. The samples and the table must outlive the pyramid; a table shorter than
    // kCodeCount entries gives a pyramid without levels (every query reads the points).
    MinMaxPyramid(ChannelSamples samples, CodeTable table);

    struct ChannelRequest {
        std::int32_t channel = 1;  // 1..nrChannels
        CodeTable table;
    };
    // The pyramids of several channels of one data file (words, wordCount, nrChannels as for
    // ChannelSamples), built together in one pass over the file where the tables allow.
    static std::vector<std::unique_ptr<MinMaxPyramid>> buildForChannels(
        const std::uint16_t* words, std::int64_t wordCount, std::int32_t nrChannels,
        std::span<const ChannelRequest> requests);

    // Extremes of the points first..last (1 <= first <= last <= points()).
    RangeExtremes extremes(std::int32_t first, std::int32_t last) const;

    std::int32_t points() const { return m_samples.points(); }
    const ChannelSamples& samples() const { return m_samples; }
    CodeTable table() const { return m_table; }
    int levels() const { return static_cast<int>(m_levels.size()); }
    std::size_t memoryBytes() const;

    // How the table orders the codes; decides how nodes are combined while building.
    enum class TableOrder { NonDecreasing, NonIncreasing, Any };
    static TableOrder orderOf(CodeTable table);

    struct Node {
        std::uint16_t minCode;  // code of the node's smallest value
        std::uint16_t maxCode;  // code of the node's largest value
    };

private:
    MinMaxPyramid(ChannelSamples samples, CodeTable table, std::vector<Node> level1);
    void buildLevel1ByValue();
    void buildUpperLevels();

    double valueAt(int level, std::int64_t node, bool forMinimum) const;
    std::int64_t nodeCount(int level) const;
    std::int32_t descend(int level, std::int64_t node, double target, bool forMinimum) const;

    ChannelSamples m_samples;
    CodeTable m_table;
    TableOrder m_order = TableOrder::Any;
    bool m_finite = false;  // no infinity or NaN in the table: plain comparisons serve
    std::vector<std::vector<Node>> m_levels;  // m_levels[0] is level 1
};

}  // namespace files
