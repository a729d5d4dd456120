// The recsim command, run as a separate process: its subcommands and exit codes.

#include "recsim/RecorderImageFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace recsim {
namespace {

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

class RecsimCommand : public ::testing::Test {
protected:
    Outcome run(std::vector<std::string> args) {
        const auto outFile = m_dir / "out.txt";
        const auto errFile = m_dir / "err.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        args.insert(args.begin(), RECSIM_PROGRAM);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        const int rc = ::posix_spawn(&pid, RECSIM_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        Outcome r;
        if (rc != 0) return r;
        int status = 0;
        ::waitpid(pid, &status, 0);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = testsupport::readFile(outFile);
        r.err = testsupport::readFile(errFile);
        return r;
    }
    std::string path(const char* name) const { return (m_dir / name).string(); }

    testsupport::TempDir m_dir;
};

TEST_F(RecsimCommand, MakeWritesAnImageAndRefusesToOverwrite) {
    const std::string image = path("r.ini");
    Outcome r = run({"make", image, "--tests", "3", "--slots", "4", "--port", "0x278"});
    ASSERT_EQ(r.code, 0) << r.err;
    const RecorderImage loaded = loadImage(image);
    EXPECT_EQ(loaded.tests.size(), 3u);
    EXPECT_EQ(loaded.slots, 4);
    EXPECT_EQ(loaded.port, 632u);
    EXPECT_EQ(loaded.tests[0].channels[0].signal.velocityMps, 6500.0);
    EXPECT_EQ(loaded.tests[0].channels[1].signal.kind, SignalKind::Pulse);
    r = run({"make", image});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(loadImage(image).tests.size(), 3u);
    EXPECT_EQ(run({"make", image, "--force"}).code, 0);
    EXPECT_EQ(loadImage(image).tests.size(), 1u);
}

TEST_F(RecsimCommand, UsageErrorsExitWith2) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"make"},
        {"make", path("x.ini"), "--slots", "3"},
        {"make", path("x.ini"), "--tests", "5", "--slots", "4"},
        {"make", path("x.ini"), "--memory-words", "1000"},
        {"make", path("x.ini"), "--port", "twelve"},
        {"show"},
    };
    for (const auto& args : cases) {
        const Outcome r = run(args);
        EXPECT_EQ(r.code, 2) << (args.empty() ? "" : args[0]) << " " << r.err;
    }
}

TEST_F(RecsimCommand, ShowDescribesAndRefusesBadImages) {
    const std::string image = path("r.ini");
    ASSERT_EQ(run({"make", image, "--tests", "2", "--slots", "2"}).code, 0);
    Outcome r = run({"show", image});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("consumed at 6500 m/s"), std::string::npos) << r.out;
    testsupport::writeFile(m_dir / "bad.ini", "[Recorder]\nSlots = 2\n");
    r = run({"show", path("bad.ini")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("has no SerialNumber"), std::string::npos) << r.err;
    EXPECT_EQ(run({"show", path("absent.ini")}).code, 1);
}

TEST_F(RecsimCommand, ExpectAndCheck) {
    const std::string image = path("r.ini");
    ASSERT_EQ(run({"make", image, "--tests", "2", "--slots", "2", "--memory-words", "12288"}).code, 0);
    const std::string data = path("t2.raw");
    ASSERT_EQ(run({"expect", image, "2", data}).code, 0);
    EXPECT_EQ(run({"check", image, "2", data}).code, 0);
    const Outcome other = run({"check", image, "1", data});
    EXPECT_EQ(other.code, 1);
    EXPECT_NE(other.out.find("differs"), std::string::npos) << other.out;
    EXPECT_EQ(run({"check", image, "3", data}).code, 2);
}

TEST_F(RecsimCommand, HelpExplainsTheImageFormat) {
    const Outcome r = run({"--help"});
    EXPECT_EQ(r.code, 0);
    for (const char* part : {"make", "show", "[Faults]", "VANTREL_RECORDER", "MemoryWords"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace recsim
