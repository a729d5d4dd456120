// corvane-cli plot of a whole channel of the largest test (one slot, two channels of
// 12,582,912 points each, 48 MiB) into a 700 x 320 PNG, as a separate process: opening,
// the reduction to the drawn points, drawing offscreen and writing the image.
//
// The file lies in the page cache (it was just written, and one run happens before timing).

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kPoints = 12'582'912;  // per channel

class LargeTest {
public:
    LargeTest() {
        std::string pattern = (fs::temp_directory_path() / "vantrel-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        m_dir = pattern;
        std::ofstream set(m_dir / "Big01.crv");
        set << "[settings]\nDataCollector=Corvane\nNrChannels=2\nSampleSpeedInHz=5000000\n"
               "PreTriggerPts=2516582\nOFL=-1\nCh1on=T\nCh2on=T\nTriggered=T\n";
        for (int c = 1; c <= 2; ++c)
            set << "[Channel" << c << "]\nSelectCode=2\nKS2=1000000\nVFS2=0\nMinVoltage=-10\n"
                << "MaxVoltage=10\n";
        // A noisy random walk on channel 1, a sine with noise on channel 2.
        std::vector<std::uint16_t> words(static_cast<std::size_t>(2 * kPoints));
        std::mt19937 rng(1);
        int level = 8192;
        for (std::int64_t i = 0; i < kPoints; ++i) {
            level = std::clamp(level + static_cast<int>(rng() % 33) - 16, 0, 16383);
            words[static_cast<std::size_t>(2 * i)] = static_cast<std::uint16_t>(level);
            const double s = 8192 + 6000 * std::sin(static_cast<double>(i) * 1e-5);
            words[static_cast<std::size_t>(2 * i + 1)] =
                static_cast<std::uint16_t>(static_cast<int>(s) + static_cast<int>(rng() % 64));
        }
        std::ofstream raw(m_dir / "Big01.raw", std::ios::binary);
        raw.write(reinterpret_cast<const char*>(words.data()),
                  static_cast<std::streamsize>(words.size() * 2));
    }
    ~LargeTest() {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    const fs::path& dir() const { return m_dir; }

private:
    fs::path m_dir;
};

// Runs the program to its end; its exit code.
int run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_CliPlotWholeChannel(benchmark::State& state) {
    static const LargeTest test;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("VANTREL_HOME", test.dir().c_str(), 1);
    const std::string channel = std::to_string(state.range(0));
    const std::vector<std::string> args = {CORVANE_CLI, "plot", (test.dir() / "Big01.crv").string(),
                                           "--channel", channel, "--out",
                                           (test.dir() / "whole.png").string()};
    if (run(args) != 0) {
        state.SkipWithError("corvane-cli plot failed");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(run(args));
    state.counters["points"] = static_cast<double>(kPoints);
}
BENCHMARK(BM_CliPlotWholeChannel)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
