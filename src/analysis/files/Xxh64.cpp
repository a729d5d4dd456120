#include "analysis/files/Xxh64.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace files {
namespace {

constexpr std::uint64_t P1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t P2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t P3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t P4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t P5 = 0x27D4EB2F165667C5ULL;

static_assert(std::endian::native == std::endian::little, "the hash reads little-endian words");

std::uint64_t read64(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

std::uint32_t read32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

std::uint64_t round(std::uint64_t acc, std::uint64_t input) {
    acc += input * P2;
    acc = std::rotl(acc, 31);
    return acc * P1;
}

std::uint64_t mergeRound(std::uint64_t acc, std::uint64_t lane) {
    acc ^= round(0, lane);
    return acc * P1 + P4;
}

void stripe(std::array<std::uint64_t, 4>& lanes, const unsigned char* p) {
    lanes[0] = round(lanes[0], read64(p));
    lanes[1] = round(lanes[1], read64(p + 8));
    lanes[2] = round(lanes[2], read64(p + 16));
    lanes[3] = round(lanes[3], read64(p + 24));
}

}  // namespace

void Xxh64::update(const void* data, std::size_t size) {
    auto p = static_cast<const unsigned char*>(data);
    m_total += size;
    if (m_pendingSize > 0) {
        const std::size_t take = std::min(size, m_pending.size() - m_pendingSize);
        std::memcpy(m_pending.data() + m_pendingSize, p, take);
        m_pendingSize += take;
        p += take;
        size -= take;
        if (m_pendingSize < m_pending.size()) return;
        stripe(m_lanes, m_pending.data());
        m_pendingSize = 0;
    }
    for (; size >= 32; p += 32, size -= 32) stripe(m_lanes, p);
    std::memcpy(m_pending.data(), p, size);
    m_pendingSize = size;
}

std::uint64_t Xxh64::digest() const {
    std::uint64_t h;
    if (m_total >= 32) {
        h = std::rotl(m_lanes[0], 1) + std::rotl(m_lanes[1], 7) + std::rotl(m_lanes[2], 12) +
            std::rotl(m_lanes[3], 18);
        for (std::uint64_t lane : m_lanes) h = mergeRound(h, lane);
    } else {
        h = P5;  // seed 0
    }
    h += m_total;
    const unsigned char* p = m_pending.data();
    std::size_t left = m_pendingSize;
    for (; left >= 8; p += 8, left -= 8) {
        h ^= round(0, read64(p));
        h = std::rotl(h, 27) * P1 + P4;
    }
    if (left >= 4) {
        h ^= static_cast<std::uint64_t>(read32(p)) * P1;
        h = std::rotl(h, 23) * P2 + P3;
        p += 4;
        left -= 4;
    }
    for (; left > 0; ++p, --left) {
        h ^= *p * P5;
        h = std::rotl(h, 11) * P1;
    }
    h ^= h >> 33;
    h *= P2;
    h ^= h >> 29;
    h *= P3;
    h ^= h >> 32;
    return h;
}

}  // namespace files
