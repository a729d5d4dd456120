#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "analysis/files/CreateTable.h"
#include "common/Error.h"
#include "common/ScriptedPrompt.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// Sixteen initial signal codes averaging 8191.5, which is 2.5 V at 5 / 16383 V per code.
std::string initialSignal(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += "VS" + std::to_string(i) + "=" + (i < count / 2 ? "8191" : "8192") + "\n";
    return lines;
}

const std::string kCorvaneVOD = "[settings]\nDataCollector=Corvane\nNrChannels=2\n"
                                "[Channel1]\nSelectCode=1\nKS1=1000000\nVFS1=0\nRSRF=10000\n"
                                "dacVT=40\nVT40=500000\nUnit resistance=1\n" +
                                initialSignal(16);

const std::string kPellionVOD = "[settings]\nDataCollector=Pellion\nNrChannels=2\n"
                                "[Channel1]\nPellionVOD=True\nVSKM=1000000\nVSFM=0\nRSRF=10000\n"
                                "VT=5000000\nUnit resistance=2\n" +
                                initialSignal(8);

// The second layout: Rin 100 ohms, Rp 0.5 ohms, FM 0.1 V.
const std::string kPellionInputResistance =
    "[Channel1]\nPellionVOD=True\nVSKM=1000000\nVSFM=100000\nRSRF=10000\nPN_RP=500\n"
    "PN_RIN=100\nVT=5000000\nUnit resistance=2\n" +
    initialSignal(8);

std::string withValue(std::string ini, const std::string& key, const std::string& value) {
    const std::size_t at = ini.find("\n" + key + "=");
    if (at == std::string::npos) return ini + key + "=" + value + "\n";
    const std::size_t end = ini.find('\n', at + 1);
    return ini.replace(at + 1, end - at - 1, key + "=" + value);
}

std::string without(std::string ini, const std::string& key) {
    const std::size_t at = ini.find("\n" + key + "=");
    return at == std::string::npos ? ini : ini.erase(at + 1, ini.find('\n', at + 1) - at);
}

class ChannelTables : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    common::ScriptedPrompt prompt;

    files::ChannelTable build(const std::string& ini, const std::string& extension, int channel = 1) {
        const fs::path file = dir / ("Test01." + extension);
        testsupport::writeFile(file, ini);
        files::clasSetFileEC setFile;
        setFile.Setup(file.string());
        return files::CreateChannelTable(setFile, channel, prompt);
    }
};

struct Entries {
    const char* name;
    std::string ini;
    std::string extension;
    std::vector<std::pair<int, double>> expected;  // code, value (hand-computed)
};

TEST_F(ChannelTables, EveryFormulaGivesItsValues) {
    const std::string scope = "[settings]\nDataCollector=Corvane\n[Channel2]\nSelectCode=4\n"
                              "MinVoltage=-2.5\nMaxVoltage=2.5\n";
    const std::string pellionScope = "[settings]\nDataCollector=Pellion\n[Channel2]\n"
                                     "MinVoltage=0\nMaxVoltage=10\nVSKM=2000000\nVSFM=1000000\n";
    const std::vector<Entries> cases = {
        {"two-channel scope, KS 1, VFS 0", scope + "KS4=1000000\nVFS4=0\n", "crv",
         {{0, -2.5}, {16383, 2.5}, {8191, -2.5 + 8191 * 5.0 / 16383}}},
        // VFS is subtracted before the division by KS: (-2.5 - 0.5) / 2.
        {"two-channel scope, KS 2, VFS 0.5 V", scope + "KS4=2000000\nVFS4=500000\n", "crv",
         {{0, -1.5}, {16383, 1.0}}},
        // (Min + c (Max - Min) / 16383 - FM) / KM with FM 1 V, KM 2.
        {"smaller recorder's scope", pellionScope, "plr", {{0, -0.5}, {16383, 4.5}}},
        // Threshold 5 V, Rref 10 ohms, Vs 2.5 V, UR 1: 0 V gives 10 x (1 - 0) = 10; codes at
        // or above Vs give 0; code 4096 is 1.250076 V: 10 x (1 - V / (5 - V)).
        {"two-channel VOD", kCorvaneVOD, "crv",
         {{0, 10.0}, {4096, 6.666395377227965}, {8192, 0.0}, {16383, 0.0}}},
        // KS 2, VFS 0.1 V, UR 2: V = c step / KS - VFS, so Vs = 1.15 V and code 0 reads -0.1 V.
        {"two-channel VOD, KS 2, VFS 0.1 V",
         withValue(withValue(withValue(kCorvaneVOD, "KS1", "2000000"), "VFS1", "100000"),
                   "Unit resistance", "2"),
         "crv", {{0, 1.5915457091927678}, {4096, 0.9068666887234594}, {16383, 0.0}}},
        // Threshold 2 V below Vs 2.5 V: high codes are capped at 0.999 x 2 V and stay finite:
        // 10 x (2.5 / -0.5 - 1.998 / 0.002) = -10040.
        {"two-channel VOD capped near the threshold", withValue(kCorvaneVOD, "VT40", "200000"),
         "crv", {{0, -50.0}, {16383, -10040.0}}},
        // Vs = (mean step - FM) x KM = 2.5 V, R0 = 10 x 2.5 / 2.5 = 10, UR 2.
        {"smaller recorder's VOD, first layout", kPellionVOD, "plr", {{0, 5.0}, {16383, 0.0}}},
        // KM 2, FM 0.5 V: KM multiplies in Vs = (2.5 - 0.5) x 2 = 4 V (R0 = 40) but divides in
        // V = (0.5 + c step) / 2.
        {"smaller recorder's VOD, KM multiplies in Vs only",
         withValue(withValue(kPellionVOD, "VSKM", "2000000"), "VSFM", "500000"), "plr",
         {{0, 19.736842105263158}, {8000, 17.91628653086991}, {16383, 13.88888888888889}}},
        {"smaller recorder's VOD, layout 2",
         "[settings]\nDataCollector=Pellion\nDV=2\n" + kPellionInputResistance, "plr",
         {{0, 4.690984731514838}, {8000, 0.2197990347959804}, {16383, 179.59770114942592}}},
        // KM 1.2 lies outside 0.9 .. 1.1 and is taken as 1.
        {"smaller recorder's VOD, layout 6, KM out of range",
         "[settings]\nDataCollector=Pellion\nDV=6\n" +
             withValue(kPellionInputResistance, "VSKM", "1200000"),
         "plr", {{0, 4.690984731514838}, {8000, 0.2197990347959804}, {16383, 179.59770114942592}}},
        // Layout 4 is not one of 2, 3, 6: the first form, which ignores Rin and Rp.
        {"smaller recorder's VOD, layout 4",
         "[settings]\nDataCollector=Pellion\nDV=4\n" + kPellionInputResistance, "plr",
         {{0, 4.5133437990580845}, {8000, 0.0}, {16383, 0.0}}},
    };
    for (const Entries& c : cases) {
        SCOPED_TRACE(c.name);
        const int channel = c.ini.find("[Channel2]") != std::string::npos ? 2 : 1;
        const files::ChannelTable table = build(c.ini, c.extension, channel);
        ASSERT_EQ(table.status, files::TableStatus::Built) << table.reason;
        ASSERT_EQ(table.values.size(), 16384u);
        EXPECT_EQ(table.count, 16383);
        for (const auto& [code, value] : c.expected)
            EXPECT_NEAR(table[static_cast<std::size_t>(code)], value, 1e-9 * std::max(1.0, std::abs(value)))
                << "code " << code;
        for (double v : table.values) ASSERT_TRUE(std::isfinite(v));
    }
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(ChannelTables, ThresholdVoltageInterpolatesBetweenCalibrationPoints) {
    struct Case {
        int dacVT;
        double volts;
    };
    const std::string ini = "[Channel1]\nVT40=400000\nVT44=600000\nVT48=800000\n";
    for (const Case& c : {Case{40, 4.0}, Case{42, 5.0}, Case{43, 5.5}, Case{44, 6.0}, Case{45, 6.5}}) {
        testsupport::writeFile(dir / "t.crv", withValue(ini, "dacVT", std::to_string(c.dacVT)));
        files::clasSetFileEC setFile;
        setFile.Setup((dir / "t.crv").string());
        EXPECT_DOUBLE_EQ(files::ThresholdVoltage(setFile, 1), c.volts) << "dacVT " << c.dacVT;
    }
    testsupport::writeFile(dir / "t.crv", withValue(ini, "dacVT", "49"));  // needs VT52
    files::clasSetFileEC setFile;
    setFile.Setup((dir / "t.crv").string());
    EXPECT_THROW(files::ThresholdVoltage(setFile, 1), common::Error);
}

TEST_F(ChannelTables, InitialSignalCodeIsTheMeanOfAllItsKeys) {
    testsupport::writeFile(dir / "t.crv", "[Channel1]\nVS0=10\nVS1=11\nVS2=13\n");
    files::clasSetFileEC setFile;
    setFile.Setup((dir / "t.crv").string());
    EXPECT_DOUBLE_EQ(files::InitialSignalCode(setFile, 1, 2), 34.0 / 3);
    EXPECT_THROW(files::InitialSignalCode(setFile, 1, 3), common::Error);  // VS3 missing
}

struct Refusal {
    const char* name;
    std::string ini;
    std::string extension;
    int channel;
    long number;
    std::string description;
};

TEST_F(ChannelTables, BadSettingsRaiseTheNumberedErrors) {
    const std::vector<Refusal> cases = {
        {"unknown extension", kCorvaneVOD, "txt", 2, 3250, "Cannot create lookup table for channel 2"},
        {"unit resistance 0", withValue(kCorvaneVOD, "Unit resistance", "0"), "crv", 1, 3250,
         "Cant analyze VOD settings for channel 1"},
        {"negative unit resistance", withValue(kPellionVOD, "Unit resistance", "-1.5"), "plr", 1,
         3250, "Cant analyze VOD settings for channel 1"},
        {"unit resistance missing", without(kCorvaneVOD, "Unit resistance"), "crv", 1, 3242,
         "String not found in Channel1Unit resistance"},
        {"an initial signal code missing", without(kCorvaneVOD, "VS15"), "crv", 1, 3242,
         "String not found in Channel1VS15"},
        {"threshold calibration missing", without(kCorvaneVOD, "VT40"), "crv", 1, 3242,
         "String not found in Channel1VT40"},
        {"reference resistor not a number", withValue(kPellionVOD, "RSRF", "ten"), "plr", 1, 3242,
         "Integer not found in Channel1RSRF"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            build(c.ini, c.extension, c.channel);
            ADD_FAILURE() << "no error";
        } catch (const common::Error& e) {
            EXPECT_EQ(e.number(), c.number);
            EXPECT_EQ(e.source(), "Set File Object");
            EXPECT_EQ(e.description(), c.description);
        }
    }
}

TEST_F(ChannelTables, ADividerWithoutAFiniteValueMakesTheChannelNotConvertible) {
    const std::vector<std::pair<const char*, std::pair<std::string, std::string>>> cases = {
        {"KS stored as 0", {withValue(kCorvaneVOD, "KS1", "0"), "crv"}},
        // Threshold 2.5 V equal to the initial signal voltage 2.5 V.
        {"initial signal at the threshold", {withValue(kCorvaneVOD, "VT40", "250000"), "crv"}},
        {"threshold 0 V", {withValue(kCorvaneVOD, "VT40", "0"), "crv"}},
        {"KM stored as 0", {withValue(kPellionVOD, "VSKM", "0"), "plr"}},
        // FM 0: code 0 reads exactly 0 V, where VT / x has no value.
        {"a code voltage of 0 V in layout 3",
         {"[settings]\nDataCollector=Pellion\nDV=3\n" + withValue(kPellionInputResistance, "VSFM", "0"),
          "plr"}},
        {"Rin stored as 0",
         {"[settings]\nDataCollector=Pellion\nDV=2\n" + withValue(kPellionInputResistance, "PN_RIN", "0"),
          "plr"}},
        {"a scope factor of 0",
         {"[settings]\nDataCollector=Corvane\n[Channel1]\nSelectCode=3\nKS3=0\nVFS3=0\n"
          "MinVoltage=0\nMaxVoltage=10\n",
          "crv"}},
        // The span overflows a double: no entry is finite.
        {"an overflowing span",
         {"[settings]\nDataCollector=Corvane\n[Channel1]\nSelectCode=3\nKS3=1\nVFS3=0\n"
          "MinVoltage=-1e308\nMaxVoltage=1e308\n",
          "crv"}},
    };
    for (const auto& [name, setFile] : cases) {
        SCOPED_TRACE(name);
        const files::ChannelTable table = build(setFile.first, setFile.second);
        EXPECT_EQ(table.status, files::TableStatus::NotConvertible);
        EXPECT_FALSE(table.convertible());
        EXPECT_TRUE(table.values.empty());
        EXPECT_EQ(table.count, -1);
        EXPECT_EQ(table.reason.rfind("Channel 1 cannot be converted: ", 0), 0u) << table.reason;
    }
}

TEST_F(ChannelTables, HandHeldRecordersGetNoTableAndNoError) {
    for (const char* extension : {"qdr", "qd2", "QD2"}) {
        SCOPED_TRACE(extension);
        const files::ChannelTable table = build("[settings]\n", extension);  // not even a model
        EXPECT_EQ(table.status, files::TableStatus::NoTable);
        EXPECT_TRUE(table.values.empty());
    }
}

TEST_F(ChannelTables, ANewerLayoutShowsTheMessageAndBuildsNoVODTable) {
    for (const char* dv : {"7", "12"}) {
        SCOPED_TRACE(dv);
        prompt.clear();
        // Only the model, the channel kind and the layout: no calibration key is read.
        const files::ChannelTable table =
            build(std::string("[settings]\nDataCollector=Pellion\nDV=") + dv +
                      "\n[Channel1]\nPellionVOD=True\n",
                  "plr");
        EXPECT_EQ(table.status, files::TableStatus::NewerVersion);
        EXPECT_TRUE(table.values.empty());
        ASSERT_EQ(prompt.shown().size(), 1u);
        EXPECT_EQ(prompt.shown()[0].title, "  Message");
        EXPECT_EQ(prompt.shown()[0].text.rfind(
                      "This data set was downloaded by a version of the Pellion software that is "
                      "newer than this version.[nl]",
                      0),
                  0u);
    }
    // The scope channels of the same set still convert.
    prompt.clear();
    const files::ChannelTable scope =
        build("[settings]\nDataCollector=Pellion\nDV=7\n[Channel1]\nPellionVOD=False\n"
              "MinVoltage=0\nMaxVoltage=10\nVSKM=1000000\nVSFM=0\n",
              "plr");
    EXPECT_EQ(scope.status, files::TableStatus::Built);
    EXPECT_TRUE(prompt.shown().empty());
}

}  // namespace
