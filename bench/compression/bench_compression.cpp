// Compression of a recorder data file: ours (with and without the channel filter, several
// zstd levels) beside the command-line compressors xz -9, zstd -19 and gzip -9 on the same
// 48 MiB two-channel file. Every run reports the compression ratio ("ratio") and the speed in
// bytes of the raw file per second.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "RecorderSignal.h"
#include "analysis/files/Compress.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPoints = (std::size_t{48} << 20) / 4;  // two channels of 16-bit words

struct Workspace {
    testsupport::TempDir dir;
    testsupport::ScopedVantrelHome home{dir.path()};
    fs::path raw = dir / "record.raw";
    std::uint64_t rawSize = 0;

    Workspace() {
        testsupport::writeFile(raw, testsignal::recorderRecord(kPoints, 2026));
        rawSize = fs::file_size(raw);
    }
};

Workspace& workspace() {
    static Workspace w;
    return w;
}

void report(benchmark::State& state, std::uint64_t compressedSize) {
    const auto& w = workspace();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * w.rawSize));
    state.counters["ratio"] = static_cast<double>(w.rawSize) / static_cast<double>(compressedSize);
}

files::CodecSettings settingsOf(const benchmark::State& state) {
    files::CodecSettings settings;
    settings.level = static_cast<int>(state.range(0));
    settings.filter = state.range(1) ? files::DataFilter::ChannelDelta : files::DataFilter::None;
    settings.channels = state.range(1) ? 0 : 1;
    return settings;
}

std::string label(const benchmark::State& state) {
    return std::string(state.range(1) ? "channel filter" : "no filter") + ", level " +
           std::to_string(state.range(0));
}

void BM_OursCompress(benchmark::State& state) {
    auto& w = workspace();
    const fs::path cmp = w.dir / "ours.cmp";
    for (auto _ : state) {
        const auto result = files::CompressDataFile(w.raw, cmp, settingsOf(state));
        if (!result) state.SkipWithError(result.reason.c_str());
    }
    report(state, fs::file_size(cmp));
    state.SetLabel(label(state));
}

void BM_OursDecompress(benchmark::State& state) {
    auto& w = workspace();
    const fs::path cmp = w.dir / "ours-d.cmp";
    const fs::path back = w.dir / "ours-d.raw";
    if (!files::CompressDataFile(w.raw, cmp, settingsOf(state))) {
        state.SkipWithError("compression failed");
        return;
    }
    for (auto _ : state) {
        const auto result = files::DecompressDataFile(cmp, back);
        if (!result) state.SkipWithError(result.reason.c_str());
    }
    report(state, fs::file_size(cmp));
    state.SetLabel(label(state));
    if (fs::file_size(back) != w.rawSize) state.SkipWithError("size differs after the round trip");
}

// The way an opened test is decompressed: into a private temporary file, without the flush to
// disk that a saved copy gets.
void BM_OursDecompressToTemp(benchmark::State& state) {
    auto& w = workspace();
    const fs::path cmp = w.dir / "ours-t.cmp";
    if (!files::CompressDataFile(w.raw, cmp, settingsOf(state))) {
        state.SkipWithError("compression failed");
        return;
    }
    for (auto _ : state) {
        files::TempRawFile temp;
        const auto result = files::DecompressToTemp(cmp, temp);
        if (!result) state.SkipWithError(result.reason.c_str());
    }
    report(state, fs::file_size(cmp));
    state.SetLabel(label(state));
}

// Runs argv with its standard output sent to `out`; throws when it does not end with 0.
void run(const std::vector<std::string>& argv, const fs::path& out) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(argv[0] + " failed");
}

struct Tool {
    const char* name;
    const char* level;
};
constexpr Tool kTools[] = {{"xz", "-9"}, {"zstd", "-19"}, {"gzip", "-9"}};

void BM_ToolCompress(benchmark::State& state) {
    const Tool& tool = kTools[state.range(0)];
    auto& w = workspace();
    const fs::path out = w.dir / (std::string("tool.") + tool.name);
    try {
        for (auto _ : state) run({tool.name, tool.level, "-c", w.raw.string()}, out);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    report(state, fs::file_size(out));
    state.SetLabel(std::string(tool.name) + " " + tool.level);
}

void BM_ToolDecompress(benchmark::State& state) {
    const Tool& tool = kTools[state.range(0)];
    auto& w = workspace();
    const fs::path packed = w.dir / (std::string("tool-d.") + tool.name);
    const fs::path back = w.dir / "tool-d.raw";
    try {
        run({tool.name, tool.level, "-c", w.raw.string()}, packed);
        for (auto _ : state) run({tool.name, "-d", "-c", packed.string()}, back);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    report(state, fs::file_size(packed));
    state.SetLabel(std::string(tool.name) + " " + tool.level);
}

// Levels 1 and 3 are fast enough to repeat; the slower ones run once.
void oursArgs(benchmark::internal::Benchmark* b) {
    for (int filter : {1, 0})
        for (int level : {1, 3, 9, 19}) b->Args({level, filter});
}

}  // namespace

BENCHMARK(BM_OursCompress)->Apply(oursArgs)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OursDecompress)->Args({1, 1})->Args({19, 1})->Args({1, 0})->Args({19, 0})
    ->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OursDecompressToTemp)->Args({1, 1})->Args({1, 0})
    ->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ToolCompress)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ToolDecompress)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
