// The run's log and the error keys of the set file: values, which file, and order.

#include "WriterFixture.h"
#include "common/Error.h"
#include "download/DownloadStatus.h"
#include "download/SettingsKeySink.h"
#include "download/StatusKeySink.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace download::testing {
namespace {

// The key = value lines of a file, in file order, without section lines.
std::vector<std::string> entries(const std::filesystem::path& file) {
    std::istringstream text(testsupport::readFile(file));
    std::vector<std::string> result;
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() != '[') result.push_back(line);
    }
    return result;
}

class Status : public WriterFixture {};

TEST_F(Status, ReportErrorMarksTheSetFileThenTheLogErrorBeforeComplete) {
    ReportError(sets, kDownloadFailed);
    EXPECT_EQ(entries(sets.currentSetFile()),
              (std::vector<std::string>{"ErrorCode=3342", "Errors=T", "Complete=T"}));
    // The poller takes "Complete" as the end of the run and then looks for "Error": the
    // error mark must already be there.
    EXPECT_EQ(entries(sets.logFile()), (std::vector<std::string>{"Error=T", "Complete=T"}));
}

TEST_F(Status, ReportFailureHasNoErrorCode) {
    ReportFailure(sets);
    EXPECT_EQ(entries(sets.currentSetFile()), (std::vector<std::string>{"Errors=T", "Complete=T"}));
    EXPECT_EQ(entries(sets.logFile()), (std::vector<std::string>{"Error=T", "Complete=T"}));
}

TEST_F(Status, ReportCompleteWritesOnlyTheLog) {
    ReportComplete(sets);
    EXPECT_EQ(entries(sets.logFile()), (std::vector<std::string>{"Complete=T"}));
    EXPECT_FALSE(std::filesystem::exists(sets.currentSetFile()));
}

TEST_F(Status, ReportErrorBeforeTheFirstTestWritesOnlyTheLog) {
    Sets early;
    early.SetLogFile(dir / "run.log");
    ReportError(early, kRecorderNotFound);
    EXPECT_EQ(entries(dir / "run.log"), (std::vector<std::string>{"Error=T", "Complete=T"}));
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"run.log"});
}

TEST_F(Status, SuccessfulRunLeavesItsKeysInOrder) {
    StatusKeySink link(sets);  // what the recorder link writes during the search
    link.write("PortLoc", "956");
    link.write("PortLoc", "888");  // the recorder answered at the second port
    link.write("Mes No", "123");
    link.write("Total Tests", "4");
    link.write("Rem Tests", "1");
    logStoredTests(sets, 3);
    logTestStored(sets, 1);
    logTestStored(sets, 2);
    logTestStored(sets, 10);
    ReportComplete(sets);
    EXPECT_EQ(entries(sets.logFile()),
              (std::vector<std::string>{"PortLoc=888", "Mes No=123", "Total Tests=4", "Rem Tests=1",
                                        "NrTests=3", "Stored Test 1=T", "Stored Test 2=T",
                                        "Stored Test 10=T", "Complete=T"}));
}

TEST_F(Status, CancelDuringTheSecondTestMarksOnlyThatTestsSetFile) {
    const auto first = dir / "CV_01.crv";
    const auto second = dir / "CV_02.crv";
    sets.SetCurrentSetFile(first);
    sets.WriteSettingNumber("TestNr", 1);
    logTestStored(sets, 1);
    sets.SetCurrentSetFile(second);
    sets.WriteSettingNumber("TestNr", 2);
    logTestStored(sets, 2);
    ReportError(sets, kDownloadCancelled);
    EXPECT_EQ(common::ini::readValue(second, "settings", "ErrorCode"), "3343");
    EXPECT_EQ(common::ini::readValue(first, "settings", "ErrorCode"), std::nullopt);
    EXPECT_EQ(entries(sets.logFile()),
              (std::vector<std::string>{"Stored Test 1=T", "Stored Test 2=T", "Error=T", "Complete=T"}));
}

TEST_F(Status, LinkKeysGoToTheLogAndTheCurrentSetFile) {
    StatusKeySink log(sets);
    SettingsKeySink settings(sets);
    log.write(lineKey(96), "3301");
    settings.write("ECP", "2");
    sets.SetCurrentSetFile(dir / "CV_02.crv");
    settings.write("SPP", "0");
    EXPECT_EQ(status("Line 96"), "3301");
    EXPECT_EQ(common::ini::readValue(dir / "CV2026Dec001_01.crv", "settings", "ECP"), "2");
    EXPECT_EQ(common::ini::readValue(dir / "CV_02.crv", "settings", "SPP"), "0");
    EXPECT_EQ(common::ini::readValue(dir / "CV_02.crv", "settings", "ECP"), std::nullopt);
}

TEST_F(Status, LogThatCannotBeWrittenRaises3180) {
    const auto check = [](Sets& s) {
        try {
            s.WriteStatus("Complete", "T");
            FAIL() << "no error";
        } catch (const common::Error& e) {
            EXPECT_EQ(e.number(), 3180);
            EXPECT_EQ(e.source(), "Log File Error");
        }
    };
    Sets noLog;
    check(noLog);
    Sets lost;
    lost.SetLogFile(dir / "no such folder" / "run.log");
    check(lost);
    StatusKeySink sink(lost);
    EXPECT_THROW(sink.write("PortLoc", "888"), common::Error);
}

TEST_F(Status, SetFileThatCannotBeWrittenStillCompletesTheLog) {
    sets.SetCurrentSetFile(dir / "no such folder" / "CV_01.crv");
    EXPECT_THROW(ReportError(sets, kDownloadFailed), common::IoError);
    EXPECT_EQ(entries(sets.logFile()), (std::vector<std::string>{"Error=T", "Complete=T"}));
}

// --- write primitives ---------------------------------------------------------------------

TEST_F(Status, PrimitivesWriteTheirFormsIntoTheirSections) {
    sets.WriteSetting("Serial Nr", "s0042");
    sets.WriteSettingNumber("OFL", true);
    sets.WriteSettingNumber("Stop", false);
    sets.WriteSettingNumber("ASTOP", -32);
    sets.WriteSettingFlag("Ch2on", false);
    sets.WriteChannelNumber("SelectCode", 4, 2);
    sets.WriteChannelReal("MinVoltage", -2.5, 2);
    sets.WriteChannelFlag("VOD", true, 1);
    sets.WriteStatus("PortLoc", 632);
    EXPECT_EQ(main("Serial Nr"), "s0042");
    EXPECT_EQ(main("OFL"), "-1");
    EXPECT_EQ(main("Stop"), "0");
    EXPECT_EQ(main("ASTOP"), "-32");
    EXPECT_EQ(main("Ch2on"), "F");
    EXPECT_EQ(channel(2, "SelectCode"), "4");
    EXPECT_EQ(channel(2, "MinVoltage"), "-2.5");
    EXPECT_EQ(channel(1, "VOD"), "True");
    EXPECT_EQ(status("PortLoc"), "632");
    EXPECT_EQ(common::ini::sectionsOf(sets.currentSetFile()),
              (std::vector<std::string>{"settings", "Channel2", "Channel1"}));
}

TEST_F(Status, SetFileWritesNeedACurrentSetFile) {
    sets.SetCurrentSetFile("");
    EXPECT_THROW(sets.WriteSetting("DV", "7"), std::logic_error);
    EXPECT_THROW(sets.WriteChannelNumber("RP", 1, 1), std::logic_error);
}

TEST(ReadIniWithDefaultTest, StoredTextCutTo707CharactersOrTheDefault) {
    testsupport::TempDir dir;
    const auto file = dir / "vantrel.ini";
    EXPECT_EQ(ReadIniWithDefault(file, "Settings", "PL2 Port", "888"), "888");
    common::ini::writeValue(file, "Settings", "PL2 Port", "632");
    common::ini::writeValue(file, "Settings", "Long", std::string(800, 'x'));
    EXPECT_EQ(ReadIniWithDefault(file, "settings", "pl2 port", "888"), "632");
    EXPECT_EQ(ReadIniWithDefault(file, "Settings", "Long", ""), std::string(707, 'x'));
    EXPECT_EQ(ReadIniWithDefault(file, "Settings", "Missing", "none"), "none");
}

}  // namespace
}  // namespace download::testing
