#pragma once
// A download run against the emulated recorder: a scripted window (texts recorded, boxes
// ticked unless unticked, hooks at every event point), a scripted prompt, a private folder
// that is also VANTREL_HOME, and readers of the run's files.

#include "common/Ini.h"
#include "common/ScriptedPrompt.h"
#include "download/DownloadDriver.h"
#include "download/DownloadFileNames.h"
#include "download/DownloadView.h"
#include "download/TestChooser.h"
#include "link/Port.h"
#include "recsim/DefaultImage.h"
#include "recsim/Emulator.h"
#include "recsim/ExpectedData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace download::testing {

class ScriptedWindow final : public DownloadView, public TestChooser {
public:
    void showFileName(const std::string& text) override { fileName = text; }
    void showWindow() override { ++shown; }
    void downloadStarted() override { ++started; }
    void showProgressText(const std::string& text) override {
        progressTexts.push_back(text);
        lastProgress = text;
    }
    void showPortTypeText(const std::string& text) override { portTexts.push_back(text); }
    void letEventsRun() override {
        ++events;
        if (onEvents) onEvents(lastProgress);
    }
    void closeWindow() override { ++closed; }
    void SetNrTests(int n) override { offered = n; }
    bool testChosen(int t) const override { return t <= offered && !unticked.count(t); }

    std::string fileName;
    int shown = 0;
    int started = 0;
    int closed = 0;
    int events = 0;
    int offered = -1;  // -1: the boxes were never shown
    std::set<int> unticked;
    std::vector<std::string> progressTexts;
    std::vector<std::string> portTexts;
    std::string lastProgress;
    // Runs where window events would run, with the progress text shown last.
    std::function<void(const std::string& progress)> onEvents;
};

// Slot sizes that keep a transfer short but long enough for one progress report: 4 slots of
// 6144 words (3072 steps, a report at 2048).
inline recsim::ImageOptions smallOptions(int tests, int slots = 4) {
    recsim::ImageOptions o;
    o.tests = tests;
    o.slots = slots;
    o.memoryWords = static_cast<std::uint64_t>(slots) * 6144;
    return o;
}

class DriverRun : public ::testing::Test {
protected:
    void make(const recsim::RecorderImage& image, std::optional<std::string> root = {}) {
        auto emulator = std::make_unique<recsim::Emulator>(image);
        m_emulator = emulator.get();
        DriverOptions options;
        options.port = std::make_unique<vantrel::link::Port>(std::move(emulator));
        options.settingsFile = settingsFile();
        options.memoryWords = image.memoryWords;
        options.clock = [] { return LocalDateTime{2026, 12, 6, 14, 3, 22}; };
        makeWith(std::move(options), root);
    }
    // The driver for m_root unless another root is given.
    void makeWith(DriverOptions options, std::optional<std::string> root = {}) {
        m_driver = std::make_unique<DownloadDriver>(root.value_or(m_root), m_prompt, m_window, m_window,
                                                    std::move(options));
    }

    std::filesystem::path settingsFile() const { return m_dir / "vantrel.ini"; }
    std::string setFile(int t) const { return setFileName(m_root, t); }
    std::string rawFile(int t) const { return rawFileName(m_root, t); }
    std::string logFile() const { return logFileName(m_root); }

    std::optional<std::string> logKey(const std::string& key) const {
        return common::ini::readValue(logFile(), "Status", key);
    }
    std::optional<std::string> setKey(int t, const std::string& key) const {
        return common::ini::readValue(setFile(t), "settings", key);
    }

    // A failed run marks the log; a good one marks it complete only.
    void expectLogEnd(bool failed) const {
        EXPECT_EQ(logKey("Complete"), "T");
        if (failed) EXPECT_EQ(logKey("Error"), "T");
        else EXPECT_FALSE(logKey("Error"));
    }

    void expectDataFileOf(int t) const {
        const recsim::DataFileComparison c = recsim::compareDataFile(m_emulator->image(), t, rawFile(t));
        EXPECT_TRUE(c.matches()) << "test " << t << ": " << c.fileBytes << " bytes of " << c.expectedBytes
                                 << ", first difference at word "
                                 << (c.firstDifference ? std::to_string(*c.firstDifference) : "-");
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedVantrelHome m_home{m_dir.path()};
    std::string m_root = (m_dir / "CV2026Dec001_").string();
    common::ScriptedPrompt m_prompt;
    ScriptedWindow m_window;
    recsim::Emulator* m_emulator = nullptr;
    std::unique_ptr<DownloadDriver> m_driver;
};

}  // namespace download::testing
