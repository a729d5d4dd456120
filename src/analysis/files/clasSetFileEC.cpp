#include "analysis/files/clasSetFileEC.h"

#include <cstdio>
#include <limits>
#include <optional>
#include <stdexcept>

#include "analysis/files/SetFileKeys.h"
#include "common/Error.h"
#include "common/FileNames.h"
#include "common/Ini.h"
#include "common/IniFunctions.h"

namespace files {
namespace {

using Keys = SetFileKeys;

common::Error stringNotFound(std::string_view section, std::string_view key) {
    return common::Error(3242, kSetFileSource,
                         "String not found in " + std::string(section) + std::string(key));
}

common::Error integerNotFound(std::string_view section, std::string_view key) {
    return common::Error(3242, kSetFileSource,
                         "Integer not found in " + std::string(section) + std::string(key));
}

common::Error invalidNumber(std::string_view section, std::string_view key) {
    return common::Error(3245, kSetFileSource,
                         "Invalid number at " + std::string(section) + std::string(key));
}

std::optional<std::int16_t> narrowed(std::int32_t value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}

std::string twoDigits(std::int32_t n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", static_cast<int>(n));
    return text;
}

// Three side-file families share one numbering: graph n in 0..99 takes the first letter,
// 100..199 the second and 200..300 the third, with n reduced by 100 per step.
std::string lettered(std::int32_t n, const char* letters, bool padded) {
    const std::int32_t group = n < 100 ? 0 : (n < 200 ? 1 : 2);
    const std::int32_t rest = n - 100 * group;
    return std::string(".") + letters[group] + (padded ? twoDigits(rest) : std::to_string(rest));
}

}  // namespace

void clasSetFileEC::Setup(std::string path) { m_path = std::move(path); }

std::string clasSetFileEC::sSetFileNameNoPath() const {
    return common::NameAfterLastBackslash(m_path);
}

std::string clasSetFileEC::sFileExtension() const {
    return m_path.size() <= 3 ? m_path : m_path.substr(m_path.size() - 3);
}

std::string clasSetFileEC::sGetNameNoPathNoExtDotAtEnd() const {
    return common::NameUpToFirstDot(sSetFileNameNoPath()) + ".";
}

std::string clasSetFileEC::sGetLongRawName() const { return common::ChangeExtension(m_path, "raw"); }

std::string clasSetFileEC::sGetLongCmpName() const { return common::ChangeExtension(m_path, "cmp"); }

std::string clasSetFileEC::sGetShortCmpName() const { return sGetLongCmpName(); }

std::string clasSetFileEC::sCustomFileName(std::int32_t kind, std::int32_t number) const {
    // A negative number would give names such as ".r-5" that no graph owns.
    if (number < 0 || number > 300)
        throw common::Error(3001, kSetFileSource,
                            "Invalid side file number " + std::to_string(number));
    const std::string base = common::NameUpToFirstDot(m_path);
    switch (kind) {
        case kRemovedPointsFile: return base + lettered(number, "rst", true);
        case kSecondPointsFile: return base + lettered(number, "mnk", true);
        case kNumberedFile: return base + lettered(number, "efg", false);
        case kMovedPointsFile1: return base + ".ml" + twoDigits(number);
        case kMovedPointsFile2: return base + ".mv" + twoDigits(number);
        case kAsciiDataFile: return base + "_asc_data.txt";
        case kAsciiInfoFile: return base + "_asc_info.txt";
        case kAsciiCompleteFile: return base + "_asc_complete.txt";
        default: return {};
    }
}

std::string clasSetFileEC::sChannelSection(int channel) { return "Channel" + std::to_string(channel); }

std::string clasSetFileEC::sEventSection(int event) { return "Event" + std::to_string(event); }

std::string clasSetFileEC::sCurSetStr(std::string_view section, std::string_view key) const {
    auto read = common::ReadIniString(m_path, section, key);
    if (!read.found) throw stringNotFound(section, key);
    return std::move(read.value);
}

std::int32_t clasSetFileEC::lGetSetLongInt(std::string_view section, std::string_view key) const {
    const auto value = common::parseIntegerText(sCurSetStr(section, key));
    if (!value) throw integerNotFound(section, key);
    return *value;
}

std::int16_t clasSetFileEC::wGetIntInCurSet(std::string_view section, std::string_view key) const {
    std::optional<std::int16_t> value;
    try {
        value = narrowed(lGetSetLongInt(section, key));
    } catch (const common::Error&) {
        throw integerNotFound(section, key);
    }
    if (!value) throw integerNotFound(section, key);
    return *value;
}

double clasSetFileEC::dGetSetDouble(std::string_view section, std::string_view key) const {
    const auto value = common::parseRealText(sCurSetStr(section, key));
    if (!value) throw invalidNumber(section, key);
    return *value;
}

void clasSetFileEC::WriteStrInCurSet(std::string_view section, std::string_view key,
                                     std::string_view value) {
    common::WriteIniString(m_path, section, key, value);
}

bool clasSetFileEC::bIsSettingTrue(std::string_view section, std::string_view key) const {
    return common::flagTextIsTrue(common::ReadIniString(m_path, section, key).value);
}

std::int32_t clasSetFileEC::lRead_Increment_Return(std::string_view section, std::string_view key) {
    return common::IncrementIniCounter(m_path, section, key);
}

std::int16_t clasSetFileEC::wRead_Increment_Return(std::string_view section, std::string_view key) {
    return static_cast<std::int16_t>(common::incrementIniCounterWithin(
        m_path, section, key, std::numeric_limits<std::int16_t>::min(),
        std::numeric_limits<std::int16_t>::max()));
}

std::string clasSetFileEC::sGetMainStr(std::string_view key) const {
    return sCurSetStr(Keys::Settings, key);
}

std::int16_t clasSetFileEC::wMainInt(std::string_view key) const {
    return wGetIntInCurSet(Keys::Settings, key);
}

void clasSetFileEC::WriteMainStr(std::string_view key, std::string_view value) {
    WriteStrInCurSet(Keys::Settings, key, value);
}

std::int32_t clasSetFileEC::lMainLongWithDefault(std::string_view key,
                                                 std::int32_t defaultValue) const {
    const auto read = common::ReadIniLong(m_path, Keys::Settings, key);
    return read.ok ? read.value : defaultValue;
}

std::int16_t clasSetFileEC::wMainIntWithDefault(std::string_view key,
                                                std::int16_t defaultValue) const {
    const auto read = common::ReadIniLong(m_path, Keys::Settings, key);
    const auto value = read.ok ? narrowed(read.value) : std::nullopt;
    return value.value_or(defaultValue);
}

std::string clasSetFileEC::sGetChannelStr(int channel, std::string_view key) const {
    return sCurSetStr(sChannelSection(channel), key);
}

std::int32_t clasSetFileEC::lChannelLong(int channel, std::string_view key) const {
    return lGetSetLongInt(sChannelSection(channel), key);
}

std::int16_t clasSetFileEC::wChannelInt(int channel, std::string_view key) const {
    return wGetIntInCurSet(sChannelSection(channel), key);
}

double clasSetFileEC::dGetChannelDouble(int channel, std::string_view key) const {
    return dGetSetDouble(sChannelSection(channel), key);
}

std::int32_t clasSetFileEC::lChannelLongWithDefault(int channel, std::string_view key,
                                                    std::int32_t defaultValue) const {
    const auto read = common::ReadIniLong(m_path, sChannelSection(channel), key);
    return read.ok ? read.value : defaultValue;
}

double clasSetFileEC::dChannelDoubleWithDefault(int channel, std::string_view key,
                                                double defaultValue) const {
    const auto read = common::ReadIniReal(m_path, sChannelSection(channel), key);
    return read.ok ? read.value : defaultValue;
}

bool clasSetFileEC::GetChannelDoubleCheckFound(int channel, std::string_view key,
                                               double& value) const {
    const auto read = common::ReadIniReal(m_path, sChannelSection(channel), key);
    if (read.ok) value = read.value;
    return read.ok;
}

void clasSetFileEC::WriteChannelStr(int channel, std::string_view key, std::string_view value) {
    WriteStrInCurSet(sChannelSection(channel), key, value);
}

std::string clasSetFileEC::sGetEventStr(int event, std::string_view key) const {
    return sCurSetStr(sEventSection(event), key);
}

std::int16_t clasSetFileEC::wEventInt(int event, std::string_view key) const {
    return wGetIntInCurSet(sEventSection(event), key);
}

double clasSetFileEC::dGetEventDouble(int event, std::string_view key) const {
    return dGetSetDouble(sEventSection(event), key);
}

std::int32_t clasSetFileEC::lEventLongWithDefault(int event, std::string_view key,
                                                  std::int32_t defaultValue) const {
    const auto read = common::ReadIniLong(m_path, sEventSection(event), key);
    return read.ok ? read.value : defaultValue;
}

double clasSetFileEC::dEventDoubleWithDefault(int event, std::string_view key,
                                              double defaultValue) const {
    const auto read = common::ReadIniReal(m_path, sEventSection(event), key);
    return read.ok ? read.value : defaultValue;
}

bool clasSetFileEC::GetEventDoubleCheckFound(int event, std::string_view key,
                                             double& value) const {
    const auto read = common::ReadIniReal(m_path, sEventSection(event), key);
    if (read.ok) value = read.value;
    return read.ok;
}

void clasSetFileEC::WriteEventStr(int event, std::string_view key, std::string_view value) {
    WriteStrInCurSet(sEventSection(event), key, value);
}

std::string clasSetFileEC::sComment() const {
    return common::ReadIniText(m_path, Keys::Settings, Keys::FileComment).value;
}

std::int16_t clasSetFileEC::wNrChannels() const {
    return wGetIntInCurSet(Keys::Settings, Keys::NrChannels);
}

bool clasSetFileEC::bIsCorvane() const { return sGetMainStr(Keys::DataCollector) == Keys::Corvane; }

bool clasSetFileEC::bIsPellion() const { return sGetMainStr(Keys::DataCollector) == Keys::Pellion; }

bool clasSetFileEC::bIsQuiddor() const { return sGetMainStr(Keys::DataCollector) == Keys::Quiddor; }

bool clasSetFileEC::bIsVODchannel(int channel) const {
    if (bIsQuiddor()) return true;
    if (bIsPellion()) return bIsPellionVODchannel(channel);
    return lChannelLongWithDefault(channel, Keys::SelectCode, 0) == 1;
}

bool clasSetFileEC::bSkipChannel(int channel) const {
    std::string_view key;
    if (channel == 1) key = Keys::Ch1on;
    else if (channel == 2) key = Keys::Ch2on;
    else return false;
    const auto read = common::ReadIniString(m_path, Keys::Settings, key);
    return read.found && (read.value == "f" || read.value == "F");
}

std::int32_t clasSetFileEC::lCalibTestNr() const { return lMainLongWithDefault(Keys::CTN, 0); }

std::int32_t clasSetFileEC::lPalmCodesValue(std::string_view key) const {
    return lGetSetLongInt(Keys::PalmCodes, key);
}

std::int32_t clasSetFileEC::lPalmCodeSettingNrValue(std::int32_t number) const {
    char key[24];
    std::snprintf(key, sizeof key, "PS%03d", static_cast<int>(number));
    return lPalmCodesValue(key);
}

void clasSetFileEC::SetVODoffset(double value, int channel) {
    WriteChannelStr(channel, Keys::VODoffset, common::realToText(value));
}

double clasSetFileEC::dVODoffset(int channel) const {
    return dChannelDoubleWithDefault(channel, Keys::VODoffset, 0.0);
}

bool clasSetFileEC::bIsPellionVODchannel(int channel) const {
    return bIsSettingTrue(sChannelSection(channel), Keys::PellionVOD);
}

std::int16_t clasSetFileEC::wGetIntOrZero(std::string_view section, std::string_view key) const {
    try {
        return wGetIntInCurSet(section, key);
    } catch (const common::Error&) {
        return 0;
    }
}

}  // namespace files
