#include "download/RecorderTables.h"

#include "download/SettingsIndexError.h"

#include <array>
#include <string>

namespace download {
namespace {

constexpr std::array<double, 7> kMinimumVoltage{0, 0, 0, 0, -2.5, -5, -10};
constexpr std::array<double, 7> kMaximumVoltage{0, 5, 5, 10, 2.5, 5, 10};
constexpr std::array<std::int32_t, 12> kSampleSpeedHz{
    250, 500, 1000, 5000, 10000, 50000, 100000, 250000, 500000, 1000000, 2500000, 5000000};
constexpr std::array<std::int32_t, 12> kPercent{100, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95};

template <typename T, std::size_t N>
T entry(const std::array<T, N>& table, int code, const char* name) {
    if (code < 0 || static_cast<std::size_t>(code) >= N)
        throw SettingsIndexError(std::string(name) + " code " + std::to_string(code) +
                                 " has no table entry");
    return table[static_cast<std::size_t>(code)];
}

}  // namespace

double minimumVoltage(int rangeCode) { return entry(kMinimumVoltage, rangeCode, "range"); }
double maximumVoltage(int rangeCode) { return entry(kMaximumVoltage, rangeCode, "range"); }
std::int32_t sampleSpeedHz(int code) { return entry(kSampleSpeedHz, code, "sample speed"); }
std::int32_t triggerLevelPercent(int code) { return entry(kPercent, code, "trigger level"); }
std::int32_t preTriggerPercent(int code) { return entry(kPercent, code, "pre-trigger"); }

}  // namespace download
