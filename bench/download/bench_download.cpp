// A whole download run against the emulated recorder: one stored test filling a one-slot
// recorder's full memory (25165824 words, 12582912 steps), from the start of the run (port
// search, directory, set file) to "Complete" in the log, read in ECP mode.

#include "common/Ini.h"
#include "common/ScriptedPrompt.h"
#include "download/DownloadDriver.h"
#include "download/DownloadFileNames.h"
#include "download/DownloadView.h"
#include "download/TestChooser.h"
#include "link/Port.h"
#include "recsim/DefaultImage.h"
#include "recsim/Emulator.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

class QuietWindow final : public download::DownloadView, public download::TestChooser {
public:
    void showFileName(const std::string&) override {}
    void showWindow() override {}
    void downloadStarted() override {}
    void showProgressText(const std::string&) override { ++reports; }
    void showPortTypeText(const std::string& text) override { mode = text; }
    void letEventsRun() override {}
    void closeWindow() override {}
    void SetNrTests(int) override {}
    bool testChosen(int) const override { return true; }
    int reports = 0;
    std::string mode;
};

std::filesystem::path scratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return {};
    return pattern;
}

void BM_FullSlotDownloadRun(benchmark::State& state) {
    recsim::ImageOptions options;
    options.slots = 1;
    options.tests = 1;
    const recsim::RecorderImage image = recsim::makeImage(options);
    const std::filesystem::path folder = scratchFolder();
    if (folder.empty()) {
        state.SkipWithError("no scratch folder");
        return;
    }
    std::uint64_t accesses = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
        auto owned = std::make_unique<recsim::Emulator>(image);
        const recsim::Emulator& emulator = *owned;
        download::DriverOptions driverOptions;
        driverOptions.port = std::make_unique<vantrel::link::Port>(std::move(owned));
        driverOptions.settingsFile = folder / "vantrel.ini";
        driverOptions.memoryWords = image.memoryWords;
        common::ScriptedPrompt prompt;
        QuietWindow window;
        const std::string root = (folder / "shot_").string();
        download::DownloadDriver driver(root, prompt, window, window, std::move(driverOptions));
        state.ResumeTiming();

        driver.Start();

        state.PauseTiming();
        accesses += emulator.accesses();
        if (driver.result() != download::RunResult::Complete ||
            common::ini::readValue(download::logFileName(root), "Status", "Complete") != "T" ||
            common::ini::readValue(download::setFileName(root, 1), "settings", "ECP") != "0" ||
            window.mode != " Using ECP")
            state.SkipWithError("the run did not end complete through ECP");
        state.ResumeTiming();
    }
    std::filesystem::remove_all(folder);
    state.counters["accesses"] = benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 *
                            static_cast<std::int64_t>(image.memoryWords));
}

}  // namespace

BENCHMARK(BM_FullSlotDownloadRun)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
