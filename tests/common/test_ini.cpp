#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "common/Error.h"
#include "common/Ini.h"
#include "common/IniText.h"
#include "support/TempDir.h"

namespace {

using common::ini::text::find;
using common::ini::text::withValue;
using common::ini::text::withValueBefore;
using common::ini::text::withoutKey;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

TEST(IniText, FindsValuesRegardlessOfCaseAndTrimsThem) {
    const std::string content =
        "; comment\r\nloose=1\r\n[Settings]\r\n  NrChannels =  2 \r\nFileComment=a=b\r\n"
        "[Channel1]\r\nSelectCode=1\r\n[Channel 1]\r\nSelectCode=7\r\n";
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"settings", "nrchannels", "2"},
        {"SETTINGS", "FileComment", "a=b"},      // value is everything after the first "="
        {"channel1", "SelectCode", "1"},
        {"Channel 1", "SelectCode", "7"},        // a blank makes it another section
        {"settings", "loose", std::nullopt},     // keys before any section belong to none
        {"settings", "; comment", std::nullopt},
        {"Missing", "NrChannels", std::nullopt},
        {"settings", "Missing", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(find(content, c.section, c.key), c.expected) << c.section << "/" << c.key;
}

TEST(IniText, FirstOfRepeatedSectionsAndKeysWins) {
    const std::string content = "[a]\nk=1\nk=2\n[A]\nk=3\nj=4\n";
    EXPECT_EQ(find(content, "a", "k"), "1");
    EXPECT_EQ(find(content, "a", "j"), std::nullopt);
}

TEST(IniText, WritesChangeOnlyTheirOwnLine) {
    struct Case {
        const char* name;
        std::string before;
        const char* section;
        const char* key;
        std::string value;
        std::string after;
    };
    const Case cases[] = {
        {"replace in place, CRLF kept", "[s]\r\nA=1\r\nB = 2 \r\n[t]\r\nB=3\r\n", "S", "b", "9",
         "[s]\r\nA=1\r\nB =9\r\n[t]\r\nB=3\r\n"},
        {"new key after the section's last entry", "[s]\nA=1\n\n[t]\nB=3\n", "s", "C", "x",
         "[s]\nA=1\nC=x\n\n[t]\nB=3\n"},
        {"new section at the end", "[s]\nA=1\n", "t", "K", "v", "[s]\nA=1\n[t]\nK=v\n"},
        {"file without final line break", "[s]\nA=1", "s", "B", "2", "[s]\nA=1\nB=2\n"},
        {"new section after a last line without break", "[s]\nA=1", "u", "B", "2",
         "[s]\nA=1\n[u]\nB=2\n"},
        {"empty file", "", "settings", "NrChannels", "2", "[settings]\nNrChannels=2\n"},
        {"CRLF file gets CRLF lines", "[s]\r\nA=1\r\n", "s", "B", "2", "[s]\r\nA=1\r\nB=2\r\n"},
        {"empty value", "[s]\nA=1\n", "s", "A", "", "[s]\nA=\n"},
        {"long value is not cut", "[s]\n", "s", "L", std::string(2000, 'x'),
         "[s]\nL=" + std::string(2000, 'x') + "\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withValue(c.before, c.section, c.key, c.value), c.after) << c.name;
}

TEST(IniText, ANewKeyCanGoBeforeTheKeyThatMarksTheSectionFinished) {
    struct Case {
        const char* name;
        std::string before;
        std::string after;
    };
    // Key "M" = "x" written before "Complete" of section "Status".
    const Case cases[] = {
        {"right before the mark", "[Status]\nError=T\nComplete=T\n[t]\nK=1\n",
         "[Status]\nError=T\nM=x\nComplete=T\n[t]\nK=1\n"},
        {"CRLF kept", "[Status]\r\nComplete=T\r\n", "[Status]\r\nM=x\r\nComplete=T\r\n"},
        {"mark looked for without regard to case", "[status]\ncomplete = T\n",
         "[status]\nM=x\ncomplete = T\n"},
        {"no mark yet: after the last entry", "[Status]\nA=1\n", "[Status]\nA=1\nM=x\n"},
        {"a mark in another section does not count", "[t]\nComplete=T\n[Status]\nA=1\n",
         "[t]\nComplete=T\n[Status]\nA=1\nM=x\n"},
        {"an existing key stays in its place", "[Status]\nM=old\nComplete=T\nZ=1\n",
         "[Status]\nM=x\nComplete=T\nZ=1\n"},
        {"no section yet", "", "[Status]\nM=x\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withValueBefore(c.before, "Status", "M", "x", "Complete"), c.after) << c.name;
}

TEST(IniText, RemovesOnlyTheKeyLine) {
    EXPECT_EQ(withoutKey("[s]\nA=1\nB=2\n[t]\nA=3\n", "s", "a"), "[s]\nB=2\n[t]\nA=3\n");
    EXPECT_EQ(withoutKey("[s]\nA=1\n", "x", "a"), "[s]\nA=1\n");
}

TEST(IniText, BinaryGarbageNeitherCrashesNorMatches) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919) & 0xFF));
    EXPECT_EQ(find(garbage, "settings", "NrChannels"), std::nullopt);
    const std::string written = withValue(garbage, "settings", "NrChannels", "2");
    EXPECT_EQ(written.substr(0, garbage.size()), garbage);
    EXPECT_EQ(find(written, "settings", "NrChannels"), "2");
}

class IniFile : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path file = dir / "test.crv";
};

TEST_F(IniFile, WriteCreatesFileAndReadsBackWithoutCache) {
    EXPECT_EQ(common::ini::readValue(file, "settings", "NrChannels"), std::nullopt);
    common::ini::writeValue(file, "settings", "NrChannels", "2");
    EXPECT_EQ(common::ini::readValue(file, "Settings", "nrchannels"), "2");
    writeFile(file, "[settings]\nNrChannels=1\n");  // another program changes the file
    EXPECT_EQ(common::ini::readValue(file, "settings", "NrChannels"), "1");
}

TEST_F(IniFile, LineBreaksInValuesOrNamesAreRefused) {
    writeFile(file, "[s]\nA=1\n");
    for (const char* value : {"a\r\nb", "a\rb", "a\nb"})
        EXPECT_THROW(common::ini::writeValue(file, "s", "A", value), std::invalid_argument);
    EXPECT_THROW(common::ini::writeValue(file, "s]x", "A", "1"), std::invalid_argument);
    EXPECT_THROW(common::ini::writeValue(file, "s", "A=B", "1"), std::invalid_argument);
    EXPECT_THROW(common::ini::writeValue(file, "s", "", "1"), std::invalid_argument);
    EXPECT_EQ(readFile(file), "[s]\nA=1\n");
}

TEST_F(IniFile, WriteIntoMissingFolderIsAClearError) {
    EXPECT_THROW(common::ini::writeValue(dir / "no/such/folder.ini", "s", "k", "v"),
                 common::IoError);
}

TEST_F(IniFile, WriteKeepsFileModeAndLeavesNoTemporaryFiles) {
    writeFile(file, "[s]\nA=1\n");
    std::filesystem::permissions(file, std::filesystem::perms(0640));
    common::ini::writeValue(file, "s", "A", "2");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(IniFile, WriteThroughSymlinkChangesTheTarget) {
    const auto target = dir / "real.ini";
    writeFile(target, "[s]\nA=1\n");
    std::filesystem::create_symlink(target, file);
    common::ini::writeValue(file, "s", "A", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(readFile(target), "[s]\nA=2\n");
}

TEST_F(IniFile, ListsSectionsAndKeysInFileOrder) {
    writeFile(file, "[settings]\nB=1\nA=2\n[Channel1]\nX=3\n");
    EXPECT_EQ(common::ini::sectionsOf(file), (std::vector<std::string>{"settings", "Channel1"}));
    EXPECT_EQ(common::ini::keysOf(file, "SETTINGS"), (std::vector<std::string>{"B", "A"}));
    common::ini::removeKey(file, "settings", "b");
    EXPECT_EQ(common::ini::keysOf(file, "settings"), (std::vector<std::string>{"A"}));
}

TEST_F(IniFile, AKeyWrittenBeforeAnotherKeepsThatOneLast) {
    common::ini::writeValue(file, "Status", "Error", "T");
    common::ini::writeValue(file, "Status", "Complete", "T");
    common::ini::writeValueBefore(file, "Status", "Message 1", "Download cancelled.", "Complete");
    EXPECT_EQ(common::ini::keysOf(file, "Status"),
              (std::vector<std::string>{"Error", "Message 1", "Complete"}));
    EXPECT_EQ(common::ini::readValue(file, "Status", "Message 1"), "Download cancelled.");
    EXPECT_THROW(common::ini::writeValueBefore(file, "Status", "M", "a\nb", "Complete"), std::invalid_argument);
}

int incrementOnce(const std::filesystem::path& file) {
    return std::stoi(common::ini::updateValue(
        file, "Number of files downloaded", "2026Dec", [](const std::optional<std::string>& old) {
            return std::to_string(old ? std::stoi(*old) + 1 : 1);
        }));
}

TEST_F(IniFile, TwoProcessesIncrementingACounterLoseNoUpdate) {
    writeFile(file, "[other]\nkeep=me\n");
    constexpr int kEach = 1000;
    pid_t children[2];
    for (pid_t& child : children) {
        child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0; i < kEach; ++i) incrementOnce(file);
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(common::ini::readValue(file, "number of files downloaded", "2026dec"),
              std::to_string(2 * kEach));
    EXPECT_EQ(common::ini::readValue(file, "other", "keep"), "me");
}

TEST_F(IniFile, WriterKilledAtAnyMomentNeverLeavesATornFile) {
    // A long file, so that a write takes long enough to be interrupted in the middle.
    std::string content = "[settings]\nCounter=0\n";
    for (int i = 0; i < 2000; ++i) content += "Key" + std::to_string(i) + "=" + std::string(40, 'v') + "\n";
    writeFile(file, content);
    for (int round = 0; round < 30; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            while (true) incrementOnce(file);
        }
        ::usleep(static_cast<useconds_t>(1000 + (round * 7717) % 20000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string now = readFile(file);
        ASSERT_GE(now.size(), content.size()) << "round " << round;
        EXPECT_EQ(now.compare(0, content.size() - 20, content, 0, content.size() - 20), 0);
        EXPECT_EQ(common::ini::readValue(file, "settings", "Key1999"), std::string(40, 'v'));
    }
}

}  // namespace

namespace {

TEST_F(IniFile, ReadOnlyFileIsNeverReplaced) {
    writeFile(file, "[s]\nA=1\n");
    std::filesystem::permissions(file, std::filesystem::perms(0444));
    EXPECT_THROW(common::ini::writeValue(file, "s", "A", "2"), common::IoError);
    EXPECT_EQ(readFile(file), "[s]\nA=1\n");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0444));
}

}  // namespace
