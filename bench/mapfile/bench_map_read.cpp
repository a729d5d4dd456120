// Reading every point of a two-channel data file through CMapFile, against reading the same file
// with read() into a buffer. "Hot" runs find the file in the page cache (a test opened again);
// "Cold" runs first drop the file's pages from the cache (a test opened for the first time).

#include "common/CMapFile.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using common::CMapFile;

namespace {

constexpr std::size_t kWords = 25'165'824;  // 48 MiB, two channels
constexpr std::int32_t kChannels = 2;

fs::path g_dir;
fs::path g_file;

// A VOD channel falling from near full scale to the bottom, and a pressure pulse with its decay,
// both with recorder noise; 14-bit codes, bits 14 and 15 clear.
void writeDataFile() {
    std::vector<std::uint16_t> words(kWords);
    std::uint32_t noise = 12345;
    const std::size_t points = kWords / kChannels;
    for (std::size_t i = 0; i < points; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const int jitter = static_cast<int>((noise >> 24) & 15) - 8;
        const double t = static_cast<double>(i) / static_cast<double>(points);
        const double vod = t < 0.3 ? 15800 : t < 0.7 ? 15800 - (t - 0.3) / 0.4 * 14000 : 1800;
        const double pressure = t < 0.4 ? 8192 : 8192 + 6000 * (1.0 - (t - 0.4)) * (t < 0.45 ? (t - 0.4) * 20 : 1.0);
        words[2 * i] = static_cast<std::uint16_t>((static_cast<int>(vod) + jitter) & 0x3FFF);
        words[2 * i + 1] = static_cast<std::uint16_t>((static_cast<int>(pressure) - jitter) & 0x3FFF);
    }
    const int fd = ::open(g_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror("create data file");
        std::exit(1);
    }
    const auto* bytes = reinterpret_cast<const char*>(words.data());
    std::size_t left = words.size() * sizeof(std::uint16_t);
    while (left > 0) {
        const ssize_t written = ::write(fd, bytes, left);
        if (written <= 0) {
            std::perror("write data file");
            std::exit(1);
        }
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
    ::fsync(fd);  // clean pages, so that the cold runs can drop them
    ::close(fd);
}

void dropFromPageCache() {
    const int fd = ::open(g_file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

enum Hint : int { kNone = -1, kNormal, kSequential, kRandom, kWillNeed };

const char* hintName(int hint) {
    switch (hint) {
        case kNormal: return "normal";
        case kSequential: return "sequential";
        case kRandom: return "random";
        case kWillNeed: return "willneed";
        default: return "no hint";
    }
}

// The dataset's way: one mapping, then channel by channel SetupGetInteger and
// wGetNthIntAfterSetup for every point.
std::int64_t sumThroughMap(int hint) {
    CMapFile map;
    if (!map.bMapFileRead(g_file.string(), kChannels, true)) {
        std::fprintf(stderr, "%s\n", map.lastError().c_str());
        std::exit(1);
    }
    if (hint != kNone) {
        map.adviseAccess(static_cast<CMapFile::AccessHint>(hint));
    }
    std::int64_t sum = 0;
    const std::int64_t points = map.pointsPerChannel();
    for (std::int32_t channel = 1; channel <= kChannels; ++channel) {
        map.SetupGetInteger(channel);
        for (std::int64_t i = 1; i <= points; ++i) {
            sum += map.wGetNthIntAfterSetup(i);
        }
    }
    return sum;
}

// The bulk view: the same passes over words().
std::int64_t sumThroughWords() {
    CMapFile map;
    if (!map.bMapFileRead(g_file.string(), kChannels, true)) {
        std::exit(1);
    }
    const auto words = map.words();
    const auto points = static_cast<std::size_t>(map.pointsPerChannel());
    std::int64_t sum = 0;
    for (std::size_t channel = 0; channel < kChannels; ++channel) {
        for (std::size_t i = 0; i < points; ++i) {
            sum += static_cast<std::int16_t>(words[i * kChannels + channel]);
        }
    }
    return sum;
}

std::int64_t sumThroughRead(std::vector<std::uint16_t>& buffer) {
    const int fd = ::open(g_file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::exit(1);
    }
    auto* bytes = reinterpret_cast<char*>(buffer.data());
    std::size_t total = 0;
    const std::size_t wanted = buffer.size() * sizeof(std::uint16_t);
    while (total < wanted) {
        const ssize_t got = ::read(fd, bytes + total, wanted - total);
        if (got <= 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    ::close(fd);
    const std::size_t points = total / sizeof(std::uint16_t) / kChannels;
    std::int64_t sum = 0;
    for (std::size_t channel = 0; channel < kChannels; ++channel) {
        for (std::size_t i = 0; i < points; ++i) {
            sum += static_cast<std::int16_t>(buffer[i * kChannels + channel]);
        }
    }
    return sum;
}

void prepare(benchmark::State& state, bool cold) {
    if (cold) {
        state.PauseTiming();
        dropFromPageCache();
        state.ResumeTiming();
    }
}

void BM_MapRead(benchmark::State& state) {
    const bool cold = state.range(0) != 0;
    const int hint = static_cast<int>(state.range(1));
    for (auto _ : state) {
        prepare(state, cold);
        benchmark::DoNotOptimize(sumThroughMap(hint));
    }
    state.SetLabel(std::string(cold ? "cold, " : "hot, ") + hintName(hint));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(kWords * 2));
}

void BM_MapWords(benchmark::State& state) {
    const bool cold = state.range(0) != 0;
    for (auto _ : state) {
        prepare(state, cold);
        benchmark::DoNotOptimize(sumThroughWords());
    }
    state.SetLabel(cold ? "cold" : "hot");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(kWords * 2));
}

void BM_ReadCall(benchmark::State& state) {
    const bool cold = state.range(0) != 0;
    std::vector<std::uint16_t> buffer(kWords);
    for (auto _ : state) {
        prepare(state, cold);
        benchmark::DoNotOptimize(sumThroughRead(buffer));
    }
    state.SetLabel(cold ? "cold" : "hot");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(kWords * 2));
}

// Range 0: cold (1) or hot (0); range 1: the access hint given after mapping.
BENCHMARK(BM_MapRead)
    ->ArgsProduct({{0, 1}, {kNone, kSequential, kRandom, kWillNeed}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_MapWords)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadCall)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the console table, then each mapped variant's time over read()'s time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            // With repetitions the median stands for the benchmark.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type == Run::RT_Iteration || median) && !run.error_occurred) {
                m_times[run.run_name.str()] = {run.GetAdjustedRealTime(), run.report_label};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        std::printf("\nMapped read / read() (same cache state):\n");
        for (const auto& [name, entry] : m_times) {
            if (name.rfind("BM_ReadCall", 0) == 0) {
                continue;
            }
            // Names read "BM_x/<cold>/...": compare with read() in the same cache state.
            const std::string coldness = name.substr(name.find('/') + 1, 1);
            const auto base = m_times.find("BM_ReadCall/" + coldness + "/real_time");
            if (base == m_times.end()) {
                continue;
            }
            std::printf("  %-40s %-22s %8.2f ms / %8.2f ms = %5.2f\n", name.c_str(),
                        entry.label.c_str(), entry.time, base->second.time,
                        entry.time / base->second.time);
        }
    }

private:
    struct Entry {
        double time;
        std::string label;
    };
    std::map<std::string, Entry> m_times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    g_dir = fs::temp_directory_path() / ("vantrel-bench-map-" + std::to_string(::getpid()));
    fs::create_directories(g_dir);
    g_file = g_dir / "test01.raw";
    writeDataFile();

    std::vector<std::uint16_t> buffer(kWords);
    const std::int64_t expected = sumThroughRead(buffer);
    if (sumThroughMap(kNone) != expected || sumThroughWords() != expected) {
        std::fprintf(stderr, "mapped and read sums differ\n");
        return 1;
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();

    std::error_code ignored;
    fs::remove_all(g_dir, ignored);
    return 0;
}
