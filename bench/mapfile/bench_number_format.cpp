// Formatting exported values with the "0.0###" pattern: one million values per iteration.

#include "common/NumberFormat.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kValues = 1'000'000;

// Values like an exported scope trace: volts between -10 and 10 with full double precision,
// and a share of round numbers.
const std::vector<double>& values() {
    static const std::vector<double> data = [] {
        std::vector<double> v(kValues);
        std::uint64_t state = 88172645463325252ull;
        for (std::size_t i = 0; i < kValues; ++i) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            const double unit = static_cast<double>(state >> 11) / 9007199254740992.0;
            v[i] = i % 8 == 0 ? static_cast<double>(i % 200) * 0.05 : unit * 20.0 - 10.0;
        }
        return v;
    }();
    return data;
}

void setPerValue(benchmark::State& state) {
    state.counters["per_value"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(kValues),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The hot-loop way: one parsed pattern, text written into a caller's buffer.
void BM_PatternIntoBuffer(benchmark::State& state) {
    const common::NumberPattern pattern("0.0###");
    const auto& data = values();
    char buffer[64];
    for (auto _ : state) {
        std::size_t length = 0;
        for (double v : data) {
            const auto result = pattern.format(buffer, buffer + sizeof buffer, v);
            length += static_cast<std::size_t>(result.ptr - buffer);
        }
        benchmark::DoNotOptimize(length);
    }
    setPerValue(state);
}

// Appending to one growing export line buffer.
void BM_PatternAppendTo(benchmark::State& state) {
    const common::NumberPattern pattern("0.0###");
    const auto& data = values();
    std::string text;
    for (auto _ : state) {
        text.clear();
        for (double v : data) {
            pattern.appendTo(text, v);
            text += '\t';
        }
        benchmark::DoNotOptimize(text.data());
    }
    setPerValue(state);
}

// The convenient call: the pattern is parsed and a string returned for every value.
void BM_FormatNumber(benchmark::State& state) {
    const auto& data = values();
    for (auto _ : state) {
        std::size_t length = 0;
        for (double v : data) {
            length += common::formatNumber(v, "0.0###").size();
        }
        benchmark::DoNotOptimize(length);
    }
    setPerValue(state);
}

// For scale: to_chars alone with four fixed decimals (rounds ties to even, keeps zeros).
void BM_ToCharsFixed4(benchmark::State& state) {
    const auto& data = values();
    char buffer[64];
    for (auto _ : state) {
        std::size_t length = 0;
        for (double v : data) {
            const auto result =
                std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 4);
            length += static_cast<std::size_t>(result.ptr - buffer);
        }
        benchmark::DoNotOptimize(length);
    }
    setPerValue(state);
}

BENCHMARK(BM_PatternIntoBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatternAppendTo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatNumber)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToCharsFixed4)->Unit(benchmark::kMillisecond);

}  // namespace
