#include "common/CMapFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "support/WithoutRootRights.h"

namespace fs = std::filesystem;
using common::CMapFile;

namespace {

std::vector<std::uint8_t> wordBytes(const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t w : words) {
        bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> doubleBytes(const std::vector<double>& values) {
    std::vector<std::uint8_t> bytes(values.size() * sizeof(double));
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

std::vector<std::uint8_t> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whether the process still maps the file (an old mapping that was not released shows here).
bool processMaps(const fs::path& path) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(path.string()) != std::string::npos) {
            return true;
        }
    }
    return false;
}

class MapFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        m_dir = fs::temp_directory_path() /
                ("vantrel-map-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_dir, ignored);
    }

    fs::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path path = m_dir / name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    fs::path m_dir;
};

TEST_F(MapFileTest, CountsWordsAndPointsPerChannel) {
    struct Case {
        std::size_t bytes;
        std::int32_t channels;
        std::int64_t words;
        std::int64_t points;
    };
    const std::vector<Case> cases = {
        {10, 2, 5, 2},  // the fifth word belongs to no full record
        {10, 1, 5, 5},
        {11, 2, 5, 2},  // odd trailing byte ignored
        {1, 1, 0, 0},
        {12, 3, 6, 2},
        {4096, 2, 2048, 1024},
    };
    for (const auto& c : cases) {
        const auto path = write("raw" + std::to_string(c.bytes), std::vector<std::uint8_t>(c.bytes, 7));
        CMapFile map;
        ASSERT_TRUE(map.bMapFileRead(path.string(), c.channels, true)) << map.lastError();
        EXPECT_EQ(map.lMappedSize(), static_cast<std::int64_t>(c.bytes));
        EXPECT_EQ(map.wordCount(), c.words) << c.bytes << " bytes";
        EXPECT_EQ(map.pointsPerChannel(), c.points) << c.bytes << " bytes, " << c.channels;
        EXPECT_EQ(static_cast<std::int64_t>(map.words().size()), c.words);
        EXPECT_EQ(map.MappedFile(), path.string());
        EXPECT_EQ(map.bTwoChannels(), c.channels == 2);
    }
}

TEST_F(MapFileTest, SelectsChannelWordWithinRecord) {
    const auto path = write("ch.raw", wordBytes({100, 200, 300, 400, 500, 600}));
    struct Case {
        std::int32_t channels;
        std::int32_t channel;
        std::vector<std::int16_t> firstPoints;
    };
    const std::vector<Case> cases = {
        {2, 1, {100, 300, 500}},
        {2, 2, {200, 400, 600}},
        {2, 3, {100, 300, 500}},  // no third channel: offset 0
        {1, 2, {100, 200, 300}},  // one-channel file: every word is channel 1
        {3, 2, {100, 400}},       // only channel 2 of a two-channel file has offset 2
    };
    for (const auto& c : cases) {
        CMapFile map;
        ASSERT_TRUE(map.bMapFileRead(path.string(), c.channels, true));
        map.SetupGetInteger(c.channel);
        for (std::size_t i = 0; i < c.firstPoints.size(); ++i) {
            EXPECT_EQ(map.wGetNthIntAfterSetup(static_cast<std::int64_t>(i) + 1), c.firstPoints[i])
                << c.channels << " channels, channel " << c.channel << ", point " << i + 1;
        }
    }
}

TEST_F(MapFileTest, WordsAreSignedLittleEndian) {
    const auto path = write("le.raw", {0x34, 0x12, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x3F});
    CMapFile map;
    ASSERT_TRUE(map.bMapFileRead(path.string(), 1, true));
    const std::vector<std::int16_t> expected = {0x1234, -1, -32768, 16383};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto n = static_cast<std::int64_t>(i) + 1;
        EXPECT_EQ(map.wGetNthIntAfterSetup(n), expected[i]);
        EXPECT_EQ(map.wGetNthInt(n), expected[i]);
        EXPECT_EQ(map.GetInt(static_cast<std::int64_t>(2 * i)), expected[i]);
    }
    EXPECT_EQ(map.words()[1], 0xFFFF);
    EXPECT_EQ(map.GetLng(0), static_cast<std::int32_t>(0xFFFF1234u));
    std::array<std::int16_t, 2> pair{};
    map.Get2Ints(4, pair);
    EXPECT_EQ(pair[0], -32768);
    EXPECT_EQ(pair[1], 16383);
    std::uint8_t range[3] = {};
    ASSERT_TRUE(map.GetRng(range, 1, 3));
    EXPECT_EQ(range[0], 0x12);
    EXPECT_EQ(range[2], 0xFF);
}

using testsupport::WithoutRootRights;

TEST_F(MapFileTest, ReadOnlyFileMapsForReading) {
    const auto path = write("ro.raw", wordBytes({11, 22, 33, 44}));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(m_dir, fs::perms::all);
    CMapFile map;
    {
        WithoutRootRights user;
        if (user.permissionsApply()) {
            CMapFile writer;
            EXPECT_FALSE(writer.MapFile(path.string())) << "the file is writable after all";
        }
        ASSERT_TRUE(map.bMapFileRead(path.string(), 2, true)) << map.lastError();
    }
    map.SetupGetInteger(2);
    EXPECT_EQ(map.wGetNthIntAfterSetup(2), 44);
    EXPECT_FALSE(map.isWritable());
    // A reading map refuses writes instead of faulting on its read-only pages.
    EXPECT_FALSE(map.PutInt(5, 0));
    EXPECT_TRUE(map.writableBytes().empty());
    EXPECT_EQ(map.GetInt(0), 11);
    EXPECT_TRUE(map.UnMapFile());
    EXPECT_EQ(readAll(path), wordBytes({11, 22, 33, 44}));
}

TEST_F(MapFileTest, PagedMappingIsZeroedMemoryOfRequestedSize) {
    CMapFile map;
    ASSERT_TRUE(map.MapFileTemp(4096)) << map.lastError();
    EXPECT_EQ(map.MappedFile(), "[Paged]");
    EXPECT_EQ(map.lMappedSize(), 4096);
    EXPECT_EQ(map.hFile(), -1);
    EXPECT_NE(map.BaseAddress(), nullptr);
    EXPECT_EQ(map.GetLng(4092), 0);
    EXPECT_TRUE(map.PutLng(-123456, 4092));
    EXPECT_EQ(map.GetLng(4092), -123456);
    EXPECT_TRUE(map.Commit());
    EXPECT_TRUE(map.UnMapFile());
    EXPECT_EQ(map.MappedFile(), "");
}

TEST_F(MapFileTest, UnmappingNothingReturnsFalseAndChangesNothing) {
    CMapFile fresh;
    EXPECT_FALSE(fresh.UnMapFile());
    EXPECT_FALSE(fresh.Commit());
    EXPECT_EQ(fresh.MappedFile(), "");
    EXPECT_EQ(fresh.BaseAddress(), nullptr);
    EXPECT_EQ(fresh.lMappedSize(), 0);
    EXPECT_EQ(fresh.hFile(), -1);

    const auto path = write("u.raw", wordBytes({1, 2, 3, 4}));
    CMapFile map;
    ASSERT_TRUE(map.bMapFileRead(path.string(), 2, true));
    map.SetupGetInteger(2);
    EXPECT_TRUE(map.UnMapFile());
    EXPECT_FALSE(map.UnMapFile());
    EXPECT_FALSE(processMaps(path));
    EXPECT_EQ(map.MappedFile(), "");
    EXPECT_EQ(map.hFile(), -1);
    // The record settings survive, as the next mapping of the same test relies on them.
    EXPECT_EQ(map.channelCount(), 2);
    EXPECT_TRUE(map.bTwoChannels());
}

TEST_F(MapFileTest, SecondMappingReleasesTheFirst) {
    const auto first = write("first.raw", wordBytes({1, 2, 3, 4}));
    const auto second = write("second.raw", wordBytes({9, 8, 7, 6, 5, 4}));
    CMapFile map;
    ASSERT_TRUE(map.bMapFileRead(first.string(), 2, true));
    ASSERT_TRUE(processMaps(first));
    ASSERT_TRUE(map.bMapFileRead(second.string(), 1, true));
    EXPECT_FALSE(processMaps(first));
    EXPECT_EQ(map.MappedFile(), second.string());
    EXPECT_EQ(map.lMappedSize(), 12);
    EXPECT_EQ(map.wGetNthIntAfterSetup(6), 4);
    EXPECT_FALSE(map.bTwoChannels());
}

TEST_F(MapFileTest, FailedMappingLeavesObjectUnmapped) {
    const auto good = write("good.raw", wordBytes({5, 6}));
    const auto empty = write("empty.raw", {});
    const std::string dir = m_dir.string();
    const std::string missing = (m_dir / "missing.raw").string();
    struct Case {
        const char* what;
        std::function<bool(CMapFile&)> call;
    };
    const std::vector<Case> cases = {
        {"empty path", [](CMapFile& m) { return m.bMapFileRead("", 1, true); }},
        {"missing file", [&](CMapFile& m) { return m.bMapFileRead(missing, 1, true); }},
        {"missing file, b1", [&](CMapFile& m) { return m.b1MapFileRead(missing); }},
        {"missing file, read-write", [&](CMapFile& m) { return m.MapFile(missing); }},
        {"folder", [&](CMapFile& m) { return m.bMapFileRead(dir, 1, true); }},
        {"empty file", [&](CMapFile& m) { return m.bMapFileRead(empty.string(), 1, true); }},
        {"no channels", [&](CMapFile& m) { return m.bMapFileRead(good.string(), 0, true); }},
        {"new, empty path", [](CMapFile& m) { return m.MapFileNew("", 16); }},
        {"new in missing folder",
         [&](CMapFile& m) { return m.MapFileNew((m_dir / "no" / "x.raw").string(), 16); }},
        {"paged, size 0", [](CMapFile& m) { return m.MapFileTemp(0); }},
        {"paged, 1 PiB", [](CMapFile& m) { return m.MapFileTemp(std::int64_t{1} << 50); }},
    };
    for (const auto& c : cases) {
        CMapFile map;
        ASSERT_TRUE(map.bMapFileRead(good.string(), 1, true));
        EXPECT_FALSE(c.call(map)) << c.what;
        EXPECT_FALSE(map.isMapped()) << c.what;
        EXPECT_EQ(map.MappedFile(), "") << c.what;
        EXPECT_EQ(map.lMappedSize(), 0) << c.what;
        EXPECT_FALSE(map.lastError().empty()) << c.what;
        EXPECT_EQ(map.wGetNthIntAfterSetup(1), 0) << c.what;
        EXPECT_EQ(map.GetInt(0), 0) << c.what;
    }
    EXPECT_FALSE(processMaps(good));
}

TEST_F(MapFileTest, CreatedFileReadsBackAfterCommit) {
    const auto path = m_dir / "new.raw";
    write("new.raw", std::vector<std::uint8_t>(1000, 0x55));  // replaced, not extended
    {
        CMapFile map;
        ASSERT_TRUE(map.MapFileNew(path.string(), 32)) << map.lastError();
        EXPECT_EQ(map.lMappedSize(), 32);
        EXPECT_GE(map.hFile(), 0);
        EXPECT_EQ(map.GetLng(28), 0);
        const char text[4] = {'a', 'b', 'c', 'd'};
        EXPECT_TRUE(map.PutDbl(3.25, 0));
        EXPECT_TRUE(map.PutLng(-7, 8));
        EXPECT_TRUE(map.PutInt(-2, 12));
        EXPECT_TRUE(map.PutByte(0xAB, 14));
        EXPECT_TRUE(map.PutRng(text, 16, 4));
        EXPECT_TRUE(map.Commit());
        EXPECT_TRUE(map.UnMapFile());
    }
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 32);
    EXPECT_GE(info.st_blocks * 512, 32);  // space was reserved, not left sparse

    CMapFile map;
    ASSERT_TRUE(map.bMapFileRead(path.string(), 1, false));
    EXPECT_EQ(map.dGetNthDouble(1, 1), 3.25);
    EXPECT_EQ(map.GetLng(8), -7);
    EXPECT_EQ(map.GetInt(12), -2);
    EXPECT_EQ(map.wGetNthInt(8) & 0xFF, 0xAB);
    char text[4] = {};
    ASSERT_TRUE(map.GetRng(text, 16, 4));
    EXPECT_EQ(std::string(text, 4), "abcd");
    EXPECT_EQ(map.GetDbl(24), 0.0);

    // A read-write map of the existing file changes it in place.
    ASSERT_TRUE(map.MapFile(path.string()));
    EXPECT_TRUE(map.PutInt(0x0102, 30));
    EXPECT_TRUE(map.UnMapFile());
    const auto bytes = readAll(path);
    ASSERT_EQ(bytes.size(), 32u);
    EXPECT_EQ(bytes[30], 0x02);
    EXPECT_EQ(bytes[31], 0x01);
}

TEST_F(MapFileTest, ZeroSizeCreationFailsWithoutTouchingTheFile) {
    const auto path = write("keep.raw", wordBytes({1, 2, 3}));
    for (std::int64_t size : {std::int64_t{0}, std::int64_t{-1}}) {
        CMapFile map;
        EXPECT_FALSE(map.MapFileNew(path.string(), size));
        EXPECT_FALSE(map.lastError().empty());
        EXPECT_EQ(readAll(path), wordBytes({1, 2, 3}));
    }
}

TEST_F(MapFileTest, SpaceThatCannotBeReservedFailsCleanly) {
    const auto path = m_dir / "huge.raw";
    CMapFile map;
    EXPECT_FALSE(map.MapFileNew(path.string(), std::int64_t{1} << 50));
    EXPECT_FALSE(map.isMapped());
    EXPECT_NE(map.lastError().find("huge.raw"), std::string::npos) << map.lastError();
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(MapFileTest, FileSizeLimitFailsTheReservation) {
    // Under a file-size limit the reservation itself is refused: the path a full disk takes.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 1 << 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);

    const auto path = m_dir / "limited.raw";
    CMapFile map;
    const bool mapped = map.MapFileNew(path.string(), 8 << 20);
    const std::string error = map.lastError();

    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(mapped);
    EXPECT_NE(error.find("Cannot reserve"), std::string::npos) << error;
    EXPECT_FALSE(map.isMapped());
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(MapFileTest, SizesAbove2GiBAddressCorrectly) {
    const auto path = m_dir / "big.raw";
    const std::int64_t size = (std::int64_t{3} << 30) + 6;
    {
        std::ofstream create(path, std::ios::binary);
    }
    fs::resize_file(path, static_cast<std::uintmax_t>(size));  // sparse: no disk used
    const std::int64_t offset = (std::int64_t{5} << 29) + 2;  // 2.5 GiB
    {
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(offset);
        const char word[2] = {0x21, 0x43};
        out.write(word, 2);
    }
    CMapFile map;
    ASSERT_TRUE(map.bMapFileRead(path.string(), 2, true)) << map.lastError();
    EXPECT_EQ(map.lMappedSize(), size);
    EXPECT_EQ(map.wordCount(), size / 2);
    EXPECT_EQ(map.pointsPerChannel(), size / 4);
    EXPECT_EQ(map.GetInt(offset), 0x4321);
    map.SetupGetInteger(2);
    EXPECT_EQ(map.wGetNthIntAfterSetup((offset - 2) / 4 + 1), 0x4321);
    EXPECT_EQ(map.words()[static_cast<std::size_t>(offset / 2)], 0x4321);
}

TEST_F(MapFileTest, RealsFollowTheTwoChannelRecordRule) {
    const auto path = write("reals.dat", doubleBytes({1.5, 2.5, 3.5, 4.5}));
    struct Case {
        std::int32_t channels;
        std::int64_t n;
        std::int32_t channel;
        double expected;
    };
    const std::vector<Case> cases = {
        {2, 1, 1, 2.5},  // channel 1 of a two-channel file of reals is the second real
        {2, 1, 2, 1.5},
        {2, 2, 1, 4.5},
        {2, 2, 2, 3.5},
        {1, 3, 1, 3.5},
        {1, 4, 2, 4.5},
    };
    for (const auto& c : cases) {
        CMapFile map;
        ASSERT_TRUE(map.bMapFileRead(path.string(), c.channels, false));
        EXPECT_EQ(map.recordSize(), 8 * c.channels);
        EXPECT_EQ(map.dGetNthDouble(c.n, c.channel), c.expected)
            << c.channels << " channels, record " << c.n << ", channel " << c.channel;
    }
}

TEST_F(MapFileTest, NothingMappedReadsZeroAndWritesNothing) {
    CMapFile map;
    std::array<std::int16_t, 2> pair{7, 7};
    char byte = 'x';
    EXPECT_EQ(map.GetDbl(0), 0.0);
    EXPECT_EQ(map.GetLng(0), 0);
    EXPECT_EQ(map.GetInt(0), 0);
    EXPECT_EQ(map.wGetNthInt(1), 0);
    EXPECT_EQ(map.wGetNthIntAfterSetup(1), 0);
    EXPECT_EQ(map.dGetNthDouble(1, 1), 0.0);
    map.Get2Ints(0, pair);
    EXPECT_EQ(pair[0], 0);
    EXPECT_FALSE(map.GetRng(&byte, 0, 1));
    EXPECT_FALSE(map.PutDbl(1.0, 0));
    EXPECT_FALSE(map.PutRng(&byte, 0, 1));
    EXPECT_TRUE(map.words().empty());
    EXPECT_EQ(map.pointsPerChannel(), 0);
    EXPECT_FALSE(map.adviseAccess(CMapFile::AccessHint::Random));
}

TEST_F(MapFileTest, AccessBeyondTheMappingIsRefused) {
    // A caller error: debug builds stop on the assert, others read 0 and write nothing.
    CMapFile map;
    ASSERT_TRUE(map.MapFileTemp(16));
    map.PutLng(0x11223344, 12);
    char buffer[8] = {};
    struct Case {
        const char* what;
        std::function<bool()> refused;
    };
    const std::vector<Case> cases = {
        {"GetInt at last byte", [&] { return map.GetInt(15) == 0; }},
        {"GetInt at end", [&] { return map.GetInt(16) == 0; }},
        {"GetInt at -1", [&] { return map.GetInt(-1) == 0; }},
        {"GetLng across end", [&] { return map.GetLng(13) == 0; }},
        {"GetDbl across end", [&] { return map.GetDbl(9) == 0.0; }},
        {"GetRng across end", [&] { return !map.GetRng(buffer, 10, 7); }},
        {"GetRng negative length", [&] { return !map.GetRng(buffer, 0, -1); }},
        {"PutInt at last byte", [&] { return !map.PutInt(1, 15); }},
        {"PutRng at huge offset",
         [&] { return !map.PutRng(buffer, std::numeric_limits<std::int64_t>::max(), 1); }},
        {"word 9 of 8", [&] { return map.wGetNthInt(9) == 0; }},
        {"word 0", [&] { return map.wGetNthInt(0) == 0; }},
        {"point 0", [&] { return map.wGetNthIntAfterSetup(0) == 0; }},
        {"point 9 of 8", [&] { return map.wGetNthIntAfterSetup(9) == 0; }},
        {"lowest point number",
         [&] { return map.wGetNthIntAfterSetup(std::numeric_limits<std::int64_t>::min()) == 0; }},
        {"real across end", [&] { return map.dGetNthDouble(8, 1) == 0.0; }},
        {"highest real number",
         [&] { return map.dGetNthDouble(std::numeric_limits<std::int64_t>::max(), 1) == 0.0; }},
    };
    for (const auto& c : cases) {
        EXPECT_DEBUG_DEATH(EXPECT_TRUE(c.refused()) << c.what, "beyond the mapping") << c.what;
    }
    EXPECT_EQ(map.GetLng(12), 0x11223344);
}

TEST_F(MapFileTest, MovingTransfersTheMapping) {
    const auto a = write("a.raw", wordBytes({1, 2}));
    const auto b = write("b.raw", wordBytes({3, 4}));
    CMapFile first;
    ASSERT_TRUE(first.bMapFileRead(a.string(), 2, true));
    CMapFile moved(std::move(first));
    EXPECT_FALSE(first.isMapped());  // NOLINT(bugprone-use-after-move): the moved-from state is defined
    EXPECT_EQ(first.MappedFile(), "");
    EXPECT_EQ(moved.MappedFile(), a.string());
    EXPECT_EQ(moved.wGetNthIntAfterSetup(1), 1);

    CMapFile other;
    ASSERT_TRUE(other.b1MapFileRead(b.string()));
    other = std::move(moved);
    EXPECT_FALSE(processMaps(b));
    EXPECT_EQ(other.MappedFile(), a.string());
    other.SetupGetInteger(2);
    EXPECT_EQ(other.wGetNthIntAfterSetup(1), 2);
    {
        CMapFile scoped(std::move(other));
    }
    EXPECT_FALSE(processMaps(a));
}

TEST_F(MapFileTest, AccessHintsKeepTheData) {
    const auto path = write("hint.raw", wordBytes({10, 20, 30, 40}));
    CMapFile map;
    ASSERT_TRUE(map.bMapFileRead(path.string(), 2, true));
    for (auto hint : {CMapFile::AccessHint::Random, CMapFile::AccessHint::Sequential,
                      CMapFile::AccessHint::WillNeed, CMapFile::AccessHint::Normal}) {
        EXPECT_TRUE(map.adviseAccess(hint));
    }
    map.SetupGetInteger(2);
    EXPECT_EQ(map.wGetNthIntAfterSetup(2), 40);
}

}  // namespace
