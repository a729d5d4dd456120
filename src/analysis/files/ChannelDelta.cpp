#include "analysis/files/ChannelDelta.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace files {
namespace {

static_assert(std::endian::native == std::endian::little, "words are stored little-endian");

constexpr unsigned kShifts = 4;  // k = 1, 2, 4, 8
constexpr std::size_t kHistory = 8;

std::uint16_t wordAt(const unsigned char* words, std::size_t j) {
    return static_cast<std::uint16_t>(words[2 * j] | (words[2 * j + 1] << 8));
}

std::uint16_t folded(unsigned value, unsigned prediction) {
    const unsigned d = (value - prediction) & 0xFFFFu;
    return static_cast<std::uint16_t>(((d << 1) ^ (0u - (d >> 15))) & 0xFFFFu);
}

}  // namespace

ChannelDelta::ChannelDelta(unsigned channels)
    : m_channels(channels), m_history(channels), m_start(channels), m_count(channels) {
    if (channels < 1 || channels > kMaxChannels)
        throw std::invalid_argument("channel count outside 1..255");
}

void ChannelDelta::layOut(std::size_t wordCount) {
    std::size_t at = 0;
    for (unsigned c = 0; c < m_channels; ++c) {
        m_start[c] = at;
        m_count[c] = wordCount / m_channels + (c < wordCount % m_channels ? 1 : 0);
        at += m_count[c];
    }
    std::size_t longest = m_count.empty() ? 0 : m_count[0];
    m_sequence.resize(kHistory + longest);
}

void ChannelDelta::gather(const unsigned char* words, unsigned channel) {
    std::copy(m_history[channel].begin(), m_history[channel].end(), m_sequence.begin());
    const std::size_t n = m_count[channel];
    for (std::size_t i = 0; i < n; ++i)
        m_sequence[kHistory + i] = wordAt(words, channel + i * m_channels);
}


void ChannelDelta::encode(const unsigned char* words, std::size_t wordCount, unsigned char* out) {
    layOut(wordCount);
    // Every 8th word tells which prediction fits the block best, and the mean folded
    // difference ranks the predictions as well as their coded size does.
    std::array<std::uint64_t, kShifts> cost{};
    for (unsigned c = 0; c < m_channels; ++c) {
        gather(words, c);
        const std::uint16_t* seq = m_sequence.data();
        for (std::size_t i = kHistory; i < kHistory + m_count[c]; i += 8) {
            const unsigned s1 = seq[i - 1];
            const unsigned s2 = s1 + seq[i - 2];
            const unsigned s4 = s2 + seq[i - 3] + seq[i - 4];
            const unsigned s8 = s4 + seq[i - 5] + seq[i - 6] + seq[i - 7] + seq[i - 8];
            cost[0] += folded(seq[i], s1);
            cost[1] += folded(seq[i], s2 >> 1);
            cost[2] += folded(seq[i], s4 >> 2);
            cost[3] += folded(seq[i], s8 >> 3);
        }
    }
    const unsigned shift =
        static_cast<unsigned>(std::min_element(cost.begin(), cost.end()) - cost.begin());
    const std::size_t k = std::size_t{1} << shift;

    out[0] = static_cast<unsigned char>(shift);
    unsigned char* low = out + 1;
    unsigned char* high = low + wordCount;
    // Backwards: the last channel gathered above is still in place.
    for (unsigned c = m_channels; c-- > 0;) {
        if (c + 1 != m_channels) gather(words, c);
        const std::uint16_t* seq = m_sequence.data();
        unsigned char* lo = low + m_start[c];
        unsigned char* hi = high + m_start[c];
        unsigned sum = 0;
        for (std::size_t i = kHistory - k; i < kHistory; ++i) sum += seq[i];
        for (std::size_t i = 0; i < m_count[c]; ++i) {
            const std::size_t at = kHistory + i;
            const std::uint16_t z = folded(seq[at], sum >> shift);
            lo[i] = static_cast<unsigned char>(z & 0xFFu);
            hi[i] = static_cast<unsigned char>(z >> 8);
            sum += seq[at] - seq[at - k];
        }
        keepHistory(c, m_sequence);
    }
}

namespace {

// The words of a channel from its folded differences: seq holds the channel's 8 words before
// the block, then receives its words i = from .. to - 1 of the block. Each word depends on the
// one before, so the loops keep that chain short: the part of the next window sum known early
// (the sum less the word leaving the window) is formed apart from the new word, and two
// channels are rebuilt side by side so that their chains overlap.
struct Lane {
    std::uint16_t* seq;
    const unsigned char* lo;
    const unsigned char* hi;
    unsigned char* out;  // the channel's first word in the block
    std::size_t stride;  // bytes from one of its words to the next
};

template <unsigned Shift>
unsigned windowSum(const std::uint16_t* seq, std::size_t at) {
    unsigned sum = 0;
    for (std::size_t i = at - (std::size_t{1} << Shift); i < at; ++i) sum += seq[i];
    return sum;
}

// One step of one channel. Everything is passed as plain values and pointers so that the
// byte stores (which may alias anything) do not force the compiler to reload them.
template <unsigned Shift>
inline unsigned nextWord(unsigned sum, std::uint16_t* seq, std::size_t at, unsigned z,
                         unsigned char* word) {
    constexpr std::size_t k = std::size_t{1} << Shift;
    const unsigned d = (z >> 1) ^ (0u - (z & 1u));
    const unsigned early = sum - seq[at - k];
    const unsigned v = ((sum >> Shift) + d) & 0xFFFFu;
    seq[at] = static_cast<std::uint16_t>(v);
    const std::uint16_t little = static_cast<std::uint16_t>(v);  // the host is little-endian
    std::memcpy(word, &little, 2);
    return early + v;
}

template <unsigned Shift>
void rebuild(const Lane& lane, std::size_t from, std::size_t to) {
    std::uint16_t* const seq = lane.seq;
    const unsigned char* const lo = lane.lo;
    const unsigned char* const hi = lane.hi;
    unsigned char* const out = lane.out;
    const std::size_t stride = lane.stride;
    unsigned sum = windowSum<Shift>(seq, kHistory + from);
    for (std::size_t i = from; i < to; ++i)
        sum = nextWord<Shift>(sum, seq, kHistory + i, lo[i] | (hi[i] << 8), out + i * stride);
}

template <unsigned Shift>
void rebuildPair(const Lane& a, const Lane& b, std::size_t n) {
    std::uint16_t* const seqA = a.seq;
    std::uint16_t* const seqB = b.seq;
    const unsigned char* const loA = a.lo;
    const unsigned char* const hiA = a.hi;
    const unsigned char* const loB = b.lo;
    const unsigned char* const hiB = b.hi;
    unsigned char* const outA = a.out;
    unsigned char* const outB = b.out;
    const std::size_t stride = a.stride;
    unsigned sumA = windowSum<Shift>(seqA, kHistory);
    unsigned sumB = windowSum<Shift>(seqB, kHistory);
    for (std::size_t i = 0; i < n; ++i) {
        sumA = nextWord<Shift>(sumA, seqA, kHistory + i, loA[i] | (hiA[i] << 8), outA + i * stride);
        sumB = nextWord<Shift>(sumB, seqB, kHistory + i, loB[i] | (hiB[i] << 8), outB + i * stride);
    }
}

template <unsigned Shift>
void rebuildChannels(const Lane& a, std::size_t nA, const Lane* b, std::size_t nB) {
    if (b) rebuildPair<Shift>(a, *b, nB);
    rebuild<Shift>(a, b ? nB : 0, nA);
}

}  // namespace

void ChannelDelta::keepHistory(unsigned channel, const std::vector<std::uint16_t>& sequence) {
    const auto last = sequence.begin() + static_cast<std::ptrdiff_t>(m_count[channel]);
    std::copy(last, last + kHistory, m_history[channel].begin());
}

bool ChannelDelta::decode(const unsigned char* in, std::size_t wordCount, unsigned char* words) {
    const unsigned shift = in[0];
    if (shift >= kShifts) return false;
    layOut(wordCount);
    m_second.resize(m_sequence.size());
    const unsigned char* low = in + 1;
    const unsigned char* high = low + wordCount;
    const auto lane = [&](unsigned c, std::vector<std::uint16_t>& sequence) {
        std::copy(m_history[c].begin(), m_history[c].end(), sequence.begin());
        return Lane{sequence.data(), low + m_start[c], high + m_start[c], words + 2 * c,
                    2 * std::size_t{m_channels}};
    };
    // Channels in pairs (c, c + 1); channel c never has fewer words than c + 1.
    for (unsigned c = 0; c < m_channels; c += 2) {
        const bool pair = c + 1 < m_channels;
        const Lane a = lane(c, m_sequence);
        const Lane b = pair ? lane(c + 1, m_second) : Lane{};
        const std::size_t nA = m_count[c];
        const std::size_t nB = pair ? m_count[c + 1] : 0;
        switch (shift) {
            case 0: rebuildChannels<0>(a, nA, pair ? &b : nullptr, nB); break;
            case 1: rebuildChannels<1>(a, nA, pair ? &b : nullptr, nB); break;
            case 2: rebuildChannels<2>(a, nA, pair ? &b : nullptr, nB); break;
            default: rebuildChannels<3>(a, nA, pair ? &b : nullptr, nB); break;
        }
        keepHistory(c, m_sequence);
        if (pair) keepHistory(c + 1, m_second);
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
