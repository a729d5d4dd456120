#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "RecorderSignal.h"
#include "support/TempDir.h"
#include "analysis/files/Compress.h"
#include "common/AppPaths.h"
#include "common/Ini.h"
#include "common/Progress.h"
#include "common/ScriptedPrompt.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

const char* const kFinished =
    "                                Copying Finished                                  ";
const char* const kNotSaved = "     Error - Data not saved.  [nl]Disk may be full or unavailable";

class RecordingProgress : public common::SilentProgress {
public:
    void setText(const std::string& text) override {
        texts.push_back(text);
        SilentProgress::setText(text);
    }
    std::vector<std::string> texts;
};

std::string setValue(const fs::path& file, const char* key) {
    return common::ini::readValue(file, "settings", key).value_or("(missing)");
}

// A test set "Test01" in src/, with side files and two files that only look like members.
class CopyTestSet : public ::testing::Test {
public:
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome{home.path()};
    testsupport::TempDir src;
    testsupport::TempDir dst;
    RecordingProgress progress;
    common::ScriptedPrompt prompt;
    const std::string raw = testsignal::recorderRecord(20000);
    const std::string setText = "[settings]\nDataCollector=Corvane\nNrChannels=2\n[Channel1]\nSelectCode=1\n";

    void SetUp() override {
        writeFile(src / "Test01.crv", setText);
        writeFile(src / "Test01.raw", raw);
        writeFile(src / "Test01.ml00", "moved points");
        writeFile(src / "Test01.r05", "removed points");
        writeFile(src / "Test01_02.crv", "another test");
        writeFile(src / "Test011.raw", "another root");
    }

    bool copy(bool compress, bool decompress) {
        return files::CopyTestSet(compress, decompress, src / "Test01", "Copy", dst.path(),
                                  progress, prompt);
    }

    std::vector<std::string> destinationNames() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dst.path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(CopyTestSet, CompressModeTurnsTheRawFileIntoACmpFileAndMarksTheCopy) {
    ASSERT_TRUE(copy(true, false));
    EXPECT_EQ(destinationNames(),
              (std::vector<std::string>{"Copy.cmp", "Copy.crv", "Copy.ml00", "Copy.r05"}));
    EXPECT_EQ(readFile(dst / "Copy.ml00"), "moved points");
    EXPECT_EQ(readFile(dst / "Copy.r05"), "removed points");
    EXPECT_EQ(setValue(dst / "Copy.crv", "RawFileCompressed"), "T");
    EXPECT_EQ(setValue(dst / "Copy.crv", "NrChannels"), "2");
    EXPECT_EQ(setValue(src / "Test01.crv", "RawFileCompressed"), "(missing)") << "source untouched";

    ASSERT_TRUE(files::DecompressDataFile(dst / "Copy.cmp", dst / "back.raw"));
    EXPECT_TRUE(readFile(dst / "back.raw") == raw);

    ASSERT_EQ(prompt.shown().size(), 1u);
    EXPECT_EQ(prompt.shown()[0].title, "  Message");
    EXPECT_EQ(prompt.shown()[0].text, kFinished);
    // Files in name order: Test01.crv, .ml00, .r05, .raw.
    EXPECT_EQ(progress.texts,
              (std::vector<std::string>{"Copying file 1", "Copying file 2", "Copying file 3",
                                        "Copying file 4", "Copying files - Compressing data file"}));
}

TEST_F(CopyTestSet, DecompressModeWithoutACmpFileWarnsAndLeavesTheFlag) {
    common::ini::writeValue(src / "Test01.crv", "settings", "RawFileCompressed", "T");
    EXPECT_FALSE(copy(false, true));
    ASSERT_EQ(prompt.shown().size(), 1u);
    EXPECT_EQ(prompt.shown()[0].title, "  Warning");
    EXPECT_EQ(prompt.shown()[0].text, kNotSaved);
    EXPECT_EQ(setValue(dst / "Copy.crv", "RawFileCompressed"), "T");
}

TEST_F(CopyTestSet, DecompressModeGivesTheRawFileBackAndClearsTheFlag) {
    ASSERT_TRUE(copy(true, false));
    fs::remove(src / "Test01.raw");
    for (const char* ending : {".cmp", ".crv", ".ml00", ".r05"})
        fs::rename(dst / (std::string("Copy") + ending), src / (std::string("Test01") + ending));
    prompt.clear();

    ASSERT_TRUE(copy(false, true));
    EXPECT_EQ(destinationNames(),
              (std::vector<std::string>{"Copy.crv", "Copy.ml00", "Copy.r05", "Copy.raw"}));
    EXPECT_TRUE(readFile(dst / "Copy.raw") == raw);
    EXPECT_EQ(setValue(dst / "Copy.crv", "RawFileCompressed"), "F");
    EXPECT_EQ(prompt.shown().back().text, kFinished);
}

TEST_F(CopyTestSet, WithoutAModeEveryFileIsCopiedAsItIs) {
    ASSERT_TRUE(copy(true, true));
    EXPECT_EQ(destinationNames(),
              (std::vector<std::string>{"Copy.crv", "Copy.ml00", "Copy.r05", "Copy.raw"}));
    EXPECT_EQ(readFile(dst / "Copy.crv"), setText) << "nothing written into the set file";
    EXPECT_TRUE(readFile(dst / "Copy.raw") == raw);
}

TEST_F(CopyTestSet, FailuresAreReportedNotPassedOffAsSuccess) {
    struct Case {
        const char* name;
        std::function<bool(CopyTestSet&)> run;
    };
    const std::vector<Case> cases = {
        {"compress mode without a raw file",
         [](CopyTestSet& t) {
             fs::remove(t.src / "Test01.raw");
             return t.copy(true, false);
         }},
        {"a destination folder that does not exist",
         [](CopyTestSet& t) {
             return files::CopyTestSet(false, false, t.src / "Test01", "Copy", t.dst / "none",
                                       t.progress, t.prompt);
         }},
        {"the set copied onto itself",
         [](CopyTestSet& t) {
             return files::CopyTestSet(false, false, t.src / "Test01", "Test01", t.src.path(),
                                       t.progress, t.prompt);
         }},
        {"a stop request",
         [](CopyTestSet& t) {
             t.progress.stopAfterSteps(2);
             return t.copy(true, false);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompt.clear();
        progress.stopAfterSteps(-1);
        EXPECT_FALSE(c.run(*this));
        ASSERT_EQ(prompt.shown().size(), 1u);
        EXPECT_EQ(prompt.shown()[0].title, "  Warning");
        EXPECT_EQ(prompt.shown()[0].text, kNotSaved);
        EXPECT_FALSE(fs::exists(dst / "Copy.cmp"));
        EXPECT_TRUE(readFile(src / "Test01.crv") == setText) << "the source stays whole";
        SetUp();
    }
}

}  // namespace
