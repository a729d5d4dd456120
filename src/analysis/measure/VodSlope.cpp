#include "analysis/measure/VodSlope.h"

#include <algorithm>
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

// Adds the plain points from..to (table values, no edits), in blocks of kBlockPoints, each
// summed about its own first point and value. The sums over k (the offset in the block) have
// closed forms; two interleaved sets of sums keep the additions from waiting on each other.
void addRun(Moments& total, const GraphSeries& series, std::int32_t first, std::int32_t from,
            std::int32_t to) {
    const double* table = series.table.data();
    const std::int64_t stride = series.samples.stride();
    for (std::int32_t a = from; a <= to; a += kBlockPoints) {
        const std::int32_t m = std::min(kBlockPoints, to - a + 1);
        const std::uint16_t* w =
            series.samples.wordsOfChannel() + static_cast<std::int64_t>(a - 1) * stride;
        const double y0 = table[*w & files::kCodeMask];
        double sy0 = 0.0, sy1 = 0.0, syy0 = 0.0, syy1 = 0.0, sky0 = 0.0, sky1 = 0.0;
        double k = 0.0;
        std::int32_t j = 0;
        for (; j + 1 < m; j += 2, k += 2.0, w += 2 * stride) {
            const double d0 = table[w[0] & files::kCodeMask] - y0;
            const double d1 = table[w[stride] & files::kCodeMask] - y0;
            sy0 += d0;
            syy0 += d0 * d0;
            sky0 += k * d0;
            sy1 += d1;
            syy1 += d1 * d1;
            sky1 += (k + 1.0) * d1;
        }
        if (j < m) {
            const double d0 = table[*w & files::kCodeMask] - y0;
            sy0 += d0;
            syy0 += d0 * d0;
            sky0 += k * d0;
        }
        const double n = m;
        const double sy = sy0 + sy1, syy = syy0 + syy1, sky = sky0 + sky1;
        const double sk = n * (n - 1.0) / 2.0;
        Moments block;
        block.n = n;
        block.meanK = static_cast<double>(a - first) + (n - 1.0) / 2.0;
        block.meanY = y0 + sy / n;
        block.ckk = n * (n * n - 1.0) / 12.0;
        block.cyy = syy - sy * sy / n;
        block.cky = sky - sk * sy / n;
        total.merge(block);
    }
}

SlopeFit refuse(SlopeFit fit, std::string reason) {
    fit.ok = false;
    fit.reason = std::move(reason);
    return fit;
}

}  // namespace

SlopeFit GetSlopeInterceptAverage(const GraphSeries& series, double time1, double time2) {
    SlopeFit fit;
    if (!std::isfinite(time1) || !std::isfinite(time2)) return refuse(fit, "a time is not a finite number");
    if (series.points() < 2) return refuse(fit, "the graph has no values");
    if (time1 > time2) std::swap(time1, time2);
    const std::int32_t first = series.time.TimeToIndex(time1);
    const std::int32_t last = series.time.TimeToIndex(time2);
    fit.first = first;
    fit.last = last;
    if (first == last) return refuse(fit, "the two times give the same point");

    Moments total;
    forEachKeptRun(
        series, first, last,
        [&](std::int32_t from, std::int32_t to) { addRun(total, series, first, from, to); },
        [&](std::int32_t i, double y) {
            Moments one;
            one.n = 1.0;
            one.meanK = static_cast<double>(i - first);
            one.meanY = y;
            total.merge(one);
        });

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
