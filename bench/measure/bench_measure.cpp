// Measurements over long records, and the removed-point look-up while a whole channel is
// drawn.
//
//   BM_LeastSquaresVod/12500000      least-squares fit over 12.5 million points (about 1 in 125
//                                    removed, some moved): target 60 ms
//   BM_TwoPointIntegral/12500000     trapezoidal integral over the same range: target 60 ms
//   BM_RemovedLookupInOrder          bPointRemoved for every point of a 12.5 million point
//                                    channel, 100,000 removed points (the per-point read of
//                                    drawing): target 1 us a look-up
//   BM_RemovedLookupRandom           the same look-ups in random order
//   BM_DrawWholeChannelWithEdits     the drawing reduction of the whole channel through the
//                                    point-edits seam with those 100,000 removed points

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "analysis/files/PlotPoints.h"
#include "analysis/measure/GraphPointEdits.h"
#include "analysis/measure/GraphSeries.h"
#include "analysis/measure/Integration.h"
#include "analysis/measure/VodSlope.h"
#include "common/ScriptedPrompt.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kPoints = 12'500'000;
constexpr std::int32_t kRemoved = 100'000;

// A two-channel record at 5 MHz: channel 1 a rising VOD-like trace with jitter.
struct Record {
    std::vector<std::uint16_t> words;
    std::vector<double> table = std::vector<double>(files::kCodeCount);

    Record() {
        words.resize(static_cast<std::size_t>(kPoints) * 2);
        for (std::int32_t k = 0; k < kPoints; ++k) {
            words[static_cast<std::size_t>(k) * 2] =
                static_cast<std::uint16_t>((k / 800 + (k * 7) % 5) % files::kCodeCount);
            words[static_cast<std::size_t>(k) * 2 + 1] = static_cast<std::uint16_t>(k % 16384);
        }
        for (std::int32_t c = 0; c < files::kCodeCount; ++c)
            table[static_cast<std::size_t>(c)] = c * 0.0012;
    }
};

const Record& record() {
    static const Record r;
    return r;
}

// The stores of a graph with 100,000 removed points spread over the channel and 1000 moved.
struct Stores {
    fs::path folder;
    measure::GraphPointEdits edits;

    Stores() {
        folder = fs::temp_directory_path() / ("vantrel-bench-measure-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        std::vector<std::int32_t> removed(kRemoved);
        for (std::int32_t k = 0; k < kRemoved; ++k) removed[static_cast<std::size_t>(k)] = 7 + k * (kPoints / kRemoved);
        {
            std::ofstream out(folder / "Bench.r03", std::ios::binary);
            out.write(reinterpret_cast<const char*>(removed.data()),
                      static_cast<std::streamsize>(removed.size() * sizeof(std::int32_t)));
        }
        edits.Setup((folder / "Bench.r03").string(), (folder / "Bench.ml03").string(),
                    (folder / "Bench.mv03").string(), kPoints);
        bool already = false;
        for (std::int32_t k = 0; k < 1000; ++k) edits.movedPts().StoreMovedPtInFile(11 + k * 9973, 3.0, already);
        edits.SetCounters(kRemoved, 1000);
    }
    ~Stores() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

Stores& stores() {
    static Stores s;
    return s;
}

measure::GraphSeries series() {
    measure::GraphSeries s;
    s.samples = files::ChannelSamples(record().words.data(),
                                      static_cast<std::int64_t>(record().words.size()), 2, 1);
    s.table = files::CodeTable(record().table);
    s.edits = &stores().edits;
    s.time = common::SampleTime{0.0002, -5.0, kPoints};
    return s;
}

void BM_LeastSquaresVod(benchmark::State& state) {
    const measure::GraphSeries s = series();
    const auto n = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        const auto fit = measure::GetSlopeInterceptAverage(s, s.timeOf(1), s.timeOf(n));
        benchmark::DoNotOptimize(fit.slope);
        if (!fit.ok) state.SkipWithError("no fit");
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LeastSquaresVod)->Arg(kPoints)->Unit(benchmark::kMillisecond);

void BM_TwoPointIntegral(benchmark::State& state) {
    const measure::GraphSeries s = series();
    const auto n = static_cast<std::int32_t>(state.range(0));
    common::ScriptedPrompt prompt;
    for (auto _ : state) {
        const auto result = measure::CalculateIntegral2pts(s, s.timeOf(1), s.timeOf(n), false, prompt);
        benchmark::DoNotOptimize(result.integral);
        if (!result.ok) state.SkipWithError("no integral");
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_TwoPointIntegral)->Arg(kPoints)->Unit(benchmark::kMillisecond);

void BM_RemovedLookupInOrder(benchmark::State& state) {
    const measure::clasRemovedPts& removed = stores().edits.removedPts();
    for (auto _ : state) {
        std::int64_t found = 0;
        for (std::int32_t i = 1; i <= kPoints; ++i) found += removed.bPointRemoved(i);
        benchmark::DoNotOptimize(found);
        if (found != kRemoved) state.SkipWithError("wrong count");
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
    state.counters["ns_per_lookup"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kPoints,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RemovedLookupInOrder)->Unit(benchmark::kMillisecond);

void BM_RemovedLookupRandom(benchmark::State& state) {
    const measure::clasRemovedPts& removed = stores().edits.removedPts();
    std::vector<std::int32_t> order(1'000'000);
    std::mt19937 random(3);
    std::uniform_int_distribution<std::int32_t> pick(1, kPoints);
    for (auto& i : order) i = pick(random);
    for (auto _ : state) {
        std::int64_t found = 0;
        for (const std::int32_t i : order) found += removed.bPointRemoved(i);
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(order.size()));
    state.counters["ns_per_lookup"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(order.size()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RemovedLookupRandom)->Unit(benchmark::kMillisecond);

void BM_DrawWholeChannelWithEdits(benchmark::State& state) {
    const measure::GraphSeries s = series();
    files::PlotSource source;
    source.samples = s.samples;
    source.table = s.table;
    source.edits = s.edits;
    source.time = s.time;
    for (auto _ : state) {
        const files::PlotPoints points = files::pointsForDrawing(source, 1, kPoints, files::kMaxPlotPoints);
        benchmark::DoNotOptimize(points.y.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
    state.counters["ns_per_point"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kPoints,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DrawWholeChannelWithEdits)->Unit(benchmark::kMillisecond);

}  // namespace
