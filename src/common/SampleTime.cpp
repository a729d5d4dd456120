#include "common/SampleTime.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace common {

double roundHalfEven(double x) {
    if (!std::isfinite(x)) return x;
    const double below = std::floor(x);
    const double fraction = x - below;
    if (fraction < 0.5) return below;
    if (fraction > 0.5) return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

double SampleTime::timeOfIndex(std::int64_t i) const {
    return static_cast<double>(i - 1) * Ts + t0;
}

std::int32_t SampleTime::TimeToIndex(double t) const {
    if (N < 1) return 1;
    const double steps = roundHalfEven((t - t0) / Ts);
    if (std::isnan(steps)) return 1;
    // Compared as reals before converting: a far-off time must not overflow the integer.
    if (steps < 0.0) return 1;
    if (steps >= static_cast<double>(N - 1)) return N;
    return static_cast<std::int32_t>(steps) + 1;
}

namespace {

void checkChannels(const RecordTiming& record) {
    if (record.nrChannels < 1)
        throw std::invalid_argument("The number of channels must be at least 1");
}

}  // namespace

std::int64_t preTriggerPointsPerChannel(const RecordTiming& record) {
    checkChannels(record);
    if (record.stopPressed && !record.triggered)
        return (record.words - record.nrChannels) / record.nrChannels;
    return record.preTriggerPts / record.nrChannels;
}

SampleTime sampleTimeOfRecord(const RecordTiming& record) {
    checkChannels(record);
    if (!(record.sampleSpeedInHz > 0.0) || !std::isfinite(record.sampleSpeedInHz))
        throw std::invalid_argument("The sample speed must be a positive number of hertz");
    const std::int64_t points = record.words / record.nrChannels;
    if (points < 0 || points > std::numeric_limits<std::int32_t>::max())
        throw std::invalid_argument("The data file holds more points than a channel can have");
    SampleTime time;
    time.Ts = 1000.0 / record.sampleSpeedInHz;
    time.t0 = -static_cast<double>(preTriggerPointsPerChannel(record)) * 1000.0 /
              record.sampleSpeedInHz;
    time.N = static_cast<std::int32_t>(points);
    return time;
}

}  // namespace common
