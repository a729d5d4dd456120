#include "download/Sets.h"

#include "common/Error.h"
#include "common/Ini.h"

#include <stdexcept>

namespace download {
namespace {

constexpr long kLogFileError = 3180;
constexpr const char* kLogFileErrorSource = "Log File Error";

}  // namespace

std::string channelSection(int ch) {
    if (ch < 1) throw std::invalid_argument("channel " + std::to_string(ch));
    return "Channel" + std::to_string(ch);
}

void Sets::SetCurrentSetFile(const std::filesystem::path& path) {
    if (path.empty())
        m_setFile.reset();
    else
        m_setFile = path;
}

void Sets::SetLogFile(const std::filesystem::path& path) {
    if (path.empty())
        m_logFile.reset();
    else
        m_logFile = path;
}

const std::filesystem::path& Sets::currentSetFile() const {
    if (!m_setFile) throw std::logic_error("no set file is current");
    return *m_setFile;
}

const std::filesystem::path& Sets::logFile() const {
    if (!m_logFile) throw std::logic_error("no log file was named");
    return *m_logFile;
}

void Sets::WriteSetting(std::string_view key, std::string_view text) {
    common::ini::writeValue(currentSetFile(), kMainSection, key, text);
}

void Sets::WriteSettingFlag(std::string_view key, bool b) { WriteSetting(key, mainFlagText(b)); }

void Sets::WriteChannelText(std::string_view key, std::string_view text, int ch) {
    const std::string section = channelSection(ch);
    common::ini::writeValue(currentSetFile(), section, key, text);
}

void Sets::WriteChannelNumber(std::string_view key, std::int64_t n, int ch) {
    WriteChannelText(key, wholeNumberText(n), ch);
}

void Sets::WriteChannelReal(std::string_view key, double x, int ch) {
    WriteChannelText(key, realText(x), ch);
}

void Sets::WriteChannelFlag(std::string_view key, bool b, int ch) {
    WriteChannelText(key, channelFlagText(b), ch);
}

void Sets::WriteStatus(std::string_view key, std::string_view text) {
    if (!m_logFile)
        throw common::Error(kLogFileError, kLogFileErrorSource,
                            "No log file for " + std::string(key));
    try {
        common::ini::writeValue(*m_logFile, kStatusSection, key, text);
    } catch (const common::IoError& e) {
        throw common::Error(kLogFileError, kLogFileErrorSource, e.what());
    }
}

std::string ReadIniWithDefault(const std::filesystem::path& file, std::string_view section,
                               std::string_view key, std::string_view defaultValue) {
    std::optional<std::string> value = common::ini::readValue(file, section, key);
    if (!value) return std::string(defaultValue);
    if (value->size() > kMaxValueLength) value->resize(kMaxValueLength);
    return *value;
}

}  // namespace download
