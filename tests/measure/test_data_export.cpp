// Text export of graph data: the lines, the clipboard and the text file, with the question
// above 32767 points and the failures of a file that cannot be written.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "analysis/files/MemoryPointEdits.h"
#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/measure/DataExport.h"
#include "analysis/measure/TextExport.h"
#include "common/NumberFormat.h"
#include "common/ScriptedPrompt.h"
#include "files/DatasetFixture.h"
#include "measure/SeriesFixture.h"
#include "support/TempDir.h"
#include "support/WithoutRootRights.h"

namespace {

namespace fs = std::filesystem;
using measure::ExportMode;

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Files of a folder by name.
std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TextExportTest, LinesOfARange) {
    struct Case {
        const char* what;
        std::vector<double> values;
        double ts;
        double t0;
        std::vector<std::int32_t> removed;
        std::vector<std::pair<std::int32_t, double>> moved;
        double from, to;  // ms
        ExportMode mode;
        double divisor;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"three times at 0.5 ms", {9, 9, 9, 9, 9, 9}, 0.5, 0.0, {}, {}, 1.0, 2.0, ExportMode::Times, 1.0,
         "1.0\r\n1.5\r\n2.0\r\n"},
        {"values to four decimals, at least one", {0.123456, 2.0, -0.00004}, 1.0, 0.0, {}, {}, 0.0, 2.0,
         ExportMode::Values, 1.0, "0.1235\r\n2.0\r\n0.0\r\n"},
        {"times in either order", {1, 2, 3}, 1.0, -1.0, {}, {}, 1.0, -1.0, ExportMode::TimesAndValues, 1.0,
         "-1.0,1.0\r\n0.0,2.0\r\n1.0,3.0\r\n"},
        {"removed point leaves no line, moved value used", {1, 2, 3, 4}, 1.0, 0.0, {2}, {{3, 7.25}}, 0.0, 3.0,
         ExportMode::TimesAndValues, 1.0, "0.0,1.0\r\n2.0,7.25\r\n3.0,4.0\r\n"},
        {"times in the graph's unit", {5, 6}, 1.0, 0.0, {}, {}, 0.0, 1.0, ExportMode::TimesAndValues, 1000.0,
         "0.0,5.0\r\n0.001,6.0\r\n"},
        {"a range beyond the record ends at its points", {5, 6}, 1.0, 0.0, {}, {}, -50.0, 50.0,
         ExportMode::Values, 1.0, "5.0\r\n6.0\r\n"},
    };
    for (const Case& c : cases) {
        auto owned = seriesfixture::valuesSeries(c.values, c.t0, c.ts);
        for (const std::int32_t i : c.removed) owned->edits.remove(i);
        for (const auto& [i, v] : c.moved) owned->edits.move(i, v);
        const measure::GraphSeries series = owned->series();
        const measure::ExportRange range = measure::exportRange(series, c.from, c.to);
        EXPECT_EQ(measure::exportText(series, range, c.mode, c.divisor), c.expected) << c.what;
    }
}

TEST(TextExportTest, FileHoldsEveryLineOnceAcrossBlocksAndReplacesTheOldFile) {
    testsupport::TempDir dir;
    const fs::path file = dir / "input.dat";
    for (const std::int32_t n : {1, 199, 200, 201, 401}) {
        std::vector<double> values;
        for (std::int32_t k = 0; k < n; ++k) values.push_back(k);
        auto owned = seriesfixture::valuesSeries(values, 0.0, 1.0);
        const measure::GraphSeries series = owned->series();
        const measure::ExportRange range{1, n};
        // A longer earlier file: the new one starts at its first byte and ends with its data.
        testsupport::writeFile(file, std::string(20000, 'x'));
        EXPECT_EQ(measure::writeExportFile(file.string(), series, range, ExportMode::TimesAndValues, 1.0), n);
        const std::string text = testsupport::readFile(file);
        EXPECT_EQ(text, measure::exportText(series, range, ExportMode::TimesAndValues, 1.0)) << n;
        EXPECT_EQ(lineCount(text), static_cast<std::size_t>(n));
        const std::string last = std::to_string(n - 1) + ".0," + std::to_string(n - 1) + ".0\r\n";
        EXPECT_EQ(text.substr(text.size() - last.size()), last) << n;
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"input.dat"}) << n;
    }
}

// A 1 kHz two-channel test (point i of channel 1 at i - 1 ms carries code i - 1) opened
// headless, with a clipboard that holds an earlier text.
class ClipboardExportTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    common::ScriptedPrompt prompt;
    common::SilentProgress progress;
    measure::HeadlessClipboard clipboard;
    struct NoOpener : measure::FileOpener {
        bool openFile(const std::string&) override { return true; }
    } opener;
    measure::ExportContext context{prompt, clipboard, opener, ""};
    std::unique_ptr<files::clsDataset> dataset;

    void open(std::int64_t points) {
        testsets::SetFileText set = testsets::twoChannelSet(points);
        set.set("settings", "SampleSpeedInHz", "1000");
        const testsets::TestSet test(dir.path(), "Test01", set, testsets::rampWords(points));
        dataset = std::make_unique<files::clsDataset>(prompt, progress, graphs::clsGraph::factory());
        ASSERT_TRUE(dataset->bSetupDataAndGraphs(test.setFile.string(), 1, true));
        prompt.clear();
        clipboard.setText("earlier");
    }
    bool copy(std::int32_t mode, double from, double to, bool toFile = false,
              const std::string& file = "") {
        return measure::CopyDataToClipboard(*dataset, 1, mode, from, to, toFile, file, context);
    }
};

TEST_F(ClipboardExportTest, CopiesTheRangeAndSaysSo) {
    open(50);
    ASSERT_TRUE(copy(0, 3.0, 1.0));
    EXPECT_EQ(clipboard.text(), "1.0\r\n2.0\r\n3.0\r\n");
    EXPECT_EQ(clipboard.clears(), 1);
    ASSERT_EQ(prompt.shown().size(), 1u);
    EXPECT_EQ(prompt.shown()[0].text, "Data copied to clipboard");
    EXPECT_EQ(prompt.shown()[0].title, "  Message");

    ASSERT_TRUE(copy(2, 0.0, 0.0));
    EXPECT_EQ(clipboard.text(), "0.0," + common::formatNumber(testsets::scopeVolts(0), "0.0###") + "\r\n");
}

TEST_F(ClipboardExportTest, NoPointsLeavesTheClipboard) {
    open(50);
    EXPECT_FALSE(copy(1, std::nan(""), 3.0));
    EXPECT_EQ(clipboard.text(), "earlier");
    EXPECT_EQ(clipboard.clears(), 0);
    EXPECT_EQ(prompt.messages(), std::vector<std::string>{"Error: Data not copied to clipboard"});
}

TEST_F(ClipboardExportTest, AboveMaxPointsAsksFirstForClipboardAndFile) {
    open(32768);
    const fs::path file = dir / "input.dat";
    struct Case {
        double to;  // ms: the range 0..to holds to + 1 points
        bool toFile;
        std::optional<bool> answer;  // the question, and its answer
        bool done;
    };
    const std::vector<Case> cases = {
        {32766.0, false, std::nullopt, true}, {32767.0, false, false, false},
        {32767.0, false, true, true},         {32767.0, true, false, false},
        {32767.0, true, true, true},
    };
    for (const Case& c : cases) {
        prompt.clear();
        clipboard.setText("earlier");
        const int clears = clipboard.clears();
        fs::remove(file);
        if (c.answer) prompt.answerYesNo(*c.answer);
        EXPECT_EQ(copy(1, 0.0, c.to, c.toFile, file.string()), c.done) << c.to << c.toFile;
        const auto& shown = prompt.shown();
        ASSERT_FALSE(c.answer && shown.empty());
        if (c.answer) {
            EXPECT_EQ(shown[0].kind, common::ScriptedPrompt::Kind::YesNo);
            EXPECT_EQ(shown[0].text, "This will copy 32768 points to the clipboard. Continue?");
            EXPECT_EQ(shown[0].title, "Confirm");
        } else {
            for (const auto& box : shown) EXPECT_NE(box.kind, common::ScriptedPrompt::Kind::YesNo);
        }
        const std::size_t expectedLines = static_cast<std::size_t>(c.to) + 1;
        if (c.toFile) {
            EXPECT_EQ(fs::exists(file), c.done);
            if (c.done) {
                EXPECT_EQ(lineCount(testsupport::readFile(file)), expectedLines);
            }
            EXPECT_EQ(clipboard.text(), "earlier");
        } else if (c.done) {
            EXPECT_EQ(lineCount(clipboard.text()), expectedLines);
        } else {
            EXPECT_EQ(clipboard.text(), "earlier");
            EXPECT_EQ(clipboard.clears(), clears);
        }
    }
}

using testsupport::WithoutRootRights;

TEST_F(ClipboardExportTest, FileThatCannotBeWrittenSaysWhyAndLeavesNothing) {
    open(5000);
    const fs::path folder = dir / "out";
    fs::create_directory(folder);
    const fs::path file = folder / "input.dat";
    testsupport::writeFile(file, "old");
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_exec |
                                fs::perms::others_exec);
    {
        WithoutRootRights user;
        if (!user.permissionsApply()) GTEST_SKIP() << "permissions do not bind";
        EXPECT_FALSE(copy(2, 0.0, 4999.0, true, file.string()));
    }
    fs::permissions(folder, fs::perms::owner_all);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].rfind("Error: Data not written to " + file.string() + "[nl]Cannot write", 0), 0u)
        << prompt.messages()[0];
    EXPECT_NE(prompt.messages()[0].find("Permission denied"), std::string::npos);
    EXPECT_EQ(testsupport::readFile(file), "old");
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"input.dat"});
    EXPECT_EQ(clipboard.text(), "earlier");
}

TEST_F(ClipboardExportTest, FullDiskSaysWhyAndKeepsTheOldFile) {
    open(20000);  // about 400 kB of lines
    const fs::path file = dir / "input.dat";
    testsupport::writeFile(file, "old");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool done = copy(2, 0.0, 19999.0, true, file.string());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(done);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_NE(prompt.messages()[0].find("File too large"), std::string::npos) << prompt.messages()[0];
    EXPECT_EQ(testsupport::readFile(file), "old");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"Test01.crv", "Test01.raw", "input.dat"}));
}

}  // namespace
