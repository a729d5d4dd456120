#include "recsim/Calibration.h"

#include <cmath>

namespace recsim {
namespace {

std::int64_t rounded(double x) { return static_cast<std::int64_t>(std::llround(x)); }

std::uint64_t nonNegative(double x) {
    const auto r = rounded(x);
    return r < 0 ? 0 : static_cast<std::uint64_t>(r);
}

}  // namespace

std::uint64_t storedRsrf(const InputCalibration& c) { return nonNegative(c.rsrfOhms * 1000.0); }

std::int64_t storedVfs(const InputCalibration& c, int group) {
    return rounded(c.vfsVolts.at(static_cast<std::size_t>(group)) * 1e6);
}

std::uint64_t storedKs(const InputCalibration& c, int group) {
    return nonNegative(c.ks.at(static_cast<std::size_t>(group)) * 1e6);
}

std::uint64_t storedVtEntry(const InputCalibration& c, int dac) {
    return nonNegative((c.vtOffsetVolts + c.vtGainVoltsPerCode * dac) * 1e5);
}

double rsrfOhms(const InputCalibration& c) { return static_cast<double>(storedRsrf(c)) * 0.001; }

double vfsVolts(const InputCalibration& c, int group) {
    return static_cast<double>(storedVfs(c, group)) * 0.000001;
}

double ksGain(const InputCalibration& c, int group) {
    return static_cast<double>(storedKs(c, group)) / 1000000.0;
}

double thresholdVolts(const InputCalibration& c, int dac) {
    const int r = dac % 4;
    const int base = dac - r;
    const auto lo = static_cast<double>(storedVtEntry(c, base));
    if (r == 0) return lo / 100000.0;
    const auto hi = static_cast<double>(storedVtEntry(c, base + 4));
    return ((hi - lo) * r / 4 + lo) / 100000.0;
}

}  // namespace recsim
