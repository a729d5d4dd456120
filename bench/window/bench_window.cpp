// The graph windows in the main window, offscreen, on the largest test (one slot, two
// channels of 12,582,912 points each, 48 MiB):
//  - opening the test until every graph window has drawn its plot (the windows are made,
//    the points reduced, the queued replots run and the paint events delivered);
//  - one zoom box on the channel 1 window until it has drawn again: the owner reloads the
//    points of the new range and the plot is redrawn. The argument is the part of the whole
//    range the box keeps (10: a tenth, in the middle; 1000: a thousandth).
//
// The file lies in the page cache (it was just written and is opened once before timing).
// Only the measured steps are timed (manual time); closing the test and the unzoom between
// iterations are not.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "analysis/graphs/window/frmpeGraph.h"
#include "common/ScriptedPrompt.h"
#include "corvane/frmMDImain.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kPoints = 12'582'912;  // per channel
constexpr int kWaitLimitMs = 20'000;          // a window that never draws fails the run

class LargeTest {
public:
    LargeTest() {
        std::string pattern = (fs::temp_directory_path() / "vantrel-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        m_dir = pattern;
        fs::create_directories(m_dir / "home");
        fs::create_directories(m_dir / "tests");
        m_set = m_dir / "tests" / "Big01.crv";
        std::ofstream set(m_set);
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
        std::ofstream raw(m_dir / "tests" / "Big01.raw", std::ios::binary);
        raw.write(reinterpret_cast<const char*>(words.data()),
                  static_cast<std::streamsize>(words.size() * 2));
    }
    ~LargeTest() {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    LargeTest(const LargeTest&) = delete;
    LargeTest& operator=(const LargeTest&) = delete;
    const fs::path& dir() const { return m_dir; }
    const fs::path& setFile() const { return m_set; }

private:
    fs::path m_dir, m_set;
};

const LargeTest& largeTest() {
    static const LargeTest test;
    return test;
}

// The main window with its shared settings in the test's folder.
class MainWindow {
public:
    MainWindow() {
        ::setenv("VANTREL_HOME", (largeTest().dir() / "home").c_str(), 1);
        m_window.show();
        m_window.Start();
        QApplication::processEvents();
    }
    ~MainWindow() { close(); }
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    corvane::frmMDImain& window() { return m_window; }

    void close() {
        m_window.graphs().CloseAllDatasets();
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private:
    common::ScriptedPrompt m_prompt;
    corvane::frmMDImain m_window{m_prompt, "/opt/corvane/"};
};

bool hasRoom(const graphs::frmpeGraph& w) {
    return w.plotWidget()->width() >= 2 && w.plotWidget()->height() >= 2;
}

// Watches windows from now on: each counts as drawn once it has finished a plot with room to
// draw into (a plot without height draws nothing).
class DrawWatch {
public:
    explicit DrawWatch(const std::vector<graphs::frmpeGraph*>& windows)
        : m_drawn(windows.size(), false) {
        for (std::size_t k = 0; k < windows.size(); ++k) {
            graphs::frmpeGraph* w = windows[k];
            QObject::connect(w, &graphs::frmpeGraph::replotted, &m_context, [this, k, w] {
                if (hasRoom(*w)) m_drawn[k] = true;
            });
        }
    }
    // Runs events until every window has drawn, then once more so that the paint events of
    // the last plots are delivered. false on time-out.
    bool wait() {
        QElapsedTimer waited;
        waited.start();
        while (std::find(m_drawn.begin(), m_drawn.end(), false) != m_drawn.end()) {
            if (waited.elapsed() > kWaitLimitMs) return false;
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        QApplication::processEvents();
        return true;
    }

private:
    QObject m_context;  // its connections go with it
    std::vector<bool> m_drawn;
};

// The graph windows open at their smallest size (a title bar, the plot out of sight); they
// are tiled (Window > Tile Horizontally) as part of the opening, so that each draws its plot
// at a size the user can look at.
bool openAndDraw(MainWindow& main, std::size_t& windows) {
    if (!main.window().OpenTestSetFile(largeTest().setFile().string())) return false;
    const std::vector<graphs::frmpeGraph*> shown = main.window().graphWindows();
    windows = shown.size();
    DrawWatch watch(shown);  // tiling resizes the plots, which redraws them at once
    main.window().tileHorizontally();
    return !shown.empty() && watch.wait();
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_OpenLargestTestInMainWindow(benchmark::State& state) {
    largeTest();
    MainWindow main;
    std::size_t windows = 0;
    if (!openAndDraw(main, windows)) {  // warm-up: page cache, fonts, plugins
        state.SkipWithError("the test did not open or a window never drew");
        return;
    }
    main.close();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const bool ok = openAndDraw(main, windows);
        state.SetIterationTime(secondsSince(start));
        main.close();
        if (!ok) {
            state.SkipWithError("the test did not open or a window never drew");
            return;
        }
    }
    state.counters["windows"] = static_cast<double>(windows);
    state.counters["points_per_channel"] = static_cast<double>(kPoints);
}
BENCHMARK(BM_OpenLargestTestInMainWindow)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(2.0);

graphs::frmpeGraph* windowTitled(corvane::frmMDImain& main, const QString& title) {
    for (graphs::frmpeGraph* w : main.graphWindows())
        if (w->windowTitle() == title) return w;
    return nullptr;
}

void BM_ZoomRedrawn(benchmark::State& state) {
    largeTest();
    MainWindow main;
    std::size_t windows = 0;
    if (!openAndDraw(main, windows)) {
        state.SkipWithError("the test did not open or a window never drew");
        return;
    }
    graphs::frmpeGraph* w = windowTitled(main.window(), QStringLiteral("Channel 1"));
    if (!w) {
        state.SkipWithError("no window for channel 1");
        return;
    }
    const graphs::PlotLimits full = w->limits();
    const double part = 1.0 / static_cast<double>(state.range(0));
    const double middle = (full.xMin + full.xMax) / 2;
    const double half = (full.xMax - full.xMin) * part / 2;
    // The box keeps the whole height: it is then widened by 3 % on each side.
    const graphs::PlotLimits box{middle - half, middle + half, full.yMin, full.yMax};
    std::int64_t points = 0;
    for (auto _ : state) {
        bool ok = false;
        {
            DrawWatch watch({w});
            const Clock::time_point start = Clock::now();
            w->applyZoomBox(box);
            ok = watch.wait();
            state.SetIterationTime(secondsSince(start));
        }
        points = static_cast<std::int64_t>(w->owner()->xValues().size());
        DrawWatch unzoomed({w});
        w->Unzoom();
        if (!ok || !unzoomed.wait()) {
            state.SkipWithError("the zoomed window never drew");
            return;
        }
    }
    state.counters["drawn_points"] = static_cast<double>(points);
    state.counters["samples_in_box"] = std::round(static_cast<double>(kPoints) * part);
}
BENCHMARK(BM_ZoomRedrawn)
    ->Arg(10)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(1.0);

}  // namespace

// Qt's application must exist before the first window and go before Qt's own statics.
int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
