// Points for drawing: the bucket rule, and the pyramid's answers against reading every point.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "analysis/files/MemoryPointEdits.h"
#include "analysis/files/MinMaxPyramid.h"
#include "analysis/files/PlotPoints.h"

namespace {

using files::CodeTable;
using files::kCodeCount;
using files::PlotPoints;
using files::PlotSource;

std::vector<double> linearTable(double offset, double slope) {
    std::vector<double> table(kCodeCount);
    for (int c = 0; c < kCodeCount; ++c) table[c] = offset + slope * c;
    return table;
}

// A channel over a vector of words, one or more interleaved channels.
struct Channel {
    std::vector<std::uint16_t> words;
    int nrChannels = 1;
    int channel = 1;
    std::vector<double> table = linearTable(0.0, 1.0);

    PlotSource source(const files::PointEdits* edits = nullptr,
                      const files::MinMaxPyramid* pyramid = nullptr) const {
        PlotSource s;
        s.samples = files::ChannelSamples(words.data(), static_cast<std::int64_t>(words.size()),
                                          nrChannels, channel);
        s.table = CodeTable(table);
        s.edits = edits;
        s.pyramid = pyramid;
        s.time.Ts = 0.5;
        s.time.t0 = -2.0;
        s.time.N = s.samples.points();
        return s;
    }
};

Channel rampChannel(int points) {
    Channel ch;
    for (int i = 0; i < points; ++i) ch.words.push_back(static_cast<std::uint16_t>(i % kCodeCount));
    return ch;
}

void expectSame(const PlotPoints& a, const PlotPoints& b, const std::string& what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t k = 0; k < a.size(); ++k) {
        ASSERT_EQ(a.index[k], b.index[k]) << what << " point " << k;
        // Bit for bit, so that 0.0 and -0.0 or two NaNs are told apart or matched exactly.
        ASSERT_EQ(std::memcmp(&a.y[k], &b.y[k], sizeof(double)), 0) << what << " point " << k;
        ASSERT_EQ(a.x[k], b.x[k]) << what << " point " << k;
    }
    EXPECT_EQ(a.reduced, b.reduced) << what;
    EXPECT_EQ(a.xMin, b.xMin) << what;
    EXPECT_EQ(a.xMax, b.xMax) << what;
    EXPECT_EQ(a.yMin, b.yMin) << what;
    EXPECT_EQ(a.yMax, b.yMax) << what;
}

TEST(PlotPoints, TenThousandPointsIntoOneThousandUseBucketsOfTwentyOne) {
    EXPECT_EQ(files::bucketSize(10000, 1000), 21);
    Channel ch = rampChannel(10000);
    // A zig-zag inside every bucket, so that a bucket's extremes are not its ends.
    for (std::size_t i = 0; i < ch.words.size(); ++i)
        ch.words[i] = static_cast<std::uint16_t>((i * 7919) % 1000);
    const PlotPoints points = files::pointsForDrawingDirect(ch.source(), 1, 10000, 1000);
    EXPECT_TRUE(points.reduced);
    std::vector<int> perBucket((10000 + 20) / 21, 0);
    for (std::int32_t index : points.index) ++perBucket[static_cast<std::size_t>((index - 1) / 21)];
    for (std::size_t b = 0; b < perBucket.size(); ++b) {
        EXPECT_GE(perBucket[b], 1) << "bucket " << b;
        EXPECT_LE(perBucket[b], 2) << "bucket " << b;
    }
    EXPECT_LE(points.size(), 1000u);
}

TEST(PlotPoints, BucketKeepsFirstMinimumAndLastMaximumInIndexOrder) {
    Channel ch;
    // n = 8 > M - 1 = 5: B = 16 div 6 + 1 = 3, buckets 1..3, 4..6, 7..8.
    ch.words = {9, 2, 9, 9, 2, 2, 9, 1};
    const PlotPoints points = files::pointsForDrawingDirect(ch.source(), 1, 8, 6);
    EXPECT_TRUE(points.reduced);
    // Bucket 1: the last 9 (point 3). Bucket 2: the maximum before the first 2 (point 5).
    EXPECT_EQ(points.index, (std::vector<std::int32_t>{2, 3, 4, 5, 7, 8}));
    EXPECT_EQ(points.y, (std::vector<double>{2, 9, 9, 2, 9, 1}));
    EXPECT_DOUBLE_EQ(points.yMin, 1 - 1e-8);
    EXPECT_DOUBLE_EQ(points.yMax, 9 + 1e-8);
    EXPECT_DOUBLE_EQ(points.xMin, (2 - 1) * 0.5 - 2.0);
    EXPECT_DOUBLE_EQ(points.xMax, (8 - 1) * 0.5 - 2.0);
}

TEST(PlotPoints, ShortRangesEmitEveryPointIncludingEqualNeighbours) {
    Channel ch;
    ch.words = {4, 4, 4, 1, 1};
    const PlotPoints points = files::pointsForDrawingDirect(ch.source(), 1, 5, 1000);
    EXPECT_FALSE(points.reduced);
    EXPECT_EQ(points.index, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
}

TEST(PlotPoints, RemovedPointsAreSkippedAndMovedPointsTakeTheirValue) {
    Channel ch;
    ch.words = {10, 20, 30, 40, 50};
    files::MemoryPointEdits edits;
    edits.remove(2);
    edits.move(4, -3.5);
    edits.move(5, 99.0);
    edits.remove(5);  // removed wins over moved
    const PlotPoints points = files::pointsForDrawingDirect(ch.source(&edits), 1, 5, 1000);
    EXPECT_EQ(points.index, (std::vector<std::int32_t>{1, 3, 4}));
    EXPECT_EQ(points.y, (std::vector<double>{10, 30, -3.5}));
    EXPECT_DOUBLE_EQ(points.yMin, -3.5 - 1e-8);
}

TEST(PlotPoints, RemovedPointsDoNotCountTowardsTheirBucket) {
    Channel ch;
    ch.words = {5, 1, 9, 2, 8, 3, 7};
    files::MemoryPointEdits edits;
    edits.remove(2);
    // n = 7 > M - 1 = 5: B = 14 div 6 + 1 = 3 visited points; bucket 1 is points 1, 3, 4.
    const PlotPoints points = files::pointsForDrawingDirect(ch.source(&edits), 1, 7, 6);
    EXPECT_EQ(points.index, (std::vector<std::int32_t>{3, 4, 5, 6}));
}

TEST(PlotPoints, OddLimitsNeverGiveMorePointsThanAsked) {
    Channel ch = rampChannel(5000);
    for (std::size_t i = 0; i < ch.words.size(); ++i)
        ch.words[i] = static_cast<std::uint16_t>((i * 31) % 997);
    for (std::int32_t limit : {3, 5, 7, 999, 1001}) {
        for (std::int32_t n : {limit, limit + 1, 2 * limit + 1, 4999}) {
            const PlotPoints points = files::pointsForDrawingDirect(ch.source(), 1, n, limit);
            EXPECT_LE(points.size(), static_cast<std::size_t>(limit)) << limit << " " << n;
        }
    }
    EXPECT_EQ(files::pointsForDrawingDirect(ch.source(), 1, 4000, 1).size(), 2u);
}

TEST(PlotPoints, TimesFollowTheTimeUnitAndRangesAreClamped) {
    Channel ch = rampChannel(100);
    PlotSource source = ch.source();
    source.time.Ts = 1.0;
    source.time.t0 = 2000.0;
    source.timeDivisor = 1000.0;
    const PlotPoints points = files::pointsForDrawingDirect(source, 501, -7, 1000);
    ASSERT_EQ(points.first, 1);
    ASSERT_EQ(points.last, 100);
    EXPECT_DOUBLE_EQ(points.x.front(), 2.0);
    EXPECT_DOUBLE_EQ(points.x.back(), 2.099);
    source.timeDivisor = 0.0;  // counts as 1
    EXPECT_DOUBLE_EQ(files::pointsForDrawingDirect(source, 1, 1, 10).x.front(), 2000.0);
}

TEST(PlotPoints, DamagedWordsAreReadThroughTheCodeMask) {
    Channel ch;
    ch.words = {0xC005, 0x8000, 0x7FFF};
    const PlotPoints points = files::pointsForDrawingDirect(ch.source(), 1, 3, 1000);
    EXPECT_EQ(points.y, (std::vector<double>{5, 0, 16383}));
}

TEST(PlotPoints, NoTableOrNoPointsGivesNothing) {
    Channel ch = rampChannel(10);
    PlotSource source = ch.source();
    source.table = CodeTable();
    EXPECT_EQ(files::pointsForDrawing(source, 1, 10, 100).size(), 0u);
    Channel empty;
    EXPECT_EQ(files::pointsForDrawing(empty.source(), 1, 10, 100).size(), 0u);
}

// --- pyramid against reading every point -------------------------------------------------

std::vector<double> tableOfKind(int kind) {
    std::vector<double> table(kCodeCount);
    for (int c = 0; c < kCodeCount; ++c) {
        switch (kind) {
        case 0: table[c] = -2.5 + c * 5.0 / 16383; break;                // rising line
        case 1: table[c] = 10.0 - 0.001 * c; break;                      // falling line
        case 2: table[c] = std::sin(c * 0.01) * 3.0; break;              // neither
        case 3: table[c] = c < 8000 ? 0.0 : (c < 9000 ? -0.0 : c); break;  // flat, signed zeros
        case 4: table[c] = (c % 97 == 0) ? std::nan("") : c % 50; break;  // holes
        case 5: table[c] = std::min(c, 6000) * 0.5; break;                // clipped rise
        default: table[c] = 1.0; break;                                   // constant
        }
    }
    return table;
}

std::vector<std::uint16_t> wordsOfKind(int kind, std::size_t count, std::mt19937& rng) {
    std::vector<std::uint16_t> words(count);
    std::uniform_int_distribution<int> any(0, 0xFFFF);
    std::uniform_int_distribution<int> step(-40, 40);
    int level = 8000;
    for (std::size_t i = 0; i < count; ++i) {
        switch (kind) {
        case 0: words[i] = static_cast<std::uint16_t>(any(rng)); break;  // noise, high bits too
        case 1:                                                            // random walk
            level = std::clamp(level + step(rng), 0, 16383);
            words[i] = static_cast<std::uint16_t>(level);
            break;
        default: words[i] = static_cast<std::uint16_t>((i / 700) % 3 * 5000); break;  // plateaus
        }
    }
    return words;
}

struct PyramidCase {
    const char* name;
    int tableKind;
    int wordKind;
    int nrChannels;
    int channel;
    std::size_t words;
};

TEST(MinMaxPyramid, ExtremesEqualAWalkOverEveryPoint) {
    const std::vector<PyramidCase> cases = {
        {"rising noise", 0, 0, 1, 1, 70001},     {"falling walk", 1, 1, 1, 1, 65536},
        {"wavy walk 2ch/2", 2, 1, 2, 2, 90002},  {"zeros plateaus", 3, 2, 1, 1, 50000},
        {"holes noise 3ch", 4, 0, 3, 3, 60000},  {"clipped walk", 5, 1, 2, 1, 40000},
        {"constant", 6, 0, 1, 1, 4097},          {"tiny", 2, 0, 1, 1, 15},
    };
    std::mt19937 rng(20240611);
    for (const PyramidCase& pc : cases) {
        Channel ch;
        ch.words = wordsOfKind(pc.wordKind, pc.words, rng);
        ch.nrChannels = pc.nrChannels;
        ch.channel = pc.channel;
        ch.table = tableOfKind(pc.tableKind);
        const PlotSource source = ch.source();
        const files::MinMaxPyramid pyramid(source.samples, source.table);
        const std::int32_t n = source.samples.points();
        std::uniform_int_distribution<std::int32_t> pick(1, n);
        for (int trial = 0; trial < 300; ++trial) {
            std::int32_t a = pick(rng), b = pick(rng);
            if (trial % 3 == 0) b = std::min(n, a + static_cast<std::int32_t>(rng() % 40));
            if (a > b) std::swap(a, b);
            files::PointValue low{a, ch.table[source.samples.code(a)]};
            files::PointValue high = low;
            for (std::int32_t i = a + 1; i <= b; ++i) {
                const double v = ch.table[source.samples.code(i)];
                if (files::lessForMinimum(v, low.value)) low = {i, v};
                if (!files::lessForMaximum(v, high.value)) high = {i, v};
            }
            const files::RangeExtremes got = pyramid.extremes(a, b);
            ASSERT_EQ(got.min.index, low.index) << pc.name << " " << a << ".." << b;
            ASSERT_EQ(got.max.index, high.index) << pc.name << " " << a << ".." << b;
        }
    }
}

TEST(MinMaxPyramid, ChannelsBuiltTogetherEqualChannelsBuiltAlone) {
    std::mt19937 rng(7);
    for (int nrChannels = 1; nrChannels <= 5; ++nrChannels) {
        const std::vector<std::uint16_t> words = wordsOfKind(1, 16 * 1000 * nrChannels + 7, rng);
        const std::vector<double> rising = tableOfKind(0), falling = tableOfKind(1),
                                  wavy = tableOfKind(2);
        std::vector<files::MinMaxPyramid::ChannelRequest> requests;
        for (int c = 1; c <= nrChannels; ++c)
            requests.push_back({c, CodeTable(c % 3 == 0 ? wavy : (c % 2 ? rising : falling))});
        requests.push_back({1, CodeTable(wavy)});  // a second table for channel 1
        const auto together = files::MinMaxPyramid::buildForChannels(
            words.data(), static_cast<std::int64_t>(words.size()), nrChannels, requests);
        ASSERT_EQ(together.size(), requests.size());
        for (std::size_t k = 0; k < requests.size(); ++k) {
            const files::ChannelSamples samples(words.data(), static_cast<std::int64_t>(words.size()),
                                                nrChannels, requests[k].channel);
            const files::MinMaxPyramid alone(samples, requests[k].table);
            for (int trial = 0; trial < 50; ++trial) {
                std::int32_t a = static_cast<std::int32_t>(rng() % samples.points()) + 1;
                std::int32_t b = static_cast<std::int32_t>(rng() % samples.points()) + 1;
                if (a > b) std::swap(a, b);
                const auto x = together[k]->extremes(a, b), y = alone.extremes(a, b);
                ASSERT_EQ(x.min.index, y.min.index) << nrChannels << " " << k;
                ASSERT_EQ(x.max.index, y.max.index) << nrChannels << " " << k;
            }
        }
    }
}

TEST(PlotPoints, PyramidAnswerEqualsReadingEveryPoint) {
    struct DrawCase {
        const char* name;
        int tableKind;
        int wordKind;
        std::int32_t limit;
        int edits;  // number of random removed and moved points
    };
    const std::vector<DrawCase> cases = {
        {"rising noise", 0, 0, files::kMaxPlotPoints, 0},
        {"falling walk", 1, 1, 1000, 0},
        {"wavy walk, edits", 2, 1, files::kMaxPlotPoints, 300},
        {"zeros plateaus", 3, 2, 999, 0},
        {"holes, edits", 4, 0, 2000, 40},
        {"clipped walk, many edits", 5, 1, 1000, 5000},
    };
    std::mt19937 rng(99);
    for (const DrawCase& dc : cases) {
        Channel ch;
        ch.nrChannels = 2;
        ch.channel = 2;
        ch.words = wordsOfKind(dc.wordKind, 2 * 400000, rng);
        ch.table = tableOfKind(dc.tableKind);
        files::MemoryPointEdits edits;
        const std::int32_t n = static_cast<std::int32_t>(ch.words.size() / 2);
        for (int k = 0; k < dc.edits; ++k) {
            const auto i = static_cast<std::int32_t>(rng() % n) + 1;
            if (k % 2) edits.remove(i);
            else edits.move(i, static_cast<double>(rng() % 1000) - 500.0);
        }
        const PlotSource plain = ch.source(&edits);
        const files::MinMaxPyramid pyramid(plain.samples, plain.table);
        const PlotSource fast = ch.source(&edits, &pyramid);
        // Whole range, then random ranges of every scale.
        std::vector<std::pair<std::int32_t, std::int32_t>> ranges = {{1, n}, {1, 1}, {n, n}};
        for (int trial = 0; trial < 40; ++trial) {
            const std::int32_t a = static_cast<std::int32_t>(rng() % n) + 1;
            const std::int32_t span = static_cast<std::int32_t>(rng() % (n >> (trial % 12)));
            ranges.push_back({a, std::min(n, a + span)});
        }
        for (const auto& [a, b] : ranges) {
            const std::string what = std::string(dc.name) + " " + std::to_string(a) + ".." +
                                     std::to_string(b);
            expectSame(files::pointsForDrawing(fast, a, b, dc.limit),
                       files::pointsForDrawingDirect(plain, a, b, dc.limit), what);
        }
    }
}

}  // namespace
