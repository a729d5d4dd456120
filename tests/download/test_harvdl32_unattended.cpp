// `harvdl32 --unattended ROOT` as a script runs it: a separate process against emulated
// recorders, without a display, that ends by itself with the exit code of the run. And the
// command line that tells it from the window's.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/Ini.h"
#include "download/DownloadFileNames.h"
#include "download/DownloadMessages.h"
#include "download/DownloadStatus.h"
#include "download/MessageLine.h"
#include "harvdl32/CommandLine.h"
#include "recsim/DefaultImage.h"
#include "recsim/ExpectedData.h"
#include "recsim/RecorderImageFile.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ChildEnvironment;
using testsupport::ChildProcess;
using testsupport::ProgramRun;

recsim::RecorderImage smallImage(int tests) {
    recsim::ImageOptions o;
    o.tests = tests;
    o.slots = 4;
    o.memoryWords = 4 * 6144;
    return recsim::makeImage(o);
}

class Harvdl32 : public ::testing::Test {
  protected:
    void useImage(const recsim::RecorderImage& image) {
        m_image = image;
        recsim::saveImage(image, m_imageFile);
    }
    // No display of any kind: the unattended program must not need one.
    ChildEnvironment headless() const {
        return {
            {{"VANTREL_RECORDER", m_imageFile.string()}, {"VANTREL_HOME", m_dir.path().string()}},
            {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}};
    }
    ChildEnvironment offscreenWindow() const {
        ChildEnvironment env = headless();
        env.set.emplace_back("QT_QPA_PLATFORM", "offscreen");
        return env;
    }
    ProgramRun run(const std::vector<std::string>& args, const ChildEnvironment& env) const {
        ChildProcess program(HARVDL32, args, env, m_dir.path());
        return program.wait();
    }
    ProgramRun unattended() const { return run({"--unattended", m_root}, headless()); }

    std::optional<std::string> logKey(const std::string& key) const {
        return common::ini::readValue(download::logFileName(m_root), "Status", key);
    }
    std::optional<std::string> setKey(int t, const std::string& key) const {
        return common::ini::readValue(download::setFileName(m_root, t), "settings", key);
    }
    std::vector<std::string> logKeys() const {
        return common::ini::keysOf(download::logFileName(m_root), "Status");
    }
    // "Error" then "Complete", the last key of the log.
    void expectFailedLog() const {
        const std::vector<std::string> keys = logKeys();
        ASSERT_GE(keys.size(), 2u);
        EXPECT_EQ(keys.back(), "Complete");
        EXPECT_EQ(logKey("Complete"), "T");
        EXPECT_EQ(logKey("Error"), "T");
    }
    void expectDataFile(int t) const {
        EXPECT_TRUE(recsim::compareDataFile(m_image, t, download::rawFileName(m_root, t)).matches())
            << "test " << t;
    }
    std::vector<std::string> folderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.path()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    testsupport::TempDir m_dir;
    fs::path m_imageFile = m_dir / "rec.ini";
    std::string m_root = (m_dir / "shot_").string();
    recsim::RecorderImage m_image;
};

TEST_F(Harvdl32, UnattendedFetchesEveryStoredTestWithoutADisplayAndEndsComplete) {
    useImage(smallImage(3));
    const ProgramRun r = unattended();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (int t = 1; t <= 3; ++t) {
        expectDataFile(t);
        EXPECT_EQ(logKey(download::storedTestKey(t)), "T");
        EXPECT_EQ(setKey(t, "TestNr"), std::to_string(t));
    }
    EXPECT_EQ(logKey("NrTests"), "3");
    EXPECT_EQ(logKeys().back(), "Complete");
    EXPECT_FALSE(logKey("Error"));
    EXPECT_EQ(r.err, "harvdl32: Test 1 of 3\nharvdl32: Test 2 of 3\nharvdl32: Test 3 of 3\n");
}

TEST_F(Harvdl32, AFaultedRunEndsByItselfWithItsMessageAndAFailedLog) {
    struct Case {
        const char* name;
        int tests;
        std::function<void(recsim::RecorderImage&)> fault;
        std::string message;
        std::optional<std::string> errorCodeOfTest1;  // nothing: no set file written
    };
    const std::vector<Case> cases = {
        {"no recorder at any port", 1, [](recsim::RecorderImage& i) { i.port = 1000; },
         download::notFoundMessage(), std::nullopt},
        {"a marker error in every transfer of the single test", 1,
         [](recsim::RecorderImage& i) {
             i.faults.markerErrorStep = 100;
             i.faults.markerErrorTransfers = 0;
         },
         download::kSingleTestFailedMessage, "3342"},
        {"a marker error in every transfer of chosen tests", 3,
         [](recsim::RecorderImage& i) {
             i.faults.markerErrorStep = 100;
             i.faults.markerErrorTransfers = 0;
         },
         download::testFailedMessage(1), "3342"},
        {"the recorder switched off at a step", 3,
         [](recsim::RecorderImage& i) { i.faults.powerOffAtStep = 1000; },
         download::cableAdviceMessage(), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        m_root = (dir / "shot_").string();
        recsim::RecorderImage image = smallImage(c.tests);
        c.fault(image);
        useImage(image);
        const ProgramRun r = unattended();
        EXPECT_EQ(r.exitCode, 1);
        const std::string line = download::messageLine(c.message);
        EXPECT_NE(r.err.find("harvdl32: " + line + "\n"), std::string::npos) << r.err;
        EXPECT_EQ(logKey("Message 1"), line);
        expectFailedLog();
        if (c.errorCodeOfTest1) {
            EXPECT_EQ(setKey(1, "ErrorCode"), c.errorCodeOfTest1);
        }
        EXPECT_FALSE(logKey(download::storedTestKey(2)));
    }
}

TEST_F(Harvdl32, AnImageThatCannotBeUsedEndsTheRunWithTheReason) {
    testsupport::writeFile(m_imageFile, "[Recorder]\nSlots = 3\n");
    const ProgramRun r = unattended();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("harvdl32: " + download::messageLine(download::notFoundMessage()) + "\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("harvdl32: The parallel port could not be opened. VANTREL_RECORDER: "),
              std::string::npos)
        << r.err;
    EXPECT_EQ(logKey("Message 2")
                  .value_or("")
                  .rfind("The parallel port could not be opened. VANTREL_RECORDER: ", 0),
              0u);
    expectFailedLog();
}

TEST_F(Harvdl32, ASigtermDuringALongTransferEndsTheRunAsCancelled) {
    // Sixteen full slots: the run goes on long after the first test's first progress report.
    recsim::ImageOptions o;
    o.tests = 16;
    o.slots = 16;
    useImage(recsim::makeImage(o));
    ChildProcess program(HARVDL32, {"--unattended", m_root}, headless(), m_dir.path());
    ASSERT_TRUE(program.waitForError("harvdl32: Test 1 of 16\n"));
    program.signal(SIGTERM);
    const ProgramRun r = program.wait();
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("harvdl32: stop requested, cancelling the run\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("harvdl32: Download cancelled.\n"), std::string::npos) << r.err;
    int last = 0;
    while (last < 16 && logKey(download::storedTestKey(last + 1))) ++last;
    ASSERT_LT(last, 16) << "the run was not stopped";
    EXPECT_EQ(setKey(last, "ErrorCode"), "3343");
    for (int t = 1; t < last; ++t) expectDataFile(t);
    EXPECT_EQ(logKey("Message 1"), "Download cancelled.");
    expectFailedLog();
}

TEST_F(Harvdl32, UnattendedWithoutARootSaysSoAndWritesNothing) {
    useImage(smallImage(1));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--unattended"}, {"--unattended", " "}}) {
        const ProgramRun r = run(args, headless());
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, "harvdl32: Error - blank filename.\nusage: harvdl32 --unattended ROOT\n");
        EXPECT_EQ(folderNames(), std::vector<std::string>{"rec.ini"});
    }
}

TEST_F(Harvdl32, OnlyAnExactFirstWordMakesTheRunUnattended) {
    useImage(smallImage(1));
    struct Case {
        std::vector<std::string> args;
        bool window;
        std::string dataFile;  // in the run's folder
    };
    const std::string folder = m_dir.path().string() + "/";
    const Case cases[] = {
        {{"--shot_"}, true, "--shot_01.raw"},
        {{"--unattended-shot_"}, true, "--unattended-shot_01.raw"},
        {{folder + "a", "--unattended"}, true, "a --unattended01.raw"},
        {{"--unattended", folder + "two", "words_"}, false, "two words_01.raw"},
        {{"--unattended", "--dash_"}, false, "--dash_01.raw"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataFile);
        const ProgramRun r = run(c.args, c.window ? offscreenWindow() : headless());
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(fs::exists(m_dir / c.dataFile));
    }
}

TEST(Harvdl32CommandLine, TheRootIsTheRestOfTheLineJoinedByBlanks) {
    struct Case {
        std::vector<const char*> argv;
        bool unattended;
        std::string root;
    };
    const Case cases[] = {
        {{"harvdl32"}, false, ""},
        {{"harvdl32", "/data/shot_"}, false, "/data/shot_"},
        {{"harvdl32", "/my", "data/shot_"}, false, "/my data/shot_"},
        {{"harvdl32", "--help"}, false, "--help"},
        {{"harvdl32", "/data/shot_", "--unattended"}, false, "/data/shot_ --unattended"},
        {{"harvdl32", "--UNATTENDED", "x"}, false, "--UNATTENDED x"},
        {{"harvdl32", "--unattended"}, true, ""},
        {{"harvdl32", "--unattended", "/my", "data/shot_"}, true, "/my data/shot_"},
        {{"harvdl32", "--unattended", "--unattended"}, true, "--unattended"},
    };
    for (const Case& c : cases) {
        const harvdl32::CommandLine line =
            harvdl32::parseCommandLine(static_cast<int>(c.argv.size()), c.argv.data());
        EXPECT_EQ(line.unattended, c.unattended) << c.root;
        EXPECT_EQ(line.root, c.root);
    }
}

}  // namespace
