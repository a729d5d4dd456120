#include "common/FileNames.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "support/TempDir.h"

namespace {

struct ExtensionCase {
    const char* name;
    const char* ext;
    const char* expected;
};

TEST(ChangeExtension, CutsAtTheFirstDotOfTheFileNameOnly) {
    const std::vector<ExtensionCase> cases = {
        {"a.b.c", "rawdata", "a.raw"},
        {"name", "", "name."},
        {"/x.y/a.b.c", "rawdata", "/x.y/a.raw"},
        {"/home/a.b/tests/Test01.crv", "raw", "/home/a.b/tests/Test01.raw"},
        {"/home/a.b/tests/Test01", "cmp", "/home/a.b/tests/Test01.cmp"},
        {"rel.dir/Test01.crv", "cmp", "rel.dir/Test01.cmp"},
        {"Test01.crv", "ra", "Test01.ra"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(common::ChangeExtension(c.name, c.ext), c.expected) << c.name;
}

TEST(SplitPath, DirectoryKeepsItsSlashAndABareNameStaysWhole) {
    struct Case {
        const char *path, *directory, *name;
    };
    const std::vector<Case> cases = {
        {"/data/Test01.crv", "/data/", "Test01.crv"},
        {"/home/a.b/Test01.crv", "/home/a.b/", "Test01.crv"},
        {"Test01.crv", "", "Test01.crv"},
        {"/data/", "/data/", ""},
        {"/", "/", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const auto split = common::SplitPath(c.path);
        EXPECT_EQ(split.directory, c.directory) << c.path;
        EXPECT_EQ(split.name, c.name) << c.path;
    }
}

TEST(FirstDot, IsLookedForInTheFileName) {
    struct Case {
        const char *path, *upToDot, *fromDot;
    };
    const std::vector<Case> cases = {
        {"Test01.crv", "Test01", ".crv"},
        {"a.b.c", "a", ".b.c"},
        {"noext", "noext", ""},
        {"/home/a.b/Test01.crv", "/home/a.b/Test01", ".crv"},
        {"/home/a.b/Test01", "/home/a.b/Test01", ""},
        {".hidden", "", ".hidden"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(common::NameUpToFirstDot(c.path), c.upToDot) << c.path;
        EXPECT_EQ(common::ExtensionFromFirstDot(c.path), c.fromDot) << c.path;
    }
}

TEST(NameAfterLastBackslash, TakesTheTextAfterTheLastSlash) {
    EXPECT_EQ(common::NameAfterLastBackslash("/data/x.y/Test01.crv"), "Test01.crv");
    EXPECT_EQ(common::NameAfterLastBackslash("Test01.crv"), "Test01.crv");
    EXPECT_EQ(common::NameAfterLastBackslash("/data/"), "");
}

TEST(StripTrailingBackslash, RemovesExactlyOneSlash) {
    EXPECT_EQ(common::StripTrailingBackslash("/data/"), "/data");
    EXPECT_EQ(common::StripTrailingBackslash("/data//"), "/data/");
    EXPECT_EQ(common::StripTrailingBackslash("/data"), "/data");
    EXPECT_EQ(common::StripTrailingBackslash(""), "");
}

TEST(FileExists, OnlyForFiles) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir / "f.txt", "x");
    std::filesystem::create_symlink(dir / "f.txt", dir / "link");
    EXPECT_TRUE(common::FileExists((dir / "f.txt").string()));
    EXPECT_TRUE(common::FileExists((dir / "link").string()));
    EXPECT_FALSE(common::FileExists(dir.path().string()));
    EXPECT_FALSE(common::FileExists((dir / "absent").string()));
    EXPECT_FALSE(common::FileExists(""));
}

TEST(ApplicationDirectory, IsTheFolderOfThisProgram) {
    const std::string dir = common::ApplicationDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(common::FileExists(dir + program_invocation_short_name)) << dir;
}

}  // namespace
