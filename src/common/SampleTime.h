#pragma once
// Sample time and point index, the one convention of every program:
//   point i (1-based word index of a channel) lies at t = (i - 1) * Ts + t0 milliseconds,
//   TimeToIndex(t) = round-half-to-even((t - t0) / Ts) + 1, limited to 1..N.
// Ts is the time between two points of one channel, t0 the time of point 1.

#include <cstdint>

namespace common {

// x rounded to the nearest integer, halves to the even neighbour (0.5 -> 0, 1.5 -> 2,
// -2.5 -> -2), independent of the floating-point rounding mode. NaN and infinities stay.
double roundHalfEven(double x);

struct SampleTime {
    double Ts = 1.0;    // milliseconds per point of one channel
    double t0 = 0.0;    // time of point 1, milliseconds
    std::int32_t N = 0; // points per channel

    // Time of the 1-based point index i, in milliseconds.
    double timeOfIndex(std::int64_t i) const;

    // The 1-based index nearest to time t (halves to the even index distance from t0),
    // limited to 1..N. A NaN time gives 1, and so does any time when N is below 1.
    std::int32_t TimeToIndex(double t) const;
};

// What the set file and the data file's size say about a record's timing.
struct RecordTiming {
    std::int64_t words = 0;           // 16-bit words in the data file (all channels)
    std::int32_t nrChannels = 1;      // "NrChannels"
    double sampleSpeedInHz = 1.0;     // "SampleSpeedInHz", per channel
    std::int64_t preTriggerPts = 0;   // "PreTriggerPts", words of all channels before the trigger
    bool stopPressed = false;         // "Stop Pressed"
    bool triggered = false;           // "Triggered"
};

// Points per channel that lie before the trigger: PreTriggerPts div NrChannels (truncating);
// when recording was ended by the stop button without a trigger the whole record counts as
// before the trigger, (words - NrChannels) div NrChannels, so that the last point lies at 0.
// Throws std::invalid_argument when nrChannels is below 1.
std::int64_t preTriggerPointsPerChannel(const RecordTiming& record);

// Ts = 1000 / SampleSpeedInHz, t0 = -P * 1000 / SampleSpeedInHz with P as above, N = words
// div NrChannels. Throws std::invalid_argument when nrChannels is below 1, the sample speed
// is not a positive finite number, or N does not fit in 32 bits.
SampleTime sampleTimeOfRecord(const RecordTiming& record);

}  // namespace common
