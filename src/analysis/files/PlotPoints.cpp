#include "analysis/files/PlotPoints.h"

#include <algorithm>
#include <cmath>

namespace files {
namespace {

// Buckets shorter than this are read point by point even when a pyramid exists: reading
// them costs less than the pyramid's walk.
constexpr std::int32_t kShortestPyramidBucket = 64;

struct Bucket {
    PointValue min;
    PointValue max;
    bool any = false;

    void add(std::int32_t index, double value) {
        if (!any) {
            min = max = PointValue{index, value};
            any = true;
            return;
        }
        if (lessForMinimum(value, min.value)) min = PointValue{index, value};
        if (!lessForMaximum(value, max.value)) max = PointValue{index, value};
    }
};

class Emitter {
public:
    Emitter(const PlotSource& source, PlotPoints& out) : m_source(source), m_out(out) {
        m_divisor = source.timeDivisor == 0.0 ? 1.0 : source.timeDivisor;
    }

    void emit(const Bucket& bucket) {
        if (!bucket.any) return;
        if (bucket.min.index == bucket.max.index) {
            point(bucket.min);
        } else if (bucket.min.index < bucket.max.index) {
            point(bucket.min);
            point(bucket.max);
        } else {
            point(bucket.max);
            point(bucket.min);
        }
    }

    void finish(std::int32_t first, std::int32_t last) {
        if (m_out.x.empty()) {
            m_out.xMin = xOf(first);
            m_out.xMax = xOf(last);
            m_out.yMin = -kYLimitMargin;
            m_out.yMax = kYLimitMargin;
            return;
        }
        m_out.xMin = m_out.x.front();
        m_out.xMax = m_out.x.back();
        const double low = m_anyNumber ? m_low : 0.0;
        const double high = m_anyNumber ? m_high : 0.0;
        m_out.yMin = low - kYLimitMargin;
        m_out.yMax = high + kYLimitMargin;
    }

private:
    double xOf(std::int32_t index) const { return m_source.time.timeOfIndex(index) / m_divisor; }

    void point(const PointValue& p) {
        m_out.x.push_back(xOf(p.index));
        m_out.y.push_back(p.value);
        m_out.index.push_back(p.index);
        if (std::isnan(p.value)) return;
        if (!m_anyNumber) {
            m_low = m_high = p.value;
            m_anyNumber = true;
        } else {
            m_low = std::min(m_low, p.value);
            m_high = std::max(m_high, p.value);
        }
    }

    const PlotSource& m_source;
    PlotPoints& m_out;
    double m_divisor = 1.0;
    bool m_anyNumber = false;
    double m_low = 0.0;
    double m_high = 0.0;
};

bool usable(const PlotSource& source) {
    return source.samples.points() > 0 &&
           source.table.size() >= static_cast<std::size_t>(kCodeCount);
}

PlotPoints reduce(const PlotSource& source, std::int32_t first, std::int32_t last,
                  std::int32_t maxPoints, bool usePyramid) {
    PlotPoints out;
    if (!usable(source)) return out;
    const std::int32_t n_points = source.samples.points();
    if (first > last) std::swap(first, last);
    first = std::clamp(first, 1, n_points);
    last = std::clamp(last, 1, n_points);
    out.first = first;
    out.last = last;

    const std::int64_t n = static_cast<std::int64_t>(last) - first + 1;
    const std::int32_t limit = std::max(maxPoints, 2);
    out.reduced = n > limit - 1;
    const std::int32_t b = bucketSize(n, limit);
    const std::int64_t buckets = (n + b - 1) / b;
    out.x.reserve(static_cast<std::size_t>(std::min<std::int64_t>(n, 2 * buckets)));
    out.y.reserve(out.x.capacity());
    out.index.reserve(out.x.capacity());

    std::vector<PointEdit> edits;
    if (source.edits && source.edits->hasEdits()) edits = source.edits->editsIn(first, last);
    const MinMaxPyramid* pyramid =
        usePyramid && b >= kShortestPyramidBucket ? source.pyramid : nullptr;
    if (pyramid && (pyramid->points() != n_points || pyramid->table().data() != source.table.data()))
        pyramid = nullptr;

    Emitter emitter(source, out);
    const CodeTable table = source.table;
    std::size_t e = 0;
    std::int64_t pos = first;
    while (pos <= last) {
        const std::int64_t bucketEnd = std::min<std::int64_t>(last, pos + b - 1);
        if (pyramid && (e == edits.size() || edits[e].index > bucketEnd)) {
            const RangeExtremes ext = pyramid->extremes(static_cast<std::int32_t>(pos),
                                                        static_cast<std::int32_t>(bucketEnd));
            Bucket bucket;
            bucket.min = ext.min;
            bucket.max = ext.max;
            bucket.any = true;
            emitter.emit(bucket);
            pos = bucketEnd + 1;
            continue;
        }
        // A bucket of B visited points, read point by point; removed points stretch it.
        Bucket bucket;
        std::int32_t visited = 0;
        while (pos <= last && visited < b) {
            const auto i = static_cast<std::int32_t>(pos++);
            if (e < edits.size() && edits[e].index == i) {
                const PointEdit& edit = edits[e++];
                if (edit.removed) continue;
                bucket.add(i, edit.movedValue);
            } else {
                bucket.add(i, table[source.samples.code(i)]);
            }
            ++visited;
        }
        emitter.emit(bucket);
    }
    emitter.finish(first, last);
    return out;
}

}  // namespace

std::int32_t bucketSize(std::int64_t n, std::int32_t maxPoints) {
    const std::int64_t limit = std::max(maxPoints, 2);
    if (n <= limit - 1) return 2;
    std::int64_t b = std::max<std::int64_t>(2, (2 * n) / limit + 1);
    // Only an odd limit can leave one bucket too many: at most limit div 2 buckets fit.
    const std::int64_t fitting = limit / 2;
    b = std::max(b, (n + fitting - 1) / fitting);
    return static_cast<std::int32_t>(std::min<std::int64_t>(b, INT32_MAX));
}

PlotPoints pointsForDrawing(const PlotSource& source, std::int32_t first, std::int32_t last,
                            std::int32_t maxPoints) {
    return reduce(source, first, last, maxPoints, true);
}

PlotPoints pointsForDrawingDirect(const PlotSource& source, std::int32_t first, std::int32_t last,
                                  std::int32_t maxPoints) {
    return reduce(source, first, last, maxPoints, false);
}

}  // namespace files
