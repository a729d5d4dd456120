#pragma once
// XXH64 (seed 0), fed in pieces of any size. It checks that a decompressed data file is the
// file that was compressed, byte for byte; the same hash that zstd frames carry, so the two
// can be checked against each other.

#include <array>
#include <cstddef>
#include <cstdint>

namespace files {

class Xxh64 {
public:
    void update(const void* data, std::size_t size);
    // The hash of everything fed so far; update() may go on afterwards.
    std::uint64_t digest() const;

private:
    std::array<std::uint64_t, 4> m_lanes{0x9E3779B185EBCA87ULL + 0xC2B2AE3D27D4EB4FULL,
                                         0xC2B2AE3D27D4EB4FULL, 0, 0 - 0x9E3779B185EBCA87ULL};
    std::array<unsigned char, 32> m_pending{};
    std::size_t m_pendingSize = 0;
    std::uint64_t m_total = 0;
};

}  // namespace files
