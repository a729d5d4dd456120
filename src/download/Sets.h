#pragma once
// The write primitives of the download program and the two files they write to: the set file
// of the test being written (section "settings" and the channel sections) and the run's log
// (section "Status"). Every call is one INI write through common::ini: complete and atomic
// when it returns, with no buffering, so the analysis program polling the log never sees a
// torn file.
//
// The driver names the files: SetLogFile(root + ".log") at every connection attempt,
// SetCurrentSetFile(root + NN + ".crv") before each test is written.

#include "download/SettingText.h"

#include <concepts>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace download {

inline constexpr std::string_view kMainSection = "settings";
inline constexpr std::string_view kStatusSection = "Status";

// "Channel" followed by the channel number, no blank.
std::string channelSection(int ch);

class Sets {
public:
    // An empty path means that no set file is current.
    void SetCurrentSetFile(const std::filesystem::path& path);
    void SetLogFile(const std::filesystem::path& path);

    bool hasCurrentSetFile() const { return m_setFile.has_value(); }
    // Throws std::logic_error when no set file is current.
    const std::filesystem::path& currentSetFile() const;
    bool hasLogFile() const { return m_logFile.has_value(); }
    // Throws std::logic_error when no log file was named.
    const std::filesystem::path& logFile() const;

    // Set file, section "settings". All set-file writes throw std::logic_error when no set
    // file is current and common::IoError when the file cannot be written.
    void WriteSetting(std::string_view key, std::string_view text);
    // "#0"; a Boolean is written as "-1" (true) or "0".
    template <std::integral T>
    void WriteSettingNumber(std::string_view key, T n) {
        if constexpr (std::same_as<T, bool>)
            WriteSetting(key, booleanNumberText(n));
        else
            WriteSetting(key, wholeNumberText(static_cast<std::int64_t>(n)));
    }
    // "T" or "F".
    void WriteSettingFlag(std::string_view key, bool b);

    // Set file, section "Channel" + ch (ch from 1; std::invalid_argument otherwise).
    void WriteChannelText(std::string_view key, std::string_view text, int ch);
    // "#0".
    void WriteChannelNumber(std::string_view key, std::int64_t n, int ch);
    // "#0.0#######".
    void WriteChannelReal(std::string_view key, double x, int ch);
    // "True" or "False".
    void WriteChannelFlag(std::string_view key, bool b, int ch);

    // Log file, section "Status", the text unchanged. A failed write throws common::Error
    // 3180 (source "Log File Error"), and so does a write before a log file was named: the
    // analysis program waits for this file, so a lost status must not pass unnoticed.
    void WriteStatus(std::string_view key, std::string_view text);
    // A number in decimal ("#0"), as for "PortLoc" and "NrTests".
    template <std::integral T>
        requires(!std::same_as<T, bool>)
    void WriteStatus(std::string_view key, T n) {
        WriteStatus(key, std::string_view(wholeNumberText(static_cast<std::int64_t>(n))));
    }

private:
    std::optional<std::filesystem::path> m_setFile;
    std::optional<std::filesystem::path> m_logFile;
};

// The longest value a read returns: the readers use a buffer of 708 characters, one of them
// for the terminator.
inline constexpr std::size_t kMaxValueLength = 707;

// The stored text of key in section of any INI file, cut to kMaxValueLength characters, or
// defaultValue when the file, the section or the key is missing. Never throws for a missing
// or unreadable file.
std::string ReadIniWithDefault(const std::filesystem::path& file, std::string_view section,
                               std::string_view key, std::string_view defaultValue);

}  // namespace download
