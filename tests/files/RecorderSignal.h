#pragma once
// A two-channel record as the recorder stores it: 14-bit codes in 16-bit little-endian words,
// interleaved (channel 1, channel 2, channel 1, ...).
// - Channel 1, a VOD probe: the initial signal code (about 12000) until the trigger at a
//   quarter of the record, then falling as the probe is consumed, down to about 800 at three
//   quarters, flat after that; noise of about 2.5 codes.
// - Channel 2, a pressure gauge on a bipolar range: zero (8192) until the trigger, then a
//   pulse rising within 200 points to about 15000 and decaying with some ringing; noise of
//   about 3.5 codes.
// Deterministic for a seed, whatever the standard library.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsignal {

class SplitMix {
public:
    explicit SplitMix(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Roughly normal (sum of four uniforms), mean 0, standard deviation 1.
    double noise() {
        double sum = 0;
        for (int i = 0; i < 4; ++i) sum += static_cast<double>(next() >> 11) * 0x1.0p-53;
        return (sum - 2.0) * std::sqrt(3.0);
    }

private:
    std::uint64_t m_state;
};

inline std::uint16_t code(double value) {
    return static_cast<std::uint16_t>(std::clamp(std::lround(value), 0L, 16383L));
}

// `points` points per channel, as the bytes of the data file.
inline std::string recorderRecord(std::size_t points, std::uint64_t seed = 1) {
    SplitMix random(seed);
    std::string bytes(points * 4, '\0');
    const double n = static_cast<double>(points);
    for (std::size_t i = 0; i < points; ++i) {
        const double u = static_cast<double>(i) / n;
        double probe = 800.0;
        if (u < 0.25) probe = 12000.0;
        else if (u < 0.75) probe = 800.0 + 11200.0 * std::pow(1.0 - (u - 0.25) / 0.5, 1.3);
        double pressure = 8192.0;
        if (u >= 0.25) {
            const double t = (u - 0.25) * n;
            pressure += 6800.0 * std::min(1.0, t / 200.0) * std::exp(-t / (0.05 * n)) *
                        (1.0 + 0.1 * std::sin(t / 400.0) * std::exp(-t / (0.01 * n)));
        }
        const std::uint16_t words[2] = {code(probe + 2.5 * random.noise()),
                                        code(pressure + 3.5 * random.noise())};
        for (int c = 0; c < 2; ++c) {
            bytes[4 * i + 2 * c] = static_cast<char>(words[c] & 0xFF);
            bytes[4 * i + 2 * c + 1] = static_cast<char>(words[c] >> 8);
        }
    }
    return bytes;
}

}  // namespace testsignal
