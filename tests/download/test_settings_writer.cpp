// Every key of the recorder-line map, decoded from settings bytes laid out by hand.

#include "WriterFixture.h"
#include "common/Error.h"
#include "download/SettingsIndexError.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace download::testing {
namespace {

constexpr int kCal1 = 96;
constexpr int kCal2 = 128;

int header(int t) { return 4 * t + 28; }

// --- trigger and stop ------------------------------------------------------------------------

struct PositionCase {
    const char* name;
    int slots;
    int test;
    std::array<std::uint8_t, 7> bytes;  // header bytes 0 to 6
    const char* code;                   // "TriggerPositionCode"
    std::int32_t atrig;
    std::int32_t astop;
    std::int32_t pre;
    std::int32_t slotWords;             // "NumPtsDownloaded"
};

const PositionCase kPositions[] = {
    {"OneSlot", 1, 1, {0x00, 0x10, 0x00, 0x00, 0x3F, 0x00, 0x10}, "&h0001000", 4096, 2048, 2048, 25165824},
    {"HalfStepAddsOneGroupInAHigherSlot", 16, 3, {0x20, 0x00, 0x30, 0x02, 0x01, 0x80, 0x01},
     "&h2300020", 64, 96, 0, 1572864},
    {"FlagBitsLeaveTheAddressAlone", 4, 2, {0x00, 0x01, 0x00, 0x0C, 0xFF, 0xFF, 0x1F},
     "&hC000100", 256, 0, 256, 6291456},
    {"StopAllOnesWithHalfStepIs32", 1, 1, {0xE0, 0xFF, 0xFF, 0x02, 0xFF, 0xFF, 0x0F},
     "&h2FFFFE0", 16777216, 32, 16777216, 25165824},
    {"TriggerAtTheStopWithHalfStepGives32", 8, 5, {0x20, 0x01, 0x00, 0x02, 0x08, 0x00, 0x10},
     "&h2000120", 320, 320, 32, 3145728},
    {"TriggerBeforeTheStopWrapsAroundTheSlot", 2, 2, {0x64, 0x00, 0x00, 0x00, 0xE7, 0x03, 0x00},
     "&h0000064", 100, 32000, 12551012, 12582912},
    {"PreTriggerCountStaysInsideTheSlot", 16, 16, {0xD0, 0xFF, 0x17, 0x02, 0xFE, 0xBF, 0x10},
     "&h217FFD0", 1572848, 0, 16, 1572864},
};

class Positions : public WriterFixture, public ::testing::WithParamInterface<PositionCase> {};

TEST_P(Positions, TriggerStopAndPreTriggerWords) {
    const PositionCase& c = GetParam();
    lines.setAll(header(c.test), 0, c.bytes);
    const TriggerAndStop ts = writer(c.slots).WriteTestSettings(c.test, 7);
    EXPECT_EQ(ts.atrig, c.atrig);
    EXPECT_EQ(ts.astop, c.astop);
    EXPECT_EQ(main("TriggerPositionCode"), c.code);
    EXPECT_EQ(main("ATRIG"), std::to_string(c.atrig));
    EXPECT_EQ(main("ASTOP"), std::to_string(c.astop));
    EXPECT_EQ(main("PreTriggerPts"), std::to_string(c.pre));
    EXPECT_EQ(main("NumPtsDownloaded"), std::to_string(c.slotWords));
}

INSTANTIATE_TEST_SUITE_P(Header, Positions, ::testing::ValuesIn(kPositions),
                         [](const auto& p) { return std::string(p.param.name); });

// --- flags --------------------------------------------------------------------------------

struct FlagCase {
    std::uint8_t byte3;
    std::uint8_t byte6;
    const char* ofl;
    const char* triggered;
    const char* ch1Trig;
    const char* ch2Trig;
    const char* extTrig;
    const char* stopPressed;
};

class Flags : public WriterFixture {};

TEST_F(Flags, TriggerSourcesOverflowAndStopButton) {
    const FlagCase cases[] = {
        {0x08, 0x10, "0", "T", "F", "F", "T", "F"},
        {0x18, 0x10, "0", "T", "T", "F", "F", "F"},
        {0x28, 0x00, "0", "T", "F", "T", "F", "T"},
        {0x04, 0xEF, "-1", "F", "F", "F", "F", "T"},
        {0x30, 0x1F, "0", "F", "T", "T", "F", "F"},
        {0x3E, 0x00, "-1", "T", "T", "T", "F", "T"},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "byte 3 " << int(c.byte3) << ", byte 6 " << int(c.byte6));
        lines.set(header(1), 3, {c.byte3, 0, 0, c.byte6});
        writer(1).WriteTestSettings(1, 1);
        EXPECT_EQ(main("OFL"), c.ofl);
        EXPECT_EQ(main("Triggered"), c.triggered);
        EXPECT_EQ(main("Ch1Trig"), c.ch1Trig);
        EXPECT_EQ(main("Ch2Trig"), c.ch2Trig);
        EXPECT_EQ(main("ExtTrig"), c.extTrig);
        EXPECT_EQ(main("Stop Pressed"), c.stopPressed);
    }
}

// --- codes, channels, identity ------------------------------------------------------------

class TestSettings : public WriterFixture {};

TEST_F(TestSettings, CodesAreLowNibblesLookedUpInTheTables) {
    lines.set(header(2), 16, {0xA3, 0x5B, 0xF9});  // level 3, pre-trigger 11, speed 9
    writer(2).WriteTestSettings(2, 1);
    EXPECT_EQ(main("TriggerLevelCode#"), "3");
    EXPECT_EQ(main("PercentTriggerLevel"), "20");
    EXPECT_EQ(main("Percent PreTrigger Setting"), "11");
    EXPECT_EQ(main("PercentPreTriggerTime"), "95");
    EXPECT_EQ(main("SampleSpeedCode#"), "9");
    EXPECT_EQ(main("SampleSpeedInHz"), "1000000");
}

TEST_F(TestSettings, RangeCodesSwitchChannelsOnAndCountThem) {
    struct Case {
        std::uint8_t byte19;
        const char* ch1on;
        const char* ch2on;
        const char* nrChannels;
        const char* select1;
        const char* select2;  // nullptr: no channel 2 keys
    };
    const Case cases[] = {
        {0x21, "T", "T", "2", "1", "2"},
        {0x01, "T", "F", "1", "1", nullptr},
        {0x8B, "T", "F", "1", "3", nullptr},  // bits 3 and 7 are not part of the codes
        {0x50, "F", "T", "2", "0", "5"},
        {0x00, "F", "F", "1", "0", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.byte19));
        testsupport::TempDir own;
        sets.SetCurrentSetFile(own / "test.crv");
        lines.set(header(1), 19, {c.byte19});
        lines.set(header(1), 20, {0x40, 0x06, 0x40, 0x06});  // DAC 1600 on both channels
        writer(1).WriteTestSettings(1, 1);
        EXPECT_EQ(main("Ch1on"), c.ch1on);
        EXPECT_EQ(main("Ch2on"), c.ch2on);
        EXPECT_EQ(main("NrChannels"), c.nrChannels);
        EXPECT_EQ(channel(1, "SelectCode"), c.select1);
        if (c.select2)
            EXPECT_EQ(channel(2, "SelectCode"), c.select2);
        else
            EXPECT_TRUE(common::ini::keysOf(sets.currentSetFile(), "Channel2").empty());
    }
}

TEST_F(TestSettings, ChannelRangeVoltagesAndVodFlag) {
    struct Case {
        std::uint8_t byte19;  // channel 1 off, channel 2 with the code
        const char* min;
        const char* max;
        const char* vod;
    };
    const Case cases[] = {
        {0x10, "0.0", "5.0", "True"},   {0x20, "0.0", "5.0", "False"},  {0x30, "0.0", "10.0", "False"},
        {0x40, "-2.5", "2.5", "False"}, {0x50, "-5.0", "5.0", "False"}, {0x60, "-10.0", "10.0", "False"},
    };
    lines.set(header(1), 22, {0x40, 0x06});
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.byte19));
        lines.set(header(1), 19, {c.byte19});
        writer(1).WriteTestSettings(1, 1);
        EXPECT_EQ(channel(2, "MinVoltage"), c.min);
        EXPECT_EQ(channel(2, "MaxVoltage"), c.max);
        EXPECT_EQ(channel(2, "VOD"), c.vod);
    }
    // Channel 1 is off: it is written all the same, with the values of code 0.
    EXPECT_EQ(channel(1, "SelectCode"), "0");
    EXPECT_EQ(channel(1, "MinVoltage"), "0.0");
    EXPECT_EQ(channel(1, "MaxVoltage"), "0.0");
    EXPECT_EQ(channel(1, "VOD"), "False");
    EXPECT_EQ(channel(1, "dacVT"), std::nullopt);
}

TEST_F(TestSettings, RecorderModelMeasurementLayoutSerialAndDate) {
    struct Case {
        std::array<std::uint8_t, 3> serial;
        const char* text;
    };
    const Case cases[] = {{{0x00, 0x12, 0x07}, "s1207"}, {{0x00, 0x00, 0x42}, "s0042"},
                          {{0x12, 0x34, 0x56}, "s123456"}};
    for (const Case& c : cases) {
        lines.setAll(14, 16, c.serial);
        writer(4).WriteTestSettings(3, -15);
        EXPECT_EQ(main("Serial Nr"), c.text);
    }
    EXPECT_EQ(main("DataCollector"), "Corvane");
    EXPECT_EQ(main("Measurement"), "-15");
    EXPECT_EQ(main("DV"), "7");
    EXPECT_EQ(main("Download Date"), "14:03:22, 6 December 2026");
}

TEST_F(TestSettings, MainKeysInWritingOrder) {
    writer(1).WriteTestSettings(1, 1);
    const std::vector<std::string> expected{
        "DataCollector",     "Measurement",   "TriggerPositionCode", "ATRIG",
        "ASTOP",             "Percent PreTrigger Setting",           "PercentPreTriggerTime",
        "PreTriggerPts",     "NumPtsDownloaded",                     "SampleSpeedCode#",
        "SampleSpeedInHz",   "TriggerLevelCode#",                    "PercentTriggerLevel",
        "OFL",               "Ch1on",         "Ch2on",               "NrChannels",
        "Triggered",         "Ch1Trig",       "Ch2Trig",             "ExtTrig",
        "Stop Pressed",      "DV",            "Serial Nr",           "Download Date"};
    EXPECT_EQ(common::ini::keysOf(sets.currentSetFile(), "settings"), expected);
}

// --- calibration --------------------------------------------------------------------------

class Calibration : public WriterFixture {
protected:
    Calibration() {
        lines.set(kCal1, 16, {0x12, 0x34, 0x56,                           // RSRF
                              0x04, 0x70,                                 // RP
                              0xC0, 0x12, 0x34, 0x01, 0x00, 0x00, 0x00,   // range codes 1 and 2
                              0x00, 0x00, 0x50, 0x00, 0x99, 0x87, 0x65,   // 3
                              0xC1, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,   // 4
                              0x09, 0x99, 0x99, 0x00, 0x00, 0x00, 0x01,   // 5
                              0xC0, 0x00, 0x07, 0x02, 0x50, 0x00, 0x00}); // 6
        lines.set(kCal2, 16, {0x00, 0x10, 0x00, 0x12, 0x34, 0x00, 0x00, 0x01, 0x00, 0x99, 0x99, 0x99});
        lines.set(header(1), 19, {0x22});
    }
};

TEST_F(Calibration, EveryKeyOfTheBlock) {
    writer(1).WriteTestSettings(1, 1);
    struct Case {
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"RSRF", "123456"}, {"RP", "470"},   {"VFS1", "-1234"}, {"VFS2", "-1234"},
        {"VFS3", "50"},     {"VFS4", "-10000"}, {"VFS5", "99999"}, {"VFS6", "-7"},
        {"KS1", "1000000"}, {"KS2", "1000000"}, {"KS3", "998765"}, {"KS4", "1000100"},
        {"KS5", "1"},       {"KS6", "2500000"},
    };
    for (const Case& c : cases) EXPECT_EQ(channel(1, c.key), c.value) << c.key;
}

TEST_F(Calibration, ChannelTwoReadsItsOwnBlockAndRpIsCappedAt999) {
    writer(1).WriteTestSettings(1, 1);
    EXPECT_EQ(channel(2, "RSRF"), "1000");
    EXPECT_EQ(channel(2, "RP"), "999");  // stored 1234
    EXPECT_EQ(channel(2, "VFS1"), "1");
    EXPECT_EQ(channel(2, "VFS2"), "1");
    EXPECT_EQ(channel(2, "KS1"), "999999");
    EXPECT_EQ(channel(2, "KS2"), "999999");
}

// --- threshold voltage table --------------------------------------------------------------

class VoltageTableTest : public WriterFixture {};

TEST_F(VoltageTableTest, EntryPositionsAcrossLinesAndChannels) {
    struct Case {
        int h;
        int ch;
        int line;
        int firstByte;
    };
    const Case cases[] = {
        {1576, 1, 98, 0},   {1580, 1, 98, 3},   {1600, 1, 98, 18}, {1603, 1, 98, 18},
        {1656, 1, 98, 60},  {1660, 1, 99, 0},   {4092, 1, 127, 60}, {4095, 1, 127, 60},
        {1576, 2, 130, 0},  {1744, 2, 132, 0},  {4092, 2, 159, 60},
    };
    for (const Case& c : cases) {
        FakeLines own;
        own.set(c.line, c.firstByte, {0x01, 0x23, 0x45});
        SettingsWriter w(sets, own, 1);
        EXPECT_EQ(w.VoltageTable(c.h, c.ch), 12345) << c.h << " channel " << c.ch;
    }
}

TEST_F(VoltageTableTest, DacValuesOutsideTheTableAreIndexErrors) {
    SettingsWriter w = writer(1);
    for (int h : {1575, 1572, 1492, 0, -4, 4096, 16380})
        EXPECT_THROW(w.VoltageTable(h, 1), SettingsIndexError) << h;
    EXPECT_THROW(w.VoltageTable(1576, 3), std::invalid_argument);
}

TEST_F(VoltageTableTest, DacBetweenEntriesWritesBothNeighbours) {
    lines.set(header(1), 19, {0x11});
    lines.set(header(1), 20, {0x43, 0xC6, 0x40, 0x06});  // 1603 (top bits dropped), 1600
    lines.set(98, 18, {0x00, 0x25, 0x01, 0x00, 0x25, 0x06});  // entries 1600 and 1604
    lines.set(130, 18, {0x00, 0x30, 0x00, 0x00, 0x30, 0x05});
    writer(1).WriteTestSettings(1, 1);
    EXPECT_EQ(channel(1, "dacVT"), "1603");
    EXPECT_EQ(channel(1, "VT1600"), "2501");
    EXPECT_EQ(channel(1, "VT1604"), "2506");
    EXPECT_EQ(channel(2, "dacVT"), "1600");
    EXPECT_EQ(channel(2, "VT1600"), "3000");
    EXPECT_EQ(channel(2, "VT1604"), std::nullopt);
}

// --- failures -----------------------------------------------------------------------------

class Failures : public WriterFixture {};

TEST_F(Failures, CodeWithoutTableEntryEndsTheTestKeepingWhatWasWritten) {
    struct Case {
        const char* name;
        int byte;
        std::uint8_t value;
        std::string writtenSection;
        const char* written;  // the key just before the look-up
        std::string missingSection;
        const char* missing;  // the key of the look-up
    };
    const Case cases[] = {
        {"pre-trigger 13", 17, 0x0D, "settings", "Percent PreTrigger Setting", "settings", "PercentPreTriggerTime"},
        {"sample speed 12", 18, 0x0C, "settings", "SampleSpeedCode#", "settings", "SampleSpeedInHz"},
        {"trigger level 15", 16, 0x0F, "settings", "TriggerLevelCode#", "settings", "PercentTriggerLevel"},
        {"range 7 on channel 1", 19, 0x07, "Channel1", "SelectCode", "Channel1", "MinVoltage"},
        {"range 7 on channel 2", 19, 0x72, "Channel1", "VOD", "Channel2", "MinVoltage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir own;
        const auto file = own / "test.crv";
        sets.SetCurrentSetFile(file);
        FakeLines bad;
        bad.set(header(1), c.byte, {c.value});
        SettingsWriter w(sets, bad, 1, [] { return LocalDateTime{}; });
        EXPECT_THROW(w.WriteTestSettings(1, 1), SettingsIndexError);
        EXPECT_TRUE(common::ini::readValue(file, c.writtenSection, c.written).has_value());
        EXPECT_FALSE(common::ini::readValue(file, c.missingSection, c.missing).has_value());
    }
}

TEST_F(Failures, MeasurementZeroRaises3341With101AfterWritingIt) {
    try {
        writer(1).WriteTestSettings(1, 0);
        FAIL() << "no error";
    } catch (const common::Error& e) {
        EXPECT_EQ(e.number(), 3341);
        EXPECT_EQ(e.source(), "Pln download");
        EXPECT_EQ(e.description(), "PellionNotFound Error 101");
    }
    EXPECT_EQ(main("DataCollector"), "Corvane");
    EXPECT_EQ(main("Measurement"), "0");
    EXPECT_EQ(main("TriggerPositionCode"), std::nullopt);
}

TEST_F(Failures, UnreadableLineKeepsTheKeysBeforeIt) {
    lines.makeUnreadable(14);
    EXPECT_THROW(writer(1).WriteTestSettings(1, 1), common::Error);
    EXPECT_EQ(main("Stop Pressed"), "T");  // byte 6 bit 4 is 0
    EXPECT_EQ(main("DV"), "7");
    EXPECT_EQ(main("Serial Nr"), std::nullopt);
}

TEST_F(Failures, SlotCountsAndTestNumbersOutsideTheDirectoryWriteNothing) {
    struct Case {
        int slots;
        int test;
    };
    for (const Case& c : {Case{3, 1}, Case{0, 1}, Case{32, 1}, Case{4, 5}, Case{4, 0}, Case{16, 17}}) {
        EXPECT_THROW(writer(c.slots).WriteTestSettings(c.test, 1), SettingsIndexError)
            << c.slots << " slots, test " << c.test;
        EXPECT_THROW(writer(c.slots).WriteInitialSamples(c.test), SettingsIndexError);
    }
    EXPECT_FALSE(std::filesystem::exists(sets.currentSetFile()));
}

// --- initial samples ----------------------------------------------------------------------

class InitialSamples : public WriterFixture {};

TEST_F(InitialSamples, BigEndianWordsAlternateBetweenChannels) {
    for (int t : {1, 16}) {
        SCOPED_TRACE(t);
        const int n = 4 * t + 30;
        lines.set(n, 0, {0x12, 0x34, 0xFF, 0xFF, 0x40, 0x01});
        lines.set(n, 62, {0x0A, 0xBC});
        writer(16).WriteInitialSamples(t);
        EXPECT_EQ(channel(1, "VS0"), "4660");
        EXPECT_EQ(channel(2, "VS0"), "16383");
        EXPECT_EQ(channel(1, "VS1"), "1");  // marker bit 14 dropped
        EXPECT_EQ(channel(2, "VS15"), "2748");
        EXPECT_EQ(channel(1, "VS15"), "0");
        EXPECT_EQ(common::ini::keysOf(sets.currentSetFile(), "Channel1").size(), 16u);
        EXPECT_EQ(common::ini::keysOf(sets.currentSetFile(), "Channel2").size(), 16u);
    }
}

}  // namespace
}  // namespace download::testing
