// The analysis program started the way a user starts it, on a machine without a display:
// a set file on the command line is opened and the window written to an image.

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <string>

#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

const std::string kSample = std::string(VANTREL_SOURCE_DIR) + "/samples/CV2026Dec001_01.crv";

struct ProgramCase {
    const char* name;
    std::string setFile;
    int exitCode;
    bool image;
};

TEST(CorvaneProgram, OpensTheSetFileGivenAndWritesItsScreenshotWithoutWaitingForAnyone) {
    const ProgramCase cases[] = {
        {"sample", kSample, 0, true},
        // No message box may wait for an answer: the failure is the exit code.
        {"missing set file", "/nonexistent/Gone01.crv", 1, true},
    };
    for (const ProgramCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const fs::path shot = dir / "window.png";
        const testsupport::ProgramRun run = testsupport::runProgram(
            CORVANE, {c.setFile, "--screenshot", shot.string()},
            {{"QT_QPA_PLATFORM", "offscreen"}, {"VANTREL_HOME", dir.path().string()}});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (c.exitCode != 0) {
            EXPECT_NE(run.err.find("could not be opened"), std::string::npos);
        }
        ASSERT_EQ(fs::exists(shot), c.image);
        const QImage image(QString::fromStdString(shot.string()));
        ASSERT_FALSE(image.isNull());
        EXPECT_GE(image.width(), 640);
        EXPECT_GE(image.height(), 400);
    }
}

TEST(CorvaneProgram, MoreThanOneSetFileIsAUsageError) {
    testsupport::TempDir dir;
    const testsupport::ProgramRun run = testsupport::runProgram(
        CORVANE, {kSample, kSample}, {{"QT_QPA_PLATFORM", "offscreen"},
                                      {"VANTREL_HOME", dir.path().string()}});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("at most one set file"), std::string::npos);
}

}  // namespace
