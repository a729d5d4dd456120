#include "analysis/files/clasSetFileEC.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <limits>
#include <stdexcept>

#include "common/Error.h"
#include "common/Ini.h"
#include "common/IniFunctions.h"
#include "support/TempDir.h"

namespace {

using files::clasSetFileEC;
using testsupport::readFile;
using testsupport::writeFile;

class SetFileTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::filesystem::path path = dir / "Test01.crv";
    clasSetFileEC set;

    void SetUp() override { set.Setup(path.string()); }
    void write(const std::string& content) { writeFile(path, content); }
};

// The error an operation raises, or nothing when it returns.
std::optional<common::Error> errorOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const common::Error& e) {
        return e;
    }
    return std::nullopt;
}

void expectError(const std::function<void()>& operation, long number,
                 const std::string& description) {
    const auto error = errorOf(operation);
    ASSERT_TRUE(error.has_value()) << "no error, expected " << description;
    EXPECT_EQ(error->number(), number);
    EXPECT_EQ(error->source(), "Set File Object");
    EXPECT_EQ(error->description(), description);
}

// --- names ----------------------------------------------------------------------------------

TEST(SetFileNames, DerivedFromTheFileNameNotTheFolders) {
    struct Case {
        const char *path, *noPath, *ext, *dotAtEnd, *raw, *cmp;
    };
    const std::vector<Case> cases = {
        {"/data/Test01.crv", "Test01.crv", "crv", "Test01.", "/data/Test01.raw", "/data/Test01.cmp"},
        {"/home/a.b/tests/Test01.crv", "Test01.crv", "crv", "Test01.",
         "/home/a.b/tests/Test01.raw", "/home/a.b/tests/Test01.cmp"},
        {"Test01.qd2", "Test01.qd2", "qd2", "Test01.", "Test01.raw", "Test01.cmp"},
        {"/d/CV2026Dec001_01.v2.plr", "CV2026Dec001_01.v2.plr", "plr", "CV2026Dec001_01.",
         "/d/CV2026Dec001_01.raw", "/d/CV2026Dec001_01.cmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        clasSetFileEC set;
        set.Setup(c.path);
        EXPECT_EQ(set.sSetFileName(), c.path);
        EXPECT_EQ(set.sSetFileNameNoPath(), c.noPath);
        EXPECT_EQ(set.sFileExtension(), c.ext);
        EXPECT_EQ(set.sGetNameNoPathNoExtDotAtEnd(), c.dotAtEnd);
        EXPECT_EQ(set.sGetLongRawName(), c.raw);
        EXPECT_EQ(set.sGetLongCmpName(), c.cmp);
        EXPECT_EQ(set.sGetShortCmpName(), c.cmp);
    }
}

TEST(SetFileNames, CustomFileNamesByKindAndNumber) {
    struct Case {
        std::int32_t kind, number;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {70101, 5, "/home/a.b/Test01.r05"},   {70101, 0, "/home/a.b/Test01.r00"},
        {70101, 99, "/home/a.b/Test01.r99"},  {70101, 105, "/home/a.b/Test01.s05"},
        {70101, 205, "/home/a.b/Test01.t05"}, {70101, 300, "/home/a.b/Test01.t100"},
        {70102, 5, "/home/a.b/Test01.m05"},   {70102, 150, "/home/a.b/Test01.n50"},
        {70102, 250, "/home/a.b/Test01.k50"}, {70103, 5, "/home/a.b/Test01.e5"},
        {70103, 100, "/home/a.b/Test01.f0"},  {70103, 212, "/home/a.b/Test01.g12"},
        {70111, 7, "/home/a.b/Test01.ml07"},  {70111, 150, "/home/a.b/Test01.ml150"},
        {70112, 7, "/home/a.b/Test01.mv07"},  {70113, 1, "/home/a.b/Test01_asc_data.txt"},
        {70114, 1, "/home/a.b/Test01_asc_info.txt"},
        {70115, 1, "/home/a.b/Test01_asc_complete.txt"},
        {70104, 1, ""},                        {0, 1, ""},
    };
    clasSetFileEC set;
    set.Setup("/home/a.b/Test01.crv");
    for (const auto& c : cases)
        EXPECT_EQ(set.sCustomFileName(c.kind, c.number), c.expected) << c.kind << " " << c.number;

    for (const std::int32_t bad : {301, 1000, -1}) {
        const auto error = errorOf([&] { set.sCustomFileName(70101, bad); });
        ASSERT_TRUE(error.has_value()) << bad;
        EXPECT_EQ(error->number(), 3001);
        EXPECT_EQ(error->source(), "Set File Object");
    }
}

TEST(SetFileNames, Sections) {
    EXPECT_EQ(clasSetFileEC::sChannelSection(2), "Channel2");
    EXPECT_EQ(clasSetFileEC::sEventSection(12), "Event12");
}

// --- reads ----------------------------------------------------------------------------------

TEST_F(SetFileTest, NoDataReadsAsMissing) {
    write("[settings]\nEventTitle=No DATA\nA=no data\n");
    expectError([&] { set.sGetMainStr("EventTitle"); }, 3242, "String not found in settingsEventTitle");
    expectError([&] { set.sGetMainStr("A"); }, 3242, "String not found in settingsA");
    EXPECT_EQ(set.lMainLongWithDefault("A", 4), 4);
}

TEST_F(SetFileTest, SectionNamesIgnoreCaseButNotBlanks) {
    write("[channel1]\nSelectCode=1\n[Channel 2]\nSelectCode=1\n");
    EXPECT_EQ(set.sGetChannelStr(1, "selectcode"), "1");
    expectError([&] { set.sGetChannelStr(2, "SelectCode"); }, 3242,
                "String not found in Channel2SelectCode");
}

TEST_F(SetFileTest, SkipChannelOnlyForAnExactF) {
    struct Case {
        const char* value;
        int channel;
        bool skipped;
    };
    const std::vector<Case> cases = {
        {"F", 1, true},      {"f", 1, true},  {"False", 1, false}, {"T", 1, false},
        {"", 1, false},      {" F ", 1, true}, {"F", 2, true},      {"F", 3, false},
        {"no data", 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.value) + " channel " + std::to_string(c.channel));
        write("[settings]\nCh1on=" + std::string(c.value) + "\nCh2on=" + c.value +
              "\nCh3on=" + c.value + "\n");
        EXPECT_EQ(set.bSkipChannel(c.channel), c.skipped);
    }
    write("[settings]\n");
    EXPECT_FALSE(set.bSkipChannel(1));
}

TEST_F(SetFileTest, SettingTrueByTheFirstCharacter) {
    write("[settings]\na=True\nb=T\nc=t\nd=Tx\ne=F\nf=False\ng=\n");
    const std::vector<std::pair<const char*, bool>> cases = {
        {"a", true},  {"b", true},  {"c", true},  {"d", true},
        {"e", false}, {"f", false}, {"g", false}, {"missing", false},
    };
    for (const auto& [key, expected] : cases) EXPECT_EQ(set.bIsSettingTrue("settings", key), expected) << key;
    EXPECT_FALSE(set.bIsSettingTrue("no such section", "a"));
}

TEST_F(SetFileTest, RealsReadWithPointOrComma) {
    write("[Channel1]\ncomma=1,5\npoint=1.5\ntwo=1.5.2\nhuge=1e400\nword=abc\n");
    EXPECT_EQ(set.dGetChannelDouble(1, "comma"), 1.5);
    EXPECT_EQ(set.dGetChannelDouble(1, "point"), 1.5);
    expectError([&] { set.dGetChannelDouble(1, "two"); }, 3245, "Invalid number at Channel1two");
    expectError([&] { set.dGetChannelDouble(1, "huge"); }, 3245, "Invalid number at Channel1huge");
    expectError([&] { set.dGetChannelDouble(1, "none"); }, 3242, "String not found in Channel1none");
    EXPECT_EQ(set.dChannelDoubleWithDefault(1, "word", 7.5), 7.5);
    EXPECT_EQ(set.dChannelDoubleWithDefault(1, "none", 7.5), 7.5);

    double value = 42.0;
    EXPECT_FALSE(set.GetChannelDoubleCheckFound(1, "two", value));
    EXPECT_EQ(value, 42.0);
    EXPECT_FALSE(set.GetChannelDoubleCheckFound(1, "none", value));
    EXPECT_EQ(value, 42.0);
    EXPECT_TRUE(set.GetChannelDoubleCheckFound(1, "comma", value));
    EXPECT_EQ(value, 1.5);
}

TEST_F(SetFileTest, IntegersOfBothWidths) {
    write("[settings]\nNrChannels=2\nhalf=2.5\nbig=99999999999\nwide=70000\nword=two\n"
          "negative=-32768\n");
    EXPECT_EQ(set.wNrChannels(), 2);
    EXPECT_EQ(set.lGetSetLongInt("settings", "half"), 2);
    EXPECT_EQ(set.wMainInt("negative"), -32768);
    expectError([&] { set.lGetSetLongInt("settings", "big"); }, 3242,
                "Integer not found in settingsbig");
    expectError([&] { set.lGetSetLongInt("settings", "word"); }, 3242,
                "Integer not found in settingsword");
    expectError([&] { set.lGetSetLongInt("settings", "none"); }, 3242,
                "String not found in settingsnone");
    EXPECT_EQ(set.lGetSetLongInt("settings", "wide"), 70000);
    // The 16-bit read turns every failure, a missing key too, into "Integer not found".
    for (const char* key : {"wide", "big", "word", "none"})
        expectError([&] { set.wMainInt(key); }, 3242, std::string("Integer not found in settings") + key);

    EXPECT_EQ(set.wMainIntWithDefault("wide", 9), 9);
    EXPECT_EQ(set.wMainIntWithDefault("NrChannels", 9), 2);
    EXPECT_EQ(set.lMainLongWithDefault("big", -1), -1);
    EXPECT_EQ(set.lMainLongWithDefault("wide", -1), 70000);
    EXPECT_EQ(set.wGetIntOrZero("settings", "wide"), 0);
    EXPECT_EQ(set.wGetIntOrZero("settings", "none"), 0);
    EXPECT_EQ(set.wGetIntOrZero("settings", "NrChannels"), 2);
}

TEST_F(SetFileTest, EventAndChannelReads) {
    write("[Event3]\nEventChannelNr=2\nStartTimeInMilliSec=-0,25\n[Channel2]\nRP=120\n");
    EXPECT_EQ(set.sGetEventStr(3, "EventChannelNr"), "2");
    EXPECT_EQ(set.wEventInt(3, "EventChannelNr"), 2);
    EXPECT_EQ(set.dGetEventDouble(3, "StartTimeInMilliSec"), -0.25);
    EXPECT_EQ(set.lEventLongWithDefault(4, "EventChannelNr", 1), 1);
    EXPECT_EQ(set.dEventDoubleWithDefault(3, "EndTimeMilliSec", 9.0), 9.0);
    double value = 0;
    EXPECT_TRUE(set.GetEventDoubleCheckFound(3, "StartTimeInMilliSec", value));
    EXPECT_EQ(value, -0.25);
    EXPECT_EQ(set.lChannelLong(2, "RP"), 120);
    EXPECT_EQ(set.wChannelInt(2, "RP"), 120);
    EXPECT_EQ(set.lChannelLongWithDefault(1, "RP", 5), 5);
}

TEST_F(SetFileTest, CommentKeepsItsLines) {
    write("[settings]\n");
    common::WriteIniText(path, "settings", "FileComment", "first\r\nsecond");
    EXPECT_NE(readFile(path).find("FileComment=first[nl]second\n"), std::string::npos);
    EXPECT_EQ(set.sComment(), "first\r\nsecond");
    write("[settings]\n");
    EXPECT_EQ(set.sComment(), "");
}

TEST_F(SetFileTest, ModelTestsNeedTheModel) {
    write("[settings]\nNrChannels=2\n");
    for (const auto& test : std::vector<std::function<void()>>{
             [&] { set.bIsCorvane(); }, [&] { set.bIsPellion(); }, [&] { set.bIsQuiddor(); },
             [&] { set.bIsVODchannel(1); }})
        expectError(test, 3242, "String not found in settingsDataCollector");

    write("[settings]\nDataCollector=corvane\n");
    EXPECT_FALSE(set.bIsCorvane());  // the model name is compared exactly
    write("[settings]\nDataCollector=Corvane\n");
    EXPECT_TRUE(set.bIsCorvane());
    EXPECT_FALSE(set.bIsPellion());
}

TEST_F(SetFileTest, VodChannelByModel) {
    struct Case {
        std::string content;
        int channel;
        bool vod;
    };
    const std::vector<Case> cases = {
        {"[settings]\nDataCollector=Quiddor\n", 3, true},
        {"[settings]\nDataCollector=Pellion\n[Channel1]\nPellionVOD=True\nSelectCode=2\n", 1, true},
        {"[settings]\nDataCollector=Pellion\n[Channel1]\nPellionVOD=False\nSelectCode=1\n", 1, false},
        {"[settings]\nDataCollector=Corvane\n[Channel1]\nSelectCode=1\n", 1, true},
        {"[settings]\nDataCollector=Corvane\n[Channel1]\nSelectCode=1\nVOD=False\n", 1, true},
        {"[settings]\nDataCollector=Corvane\n[Channel2]\nSelectCode=6\nVOD=True\n", 2, false},
        {"[settings]\nDataCollector=Corvane\n", 1, false},
        {"[settings]\nDataCollector=Corvane\n[Channel1]\nSelectCode=one\n", 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        write(c.content);
        EXPECT_EQ(set.bIsVODchannel(c.channel), c.vod);
    }
}

TEST_F(SetFileTest, CalibrationAndPalmCodes) {
    write("[settings]\nCTN=12\n[PalmCodes]\nPS007=44\nPS100=5\n");
    EXPECT_EQ(set.lCalibTestNr(), 12);
    EXPECT_EQ(set.lPalmCodeSettingNrValue(7), 44);
    EXPECT_EQ(set.lPalmCodeSettingNrValue(100), 5);
    expectError([&] { set.lPalmCodeSettingNrValue(8); }, 3242, "String not found in PalmCodesPS008");
    write("[settings]\n");
    EXPECT_EQ(set.lCalibTestNr(), 0);
}

// --- writes ---------------------------------------------------------------------------------

TEST_F(SetFileTest, CountersStartAtOneAndCount) {
    write("[Channel1]\nNrRemoved=7\nbad=x\n");
    EXPECT_EQ(set.lRead_Increment_Return("Channel1", "New"), 1);
    EXPECT_EQ(common::ini::readValue(path, "Channel1", "New"), "1");
    EXPECT_EQ(set.lRead_Increment_Return("Channel1", "NrRemoved"), 8);
    EXPECT_EQ(common::ini::readValue(path, "Channel1", "NrRemoved"), "8");
    EXPECT_EQ(set.wRead_Increment_Return("Channel1", "bad"), 1);
    EXPECT_EQ(set.wRead_Increment_Return("Channel1", "bad"), 2);
}

TEST_F(SetFileTest, CounterAtItsWidthLimitIsNotReset) {
    write("[Channel1]\nw=32767\n");
    const std::string before = readFile(path);
    EXPECT_THROW(set.wRead_Increment_Return("Channel1", "w"), std::overflow_error);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(set.lRead_Increment_Return("Channel1", "w"), 32768);
}

TEST_F(SetFileTest, WritesLandAtOnceAndTwoAccessorsShareThem) {
    clasSetFileEC other;
    other.Setup(path.string());
    set.WriteMainStr("Length unit for unit resistance", "m");
    set.WriteChannelStr(1, "Unit resistance", "10.8");
    set.WriteEventStr(2, "EventTitle", "Peak");
    set.WriteStrInCurSet("AnalysisGraph_1", "Y units", "MPa");
    EXPECT_EQ(other.sGetMainStr("Length unit for unit resistance"), "m");
    EXPECT_EQ(other.dGetChannelDouble(1, "Unit resistance"), 10.8);
    EXPECT_EQ(other.sGetEventStr(2, "EventTitle"), "Peak");
    EXPECT_EQ(other.sCurSetStr("AnalysisGraph_1", "Y units"), "MPa");
}

TEST_F(SetFileTest, VodOffsetRoundTrips) {
    write("[Channel2]\n");
    EXPECT_EQ(set.dVODoffset(2), 0.0);
    set.SetVODoffset(0.1, 2);
    EXPECT_EQ(common::ini::readValue(path, "Channel2", "VOD offset"), "0.1");
    EXPECT_EQ(set.dVODoffset(2), 0.1);
    set.SetVODoffset(-1.0 / 3.0, 2);
    EXPECT_EQ(set.dVODoffset(2), -1.0 / 3.0);
}

TEST_F(SetFileTest, AFailedWriteIsReported) {
    clasSetFileEC lost;
    lost.Setup((dir / "no such folder" / "Test01.crv").string());
    EXPECT_THROW(lost.WriteMainStr("CTN", "1"), common::IoError);
    EXPECT_THROW(lost.lRead_Increment_Return("settings", "CTN"), common::IoError);
    EXPECT_THROW(set.WriteMainStr("FileComment", "two\nlines"), std::invalid_argument);
}

TEST_F(SetFileTest, AWriteIntoAReadOnlyFolderIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
    write("[settings]\nCTN=1\n");
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    EXPECT_THROW(set.WriteMainStr("CTN", "2"), common::IoError);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(set.sGetMainStr("CTN"), "1");
}

// --- bad files ------------------------------------------------------------------------------

TEST_F(SetFileTest, GarbageFilesGiveNumberedErrorsNotCrashes) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131 + 7) % 256));
    const std::vector<std::string> contents = {
        binary,
        std::string("[settings]\nNrChannels=2\0\0\0\nDataCollector=Corv\0ane\n", 50),
        std::string("\0\0\0\0", 4),
        "NrChannels=2\nDataCollector=Corvane\n",  // keys outside any section
        "",
    };
    for (std::size_t i = 0; i < contents.size(); ++i) {
        SCOPED_TRACE(i);
        write(contents[i]);
        const auto nr = errorOf([&] { set.wNrChannels(); });
        ASSERT_TRUE(nr.has_value());
        EXPECT_EQ(nr->number(), 3242);
        const auto model = errorOf([&] { set.bIsCorvane(); });
        if (model) EXPECT_EQ(model->number(), 3242);
        else EXPECT_FALSE(set.bIsCorvane());
        EXPECT_FALSE(set.bIsSettingTrue("settings", "Triggered"));
        EXPECT_EQ(set.lMainLongWithDefault("SampleSpeedInHz", -7), -7);
        EXPECT_EQ(set.sComment(), "");
    }
}

TEST_F(SetFileTest, MissingFileReadsAsMissingKeys) {
    expectError([&] { set.wNrChannels(); }, 3242, "Integer not found in settingsNrChannels");
    expectError([&] { set.dGetSetDouble("settings", "x"); }, 3242, "String not found in settingsx");
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
