#include "analysis/measure/VodSlope.h"

#include <cmath>

#include "analysis/files/clsDataset.h"
#include "common/NumberFormat.h"

namespace measure {
namespace {

// Points per block of the fit: short enough that the sums of a block, taken about its first
// point, keep their precision; long enough that merging costs nothing.
constexpr std::int32_t kBlockPoints = 4096;

// Count, means and centred second moments of (k, y), k being the point's offset from the
// first point of the range.
struct Moments {
    double n = 0.0;
    double meanK = 0.0;
    double meanY = 0.0;
    double ckk = 0.0;
    double cyy = 0.0;
    double cky = 0.0;

    void merge(const Moments& b) {
        if (b.n == 0.0) return;
        if (n == 0.0) {
            *this = b;
            return;
        }
        const double total = n + b.n;
        const double dk = b.meanK - meanK;
        const double dy = b.meanY - meanY;
        const double weight = n * b.n / total;
        meanK += dk * b.n / total;
        meanY += dy * b.n / total;
        ckk += b.ckk + dk * dk * weight;
        cyy += b.cyy + dy * dy * weight;
        cky += b.cky + dk * dy * weight;
        n = total;
    }
};

// Plain sums of one block, about the block's first index and first value.
struct BlockSums {
    std::int32_t base = 0;
    double yBase = 0.0;
    double n = 0.0, k = 0.0, y = 0.0, kk = 0.0, yy = 0.0, ky = 0.0;

    Moments moments(std::int32_t first) const {
        Moments m;
        if (n == 0.0) return m;
        m.n = n;
        m.meanK = static_cast<double>(base - first) + k / n;
        m.meanY = yBase + y / n;
        m.ckk = kk - k * k / n;
        m.cyy = yy - y * y / n;
        m.cky = ky - k * y / n;
        return m;
    }
};

SlopeFit refuse(SlopeFit fit, std::string reason) {
    fit.ok = false;
    fit.reason = std::move(reason);
    return fit;
}

}  // namespace

SlopeFit GetSlopeInterceptAverage(const GraphSeries& series, double time1, double time2) {
    SlopeFit fit;
    if (std::isnan(time1) || std::isnan(time2)) return refuse(fit, "a time is not a number");
    if (series.points() < 2) return refuse(fit, "the graph has no values");
    if (time1 > time2) std::swap(time1, time2);
    const std::int32_t first = series.time.TimeToIndex(time1);
    const std::int32_t last = series.time.TimeToIndex(time2);
    fit.first = first;
    fit.last = last;
    if (first == last) return refuse(fit, "the two times give the same point");

    Moments total;
    BlockSums block;
    std::int32_t blockEnd = 0;  // first index after the current block
    forEachKept(series, first, last, [&](std::int32_t i, double y) {
        if (i >= blockEnd) {
            total.merge(block.moments(first));
            block = BlockSums{};
            block.base = i;
            block.yBase = y;
            blockEnd = i + kBlockPoints;
        }
        const double k = static_cast<double>(i - block.base);
        const double dy = y - block.yBase;
        block.n += 1.0;
        block.k += k;
        block.y += dy;
        block.kk += k * k;
        block.yy += dy * dy;
        block.ky += k * dy;
    });
    total.merge(block.moments(first));

    fit.count = static_cast<std::int32_t>(total.n);
    if (fit.count < 2) return refuse(fit, "fewer than two points in the range");
    if (!(total.ckk > 0.0)) return refuse(fit, "the points of the range share one time");

    const double ts = series.time.Ts;
    const double slopePerPoint = total.cky / total.ckk;
    const double meanTime = series.timeOf(first) + total.meanK * ts;
    fit.slope = slopePerPoint / ts;
    fit.average = total.meanY;
    fit.intercept = total.meanY - fit.slope * meanTime;
    if (!std::isfinite(fit.slope) || !std::isfinite(fit.intercept) || !std::isfinite(fit.average))
        return refuse(fit, "the values of the range are not all numbers, or too large");

    const double residual = std::max(0.0, total.cyy - slopePerPoint * total.cky);
    if (fit.count > 2)
        fit.slopeStandardError = std::sqrt(residual / (total.n - 2.0) / total.ckk) / ts;
    if (total.cyy > 0.0)
        fit.rSquared = std::min(1.0, total.cky * total.cky / (total.ckk * total.cyy));
    fit.ok = true;
    return fit;
}

SlopeFit GetSlopeInterceptAverage(const files::clsDataset& dataset, double time1, double time2,
                                  std::int32_t graph) {
    return GetSlopeInterceptAverage(seriesOf(dataset, graph), time1, time2);
}

void GetSlopeInterceptAverage(const files::clsDataset& dataset, bool& ok, double time1,
                              double time2, std::int32_t graph, double& average, double& slope,
                              double& intercept) {
    const SlopeFit fit = GetSlopeInterceptAverage(dataset, time1, time2, graph);
    ok = fit.ok;
    if (!ok) return;  // nothing else is set
    average = fit.average;
    slope = fit.slope;
    intercept = fit.intercept;
}

void GetCurGraphSlope(const files::clsDataset& dataset, std::int32_t graph, double time1,
                      double time2, double& slope, double& intercept, bool& ok) {
    double average = 0.0;
    GetSlopeInterceptAverage(dataset, ok, time1, time2, graph, average, slope, intercept);
}

int StartVodCommand(bool isVodGraph, int mode, common::Prompt& prompt) {
    if (!isVodGraph) {
        common::ShowMessage(prompt, kNotAVodGraph);
        return 0;
    }
    common::ShowMessage(prompt, kClickTwoPointsForVod);
    return mode == kModeVodRegression ? kModeVodRegression : kModeVodTwoPoints;
}

bool bPickPairAccepted(std::int32_t index1, std::int32_t index2) { return index1 != index2; }

std::optional<double> twoPointVod(double ta, double ya, double tb, double yb) {
    if (ta == tb) return std::nullopt;
    const double vod = std::fabs((ya - yb) / (ta - tb)) * 1000.0;
    if (!std::isfinite(vod)) return std::nullopt;
    return vod;
}

std::string twoPointVodLabel(double ta, double ya, double tb, double yb,
                             const std::string& vodUnits) {
    const auto vod = twoPointVod(ta, ya, tb, yb);
    if (!vod) return "VOD = ?";
    return "VOD = " + common::formatNumber(*vod, "#0.0") + " " + vodUnits;
}

std::optional<RegressionLine> regressionVodLine(const SlopeFit& fit, double ta, double tb,
                                                const std::string& vodUnits) {
    if (!fit.ok) return std::nullopt;
    RegressionLine line;
    line.t1 = ta;
    line.y1 = fit.slope * ta + fit.intercept;
    line.t2 = tb;
    line.y2 = fit.slope * tb + fit.intercept;
    line.label = common::formatNumber(fit.slope * 1000.0, "#0.0") + " " + vodUnits;
    return line;
}

std::string timeDifferenceLabel(double t1, double t2, const std::string& timeUnits) {
    return "T = " + common::formatNumber(t2 - t1, "0.0000") + " " + timeUnits;
}

std::string valueDifferenceLabel(double y1, double y2, const std::string& yUnits) {
    return "Y = " + common::formatNumber(y2 - y1, "0.0000") + " " + yUnits;
}

}  // namespace measure
