#pragma once
// Small recorder images for fast tests, and a decoder of settings bytes written from the
// download side's documented rules (not from the emulator's encoders).

#include "recsim/DefaultImage.h"
#include "recsim/RecorderImage.h"
#include "recsim/SettingsMemory.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace recsim::testing {

// The realistic image of `recsim make`, on a memory of `blocksWords` words per block.
inline RecorderImage smallImage(int tests, int slots, std::uint64_t blockWords = 32) {
    ImageOptions o;
    o.tests = tests;
    o.slots = slots;
    o.memoryWords = 192 * blockWords;
    return makeImage(o);
}

// Decoders as the download side applies them to a settings line.
struct RuleDecoder {
    const SettingsMemory& m;

    int byte(int n, int k) const { return m.byte(n, k); }
    std::int32_t composite(int n, int k1, int k2, int k3, int k4) const {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%02X%02X%02X%02X", byte(n, k1), byte(n, k2), byte(n, k3), byte(n, k4));
        return static_cast<std::int32_t>(std::stoul(hex, nullptr, 16));
    }
    int wordBE(int n, int j) const { return byte(n, 2 * j) * 256 + byte(n, 2 * j + 1); }
    int wordLE(int n, int j) const { return byte(n, 2 * j + 1) * 256 + byte(n, 2 * j); }
    long long bcdUnsigned(int n, int hi, int lo) const {
        long long value = 0;
        long long weight = 1;
        for (int k = hi; k >= lo; --k) {
            const int b = byte(n, k);
            value += ((b & 0x0F) + 10 * (b >> 4)) * weight;
            weight *= 100;
        }
        return value;
    }
    long long bcdSigned(int n, int hi, int lo) const {
        long long value = hi > lo ? bcdUnsigned(n, hi, lo + 1) : 0;
        long long weight = 1;
        for (int k = hi; k > lo; --k) weight *= 100;
        const int b = byte(n, lo);
        value += (b & 0x0F) * weight;
        return (b >> 4) == 0xC ? -value : value;
    }
    bool bit(int n, int k, int b) const { return (byte(n, k) >> b) & 1; }
    int field3(int n, int k, int b) const { return bit(n, k, b) + 2 * bit(n, k, b + 1) + 4 * bit(n, k, b + 2); }
    int field4(int n, int k, int b) const { return field3(n, k, b) + 8 * bit(n, k, b + 3); }

    // Trigger and stop of test t as "ATRIG", "ASTOP" and "PreTriggerPts".
    struct Positions {
        long long atrig, astop, pre;
        bool half;
    };
    Positions positions(int t, int slots) const {
        const long long slotWords = 0x1800000 / slots;
        const int l = 4 * t + 28;
        const long long code = byte(l, 0) | (byte(l, 1) << 8) | (byte(l, 2) << 16) |
                               (static_cast<long long>(byte(l, 3) & 0x0F) << 24);
        const int half = (code >> 25) & 1;
        const long long stop = byte(l, 4) | (byte(l, 5) << 8) | (byte(l, 6) << 16);
        Positions p{};
        p.half = half;
        p.atrig = ((code + 32 * half) & 0x1FFFFFF) % slotWords;
        p.astop = ((((stop + 1) & 0xFFFFF) + half) * 32) % slotWords;
        p.pre = p.atrig - p.astop + 32 * half;
        if (p.pre < 0) p.pre += slotWords;
        return p;
    }
};

}  // namespace recsim::testing
