// Opening the largest test (one slot, two channels: 25,165,824 words, 48 MiB) against a plain
// sequential read of the same file, reloading the drawn points for several zoom ranges, and
// the resident memory that opening adds beyond the mapping.
//
// The file lies in the page cache (it was just written and is read once before timing).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <functional>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "common/ScriptedPrompt.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kPoints = 12'582'912;  // per channel
constexpr std::int64_t kWords = 2 * kPoints;

class LargeTest {
public:
    LargeTest() {
        std::string pattern = (fs::temp_directory_path() / "vantrel-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        m_dir = pattern;
        m_set = m_dir / "Big01.crv";
        m_raw = m_dir / "Big01.raw";
        std::ofstream set(m_set);
        set << "[settings]\nDataCollector=Corvane\nNrChannels=2\nSampleSpeedInHz=5000000\n"
               "PreTriggerPts=2516582\nOFL=-1\nCh1on=T\nCh2on=T\nTriggered=T\n";
        for (int c = 1; c <= 2; ++c)
            set << "[Channel" << c << "]\nSelectCode=2\nKS2=1000000\nVFS2=0\nMinVoltage=-10\n"
                << "MaxVoltage=10\n";
        // A noisy random walk on channel 1, a sine with noise on channel 2.
        std::vector<std::uint16_t> words(static_cast<std::size_t>(kWords));
        std::mt19937 rng(1);
        int level = 8192;
        for (std::int64_t i = 0; i < kPoints; ++i) {
            level = std::clamp(level + static_cast<int>(rng() % 33) - 16, 0, 16383);
            words[static_cast<std::size_t>(2 * i)] = static_cast<std::uint16_t>(level);
            const double s = 8192 + 6000 * std::sin(static_cast<double>(i) * 1e-5);
            words[static_cast<std::size_t>(2 * i + 1)] =
                static_cast<std::uint16_t>(static_cast<int>(s) + static_cast<int>(rng() % 64));
        }
        std::ofstream raw(m_raw, std::ios::binary);
        raw.write(reinterpret_cast<const char*>(words.data()),
                  static_cast<std::streamsize>(words.size() * 2));
    }
    ~LargeTest() {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    const fs::path& setFile() const { return m_set; }
    const fs::path& rawFile() const { return m_raw; }

private:
    fs::path m_dir, m_set, m_raw;
};

const LargeTest& largeTest() {
    static const LargeTest test;
    return test;
}

// read() of the whole file in 1 MiB pieces; the sum keeps the reads from being dropped.
std::uint64_t plainRead(const fs::path& file) {
    static std::vector<char> buffer(1 << 20);
    const int fd = ::open(file.c_str(), O_RDONLY);
    std::uint64_t sum = 0;
    while (true) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0) break;
        sum += static_cast<unsigned char>(buffer[0]) + static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    return sum;
}

double secondsOf(const std::function<void()>& work, int repeats) {
    double best = 1e9;
    for (int k = 0; k < repeats; ++k) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

struct Session {
    common::ScriptedPrompt prompt;
    common::SilentProgress progress;
    files::clsDataset dataset{prompt, progress, graphs::clsGraph::factory()};
    bool open() { return dataset.bSetupDataAndGraphs(largeTest().setFile().string(), 1, true); }
};

// Runs first, before any other benchmark keeps the test mapped.
// Resident memory: VmRSS before and after opening, and the resident pages of the mapping.
long kilobytesOf(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

std::string fileText(const char* path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

long mappingRssKb(const std::string& file) {
    std::istringstream in(fileText("/proc/self/smaps"));
    std::string line;
    bool inside = false;
    long total = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) &&
            line.find('-') < line.find(' '))
            inside = line.find(file) != std::string::npos;
        else if (inside && line.rfind("Rss:", 0) == 0)
            total += std::strtol(line.c_str() + 4, nullptr, 10);
    }
    return total;
}

void BM_ResidentMemoryOfOpening(benchmark::State& state) {
    plainRead(largeTest().rawFile());
    for (auto _ : state) {
        Session s;
        const long before = kilobytesOf(fileText("/proc/self/status"), "VmRSS:");
        s.open();
        const long after = kilobytesOf(fileText("/proc/self/status"), "VmRSS:");
        const long mapping = mappingRssKb(largeTest().rawFile().string());
        state.counters["rss_growth_MiB"] = static_cast<double>(after - before) / 1024.0;
        state.counters["mapping_rss_MiB"] = static_cast<double>(mapping) / 1024.0;
        state.counters["beyond_mapping_MiB"] = static_cast<double>(after - before - mapping) / 1024.0;
    }
}
BENCHMARK(BM_ResidentMemoryOfOpening)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PlainSequentialRead(benchmark::State& state) {
    plainRead(largeTest().rawFile());  // into the page cache
    for (auto _ : state) benchmark::DoNotOptimize(plainRead(largeTest().rawFile()));
    state.SetBytesProcessed(state.iterations() * kWords * 2);
}
BENCHMARK(BM_PlainSequentialRead)->Unit(benchmark::kMillisecond);

// Tables of both channels, the pyramids, and the drawn points of both channel graphs.
void BM_OpenLargeTest(benchmark::State& state) {
    plainRead(largeTest().rawFile());
    const double readSeconds = secondsOf([] { plainRead(largeTest().rawFile()); }, 5);
    Session s;
    for (auto _ : state) {
        if (!s.open()) state.SkipWithError(s.dataset.sLastError().c_str());
        s.dataset.CloseAll();
    }
    const double openSeconds = secondsOf(
        [&] {
            s.open();
            s.dataset.CloseAll();
        },
        5);
    state.counters["read_ms"] = readSeconds * 1e3;
    state.counters["open_ms"] = openSeconds * 1e3;
    state.counters["open_per_read"] = openSeconds / readSeconds;
}
BENCHMARK(BM_OpenLargeTest)->Unit(benchmark::kMillisecond);

// Reload of the drawn points of channel 1 for a share of the record (1/arg), centred.
void BM_ReloadDrawnPoints(benchmark::State& state) {
    static Session s;
    static const bool opened = s.open();
    if (!opened) {
        state.SkipWithError("test did not open");
        return;
    }
    const double whole = static_cast<double>(kPoints) * s.dataset.sampleTime().Ts;
    const double t0 = s.dataset.sampleTime().t0;
    const double span = whole / static_cast<double>(state.range(0));
    const double start = t0 + (whole - span) / 2;
    std::size_t points = 0;
    for (auto _ : state) {
        const files::PlotPoints p = s.dataset.SetPlotDataMaxMinTimes(1, start, start + span);
        points = p.size();
        benchmark::DoNotOptimize(p.y.data());
    }
    state.counters["points"] = static_cast<double>(points);
    state.counters["samples"] = static_cast<double>(kPoints) / static_cast<double>(state.range(0));
}
BENCHMARK(BM_ReloadDrawnPoints)
    ->Arg(1)->Arg(2)->Arg(10)->Arg(100)->Arg(1000)->Arg(12)->Arg(600)
    ->Unit(benchmark::kMillisecond);


}  // namespace
