// corvane-cli export, and the channel units and tables that info reports, run as a separate
// program.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "analysis/files/Compress.h"
#include "analysis/files/clsDataset.h"
#include "analysis/graphs/GraphView.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/measure/DataExport.h"
#include "common/ScriptedPrompt.h"
#include "files/DatasetFixture.h"
#include "support/RunProgram.h"
#include "support/WorkbookSheet.h"
#include "support/TempDir.h"


namespace {

namespace fs = std::filesystem;
using testsets::SetFileText;
using testsets::TestSet;

using CliRun = testsupport::ProgramRun;

// The XML of a workbook's first sheet.
std::string sheetXml(const fs::path& workbook) {
    const std::optional<std::string> xml = testsupport::workbookSheetXml(workbook);
    if (!xml) throw std::runtime_error("no unzip or python3 to read the workbook");
    return *xml;
}

// Runs corvane-cli with the arguments, VANTREL_HOME pointed at home.
CliRun corvaneCli(const std::vector<std::string>& args, const fs::path& home) {
    return testsupport::runProgram(CORVANE_CLI, args, {{"VANTREL_HOME", home.string()}});
}

class CliExportTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::TempDir home;

    // 1 kHz: point i lies at i - 1 ms. Channel 1 codes rise from 0, channel 2 fall from 16383.
    TestSet makeTest(SetFileText set = [] {
        SetFileText s = testsets::twoChannelSet(50);
        s.set("settings", "SampleSpeedInHz", "1000");
        return s;
    }()) {
        return TestSet(dir.path(), "Test01", set, testsets::rampWords(50));
    }
    CliRun cli(std::vector<std::string> args) { return corvaneCli(args, home.path()); }
};

TEST_F(CliExportTest, WritesTimeAndValueLinesOfARange) {
    const TestSet test = makeTest();
    const auto before = testsets::snapshot(dir.path());
    struct Case {
        std::vector<std::string> options;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{"--channel", "1", "--from", "1", "--to", "3"},
         "1.0,-2.4997\r\n2.0,-2.4994\r\n3.0,-2.4991\r\n"},
        {{"--channel", "2", "--from", "3", "--to", "1", "--txt"},  // times in either order
         "1.0,2.4997\r\n2.0,2.4994\r\n3.0,2.4991\r\n"},
        {{"--channel", "1", "--to", "0.4", "--csv"}, "Time (ms),Voltage (V)\r\n0.0,-2.5\r\n"},
        {{"--channel", "2", "--from", "48.6"}, "49.0,2.485\r\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"export", test.setFile.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.expected) << testing::PrintToString(c.options);
    }
    EXPECT_EQ(testsets::snapshot(dir.path()), before);
}

TEST_F(CliExportTest, TimesFollowTheTestsTimeUnit) {
    SetFileText set = testsets::twoChannelSet(50);
    set.set("settings", "SampleSpeedInHz", "1000");
    set.set("settings", "Change Time", "T");
    set.set("settings", "Change Time Factor", "1000");
    set.set("settings", "Change Time Units", "s");
    const TestSet test = makeTest(set);
    const CliRun run = cli({"export", test.setFile.string(), "--channel", "1", "--from", "2",
                         "--to", "2.4", "--csv"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Time (s),Voltage (V)\r\n0.002,-2.4994\r\n");
}

TEST_F(CliExportTest, WritesAnOutputFileButNeverOverAFileOfTheTest) {
    const TestSet test = makeTest();
    const fs::path out = home / "points.txt";
    CliRun run = cli({"export", test.setFile.string(), "--channel", "1", "--out", out.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::string lines = testsupport::readFile(out);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 50);
    EXPECT_EQ(lines.substr(0, 10), "0.0,-2.5\r\n");

    const auto before = testsets::snapshot(dir.path());
    for (const fs::path& target : {test.rawFile, test.setFile}) {
        run = cli({"export", test.setFile.string(), "--channel", "1", "--out", target.string()});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("would replace a file of the test set"), std::string::npos) << run.err;
    }
    EXPECT_EQ(testsets::snapshot(dir.path()), before);
}

TEST_F(CliExportTest, CompressedTestExportsLikeItsRawFileAndLeavesNoCopy) {
    const TestSet test = makeTest();
    const CliRun plain = cli({"export", test.setFile.string(), "--channel", "2"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    {
        testsupport::ScopedVantrelHome scoped(home.path());
        ASSERT_TRUE(files::CompressDataFile(test.rawFile, dir / "Test01.cmp").ok);
    }
    fs::remove(test.rawFile);
    SetFileText set = testsets::twoChannelSet(50);
    set.set("settings", "SampleSpeedInHz", "1000");
    set.set("settings", "RawFileCompressed", "T");
    testsupport::writeFile(test.setFile, set.text());
    const CliRun packed = cli({"export", test.setFile.string(), "--channel", "2"});
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_EQ(packed.out, plain.out);
    for (const auto& entry : fs::recursive_directory_iterator(home.path()))
        EXPECT_EQ(entry.path().extension(), ".ini") << entry.path();
}

TEST_F(CliExportTest, RefusalsSayWhy) {
    SetFileText off = testsets::twoChannelSet(50);
    off.set("settings", "Ch2on", "F");
    const TestSet test = makeTest(off);
    SetFileText broken = testsets::twoChannelSet(50);
    broken.set("settings", "NrChannels", "0");
    const TestSet bad(dir.path(), "Bad01", broken, testsets::rampWords(50));
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"export", test.setFile.string(), "--channel", "3"}, 1, "has no channel 3"},
        {{"export", test.setFile.string(), "--channel", "2"}, 1, "Channel 2 is switched off"},
        {{"export", bad.setFile.string(), "--channel", "1"}, 1, "Error 2 : Graphs not shown."},
        {{"export", (dir / "none.crv").string(), "--channel", "1"}, 1, "does not exist"},
        {{"export", test.setFile.string(), "--channel", "1", "--csv", "--txt"}, 2, ""},
        {{"export", test.setFile.string()}, 2, ""},
    };
    for (const Case& c : cases) {
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << testing::PrintToString(c.args) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST_F(CliExportTest, WorkbookIsTheGraphWindowsExport) {
    SetFileText set = testsets::twoChannelSet(50);
    set.set("settings", "SampleSpeedInHz", "1000");
    set.set("settings", "Change Time", "T");
    set.set("settings", "Change Time Factor", "1000");
    set.set("settings", "Change Time Units", "s");
    const TestSet test = makeTest(set);
    const fs::path workbook = home / "points.xlsx";
    testsupport::writeFile(workbook, "an earlier file");
    const auto before = testsets::snapshot(dir.path());
    const CliRun run = cli({"export", test.setFile.string(), "--channel", "2", "--from", "3", "--to",
                            "40", "--xlsx", workbook.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(testsets::snapshot(dir.path()), before);

    // The window's export of the same graph and range, with its information text as caption.
    common::ScriptedPrompt prompt;
    common::SilentProgress progress;
    measure::HeadlessClipboard clipboard;
    struct Opener : measure::FileOpener {
        bool openFile(const std::string&) override { return true; }
    } opener;
    testsupport::TempDir windowFolder;
    measure::ExportContext context{prompt, clipboard, opener, windowFolder.path().string()};
    files::clsDataset dataset(prompt, progress, graphs::clsGraph::factory());
    ASSERT_TRUE(dataset.bSetupDataAndGraphs(test.setFile.string(), 1, true));
    const auto& model = dynamic_cast<const graphs::clsGraph&>(*dataset.graph(2));
    const std::string info = dynamic_cast<const graphs::HeadlessGraphView&>(*model.view()).fileInfo();
    EXPECT_EQ(info, test.setFile.string() + " Channel 2 DC -2.5 V to 2.5 V");
    ASSERT_TRUE(measure::CopyDataToExcel(dataset, 2, 0.003, 0.040, info, context));
    const std::string windowSheet = sheetXml(windowFolder / "Test01_C2_1.xlsx");
    EXPECT_NE(windowSheet.find("<t>Time (s)</t>"), std::string::npos);
    EXPECT_NE(windowSheet.find("<c r=\"B42\"><v>0.04</v></c>"), std::string::npos);
    EXPECT_EQ(sheetXml(workbook), windowSheet);
}

TEST_F(CliExportTest, FormulaConvertsScopeValues) {
    SetFileText set = testsets::twoChannelSet(50);
    set.set("settings", "SampleSpeedInHz", "1000");
    const TestSet test = makeTest(set);
    const CliRun run = cli({"export", test.setFile.string(), "--channel", "1", "--to", "1", "--csv",
                            "--formula", "2*V", "--quantity", "Pressure", "--units", "kPa"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Time (ms),Pressure (kPa)\r\n0.0,-5.0\r\n1.0,-4.9994\r\n");
}

TEST_F(CliExportTest, FormulaAndWorkbookRefusals) {
    SetFileText set = testsets::twoChannelSet(50);
    testsets::vodChannel(set, 1, "2.5");
    const TestSet test = makeTest(set);
    struct Case {
        std::vector<std::string> options;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--channel", "1", "--formula", "2*V"}, 2, "channel 1 is a VOD channel"},
        {{"--channel", "2", "--formula", "2*(V"}, 2, "The formula has unbalanced brackets."},
        {{"--channel", "2", "--formula", "2*W"}, 2, "The formula has an unknown variable."},
        {{"--channel", "2", "--units", "kPa"}, 2, "--units requires --formula"},
        {{"--channel", "2", "--xlsx", (home / "a.xlsx").string(), "--csv"}, 2, "excludes"},
        {{"--channel", "2", "--xlsx", test.setFile.string()}, 1, "would replace a file of the test set"},
        {{"--channel", "2", "--xlsx", (home / "none" / "a.xlsx").string()}, 1, "Cannot write"},
    };
    const auto before = testsets::snapshot(dir.path());
    for (const Case& c : cases) {
        std::vector<std::string> args = {"export", test.setFile.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, c.exitCode) << testing::PrintToString(c.options) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(testsets::snapshot(dir.path()), before);
    EXPECT_FALSE(fs::exists(home / "a.xlsx"));
}

TEST_F(CliExportTest, InfoNamesUnitsAndTables) {
    SetFileText set = testsets::twoChannelSet(50);
    testsets::vodChannel(set, 1, "0");
    set.set("Channel2", "Y units", "MPa");
    const TestSet test = makeTest(set);
    CliRun run = cli({"info", test.setFile.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Channel 1 values:    m, table failed: Cant analyze VOD settings for "
                           "channel 1 (error 3250)\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Channel 2 values:    MPa, table built\n"), std::string::npos) << run.out;
    run = cli({"info", test.setFile.string(), "--json"});
    EXPECT_NE(run.out.find("\"channel1Table\": \"failed\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"channel2Units\": \"MPa\""), std::string::npos) << run.out;
}

}  // namespace
