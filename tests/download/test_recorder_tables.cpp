// The recorder's code-to-value tables: every code, and the codes without an entry.

#include "download/RecorderTables.h"
#include "download/SettingsIndexError.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace download {
namespace {

TEST(RecorderTables, VoltageRangesByRangeCode) {
    const std::array<double, 7> minimum{0, 0, 0, 0, -2.5, -5, -10};
    const std::array<double, 7> maximum{0, 5, 5, 10, 2.5, 5, 10};
    for (int code = 0; code < 7; ++code) {
        EXPECT_EQ(minimumVoltage(code), minimum[static_cast<std::size_t>(code)]) << code;
        EXPECT_EQ(maximumVoltage(code), maximum[static_cast<std::size_t>(code)]) << code;
    }
}

TEST(RecorderTables, SampleSpeedsAndPercentages) {
    const std::array<std::int32_t, 12> speeds{250,    500,    1000,    5000,    10000,   50000,
                                              100000, 250000, 500000, 1000000, 2500000, 5000000};
    const std::array<std::int32_t, 12> percent{100, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95};
    for (int code = 0; code < 12; ++code) {
        const auto i = static_cast<std::size_t>(code);
        EXPECT_EQ(sampleSpeedHz(code), speeds[i]) << code;
        EXPECT_EQ(triggerLevelPercent(code), percent[i]) << code;
        EXPECT_EQ(preTriggerPercent(code), percent[i]) << code;
    }
}

TEST(RecorderTables, CodesWithoutAnEntryAreIndexErrors) {
    struct Case {
        std::string table;
        std::function<void(int)> lookUp;
        std::vector<int> codes;
    };
    const std::vector<Case> cases{
        {"minimum voltage", [](int c) { minimumVoltage(c); }, {7, -1}},
        {"maximum voltage", [](int c) { maximumVoltage(c); }, {7, -1}},
        {"sample speed", [](int c) { sampleSpeedHz(c); }, {12, 13, 14, 15, -1}},
        {"trigger level", [](int c) { triggerLevelPercent(c); }, {12, 13, 14, 15}},
        {"pre-trigger", [](int c) { preTriggerPercent(c); }, {12, 13, 14, 15}},
    };
    for (const Case& c : cases)
        for (int code : c.codes) EXPECT_THROW(c.lookUp(code), SettingsIndexError) << c.table << " " << code;
}

}  // namespace
}  // namespace download
