#pragma once
// Realistic recorder images made from a few choices: what `recsim make` writes. Test 1 is a
// VOD shot at 6500 m/s on input 1 (a 6 m probe of 10.8 ohm/m) with a pressure pulse on
// input 2; further tests vary the velocity, the sample rate and the pulse, and every third
// one records input 1 only.

#include "recsim/RecorderImage.h"

#include <cstdint>

namespace recsim {

struct ImageOptions {
    int tests = 1;
    int slots = 4;
    std::uint64_t memoryWords = kFullMemoryWords;
    std::uint32_t port = 888;
    std::uint32_t serialNumber = 1207;
    std::uint64_t seed = 1;
    // Number of the newest measurement; 0 = 100 + tests.
    std::uint32_t measurementCounter = 0;
};

// Throws ImageError when the options describe no valid recorder (for example more tests
// than slots).
RecorderImage makeImage(const ImageOptions& options);

}  // namespace recsim
