#pragma once
// One channel of a mapped data file, read point by point without copying.
//
// The data file is a sequence of records of NrChannels little-endian 16-bit words, one word
// per channel in channel order. Point i (1-based) of channel c is word (i - 1) * NrChannels
// + (c - 1). Bits 0 to 13 of a word hold the sample code (0..16383); bits 14 and 15 carry no
// sample and are masked off, so that a damaged word can never index outside a conversion
// table.

#include <bit>
#include <cstdint>
#include <span>

namespace files {

static_assert(std::endian::native == std::endian::little,
              "data files are read in place as little-endian words");

inline constexpr std::int32_t kCodeCount = 16384;
inline constexpr std::uint16_t kCodeMask = 0x3FFF;

// A conversion table: the value of every sample code, kCodeCount entries.
using CodeTable = std::span<const double>;

class ChannelSamples {
public:
    ChannelSamples() = default;
    // words: the whole data file (wordCount words); channel 1..nrChannels. A record that is
    // not complete at the end of the file holds no point. Invalid arguments give a view
    // without points.
    ChannelSamples(const std::uint16_t* words, std::int64_t wordCount, std::int32_t nrChannels,
                   std::int32_t channel) {
        if (!words || wordCount <= 0 || nrChannels < 1 || channel < 1 || channel > nrChannels)
            return;
        const std::int64_t points = wordCount / nrChannels;
        if (points > INT32_MAX) return;
        m_words = words + (channel - 1);
        m_stride = nrChannels;
        m_points = static_cast<std::int32_t>(points);
    }

    std::int32_t points() const { return m_points; }
    std::int32_t stride() const { return m_stride; }
    // The word of point 1; point i is at wordsOfChannel()[(i - 1) * stride()].
    const std::uint16_t* wordsOfChannel() const { return m_words; }

    // Sample code of the 1-based point i (1 <= i <= points()).
    std::uint16_t code(std::int32_t i) const {
        return static_cast<std::uint16_t>(m_words[static_cast<std::int64_t>(i - 1) * m_stride] &
                                          kCodeMask);
    }

private:
    const std::uint16_t* m_words = nullptr;
    std::int32_t m_stride = 1;
    std::int32_t m_points = 0;
};

}  // namespace files
