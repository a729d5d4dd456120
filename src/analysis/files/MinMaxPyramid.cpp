#include "analysis/files/MinMaxPyramid.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace files {
namespace {

using Node = MinMaxPyramid::Node;
using TableOrder = MinMaxPyramid::TableOrder;

constexpr std::int64_t kBlock = MinMaxPyramid::kFanOut;

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

// Smallest and largest code of every block of 16 records of each of the K channels, in one
// pass over the words. Codes are masked to 14 bits.
template <int K>
void codeRangesOfBlocks(const std::uint16_t* words, std::int64_t records,
                        const std::array<Node*, 5>& out) {
    const std::int64_t fullBlocks = records / kBlock;
    for (std::int64_t b = 0; b < fullBlocks; ++b) {
        const std::uint16_t* p = words + b * kBlock * K;
        std::array<std::uint16_t, K> lo;
        std::array<std::uint16_t, K> hi;
        lo.fill(kCodeMask);
        hi.fill(0);
        for (std::int64_t r = 0; r < kBlock; ++r) {
            for (int c = 0; c < K; ++c) {
                const auto w = static_cast<std::uint16_t>(p[r * K + c] & kCodeMask);
                lo[c] = std::min(lo[c], w);
                hi[c] = std::max(hi[c], w);
            }
        }
        for (int c = 0; c < K; ++c)
            if (out[c]) out[c][b] = Node{lo[c], hi[c]};
    }
    if (fullBlocks * kBlock < records) {
        const std::uint16_t* p = words + fullBlocks * kBlock * K;
        const std::int64_t rest = records - fullBlocks * kBlock;
        for (int c = 0; c < K; ++c) {
            std::uint16_t lo = kCodeMask;
            std::uint16_t hi = 0;
            for (std::int64_t r = 0; r < rest; ++r) {
                const auto w = static_cast<std::uint16_t>(p[r * K + c] & kCodeMask);
                lo = std::min(lo, w);
                hi = std::max(hi, w);
            }
            if (out[c]) out[c][fullBlocks] = Node{lo, hi};
        }
    }
}

#ifdef __SSE2__
// The same for one and two channels, eight words at a time. Masked codes fit in a signed
// 16-bit lane, so the signed minimum and maximum of SSE2 serve.
template <int K>
void codeRangesOfBlocksSse2(const std::uint16_t* words, std::int64_t records,
                            const std::array<Node*, 5>& out) {
    static_assert(K == 1 || K == 2);
    const std::int64_t fullBlocks = records / kBlock;
    const __m128i mask = _mm_set1_epi16(static_cast<short>(kCodeMask));
    for (std::int64_t b = 0; b < fullBlocks; ++b) {
        const auto* p = reinterpret_cast<const __m128i*>(words + b * kBlock * K);
        __m128i lo = _mm_and_si128(_mm_loadu_si128(p), mask);
        __m128i hi = lo;
        for (int v = 1; v < 2 * K; ++v) {
            const __m128i x = _mm_and_si128(_mm_loadu_si128(p + v), mask);
            lo = _mm_min_epi16(lo, x);
            hi = _mm_max_epi16(hi, x);
        }
        // Fold the lanes onto lane 0 (one channel) or lanes 0 and 1 (two channels).
        lo = _mm_min_epi16(lo, _mm_srli_si128(lo, 8));
        hi = _mm_max_epi16(hi, _mm_srli_si128(hi, 8));
        lo = _mm_min_epi16(lo, _mm_srli_si128(lo, 4));
        hi = _mm_max_epi16(hi, _mm_srli_si128(hi, 4));
        if (K == 1) {
            lo = _mm_min_epi16(lo, _mm_srli_si128(lo, 2));
            hi = _mm_max_epi16(hi, _mm_srli_si128(hi, 2));
        }
        const auto l = static_cast<std::uint32_t>(_mm_cvtsi128_si32(lo));
        const auto h = static_cast<std::uint32_t>(_mm_cvtsi128_si32(hi));
        for (int c = 0; c < K; ++c)
            if (out[c])
                out[c][b] = Node{static_cast<std::uint16_t>(l >> (16 * c)),
                                 static_cast<std::uint16_t>(h >> (16 * c))};
    }
    // The incomplete block at the end.
    if (fullBlocks * kBlock < records) {
        std::array<Node*, 5> tail{};
        for (int c = 0; c < K; ++c) tail[c] = out[c] ? out[c] + fullBlocks : nullptr;
        codeRangesOfBlocks<K>(words + fullBlocks * kBlock * K, records - fullBlocks * kBlock, tail);
    }
}
#endif

void codeRanges(const std::uint16_t* words, std::int64_t records, int channels,
                const std::array<Node*, 5>& out) {
    switch (channels) {
#ifdef __SSE2__
    case 1: codeRangesOfBlocksSse2<1>(words, records, out); break;
    case 2: codeRangesOfBlocksSse2<2>(words, records, out); break;
#else
    case 1: codeRangesOfBlocks<1>(words, records, out); break;
    case 2: codeRangesOfBlocks<2>(words, records, out); break;
#endif
    case 3: codeRangesOfBlocks<3>(words, records, out); break;
    case 4: codeRangesOfBlocks<4>(words, records, out); break;
    case 5: codeRangesOfBlocks<5>(words, records, out); break;
    default: throw std::invalid_argument("pyramids are built for 1 to 5 interleaved channels");
    }
}

// A node of code ranges becomes a node of value extremes: with a non-increasing table the
// largest code holds the smallest value.
void orientCodeRanges(std::vector<Node>& nodes, TableOrder order) {
    if (order != TableOrder::NonIncreasing) return;
    for (Node& node : nodes) std::swap(node.minCode, node.maxCode);
}

bool allFinite(CodeTable table) {
    return std::all_of(table.begin(), table.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

MinMaxPyramid::TableOrder MinMaxPyramid::orderOf(CodeTable table) {
    if (table.size() < static_cast<std::size_t>(kCodeCount)) return TableOrder::Any;
    bool up = true;
    bool down = true;
    for (std::int32_t c = 0; c < kCodeCount; ++c) {
        if (std::isnan(table[c])) return TableOrder::Any;
        if (c == 0) continue;
        if (table[c] < table[c - 1]) up = false;
        if (table[c] > table[c - 1]) down = false;
    }
    if (up) return TableOrder::NonDecreasing;
    if (down) return TableOrder::NonIncreasing;
    return TableOrder::Any;
}

MinMaxPyramid::MinMaxPyramid(ChannelSamples samples, CodeTable table)
    : m_samples(samples), m_table(table), m_order(orderOf(table)), m_finite(allFinite(table)) {
    if (m_table.size() < static_cast<std::size_t>(kCodeCount) || m_samples.points() == 0) return;
    if (m_order == TableOrder::Any) {
        buildLevel1ByValue();
    } else {
        std::vector<Node> level1(static_cast<std::size_t>(ceilDiv(m_samples.points(), kBlock)));
        std::array<Node*, 5> out{};
        out[0] = level1.data();
        // One channel seen as a file of one channel with the stride as record length is not
        // possible with the fixed-width pass, so read through the generic stride.
        const std::int64_t records = m_samples.points();
        const std::uint16_t* w = m_samples.wordsOfChannel();
        const std::int32_t stride = m_samples.stride();
        for (std::int64_t b = 0; b * kBlock < records; ++b) {
            std::uint16_t lo = kCodeMask;
            std::uint16_t hi = 0;
            const std::int64_t end = std::min(records, (b + 1) * kBlock);
            for (std::int64_t r = b * kBlock; r < end; ++r) {
                const auto code = static_cast<std::uint16_t>(w[r * stride] & kCodeMask);
                lo = std::min(lo, code);
                hi = std::max(hi, code);
            }
            level1[static_cast<std::size_t>(b)] = Node{lo, hi};
        }
        orientCodeRanges(level1, m_order);
        m_levels.push_back(std::move(level1));
    }
    buildUpperLevels();
}

MinMaxPyramid::MinMaxPyramid(ChannelSamples samples, CodeTable table, std::vector<Node> level1)
    : m_samples(samples), m_table(table), m_order(orderOf(table)), m_finite(allFinite(table)) {
    orientCodeRanges(level1, m_order);
    m_levels.push_back(std::move(level1));
    buildUpperLevels();
}

std::vector<std::unique_ptr<MinMaxPyramid>> MinMaxPyramid::buildForChannels(
    const std::uint16_t* words, std::int64_t wordCount, std::int32_t nrChannels,
    std::span<const ChannelRequest> requests) {
    std::vector<std::unique_ptr<MinMaxPyramid>> result(requests.size());
    if (nrChannels < 1 || nrChannels > 5) {
        for (std::size_t k = 0; k < requests.size(); ++k)
            result[k] = std::make_unique<MinMaxPyramid>(
                ChannelSamples(words, wordCount, nrChannels, requests[k].channel),
                requests[k].table);
        return result;
    }
    const std::int64_t records = wordCount > 0 ? wordCount / nrChannels : 0;
    const auto blocks = static_cast<std::size_t>(ceilDiv(records, kBlock));

    // Channels whose tables order the codes share one pass over the file; the others are
    // built on their own, value by value.
    std::array<std::vector<Node>, 5> level1;
    std::array<Node*, 5> out{};
    bool anyShared = false;
    for (const ChannelRequest& request : requests) {
        const int c = request.channel - 1;
        if (c < 0 || c >= nrChannels || out[c] || records == 0) continue;
        if (request.table.size() < static_cast<std::size_t>(kCodeCount)) continue;
        if (orderOf(request.table) == TableOrder::Any) continue;
        level1[c].resize(blocks);
        out[c] = level1[c].data();
        anyShared = true;
    }
    if (anyShared) codeRanges(words, records, nrChannels, out);

    for (std::size_t k = 0; k < requests.size(); ++k) {
        const ChannelRequest& request = requests[k];
        const ChannelSamples samples(words, wordCount, nrChannels, request.channel);
        const int c = request.channel - 1;
        if (c >= 0 && c < nrChannels && out[c]) {
            // The shared pass served the first request of the channel; a later request for
            // the same channel (another table) reads on its own.
            out[c] = nullptr;
            result[k] = std::unique_ptr<MinMaxPyramid>(
                new MinMaxPyramid(samples, request.table, std::move(level1[c])));
            continue;
        }
        result[k] = std::make_unique<MinMaxPyramid>(samples, request.table);
    }
    return result;
}

void MinMaxPyramid::buildLevel1ByValue() {
    const std::int64_t points = m_samples.points();
    std::vector<Node> level1(static_cast<std::size_t>(ceilDiv(points, kBlock)));
    const std::uint16_t* w = m_samples.wordsOfChannel();
    const std::int32_t stride = m_samples.stride();
    for (std::int64_t b = 0; b * kBlock < points; ++b) {
        const std::int64_t begin = b * kBlock;
        const std::int64_t end = std::min(points, begin + kBlock);
        auto minCode = static_cast<std::uint16_t>(w[begin * stride] & kCodeMask);
        std::uint16_t maxCode = minCode;
        double minValue = m_table[minCode];
        double maxValue = minValue;
        for (std::int64_t r = begin + 1; r < end; ++r) {
            const auto code = static_cast<std::uint16_t>(w[r * stride] & kCodeMask);
            const double v = m_table[code];
            if (lessForMinimum(v, minValue)) minValue = v, minCode = code;
            if (lessForMaximum(maxValue, v)) maxValue = v, maxCode = code;
        }
        level1[static_cast<std::size_t>(b)] = Node{minCode, maxCode};
    }
    m_levels.push_back(std::move(level1));
}

void MinMaxPyramid::buildUpperLevels() {
    while (!m_levels.empty() && m_levels.back().size() > static_cast<std::size_t>(kBlock)) {
        const std::vector<Node>& below = m_levels.back();
        std::vector<Node> level(static_cast<std::size_t>(
            ceilDiv(static_cast<std::int64_t>(below.size()), kBlock)));
        for (std::size_t p = 0; p < level.size(); ++p) {
            const std::size_t begin = p * static_cast<std::size_t>(kBlock);
            const std::size_t end = std::min(below.size(), begin + static_cast<std::size_t>(kBlock));
            Node node = below[begin];
            for (std::size_t j = begin + 1; j < end; ++j) {
                const Node& child = below[j];
                switch (m_order) {
                case TableOrder::NonDecreasing:
                    node.minCode = std::min(node.minCode, child.minCode);
                    node.maxCode = std::max(node.maxCode, child.maxCode);
                    break;
                case TableOrder::NonIncreasing:
                    node.minCode = std::max(node.minCode, child.minCode);
                    node.maxCode = std::min(node.maxCode, child.maxCode);
                    break;
                case TableOrder::Any:
                    if (lessForMinimum(m_table[child.minCode], m_table[node.minCode]))
                        node.minCode = child.minCode;
                    if (lessForMaximum(m_table[node.maxCode], m_table[child.maxCode]))
                        node.maxCode = child.maxCode;
                    break;
                }
            }
            level[p] = node;
        }
        m_levels.push_back(std::move(level));
    }
}

std::size_t MinMaxPyramid::memoryBytes() const {
    std::size_t bytes = 0;
    for (const auto& level : m_levels) bytes += level.capacity() * sizeof(Node);
    return bytes;
}

std::int64_t MinMaxPyramid::nodeCount(int level) const {
    if (level == 0) return m_samples.points();
    return static_cast<std::int64_t>(m_levels[static_cast<std::size_t>(level - 1)].size());
}

double MinMaxPyramid::valueAt(int level, std::int64_t node, bool forMinimum) const {
    if (level == 0) return m_table[m_samples.code(static_cast<std::int32_t>(node + 1))];
    const Node& n = m_levels[static_cast<std::size_t>(level - 1)][static_cast<std::size_t>(node)];
    return m_table[forMinimum ? n.minCode : n.maxCode];
}

// The point below node (level, node) that holds target: the first such point for the
// minimum, the last for the maximum.
std::int32_t MinMaxPyramid::descend(int level, std::int64_t node, double target,
                                    bool forMinimum) const {
    while (level > 0) {
        const std::int64_t begin = node * kBlock;
        const std::int64_t end = std::min(nodeCount(level - 1), begin + kBlock);
        std::int64_t found = -1;
        if (forMinimum) {
            for (std::int64_t j = begin; j < end && found < 0; ++j)
                if (sameValue(valueAt(level - 1, j, true), target)) found = j;
        } else {
            for (std::int64_t j = end - 1; j >= begin && found < 0; --j)
                if (sameValue(valueAt(level - 1, j, false), target)) found = j;
        }
        if (found < 0) throw std::logic_error("min/max pyramid is inconsistent with its data");
        node = found;
        --level;
    }
    return static_cast<std::int32_t>(node + 1);
}

RangeExtremes MinMaxPyramid::extremes(std::int32_t first, std::int32_t last) const {
    if (first < 1 || last > points() || first > last)
        throw std::out_of_range("point range outside the channel");
    if (m_table.size() < static_cast<std::size_t>(kCodeCount))
        throw std::logic_error("extremes asked of a channel without a table");

    struct Best {
        double value = 0.0;
        int level = 0;
        std::int64_t node = -1;
    };
    Best low;
    Best high;
    const double* table = m_table.data();
    auto visitRun = [&](int level, std::int64_t begin, std::int64_t end) {
        if (begin >= end) return;
        if (!m_finite) {
            for (std::int64_t k = begin; k < end; ++k) {
                const double vMin = valueAt(level, k, true);
                const double vMax = level == 0 ? vMin : valueAt(level, k, false);
                if (low.node < 0 || lessForMinimum(vMin, low.value)) low = Best{vMin, level, k};
                if (high.node < 0 || !lessForMaximum(vMax, high.value))
                    high = Best{vMax, level, k};
            }
            return;
        }
        // Finite values: the run's extremes by selects rather than branches, which the
        // values of a noisy signal would mispredict half of the time.
        double runMin = 0.0, runMax = 0.0;
        std::int64_t kMin = begin, kMax = begin;
        if (level == 0) {
            const std::uint16_t* w = m_samples.wordsOfChannel();
            const std::int64_t stride = m_samples.stride();
            runMin = runMax = table[w[begin * stride] & kCodeMask];
            for (std::int64_t k = begin + 1; k < end; ++k) {
                const double v = table[w[k * stride] & kCodeMask];
                const bool lower = v < runMin;
                runMin = lower ? v : runMin;
                kMin = lower ? k : kMin;
                const bool notLower = v >= runMax;
                runMax = notLower ? v : runMax;
                kMax = notLower ? k : kMax;
            }
        } else {
            const Node* nodes = m_levels[static_cast<std::size_t>(level - 1)].data();
            runMin = table[nodes[begin].minCode];
            runMax = table[nodes[begin].maxCode];
            for (std::int64_t k = begin + 1; k < end; ++k) {
                const double vMin = table[nodes[k].minCode];
                const double vMax = table[nodes[k].maxCode];
                const bool lower = vMin < runMin;
                runMin = lower ? vMin : runMin;
                kMin = lower ? k : kMin;
                const bool notLower = vMax >= runMax;
                runMax = notLower ? vMax : runMax;
                kMax = notLower ? k : kMax;
            }
        }
        if (low.node < 0 || runMin < low.value) low = Best{runMin, level, kMin};
        if (high.node < 0 || runMax >= high.value) high = Best{runMax, level, kMax};
    };

    // The range is cut into runs of whole nodes, as coarse as alignment allows, visited
    // from left to right: the rising runs on the way up, then the falling ones.
    struct Run {
        int level;
        std::int64_t begin;
        std::int64_t end;
    };
    std::array<Run, 16> falling{};
    int fallingCount = 0;
    int level = 0;
    std::int64_t lo = first - 1;
    std::int64_t hi = last;  // half-open
    const int top = levels();
    while (true) {
        if (level == top) {
            visitRun(level, lo, hi);
            break;
        }
        const std::int64_t alignedLo = ceilDiv(lo, kBlock) * kBlock;
        const std::int64_t alignedHi = (hi / kBlock) * kBlock;
        if (alignedLo >= alignedHi) {
            visitRun(level, lo, hi);
            break;
        }
        visitRun(level, lo, alignedLo);
        falling[static_cast<std::size_t>(fallingCount++)] = Run{level, alignedHi, hi};
        lo = alignedLo / kBlock;
        hi = alignedHi / kBlock;
        ++level;
    }
    while (fallingCount > 0) {
        const Run& run = falling[static_cast<std::size_t>(--fallingCount)];
        visitRun(run.level, run.begin, run.end);
    }

    RangeExtremes result;
    result.min.index = descend(low.level, low.node, low.value, true);
    result.max.index = descend(high.level, high.node, high.value, false);
    result.min.value = m_table[m_samples.code(result.min.index)];
    result.max.value = m_table[m_samples.code(result.max.index)];
    return result;
}

}  // namespace files
