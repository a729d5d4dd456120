// Download runs against the emulated recorder: the single test fetched at once, a choice among
// several, cancel, a recorder that is not there, faults during the transfer, a blank root, and
// what the run leaves in its log and set files.

#include "DriverFixture.h"

#include "download/DownloadMessages.h"
#include "download/DownloadProgress.h"
#include "common/Error.h"
#include "link/PortBackend.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace download::testing {
namespace {

using Keys = std::map<std::string, std::optional<std::string>>;

class SingleTest : public DriverRun {};

TEST_F(SingleTest, IsDownloadedAtOnceAndTheWindowClosesByItself) {
    make(recsim::makeImage(smallOptions(1)));
    EXPECT_FALSE(m_driver->Start());

    EXPECT_EQ(m_window.offered, -1) << "no boxes for a single test";
    EXPECT_EQ(m_window.closed, 1);
    EXPECT_EQ(m_window.fileName, " " + m_root + " ");
    EXPECT_TRUE(m_prompt.shown().empty());
    EXPECT_EQ(m_driver->result(), RunResult::Complete);

    // The recorder sits at the second standard port.
    EXPECT_EQ(logKey("PortLoc"), "888");
    EXPECT_EQ(logKey("Total Tests"), "4");
    EXPECT_EQ(logKey("Rem Tests"), "3");
    EXPECT_EQ(logKey("Mes No"), "101");
    EXPECT_EQ(logKey("NrTests"), "1");
    EXPECT_EQ(logKey("Stored Test 1"), "T");
    expectLogEnd(false);
    EXPECT_EQ(common::ini::readValue(settingsFile(), "Settings", "PL2 Port"), "888");

    EXPECT_EQ(setKey(1, "TestNr"), "1");
    EXPECT_EQ(setKey(1, "NrTests"), "1");
    EXPECT_EQ(setKey(1, "Measurement"), "101");
    EXPECT_EQ(setKey(1, "ECP"), "0");
    EXPECT_FALSE(setKey(1, "SPP"));
    EXPECT_FALSE(setKey(1, "Errors"));
    EXPECT_FALSE(setKey(1, "ErrorCode"));
    expectDataFileOf(1);

    EXPECT_EQ(m_window.portTexts, std::vector<std::string>{" Using ECP"});
    EXPECT_EQ(m_window.progressTexts, std::vector<std::string>{" Test 1 of 1   63 % "});
}

TEST_F(SingleTest, NoStoredTestsIsSaidAndTheRunStillEndsComplete) {
    make(recsim::makeImage(smallOptions(0)));
    EXPECT_FALSE(m_driver->Start());
    EXPECT_EQ(m_prompt.messages(), std::vector<std::string>{kNoTestsMessage});
    EXPECT_EQ(m_prompt.shown().at(0).title, "Download");
    EXPECT_EQ(logKey("NrTests"), "0");
    expectLogEnd(false);
    EXPECT_FALSE(std::filesystem::exists(setFile(1)));
    EXPECT_EQ(m_window.closed, 1);
}

// Faults of the recorder or the cable during the single test's transfer.
struct FaultCase {
    const char* name;
    recsim::Faults faults;
    bool unplugAtFirstReport;
    bool failed;
    Keys setKeys;
    std::vector<std::string> messages;
};

TEST_F(SingleTest, FaultsDuringTheTransferGiveTheirOutcomeKeys) {
    recsim::Faults flicker;
    flicker.flickerPeriod = 5;
    flicker.flickerLimit = 1;
    recsim::Faults firstMarkers;
    firstMarkers.markerErrorStep = 100;
    firstMarkers.markerErrorTransfers = 4;
    recsim::Faults allMarkers;
    allMarkers.markerErrorStep = 100;
    allMarkers.markerErrorTransfers = 0;
    recsim::Faults neverFull;
    neverFull.ecpNeverFull = true;
    recsim::Faults powerOff;
    powerOff.powerOffAtStep = 1000;

    const Keys broken{{"ECP", "1"}, {"SPP", {}}, {"SPP_s", {}}, {"Error", {}},
                      {"ErrorCode", "3342"}, {"Errors", "T"}, {"Complete", "T"}};
    const Keys sppRescued{{"ECP", "2"}, {"SPP", "0"}, {"SPP_s", {}}, {"Error", {}},
                          {"ErrorCode", {}}, {"Errors", {}}, {"Complete", {}}};
    const std::vector<FaultCase> cases{
        {"cable pulled mid-transfer", {}, true, true, broken, {cableAdviceMessage()}},
        {"recorder switched off mid-transfer", powerOff, false, true, broken, {cableAdviceMessage()}},
        {"flickering status lines", flicker, false, false,
         {{"ECP", "0"}, {"SPP", {}}, {"ErrorCode", {}}, {"Errors", {}}}, {}},
        {"marker errors in the four ECP transfers", firstMarkers, false, false, sppRescued, {}},
        {"ECP FIFO never full", neverFull, false, false, sppRescued, {}},
        {"marker errors in every transfer", allMarkers, false, true,
         {{"ECP", "2"}, {"SPP", "2"}, {"SPP_s", "2"}, {"Error", "378"},
          {"ErrorCode", "3342"}, {"Errors", "T"}, {"Complete", "T"}},
         {kSingleTestFailedMessage}},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        m_root = (dir / "shot_").string();
        m_prompt.clear();
        m_window = ScriptedWindow{};
        recsim::RecorderImage image = recsim::makeImage(smallOptions(1));
        image.faults = c.faults;
        make(image);
        if (c.unplugAtFirstReport)
            m_window.onEvents = [this](const std::string& progress) {
                if (!progress.empty() && m_emulator->pluggedIn()) m_emulator->unplug();
            };
        m_driver->Start();

        EXPECT_EQ(m_window.closed, 1);
        EXPECT_EQ(m_driver->result(), c.failed ? RunResult::Failed : RunResult::Complete);
        EXPECT_EQ(logKey("Stored Test 1"), "T");
        expectLogEnd(c.failed);
        for (const auto& [key, value] : c.setKeys) EXPECT_EQ(setKey(1, key), value) << key;
        EXPECT_EQ(m_prompt.messages(), c.messages);
        if (!c.failed) expectDataFileOf(1);
    }
}

// Errors of the settings writer while the single test is written count as a failed download.
TEST_F(SingleTest, ASettingWithoutTableEntryIsAFailedDownload) {
    recsim::RecorderImage image = recsim::makeImage(smallOptions(1));
    image.overrides.push_back({4 * 1 + 28, 19, 0x07});  // range code 7
    make(image);
    m_driver->Start();
    EXPECT_EQ(setKey(1, "ErrorCode"), "3342");
    EXPECT_EQ(setKey(1, "Errors"), "T");
    EXPECT_FALSE(logKey("Stored Test 1")) << "the test failed before its data were read";
    expectLogEnd(true);
    EXPECT_FALSE(std::filesystem::exists(rawFile(1)));
}

class ChosenTests : public DriverRun {};

TEST_F(ChosenTests, OnlyTheTickedTestsAreFetchedUnderTheirTwoDigitNames) {
    struct Case {
        int stored;
        int slots;
        std::set<int> unticked;
        std::vector<int> fetched;
    };
    const std::vector<Case> cases{
        {3, 4, {2}, {1, 3}},
        {10, 16, {1, 2, 3, 4, 5, 6, 7, 8}, {9, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        testsupport::TempDir dir;
        m_root = (dir / "blast_").string();
        m_window = ScriptedWindow{};
        make(recsim::makeImage(smallOptions(c.stored, c.slots)));
        ASSERT_TRUE(m_driver->Start()) << "several tests wait for the choice";
        EXPECT_EQ(m_window.offered, c.stored);
        EXPECT_EQ(m_window.closed, 0);
        EXPECT_EQ(logKey("NrTests"), std::to_string(c.stored));
        EXPECT_FALSE(logKey("Complete"));

        m_window.unticked = c.unticked;
        m_driver->Download();
        EXPECT_EQ(m_window.started, 1);
        EXPECT_EQ(m_window.closed, 1);
        expectLogEnd(false);
        EXPECT_TRUE(m_prompt.shown().empty());

        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            names.insert(entry.path().filename().string());
        std::set<std::string> expected{"blast_.log"};
        for (int t : c.fetched) {
            const std::string nn = (t < 10 ? "0" : "") + std::to_string(t);
            expected.insert("blast_" + nn + ".crv");
            expected.insert("blast_" + nn + ".raw");
            EXPECT_EQ(logKey("Stored Test " + std::to_string(t)), "T");
            EXPECT_EQ(setKey(t, "TestNr"), std::to_string(t));
            EXPECT_EQ(setKey(t, "NrTests"), std::to_string(c.stored));
            EXPECT_EQ(setKey(t, "Measurement"), std::to_string(100 + t));
            expectDataFileOf(t);
        }
        for (int t : c.unticked) EXPECT_FALSE(logKey("Stored Test " + std::to_string(t)));
        std::erase_if(names, [](const std::string& n) { return n.find(".lock") != std::string::npos; });
        EXPECT_EQ(names, expected);
    }
}

TEST_F(ChosenTests, CancelDuringTheSecondTestEndsTheRunAsCancelled) {
    make(recsim::makeImage(smallOptions(3)));
    ASSERT_TRUE(m_driver->Start());
    m_window.onEvents = [this](const std::string& progress) {
        if (progress.rfind(" Test 2 of 3", 0) == 0) m_driver->Cancel();
    };
    m_driver->Download();

    EXPECT_EQ(m_prompt.messages(), std::vector<std::string>{kDownloadCancelledMessage});
    EXPECT_EQ(logKey("Stored Test 1"), "T");
    EXPECT_EQ(logKey("Stored Test 2"), "T");
    EXPECT_FALSE(logKey("Stored Test 3"));
    expectLogEnd(true);
    EXPECT_EQ(setKey(2, "ErrorCode"), "3343");
    EXPECT_EQ(setKey(2, "Errors"), "T");
    EXPECT_EQ(setKey(2, "Complete"), "T");
    EXPECT_EQ(setKey(2, "ECP"), "3");
    EXPECT_FALSE(setKey(1, "ErrorCode"));
    expectDataFileOf(1);
    EXPECT_FALSE(std::filesystem::exists(setFile(3)));
    EXPECT_EQ(m_window.closed, 1);
}

TEST_F(ChosenTests, ClosingTheWindowWhileFetchingCancelsInsteadOfClosing) {
    make(recsim::makeImage(smallOptions(2)));
    ASSERT_TRUE(m_driver->Start());
    std::vector<bool> answers;
    m_window.onEvents = [&](const std::string& progress) {
        if (!progress.empty() && answers.empty()) answers.push_back(m_driver->WindowClosing());
    };
    m_driver->Download();
    EXPECT_EQ(answers, std::vector<bool>{false});
    EXPECT_EQ(setKey(1, "ErrorCode"), "3343");
    expectLogEnd(true);
    EXPECT_TRUE(m_driver->WindowClosing()) << "the run is over";
}

TEST_F(ChosenTests, ClosingTheWindowWhileTestsAreOfferedEndsTheRunForThePollingCaller) {
    make(recsim::makeImage(smallOptions(2)));
    ASSERT_TRUE(m_driver->Start());
    EXPECT_TRUE(m_driver->WindowClosing());
    expectLogEnd(true);
    EXPECT_FALSE(std::filesystem::exists(setFile(1)));
    m_driver->Download();  // a late click does nothing
    EXPECT_FALSE(std::filesystem::exists(setFile(1)));
}

// A test that fails stops the run; an error raised while chosen tests are fetched ends it
// with the cable advice and the failure keys but no error code.
TEST_F(ChosenTests, AFailedSecondTestStopsTheRun) {
    struct Case {
        const char* name;
        bool unplug;  // else marker errors in every transfer from test 2 on
        Keys setKeys;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases{
        {"cable pulled", true,
         {{"ErrorCode", {}}, {"Errors", "T"}, {"Complete", "T"}, {"ECP", "1"}},
         {cableAdviceMessage()}},
        {"every mode fails", false,
         {{"ErrorCode", "3342"}, {"Errors", "T"}, {"Complete", "T"}, {"Error", "378"}},
         {testFailedMessage(2)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        m_root = (dir / "shot_").string();
        m_prompt.clear();
        m_window = ScriptedWindow{};
        make(recsim::makeImage(smallOptions(3)));
        ASSERT_TRUE(m_driver->Start());
        bool done = false;
        m_window.onEvents = [&](const std::string& progress) {
            if (done) return;
            if (c.unplug && progress.rfind(" Test 2", 0) == 0) {
                m_emulator->unplug();
                done = true;
            }
            // Test 1 is past its step 100 here: only later transfers carry the error.
            if (!c.unplug && progress.rfind(" Test 1", 0) == 0) {
                recsim::Faults f;
                f.markerErrorStep = 100;
                m_emulator->setFaults(f);
                done = true;
            }
        };
        m_driver->Download();
        EXPECT_EQ(m_prompt.messages(), c.messages);
        EXPECT_EQ(logKey("Stored Test 2"), "T") << "marked before its data were read";
        EXPECT_FALSE(logKey("Stored Test 3"));
        expectLogEnd(true);
        for (const auto& [key, value] : c.setKeys) EXPECT_EQ(setKey(2, key), value) << key;
        EXPECT_FALSE(setKey(1, "Errors"));
        expectDataFileOf(1);
        EXPECT_EQ(m_window.closed, 1);
    }
}

// A backend that can reach no port at all, as without permission for the port registers.
class Unreachable final : public vantrel::link::PortBackend {
public:
    std::uint8_t read(std::uint32_t) override { throw vantrel::link::PortAccessError("no permission"); }
    void write(std::uint32_t, std::uint8_t) override { throw vantrel::link::PortAccessError("no permission"); }
    std::string name() const override { return "none"; }
};

class NoRecorder : public DriverRun {};

TEST_F(NoRecorder, EveryPortTriedThenNotFoundAndTheRunEnds) {
    struct Case {
        const char* name;
        bool reachable;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases{
        {"nothing answers", true, {notFoundMessage()}},
        {"no port access", false, {notFoundMessage(), noPortAccessMessage("no permission")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        m_root = (dir / "shot_").string();
        m_prompt.clear();
        m_window = ScriptedWindow{};
        if (c.reachable) {
            recsim::ImageOptions options = smallOptions(1);
            options.port = 0x300;  // none of the standard ports
            make(recsim::makeImage(options));
        } else {
            DriverOptions options;
            options.port = std::make_unique<vantrel::link::Port>(std::make_unique<Unreachable>());
            options.settingsFile = settingsFile();
            makeWith(std::move(options));
        }
        EXPECT_FALSE(m_driver->Start());
        EXPECT_EQ(m_prompt.messages(), c.messages);
        EXPECT_EQ(m_driver->locateResult().tried, (std::vector<std::int32_t>{632, 888, 956}));
        EXPECT_EQ(logKey("PortLoc"), "956");
        EXPECT_FALSE(logKey("NrTests"));
        expectLogEnd(true);
        EXPECT_EQ(m_driver->result(), RunResult::Failed);
        EXPECT_EQ(m_window.closed, 1);
        EXPECT_FALSE(std::filesystem::exists(setFile(1)));
        EXPECT_FALSE(common::ini::readValue(settingsFile(), "Settings", "PL2 Port"));
    }
}

// A port that raises error 2049 (a cable fault) on every access.
class FaultyCable final : public vantrel::link::PortBackend {
public:
    std::uint8_t read(std::uint32_t) override { throw common::Error(2049, "test", "cable fault"); }
    void write(std::uint32_t, std::uint8_t) override {}
    std::string name() const override { return "faulty"; }
};

// The search stops at the first port when the window is closed or the cable is faulty.
TEST_F(NoRecorder, AStoppedSearchEndsTheRunAtTheFirstPort) {
    struct Case {
        const char* name;
        bool closeWindow;  // else a cable fault
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases{
        {"window closed", true, {}},
        {"cable fault", false, {cableAdviceMessage()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        m_root = (dir / "shot_").string();
        m_prompt.clear();
        m_window = ScriptedWindow{};
        std::vector<bool> closing;
        if (c.closeWindow) {
            recsim::ImageOptions options = smallOptions(1);
            options.port = 0x300;
            make(recsim::makeImage(options));
            m_window.onEvents = [&](const std::string&) {
                if (closing.empty()) closing.push_back(m_driver->WindowClosing());
            };
        } else {
            DriverOptions options;
            options.port = std::make_unique<vantrel::link::Port>(std::make_unique<FaultyCable>());
            options.settingsFile = settingsFile();
            makeWith(std::move(options));
        }
        EXPECT_FALSE(m_driver->Start());
        if (c.closeWindow) {
            EXPECT_EQ(closing, std::vector<bool>{false}) << "the search ends by itself";
        }
        EXPECT_EQ(m_prompt.messages(), c.messages);
        EXPECT_EQ(m_driver->locateResult().tried, std::vector<std::int32_t>{632});
        EXPECT_EQ(logKey("PortLoc"), "632");
        expectLogEnd(true);
        EXPECT_EQ(m_window.closed, 1);
    }
}

// After 19 messages of a run no box is shown any more, but the outcome is still logged.
TEST_F(NoRecorder, MessagesBeyondTheNineteenthAreNotShown) {
    recsim::ImageOptions options = smallOptions(1);
    options.port = 0x300;
    make(recsim::makeImage(options));
    for (int i = 1; i <= 19; ++i) m_driver->ShowDownloadMessage("message " + std::to_string(i));
    EXPECT_EQ(m_prompt.shown().size(), 19u);
    m_driver->Start();
    EXPECT_EQ(m_prompt.shown().size(), 19u);
    EXPECT_EQ(m_driver->messageCount(), 20);
    expectLogEnd(true);
}

// A log that cannot be written leaves the run nothing to report through: the user is told.
TEST_F(NoRecorder, ALogThatCannotBeWrittenIsToldAndEndsTheRun) {
    make(recsim::makeImage(smallOptions(1)), (m_dir / "missing-folder" / "shot_").string());
    EXPECT_FALSE(m_driver->Start());
    ASSERT_EQ(m_prompt.messages().size(), 1u);
    EXPECT_NE(m_prompt.messages()[0].find("3180"), std::string::npos) << m_prompt.messages()[0];
    EXPECT_EQ(m_driver->result(), RunResult::Failed);
    EXPECT_EQ(m_window.closed, 1);
}

class BlankRoot : public DriverRun {};

TEST_F(BlankRoot, IsRefusedAndNothingIsWritten) {
    for (const std::string root : {"", "   "}) {
        SCOPED_TRACE("[" + root + "]");
        m_prompt.clear();
        m_window = ScriptedWindow{};
        make(recsim::makeImage(smallOptions(1)), root);
        EXPECT_FALSE(m_driver->Start());
        EXPECT_EQ(m_prompt.messages(), std::vector<std::string>{"Error - blank filename."});
        EXPECT_EQ(m_prompt.shown().at(0).title, "Download");
        EXPECT_EQ(m_window.closed, 1);
        EXPECT_EQ(m_window.shown, 0);
        EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));
        EXPECT_EQ(m_driver->result(), RunResult::None);
        EXPECT_EQ(m_emulator->accesses(), 0u) << "no port was touched";
    }
}

TEST(DownloadFileNamesTest, TwoDigitTestNumbers) {
    EXPECT_EQ(setFileName("/data/shot_", 9), "/data/shot_09.crv");
    EXPECT_EQ(rawFileName("/data/shot_", 10), "/data/shot_10.raw");
    EXPECT_EQ(logFileName("/data/shot_"), "/data/shot_.log");
    EXPECT_THROW(testNumberText(0), std::out_of_range);
}

TEST(Messages, LinesAreSeparatedByCrLf) {
    EXPECT_EQ(testFailedMessage(3), "Error while downloading test 3\r\nEnsure that cable is securely connected.");
    EXPECT_EQ(notFoundMessage(),
              "Corvane not found at 3 standard port locations.\r\n\r\n"
              "1. The Corvane may not be connected to the parallel port.\r\n"
              "2. Ensure that the parallel port is not passing through a dongle or 'pass-through' port.\r\n"
              "3. Try downloading with a different computer.");
    const std::string advice = cableAdviceMessage();
    EXPECT_EQ(advice.substr(0, 32), "Error while downloading data.\r\n1");
    EXPECT_NE(advice.find("more than\r\n  10 ft or 3 m, it may not be able to communicate.\r\n"
                          "  Attach the Pellion cable directly to the computer."),
              std::string::npos);
    EXPECT_EQ(advice.find("\n\r"), std::string::npos) << "no empty line";
}

// The percentage shown changes, and events run, only when the whole percent changes.
TEST(Progress, TextChangesOnlyWithTheWholePercent) {
    ScriptedWindow window;
    DownloadProgress progress(window);
    progress.SetTestNr(2, 3);
    for (double f : {0.004, 0.125, 0.1249, 0.375, 0.625, 0.62501, 1.0}) progress.SetPercentageDone(f);
    EXPECT_EQ(window.progressTexts,
              (std::vector<std::string>{" Test 2 of 3   0 % ", " Test 2 of 3   12 % ", " Test 2 of 3   38 % ",
                                        " Test 2 of 3   62 % ", " Test 2 of 3   63 % ", " Test 2 of 3   100 % "}));
    EXPECT_EQ(window.events, 6);
    // The next test shows its first report even at the same percentage.
    progress.SetTestNr(3, 3);
    progress.SetPercentageDone(1.0);
    progress.SetPercentageDone(1.0);
    EXPECT_EQ(window.progressTexts.back(), " Test 3 of 3   100 % ");
    EXPECT_EQ(window.events, 7);
    progress.SetPortTypeUsed(vantrel::link::PortType::SlowSpp);
    EXPECT_EQ(window.portTexts, std::vector<std::string>{" Using SPPs"});
}

}  // namespace
}  // namespace download::testing
