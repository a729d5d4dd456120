// Spreadsheet export: the saved workbooks read back cell by cell (the .xlsx is unpacked by the
// system's unzip, or python3's zipfile), their names, messages and failures.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/files/MemoryPointEdits.h"
#include "analysis/files/clsDataset.h"
#include "analysis/graphs/clsGraph.h"
#include "analysis/measure/DataExport.h"
#include "analysis/measure/SpreadsheetExport.h"
#include "common/ScriptedPrompt.h"
#include "files/DatasetFixture.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/WithoutRootRights.h"
#include "support/WorkbookSheet.h"

namespace {

namespace fs = std::filesystem;

struct Cell {
    bool text = false;
    std::string value;
};

std::string unescape(std::string s) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + 1))
            s.replace(p, std::strlen(from), to);
    return s;
}

// The cells of a sheet by reference ("B5").
class Sheet {
public:
    explicit Sheet(const std::string& xml) {
        m_cells.reserve(xml.size() / 24);
        const std::string_view all(xml);
        for (std::size_t p = all.find("<c r=\""); p != std::string_view::npos; p = all.find("<c r=\"", p + 1)) {
            const std::size_t refEnd = all.find('"', p + 6);
            const std::size_t end = all.find("</c>", refEnd);
            const std::string_view body = all.substr(refEnd, end - refEnd);
            Cell cell;
            if (const std::size_t v = body.find("<v>"); v != std::string_view::npos) {
                cell.value = std::string(body.substr(v + 3, body.find("</v>") - v - 3));
            } else if (const std::size_t t = body.find("<t"); t != std::string_view::npos) {
                const std::size_t start = body.find('>', t) + 1;
                cell.text = true;
                cell.value = unescape(std::string(body.substr(start, body.find("</t>") - start)));
            }
            m_cells.emplace(std::string(all.substr(p + 6, refEnd - p - 6)), std::move(cell));
        }
    }
    std::size_t size() const { return m_cells.size(); }
    bool has(const std::string& ref) const { return m_cells.count(ref) != 0; }
    std::string text(const std::string& ref) const {
        const auto found = m_cells.find(ref);
        if (found == m_cells.end() || !found->second.text) return "<no text at " + ref + ">";
        return found->second.value;
    }
    std::optional<double> number(const std::string& ref) const {
        const auto found = m_cells.find(ref);
        if (found == m_cells.end() || found->second.text) return std::nullopt;
        return std::stod(found->second.value);
    }
    // Number cells of a column between two rows.
    std::int64_t numbersIn(const std::string& column, std::int64_t firstRow, std::int64_t lastRow) const {
        std::int64_t n = 0;
        for (std::int64_t r = firstRow; r <= lastRow; ++r) n += number(column + std::to_string(r)).has_value();
        return n;
    }

private:
    std::unordered_map<std::string, Cell> m_cells;
};

class RecordingOpener : public measure::FileOpener {
public:
    bool openFile(const std::string& path) override {
        opened.push_back(path);
        return answer;
    }
    std::vector<std::string> opened;
    bool answer = true;
};

// A 1 kHz two-channel test (channel 1 code i - 1 at point i, i - 1 ms; channel 2 mirrored)
// with event 1 (graph 3) on channel 1 from 0 to 9 ms.
class SpreadsheetExportTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::TempDir out;
    common::ScriptedPrompt prompt;
    common::SilentProgress progress;
    measure::HeadlessClipboard clipboard;
    RecordingOpener opener;
    measure::ExportContext context{prompt, clipboard, opener, out.path().string()};
    std::unique_ptr<files::clsDataset> dataset;
    files::MemoryPointEdits eventEdits;

    void open(std::int64_t points) {
        testsets::SetFileText set = testsets::twoChannelSet(points);
        set.set("settings", "SampleSpeedInHz", "1000");
        set.set("settings", "NrEventGraphs", "1");
        set.set("Event1", "EventChannelNr", "1");
        set.set("Event1", "StartTimeInMilliSec", "0");
        set.set("Event1", "EndTimeMilliSec", "9");
        set.set("Event1", "EventTitle", "Gauge 1/peak");
        set.set("Event1", "Y quantity", "Pressure");
        set.set("Event1", "Y units", "kPa");
        const testsets::TestSet test(dir.path(), "Test01", set, testsets::rampWords(points));
        dataset = std::make_unique<files::clsDataset>(prompt, progress, graphs::clsGraph::factory());
        ASSERT_TRUE(dataset->bSetupDataAndGraphs(test.setFile.string(), 1, true));
        dataset->SetPointEdits(3, &eventEdits);
        prompt.clear();
    }
    void TearDown() override {
        if (dataset) dataset->SetPointEdits(3, nullptr);
    }
    Sheet savedSheet(const fs::path& path) {
        const std::optional<std::string> xml = testsupport::workbookSheetXml(path);
        if (!xml) throw std::runtime_error("no unzip or python3 to read the workbook");
        return Sheet(*xml);
    }
    std::vector<std::string> outFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(out.path())) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

double volts(std::int64_t code) { return testsets::scopeVolts(static_cast<std::uint16_t>(code % 16384)); }

TEST_F(SpreadsheetExportTest, PointsBeyondOneBlockFillTheNextColumns) {
    open(65001);
    ASSERT_TRUE(measure::CopyDataToExcel(*dataset, 1, 0.0, 65000.0, "Test01 Channel 1 DC -2.5 V to 2.5 V", context));
    const fs::path saved = out / "Test01_C1_1.xlsx";
    ASSERT_EQ(opener.opened, std::vector<std::string>{saved.string()});
    ASSERT_EQ(prompt.shown().size(), 1u);
    EXPECT_EQ(prompt.shown()[0].text, "Data saved to " + saved.string());
    EXPECT_EQ(prompt.shown()[0].title, "  Message");

    const Sheet sheet = savedSheet(saved);
    EXPECT_EQ(sheet.size(), 2u * 65001 + 4 + 2);  // data, titles, captions
    for (const char* column : {"B", "C"}) {
        EXPECT_EQ(sheet.numbersIn(column, 5, 65004), 65000) << column;
        EXPECT_FALSE(sheet.has(std::string(column) + "65005"));
    }
    EXPECT_EQ(sheet.numbersIn("D", 5, 65004), 1);
    EXPECT_EQ(sheet.numbersIn("E", 5, 65004), 1);
    for (const char* column : {"B", "D"}) {
        EXPECT_EQ(sheet.text(std::string(column) + "3"), "Test01 Channel 1 DC -2.5 V to 2.5 V");
        EXPECT_EQ(sheet.text(std::string(column) + "4"), "Time (ms)");
    }
    EXPECT_EQ(sheet.text("C4"), "Voltage (V)");
    EXPECT_EQ(sheet.text("E4"), "Voltage (V)");
    EXPECT_EQ(sheet.number("B5"), 0.0);
    EXPECT_NEAR(*sheet.number("C5"), volts(0), 1e-12);
    EXPECT_EQ(sheet.number("B65004"), 64999.0);
    EXPECT_NEAR(*sheet.number("C65004"), volts(64999), 1e-12);
    EXPECT_EQ(sheet.number("D5"), 65000.0);
    EXPECT_NEAR(*sheet.number("E5"), volts(65000), 1e-12);
    EXPECT_FALSE(sheet.has("A5"));

    // All channels of the same test: block of time and two channels at C-E, the next at F-H.
    prompt.clear();
    ASSERT_TRUE(measure::CopyDataToExcel_4C(*dataset, "Test01 Channel 1 DC -2.5 V to 2.5 V", context));
    const Sheet all = savedSheet(out / "Test01_AllChannels_1.xlsx");
    EXPECT_EQ(all.text("A2"), "Test01 Channel 1 DC -2.5 V to 2.5 V");
    const std::vector<std::pair<std::string, std::string>> titles = {
        {"C4", "Time (ms)"}, {"D4", "C1 psi"}, {"E4", "C2 psi"},
        {"F4", "Time (ms)"}, {"G4", "C1 psi"}, {"H4", "C2 psi"}};
    for (const auto& [ref, title] : titles) EXPECT_EQ(all.text(ref), title) << ref;
    for (const char* column : {"C", "D", "E"}) EXPECT_EQ(all.numbersIn(column, 5, 51005), 51000) << column;
    for (const char* column : {"F", "G", "H"}) EXPECT_EQ(all.numbersIn(column, 5, 51005), 14001) << column;
    EXPECT_EQ(all.number("F5"), 51000.0);
    EXPECT_NEAR(*all.number("H5"), volts(16383 - 51000 % 16384), 1e-12);
    EXPECT_EQ(all.size(), 3u * 65001 + 6 + 1);
}

TEST_F(SpreadsheetExportTest, NamesAreNewAndEarlierFilesStay) {
    open(20);
    eventEdits.remove(3);
    eventEdits.move(4, 123.5);
    ASSERT_TRUE(measure::CopyDataToExcel(*dataset, 3, 0.0, 5.0, "first", context));
    ASSERT_TRUE(measure::CopyDataToExcel(*dataset, 3, 0.0, 5.0, "second", context));
    EXPECT_EQ(outFiles(), (std::vector<std::string>{"Test01_Gauge_1_peak_1.xlsx", "Test01_Gauge_1_peak_2.xlsx"}));
    const Sheet first = savedSheet(out / "Test01_Gauge_1_peak_1.xlsx");
    EXPECT_EQ(first.text("B3"), "first");
    EXPECT_EQ(first.text("C4"), "Pressure (kPa)");
    // Points 1..6 without the removed point 3; point 4 moved.
    EXPECT_EQ(first.numbersIn("B", 5, 20), 5);
    EXPECT_EQ(first.number("B6"), 1.0);
    EXPECT_EQ(first.number("B7"), 3.0);
    EXPECT_EQ(first.number("C7"), 123.5);
    EXPECT_EQ(savedSheet(out / "Test01_Gauge_1_peak_2.xlsx").text("B3"), "second");

    // A folder the opener cannot open from still says where the file is.
    opener.answer = false;
    prompt.clear();
    ASSERT_TRUE(measure::CopyDataToExcel(*dataset, 1, 0.0, 5.0, "c", context));
    EXPECT_EQ(prompt.messages().at(0).rfind("Data saved to " + (out / "Test01_C1_1.xlsx").string(), 0), 0u);
}

TEST_F(SpreadsheetExportTest, IntegralColumnsAndRefusal) {
    open(20);
    ASSERT_TRUE(measure::CopyDataToExcelIntegral(*dataset, 3, "Gauge", "", 0.0, 2.0, context));
    const Sheet sheet = savedSheet(out / "Test01_Gauge_1_peak_Integral_1.xlsx");
    EXPECT_EQ(sheet.text("D3"), "Gauge");
    const std::vector<std::pair<std::string, std::string>> titles = {
        {"D4", "Time (ms)"}, {"E4", "Pressure (kPa)"}, {"F4", "kPa * ms"}, {"G4", "kPa * ms^2"}};
    for (const auto& [ref, title] : titles) EXPECT_EQ(sheet.text(ref), title) << ref;
    for (const char* column : {"D", "E", "F", "G"}) EXPECT_EQ(sheet.numbersIn(column, 5, 31980), 3) << column;
    const double y1 = volts(0), y2 = volts(1), y3 = volts(2);
    const double i1 = (y1 + y2) / 2, i1b = i1 + (y2 + y3) / 2;
    EXPECT_EQ(sheet.number("D7"), 2.0);
    EXPECT_NEAR(*sheet.number("E7"), y3, 1e-12);
    EXPECT_NEAR(*sheet.number("F6"), i1, 1e-12);
    EXPECT_NEAR(*sheet.number("F7"), i1b, 1e-12);
    EXPECT_NEAR(*sheet.number("G7"), i1 / 2 + (i1 + i1b) / 2, 1e-12);
    EXPECT_EQ(sheet.number("F5"), 0.0);

    eventEdits.remove(2);
    prompt.clear();
    EXPECT_FALSE(measure::CopyDataToExcelIntegral(*dataset, 3, "Gauge", "", 0.0, 2.0, context));
    EXPECT_EQ(prompt.messages(),
              std::vector<std::string>{"Error - Integration cannot be performed on a graph with missing points."});
    EXPECT_EQ(outFiles().size(), 1u);
}

TEST_F(SpreadsheetExportTest, FailuresSayWhyAndLeaveNoFile) {
    open(65001);
    struct Case {
        const char* what;
        double from, to;
        std::int64_t sizeLimit;  // 0: none
        bool readOnly;
        std::string expected;    // start of the message
    };
    const std::vector<Case> cases = {
        {"no points", std::nan(""), 5.0, 0, false, "Error - no points found in current range. No data copied to Excel"},
        // The finished workbook (about 1 MB) would fit, but not the sheet's temporary files,
        // whose failed writes libxlsxwriter would not report.
        {"full disk", 0.0, 65000.0, 2 << 20, false, "Error - while copying data to Excel[nl]Not enough space for "},
        {"no permission", 0.0, 5.0, 0, true, "Error - while copying data to Excel[nl]Cannot write "},
    };
    for (const Case& c : cases) {
        prompt.clear();
        opener.opened.clear();
        bool done = true;
        if (c.sizeLimit > 0) {
            rlimit saved{};
            ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
            const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit limited = saved;
            limited.rlim_cur = static_cast<rlim_t>(c.sizeLimit);
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
            done = measure::CopyDataToExcel(*dataset, 1, c.from, c.to, "caption", context);
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, previousHandler);
        } else if (c.readOnly) {
            // The test itself stays readable for the ordinary user.
            fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                            fs::perms::others_read | fs::perms::others_exec);
            fs::permissions(out.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                            fs::perms::group_exec | fs::perms::others_exec);
            bool binds = false;
            {
                const testsupport::WithoutRootRights user;
                binds = user.permissionsApply();
                if (binds) done = measure::CopyDataToExcel(*dataset, 1, c.from, c.to, "caption", context);
            }
            fs::permissions(out.path(), fs::perms::owner_all);
            if (!binds) continue;
        } else {
            done = measure::CopyDataToExcel(*dataset, 1, c.from, c.to, "caption", context);
        }
        EXPECT_FALSE(done) << c.what;
        ASSERT_EQ(prompt.messages().size(), 1u) << c.what;
        EXPECT_EQ(prompt.messages()[0].rfind(c.expected, 0), 0u) << prompt.messages()[0];
        EXPECT_TRUE(opener.opened.empty()) << c.what;
        EXPECT_TRUE(outFiles().empty()) << c.what;
    }
}

TEST_F(SpreadsheetExportTest, ATestInAFolderThatCannotBeWrittenExportsIntoTheUsersFolder) {
    open(20);
    testsupport::TempDir home;
    const testsupport::ScopedVantrelHome scopedHome(home.path());
    fs::permissions(home.path(), fs::perms::all);
    measure::ExportContext besideTheTest{prompt, clipboard, opener, ""};

    // The test's own folder first.
    ASSERT_TRUE(measure::CopyDataToExcel(*dataset, 1, 0.0, 5.0, "caption", besideTheTest));
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(fs::path(opener.opened[0]).parent_path(), dir.path());

    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    bool binds = false;
    bool done = false;
    {
        const testsupport::WithoutRootRights user;
        binds = user.permissionsApply();
        if (binds) done = measure::CopyDataToExcel(*dataset, 1, 0.0, 5.0, "caption", besideTheTest);
    }
    fs::permissions(dir.path(), fs::perms::owner_all);
    if (!binds) GTEST_SKIP() << "permissions do not bind";
    EXPECT_TRUE(done) << prompt.messages().back();
    ASSERT_EQ(opener.opened.size(), 2u);
    const fs::path saved = opener.opened[1];
    EXPECT_EQ(saved.parent_path(), home.path() / measure::kExportsFolder);
    EXPECT_TRUE(fs::exists(saved));
    EXPECT_NE(prompt.messages().back().find(saved.string()), std::string::npos);
}

}  // namespace
