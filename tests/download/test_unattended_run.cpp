// The pieces of a download run without a user, in this process: messages as one line on a
// stream and in the log, the view that shows nothing, the stop signals, and whole runs
// against the emulated recorder stopped at chosen moments.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/Ini.h"
#include "download/DownloadFileNames.h"
#include "download/DownloadMessages.h"
#include "download/DownloadProgress.h"
#include "download/DownloadStatus.h"
#include "download/HeadlessView.h"
#include "download/MessageLine.h"
#include "download/StopSignals.h"
#include "download/UnattendedPrompt.h"
#include "download/UnattendedRun.h"
#include "link/Port.h"
#include "recsim/DefaultImage.h"
#include "recsim/Emulator.h"
#include "recsim/ExpectedData.h"
#include "support/TempDir.h"

namespace download {
namespace {

std::vector<std::string> statusKeys(const std::filesystem::path& log) {
    return common::ini::keysOf(log, "Status");
}

TEST(MessageLine, EveryMessageBecomesOneReadableLine) {
    struct Case {
        const char* name;
        std::string text;
        std::string line;
    };
    const Case cases[] = {
        {"a list after a sentence reads on", notFoundMessage(),
         "Corvane not found at 3 standard port locations. 1. The Corvane may not be connected to "
         "the parallel "
         "port. 2. Ensure that the parallel port is not passing through a dongle or 'pass-through' "
         "port. 3. Try "
         "downloading with a different computer."},
        {"indented lines continue their item", cableAdviceMessage(),
         "Error while downloading data. 1. Ensure that the cable is still firmly attached to the "
         "computer and the "
         "Pellion. 2. Ensure that the Pellion was not turned off while downloading. 3. There may "
         "be drivers present "
         "that are interfering with the parallel port. This can include drivers for software "
         "dongles even when the "
         "dongle is not attached or external CD burners that only use the USB port. Restarting in "
         "Safe Mode may "
         "allow downloading to finish. 4. There may be interference if it is attached to a "
         "pass-through port of "
         "another parallel port device. 5. If the cable is attached to a switchbox and the total "
         "length of all "
         "cable is more than 10 ft or 3 m, it may not be able to communicate. Attach the Pellion "
         "cable directly to "
         "the computer."},
        {"a break without a full stop", testFailedMessage(2),
         "Error while downloading test 2; Ensure that cable is securely connected."},
        {"line marks, LF and lone CR", "first[nl]second\nthird\rfourth",
         "first; second; third; fourth"},
        {"empty lines and outer blanks dropped", "  one.\r\n\r\n\ttwo  [nl][nl]", "one. two"},
        {"one line stays as it is", kDownloadCancelledMessage, "Download cancelled."},
        {"nothing", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(messageLine(c.text), c.line) << c.name;
}

class Prompt : public ::testing::Test {
  protected:
    testsupport::TempDir m_dir;
    std::filesystem::path m_log = m_dir / "shot_.log";
    std::ostringstream m_out;
    UnattendedPrompt m_prompt{m_out, "harvdl32"};
};

TEST_F(Prompt, MessagesGoToTheStreamAndIntoTheLogAsNumberedKeys) {
    m_prompt.message("before the log is named", kDownloadTitle);
    m_prompt.setLogFile(m_log);
    m_prompt.message(testFailedMessage(1), kDownloadTitle);
    m_prompt.message(kDownloadCancelledMessage, kDownloadTitle);
    EXPECT_EQ(m_out.str(),
              "harvdl32: before the log is named\n"
              "harvdl32: Error while downloading test 1; Ensure that cable is securely connected.\n"
              "harvdl32: Download cancelled.\n");
    EXPECT_EQ(statusKeys(m_log), (std::vector<std::string>{"Message 2", "Message 3"}));
    EXPECT_EQ(common::ini::readValue(m_log, "Status", "Message 2"),
              "Error while downloading test 1; Ensure that cable is securely connected.");
}

TEST_F(Prompt, AMessageAfterTheRunWasMarkedCompleteGoesBeforeTheMark) {
    m_prompt.setLogFile(m_log);
    common::ini::writeValue(m_log, "Status", "Stored Test 2", "T");
    common::ini::writeValue(m_log, "Status", "Error", "T");
    common::ini::writeValue(m_log, "Status", "Complete", "T");
    m_prompt.message(kDownloadCancelledMessage, kDownloadTitle);
    EXPECT_EQ(statusKeys(m_log),
              (std::vector<std::string>{"Stored Test 2", "Error", "Message 1", "Complete"}));
}

TEST_F(Prompt, ALogThatCannotBeWrittenLosesOnlyItsCopy) {
    m_prompt.setLogFile(m_dir / "missing folder" / "shot_.log");
    EXPECT_NO_THROW(m_prompt.message(kDownloadCancelledMessage, kDownloadTitle));
    EXPECT_EQ(m_out.str(), "harvdl32: Download cancelled.\n");
}

TEST_F(Prompt, QuestionsGetTheAnswerThatKeepsTheDataAndAreTold) {
    m_prompt.setLogFile(m_log);
    EXPECT_FALSE(m_prompt.askYesNo("Overwrite the file?", kDownloadTitle));
    EXPECT_FALSE(m_prompt.askOkCancel("Start again?", kDownloadTitle));
    EXPECT_EQ(m_prompt.input("Name[nl]of the test", kDownloadTitle, "shot"), std::nullopt);
    EXPECT_EQ(m_out.str(),
              "harvdl32: Overwrite the file? - answered No\n"
              "harvdl32: Start again? - answered Cancel\n"
              "harvdl32: Name; of the test - answered Cancel\n");
    EXPECT_FALSE(std::filesystem::exists(m_log));  // questions are no messages of the run
}

TEST(HeadlessView, OneLinePerTestAndTheHookAtEveryEventPoint) {
    std::ostringstream out;
    HeadlessView view(&out, "harvdl32");
    int hooks = 0;
    view.setEventHook([&] { ++hooks; });
    for (const auto& [t, p] :
         std::vector<std::pair<int, int>>{{1, 0}, {1, 50}, {1, 95}, {2, 0}, {2, 95}, {3, 12}})
        view.showProgressText(progressText(t, 3, p));
    view.showPortTypeText(" Using SPP");
    view.letEventsRun();
    view.transferTick();
    EXPECT_EQ(out.str(), "harvdl32: Test 1 of 3\nharvdl32: Test 2 of 3\nharvdl32: Test 3 of 3\n");
    EXPECT_EQ(hooks, 2);
}

TEST(StopSignals, TheFirstSignalOnlyAsksAndTheHandlersGoAfterwards) {
    {
        StopSignals stop;
        EXPECT_FALSE(stop.stopRequested());
        std::raise(SIGTERM);
        EXPECT_TRUE(stop.stopRequested());
        EXPECT_EQ(stop.signalNumber(), SIGTERM);
    }
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    StopSignals again;
    EXPECT_FALSE(again.stopRequested());
}

TEST(StopSignalsDeathTest, ASecondSignalEndsTheProcessAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            StopSignals stop;
            std::raise(SIGINT);
            std::raise(SIGTERM);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

// Asks to stop once the log holds a key: a moment of the run named by what it has written.
class StopWhenLogged final : public StopRequest {
  public:
    StopWhenLogged(std::filesystem::path log, std::string key)
        : m_log(std::move(log)), m_key(std::move(key)) {}
    bool stopRequested() const override {
        return common::ini::readValue(m_log, "Status", m_key).has_value();
    }

  private:
    std::filesystem::path m_log;
    std::string m_key;
};

class UnattendedRun : public ::testing::Test {
  protected:
    int run(int tests, const StopRequest* stop) {
        recsim::ImageOptions o;
        o.tests = tests;
        o.slots = 4;
        o.memoryWords = 4 * 6144;
        m_image = recsim::makeImage(o);
        DriverOptions driverOptions;
        driverOptions.port =
            std::make_unique<vantrel::link::Port>(std::make_unique<recsim::Emulator>(m_image));
        driverOptions.settingsFile = m_dir / "vantrel.ini";
        driverOptions.memoryWords = m_image.memoryWords;
        UnattendedRunOptions options;
        options.out = &m_out;
        options.program = "harvdl32";
        options.stop = stop;
        return runUnattended(m_root, std::move(driverOptions), options);
    }
    std::optional<std::string> logKey(const std::string& key) const {
        return common::ini::readValue(logFileName(m_root), "Status", key);
    }
    std::optional<std::string> setKey(int t, const std::string& key) const {
        return common::ini::readValue(setFileName(m_root, t), "settings", key);
    }
    void expectFailedLogEndingComplete() const {
        EXPECT_EQ(logKey("Error"), "T");
        const std::vector<std::string> keys = statusKeys(logFileName(m_root));
        ASSERT_FALSE(keys.empty());
        EXPECT_EQ(keys.back(), "Complete");
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedVantrelHome m_home{m_dir.path()};
    std::string m_root = (m_dir / "shot_").string();
    std::ostringstream m_out;
    recsim::RecorderImage m_image;
};

TEST_F(UnattendedRun, EveryStoredTestIsFetchedAndTheRunEndsComplete) {
    EXPECT_EQ(run(3, nullptr), kExitComplete);
    for (int t = 1; t <= 3; ++t) {
        EXPECT_TRUE(recsim::compareDataFile(m_image, t, rawFileName(m_root, t)).matches()) << t;
        EXPECT_EQ(logKey(storedTestKey(t)), "T");
    }
    EXPECT_EQ(logKey("Complete"), "T");
    EXPECT_FALSE(logKey("Error"));
    EXPECT_EQ(m_out.str(), "harvdl32: Test 1 of 3\nharvdl32: Test 2 of 3\nharvdl32: Test 3 of 3\n");
}

TEST_F(UnattendedRun, AStopDuringTheSecondTestCancelsItAsTheCancelButtonDoes) {
    const StopWhenLogged stop(logFileName(m_root), storedTestKey(2));
    EXPECT_EQ(run(3, &stop), kExitFailed);
    EXPECT_TRUE(recsim::compareDataFile(m_image, 1, rawFileName(m_root, 1)).matches());
    EXPECT_EQ(setKey(2, "ErrorCode"), "3343");
    EXPECT_FALSE(logKey(storedTestKey(3)));
    EXPECT_EQ(logKey("Message 1"), "Download cancelled.");
    expectFailedLogEndingComplete();
    EXPECT_NE(m_out.str().find("harvdl32: stop requested, cancelling the run\n"), std::string::npos)
        << m_out.str();
    EXPECT_NE(m_out.str().find("harvdl32: Download cancelled.\n"), std::string::npos)
        << m_out.str();
}

TEST_F(UnattendedRun, AStopWhileTheTestsAreOfferedFetchesNoneAndEndsTheRun) {
    const StopWhenLogged stop(logFileName(m_root), "NrTests");
    EXPECT_EQ(run(3, &stop), kExitFailed);
    EXPECT_FALSE(std::filesystem::exists(setFileName(m_root, 1)));
    expectFailedLogEndingComplete();
}

TEST_F(UnattendedRun, AStopBeforeTheRecorderIsFoundEndsTheSearch) {
    const StopWhenLogged stop(logFileName(m_root), "PortLoc");
    EXPECT_EQ(run(1, &stop), kExitFailed);
    EXPECT_FALSE(logKey("NrTests"));
    EXPECT_FALSE(std::filesystem::exists(setFileName(m_root, 1)));
    expectFailedLogEndingComplete();
}

}  // namespace
}  // namespace download
