#pragma once
// An opened test with the point stores of its event graphs, for the tests of edits and
// measurements: a two-channel 1 MHz test whose channel 1 carries a given trace of sample
// codes, with event 1 (graph 3) covering the whole of channel 1.

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/measure/DatasetEdits.h"
#include "common/ScriptedPrompt.h"
#include "files/DatasetFixture.h"
#include "support/TempDir.h"

namespace editsession {

namespace fs = std::filesystem;

inline constexpr std::int32_t kEventGraph = 3;
inline constexpr double kTs = 0.001;  // ms per point at 1 MHz

inline double timeOf(std::int32_t i) { return (i - 1) * kTs; }

// Channel 1 holds the codes, channel 2 their mirror.
inline std::vector<std::uint16_t> traceWords(const std::vector<std::uint16_t>& codes) {
    std::vector<std::uint16_t> words;
    words.reserve(codes.size() * 2);
    for (const std::uint16_t c : codes) {
        words.push_back(c);
        words.push_back(static_cast<std::uint16_t>(16383 - c));
    }
    return words;
}

inline testsets::SetFileText traceSet(std::size_t points) {
    testsets::SetFileText set = testsets::twoChannelSet(static_cast<std::int64_t>(points));
    set.set("settings", "NrEventGraphs", "1");
    set.set("Event1", "EventChannelNr", "1");
    set.set("Event1", "StartTimeInMilliSec", "0");
    set.set("Event1", "EndTimeMilliSec", std::to_string(timeOf(static_cast<std::int32_t>(points))));
    set.set("Event1", "EventTitle", "trace");
    return set;
}

// Counts the steps of a bulk edit, keeps its texts, and asks to stop after a given number of
// steps (never when below 0).
class StepProgress : public common::Progress {
public:
    void setText(const std::string& text) override { texts.push_back(text); }
    void setFraction(double f) override { fraction = f; }
    bool step() override { return ++steps > stopAfter && stopAfter >= 0; }
    std::string text() const { return texts.empty() ? std::string() : texts.back(); }

    std::vector<std::string> texts;
    double fraction = 0.0;
    long steps = 0;
    long stopAfter = -1;
};

struct Session {
    common::ScriptedPrompt prompt;
    testsets::RecordingProgress openProgress;
    StepProgress progress;
    files::clsDataset dataset{prompt, openProgress, graphs::clsGraph::factory()};
    std::unique_ptr<measure::DatasetEdits> edits;

    bool open(const fs::path& setFile) {
        if (!dataset.bSetupDataAndGraphs(setFile.string(), 1, true)) return false;
        edits = std::make_unique<measure::DatasetEdits>(dataset, prompt, progress);
        edits->attachAll();
        return true;
    }
    ~Session() { edits.reset(); }  // before the dataset it lent its stores to

    graphs::clsGraph& graph(std::int32_t number) {
        return dynamic_cast<graphs::clsGraph&>(*dataset.graph(number));
    }
    graphs::HeadlessGraphView& view(std::int32_t number) {
        return dynamic_cast<graphs::HeadlessGraphView&>(*graph(number).view());
    }
    std::int32_t counter(const char* key) {
        return dataset.lGetGraphIniValDefault(kEventGraph, key, 0);
    }
    std::string sideFile(std::int32_t kind) {
        return dataset.setFile().sCustomFileName(kind, kEventGraph);
    }
    bool shown(const std::string& text) const {
        const auto messages = prompt.messages();
        return std::find(messages.begin(), messages.end(), text) != messages.end();
    }
};

// A test set in its own folder.
struct TraceTest {
    testsupport::TempDir dir;
    std::unique_ptr<testsets::TestSet> test;

    explicit TraceTest(const std::vector<std::uint16_t>& codes)
        : TraceTest(codes, traceSet(codes.size())) {}
    TraceTest(const std::vector<std::uint16_t>& codes, const testsets::SetFileText& set) {
        test = std::make_unique<testsets::TestSet>(dir.path(), "Test01", set, traceWords(codes));
    }
    const fs::path& setFile() const { return test->setFile; }
};

}  // namespace editsession
