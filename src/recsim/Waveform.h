#pragma once
// The sample codes of one channel of one test, generated point by point from the channel's
// signal description: a pure function of the point index (noise included, seeded), so any
// part of a slot can be produced on demand and the same index always gives the same code.

#include "recsim/RecorderImage.h"

#include <cstddef>
#include <cstdint>

namespace recsim {

class Waveform {
public:
    // channel 0 or 1; prePoints = points of this channel before the trigger point.
    Waveform(const RecorderImage& image, const StoredTest& test, int channel,
             std::uint64_t prePoints, std::uint64_t noiseSeed);

    // Codes of points k0 .. k0+count-1 into out[0], out[stride], ...
    void fill(std::uint64_t k0, std::size_t count, std::uint16_t* out, std::size_t stride) const;
    std::uint16_t code(std::uint64_t k) const;

    // Input voltage of point k before noise and conversion (for descriptions and tests).
    double volts(std::uint64_t k) const;

private:
    double secondsAfterTrigger(std::uint64_t k) const {
        return static_cast<double>(k) * m_dt - m_preSeconds;
    }
    double cleanVolts(double t) const;
    std::uint16_t toCode(double volts) const {
        const double c = volts * m_codePerVolt + m_codeOffset + 0.5;
        if (!(c > 0)) return 0;
        if (c >= 16383.0) return 16383;
        return static_cast<std::uint16_t>(c);
    }
    template <typename Volts>
    void fillWith(std::uint64_t k0, std::size_t count, std::uint16_t* out, std::size_t stride,
                  Volts volts) const;

    SignalKind m_kind;
    ChannelSignal m_signal;
    int m_channel;
    double m_dt;              // seconds per point
    double m_preSeconds;      // time of point 0 is -m_preSeconds
    double m_codePerVolt;     // code = volts * m_codePerVolt + m_codeOffset
    double m_codeOffset;
    double m_threshold;       // VOD divider
    double m_rref;
    std::uint64_t m_seed;
};

// Deterministic noise for an index: the sum of four uniforms on 0..65535 less its mean, so
// roughly normal with standard deviation kNoiseSigma and bounded by 3.46 of them.
inline constexpr double kNoiseSigma = 37837.2;  // 65536 / sqrt(3)
inline double noiseAt(std::uint64_t seed, std::uint64_t index) {
    // Two multiply-xorshift rounds: plenty for noise, cheap enough for every sample.
    std::uint64_t h = (index + seed) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    const auto sum = static_cast<std::int64_t>((h & 0xFFFF) + ((h >> 16) & 0xFFFF) +
                                               ((h >> 32) & 0xFFFF) + (h >> 48));
    return static_cast<double>(sum - 131070);
}
std::uint64_t mixSeed(std::uint64_t a, std::uint64_t b);

}  // namespace recsim
