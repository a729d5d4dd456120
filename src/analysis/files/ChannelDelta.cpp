#include "analysis/files/ChannelDelta.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace files {
namespace {

constexpr unsigned kShifts = 4;  // k = 1, 2, 4, 8

std::uint16_t wordAt(const unsigned char* words, std::size_t j) {
    return static_cast<std::uint16_t>(words[2 * j] | (words[2 * j + 1] << 8));
}

std::uint16_t folded(unsigned value, unsigned prediction) {
    const unsigned d = (value - prediction) & 0xFFFFu;
    return static_cast<std::uint16_t>(((d << 1) ^ (0u - (d >> 15))) & 0xFFFFu);
}

unsigned unfolded(unsigned z, unsigned prediction) {
    const unsigned d = ((z >> 1) ^ (0u - (z & 1u))) & 0xFFFFu;
    return (prediction + d) & 0xFFFFu;
}

// Sum of the last k words of a channel's ring.
unsigned lastSum(const std::array<std::uint16_t, 8>& ring, unsigned next, unsigned k) {
    unsigned sum = 0;
    for (unsigned i = 1; i <= k; ++i) sum += ring[(next - i) & 7u];
    return sum;
}

// Where each channel's words start in the low plane, relative to the plane's start.
std::vector<std::size_t> planeStarts(std::size_t wordCount, unsigned channels) {
    std::vector<std::size_t> starts(channels);
    std::size_t at = 0;
    for (unsigned c = 0; c < channels; ++c) {
        starts[c] = at;
        at += wordCount / channels + (c < wordCount % channels ? 1 : 0);
    }
    return starts;
}

}  // namespace

ChannelDelta::ChannelDelta(unsigned channels) : m_channels(channels), m_history(channels) {
    if (channels < 1 || channels > kMaxChannels)
        throw std::invalid_argument("channel count outside 1..255");
}

unsigned ChannelDelta::cheapestShift(const unsigned char* words, std::size_t wordCount) const {
    struct Trial {
        std::array<std::uint16_t, 8> ring;
        unsigned next;
        std::array<unsigned, kShifts> sums;
    };
    std::vector<Trial> trials(m_channels);
    for (unsigned c = 0; c < m_channels; ++c) {
        trials[c].ring = m_history[c].last;
        trials[c].next = m_history[c].next;
        for (unsigned s = 0; s < kShifts; ++s)
            trials[c].sums[s] = lastSum(trials[c].ring, trials[c].next, 1u << s);
    }
    std::array<std::uint64_t, kShifts> cost{};
    unsigned c = 0;
    for (std::size_t j = 0; j < wordCount; ++j) {
        Trial& t = trials[c];
        const unsigned v = wordAt(words, j);
        for (unsigned s = 0; s < kShifts; ++s) {
            cost[s] += static_cast<unsigned>(std::bit_width(folded(v, t.sums[s] >> s)));
            t.sums[s] += v - t.ring[(t.next - (1u << s)) & 7u];
        }
        t.ring[t.next] = static_cast<std::uint16_t>(v);
        t.next = (t.next + 1) & 7u;
        if (++c == m_channels) c = 0;
    }
    return static_cast<unsigned>(std::min_element(cost.begin(), cost.end()) - cost.begin());
}

void ChannelDelta::encode(const unsigned char* words, std::size_t wordCount, unsigned char* out) {
    const unsigned shift = cheapestShift(words, wordCount);
    const unsigned k = 1u << shift;
    out[0] = static_cast<unsigned char>(shift);
    unsigned char* low = out + 1;
    unsigned char* high = low + wordCount;
    std::vector<std::size_t> at = planeStarts(wordCount, m_channels);
    std::vector<unsigned> sums(m_channels);
    for (unsigned c = 0; c < m_channels; ++c)
        sums[c] = lastSum(m_history[c].last, m_history[c].next, k);

    unsigned c = 0;
    for (std::size_t j = 0; j < wordCount; ++j) {
        History& h = m_history[c];
        const unsigned v = wordAt(words, j);
        const std::uint16_t z = folded(v, sums[c] >> shift);
        low[at[c]] = static_cast<unsigned char>(z & 0xFFu);
        high[at[c]] = static_cast<unsigned char>(z >> 8);
        ++at[c];
        sums[c] += v - h.last[(h.next - k) & 7u];
        h.last[h.next] = static_cast<std::uint16_t>(v);
        h.next = (h.next + 1) & 7u;
        if (++c == m_channels) c = 0;
    }
}

bool ChannelDelta::decode(const unsigned char* in, std::size_t wordCount, unsigned char* words) {
    const unsigned shift = in[0];
    if (shift >= kShifts) return false;
    const unsigned k = 1u << shift;
    const unsigned char* low = in + 1;
    const unsigned char* high = low + wordCount;
    std::vector<std::size_t> at = planeStarts(wordCount, m_channels);
    std::vector<unsigned> sums(m_channels);
    for (unsigned c = 0; c < m_channels; ++c)
        sums[c] = lastSum(m_history[c].last, m_history[c].next, k);

    unsigned c = 0;
    for (std::size_t j = 0; j < wordCount; ++j) {
        History& h = m_history[c];
        const unsigned z = low[at[c]] | (high[at[c]] << 8);
        ++at[c];
        const unsigned v = unfolded(z, sums[c] >> shift);
        words[2 * j] = static_cast<unsigned char>(v & 0xFFu);
        words[2 * j + 1] = static_cast<unsigned char>(v >> 8);
        sums[c] += v - h.last[(h.next - k) & 7u];
        h.last[h.next] = static_cast<std::uint16_t>(v);
        h.next = (h.next + 1) & 7u;
        if (++c == m_channels) c = 0;
    }
    return true;
}

unsigned likelyChannelCount(const unsigned char* words, std::size_t wordCount,
                            unsigned maxChannels) {
    // A quarter of a million words tells the interleaving as well as the whole file does.
    wordCount = std::min<std::size_t>(wordCount, 262144);
    unsigned best = 1;
    std::uint64_t bestCost = UINT64_MAX;
    for (unsigned channels = 1; channels <= maxChannels && channels < wordCount; ++channels) {
        std::uint64_t cost = 0;
        for (std::size_t j = channels; j < wordCount; ++j)
            cost += static_cast<unsigned>(
                std::bit_width(folded(wordAt(words, j), wordAt(words, j - channels))));
        // Scale to the words compared, so that larger counts are not favoured for comparing
        // fewer words; a larger count must win by more than 1 %.
        cost = cost * wordCount / (wordCount - channels);
        if (bestCost == UINT64_MAX || cost * 100 < bestCost * 99) {
            bestCost = cost;
            best = channels;
        }
    }
    return best;
}

}  // namespace files
