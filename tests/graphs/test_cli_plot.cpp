// corvane-cli plot, run as a separate program without a display.

#include <gtest/gtest.h>

#include <QImage>
#include <QXmlStreamReader>

#include <filesystem>
#include <string>
#include <vector>

#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

const std::string kSample = std::string(VANTREL_SOURCE_DIR) + "/samples/CV2026Dec001_01.crv";

class CliPlotTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::TempDir home;

    testsupport::ProgramRun cli(const std::vector<std::string>& args) {
        // No display: the program must choose the offscreen platform itself.
        return testsupport::runProgram(CORVANE_CLI, args,
                                       {{"VANTREL_HOME", home.path().string()},
                                        {"QT_QPA_PLATFORM", ""},
                                        {"DISPLAY", ""},
                                        {"WAYLAND_DISPLAY", ""}});
    }
};

// Share of pixels that differ from the corner (background) colour.
double inkShare(const QImage& image) {
    const QRgb background = image.pixel(0, 0);
    long differing = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) ++differing;
    return double(differing) / (double(image.width()) * image.height());
}

TEST_F(CliPlotTest, DrawsTheChannelIntoAnImageOfTheAskedSize) {
    struct Case {
        std::vector<std::string> options;
        int width, height;
    };
    const std::vector<Case> cases = {
        {{"--channel", "1"}, 700, 320},
        {{"--channel", "2", "--from", "0", "--to", "2", "--width", "1024", "--height", "600"},
         1024, 600},
    };
    for (const Case& c : cases) {
        const std::string out = (dir.path() / "graph.png").string();
        std::vector<std::string> args = {"plot", kSample, "--out", out};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto run = cli(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const QImage image(QString::fromStdString(out));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), c.width);
        EXPECT_EQ(image.height(), c.height);
        const double share = inkShare(image);
        EXPECT_GT(share, 0.005);  // titles, axes and the trace
        EXPECT_LT(share, 0.5);
        EXPECT_EQ((fs::status(out).permissions() & fs::perms::others_read), fs::perms::others_read);
    }
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"graph.png"});  // no temporary file stays
}

TEST_F(CliPlotTest, WritesVectorImages) {
    struct Case {
        std::string file;
        std::string start;
        std::vector<std::string> contents;
    };
    const std::vector<Case> cases = {
        {"graph.pdf", "%PDF-", {}},
        {"graph.svg", "<?xml",
         {"<svg ", "width=\"700\" height=\"320\"", ">Channel 1</text>", "<polyline ",
          "<clipPath "}},
    };
    for (const Case& c : cases) {
        const std::string out = (dir.path() / c.file).string();
        const auto run = cli({"plot", kSample, "--channel", "1", "--out", out});
        ASSERT_EQ(run.exitCode, 0) << c.file << ": " << run.err;
        const std::string written = testsupport::readFile(out);
        EXPECT_EQ(written.substr(0, c.start.size()), c.start) << c.file;
        for (const std::string& part : c.contents)
            EXPECT_NE(written.find(part), std::string::npos) << c.file << ": " << part;
    }
    QXmlStreamReader xml(
        QByteArray::fromStdString(testsupport::readFile(dir.path() / "graph.svg")));
    while (!xml.atEnd()) xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
}

TEST_F(CliPlotTest, RefusesWithAMessageAndWritesNothing) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::string out = (dir.path() / "graph.png").string();
    const std::vector<Case> cases = {
        {{"plot", kSample, "--channel", "1", "--out", (dir.path() / "g.bmp").string()}, 1,
         ".png, .jpg, .pdf or .svg"},
        {{"plot", kSample, "--channel", "9", "--out", out}, 1, "no channel 9"},
        {{"plot", (dir.path() / "none.crv").string(), "--channel", "1", "--out", out}, 1,
         "error"},
        {{"plot", kSample, "--channel", "1", "--out", (dir.path() / "no/g.png").string()}, 1,
         "Cannot write"},
        {{"plot", kSample, "--out", out}, 2, "channel"},
    };
    for (const Case& c : cases) {
        const auto run = cli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.message << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(fs::is_empty(dir.path())) << c.message;
    }
}

}  // namespace
