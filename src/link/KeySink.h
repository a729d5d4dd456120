#pragma once
// Where the link records keys for the download's files: the status keys of the run's log
// ("PortLoc", "Mes No", "Line n", ...) and the mode keys of the test's set file ("ECP",
// "SPP", ...). The download driver may pass its own sink (with its own policy for failed
// writes); IniSection writes straight into one section of an INI file.

#include <filesystem>
#include <string>
#include <string_view>

namespace vantrel::link {

class KeySink {
public:
    virtual ~KeySink() = default;
    virtual void write(std::string_view key, std::string_view value) = 0;
};

// Keys of one section of an INI file, written through the common INI layer (which throws
// common::IoError when the file cannot be written). An empty path writes nothing.
class IniSection final : public KeySink {
public:
    IniSection() = default;
    IniSection(std::filesystem::path file, std::string section)
        : m_file(std::move(file)), m_section(std::move(section)) {}

    void write(std::string_view key, std::string_view value) override;
    const std::filesystem::path& file() const { return m_file; }

private:
    std::filesystem::path m_file;
    std::string m_section;
};

// Section names of the download's files.
inline constexpr std::string_view kStatusSection = "Status";
inline constexpr std::string_view kSettingsSection = "settings";

}  // namespace vantrel::link
