#include "common/IniFunctions.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "common/AppPaths.h"
#include "common/Error.h"
#include "common/Ini.h"
#include "common/SampleTime.h"

namespace common {
namespace {

constexpr std::string_view kLineMark = "[nl]";

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

bool isMissing(const std::optional<std::string>& value) {
    return !value || equalsIgnoringCase(*value, kMissingMarker);
}

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<double> parseRealText(std::string_view text) {
    std::string s(trimBlanks(text));
    if (s.empty()) return std::nullopt;
    for (char& c : s) {
        if (c == ',') c = '.';
        // Only the characters of a plain decimal number: this keeps out "nan", "inf",
        // hexadecimal and inner blanks, which from_chars alone would partly accept.
        const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' ||
                             c == '+' || c == '-';
        if (!allowed) return std::nullopt;
    }
    std::size_t start = 0;
    if (s[0] == '+') {
        start = 1;  // from_chars takes no "+"; a sign may not follow it
        if (s.size() == 1 || s[1] == '-' || s[1] == '+') return std::nullopt;
    }
    double value = 0.0;
    const char* begin = s.data() + start;
    const char* end = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int32_t> parseIntegerText(std::string_view text) {
    const auto real = parseRealText(text);
    if (!real) return std::nullopt;
    const double rounded = roundHalfEven(*real);
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::string realToText(double x) {
    if (!std::isfinite(x)) throw std::invalid_argument("A value that is not a finite number cannot be stored");
    std::array<char, 64> buffer{};
    const auto [ptr, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
    if (ec != std::errc()) throw std::invalid_argument("The number cannot be written as text");
    return std::string(buffer.data(), ptr);
}

IniText ReadIniString(const std::filesystem::path& file, std::string_view section,
                      std::string_view key) {
    auto value = ini::readValue(file, section, key);
    if (isMissing(value)) return {};
    return {std::move(*value), true};
}

std::string ReadIniStringOr(const std::filesystem::path& file, std::string_view section,
                            std::string_view key, std::string_view defaultValue) {
    auto read = ReadIniString(file, section, key);
    return read.found ? std::move(read.value) : std::string(defaultValue);
}

void WriteIniString(const std::filesystem::path& file, std::string_view section,
                    std::string_view key, std::string_view value) {
    ini::writeValue(file, section, key, value);
}

std::string escapeLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += kLineMark;
        } else if (c == '\n') {
            out += kLineMark;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string unescapeLineBreaks(std::string_view stored) {
    if (!stored.empty() && stored.front() == '\\') stored.remove_prefix(1);
    std::string out;
    out.reserve(stored.size());
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = stored.find(kLineMark, pos);
        if (hit == std::string_view::npos) break;
        out.append(stored, pos, hit - pos);
        out += "\r\n";
        pos = hit + kLineMark.size();
    }
    out.append(stored.substr(pos));
    return out;
}

IniText ReadIniText(const std::filesystem::path& file, std::string_view section,
                    std::string_view key) {
    auto read = ReadIniString(file, section, key);
    if (!read.found) return {};
    return {unescapeLineBreaks(read.value), true};
}

void WriteIniText(const std::filesystem::path& file, std::string_view section,
                  std::string_view key, std::string_view value) {
    WriteIniString(file, section, key, escapeLineBreaks(value));
}

bool flagTextIsTrue(std::string_view text) { return !text.empty() && (text[0] == 'T' || text[0] == 't'); }

bool ReadIniFlag(const std::filesystem::path& file, std::string_view section,
                 std::string_view key) {
    return flagTextIsTrue(ReadIniStringOr(file, section, key, "F"));
}

void WriteIniFlag(const std::filesystem::path& file, std::string_view section,
                  std::string_view key, bool value) {
    WriteIniString(file, section, key, value ? "T" : "F");
}

IniReal ReadIniReal(const std::filesystem::path& file, std::string_view section,
                    std::string_view key) {
    const auto value = parseRealText(ReadIniStringOr(file, section, key, ""));
    if (!value) return {};
    return {*value, true};
}

IniLong ReadIniLong(const std::filesystem::path& file, std::string_view section,
                    std::string_view key) {
    const auto value = parseIntegerText(ReadIniStringOr(file, section, key, ""));
    if (!value) return {};
    return {*value, true};
}

std::int32_t incrementIniCounterWithin(const std::filesystem::path& file, std::string_view section,
                                       std::string_view key, std::int32_t lowest,
                                       std::int32_t highest) {
    std::int32_t next = 1;
    ini::updateValue(file, section, key, [&](const std::optional<std::string>& old) {
        const auto current = isMissing(old) ? std::nullopt : parseIntegerText(*old);
        if (!current) {
            next = 1;
        } else if (*current < lowest || *current >= highest) {
            // Restarting at 1 would hand out numbers already in use.
            throw std::overflow_error("The counter " + std::string(section) + "/" +
                                      std::string(key) + " in " + file.string() +
                                      " cannot be incremented beyond " + *old);
        } else {
            next = *current + 1;
        }
        return std::to_string(next);
    });
    return next;
}

std::int32_t IncrementIniCounter(const std::filesystem::path& file, std::string_view section,
                                 std::string_view key) {
    return incrementIniCounterWithin(file, section, key, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
}

std::string ReadSharedSetting(std::string_view key) {
    return ReadIniString(sharedSettingsFile(), "settings", key).value;
}

void WriteSharedSetting(std::string_view key, std::string_view value) {
    WriteIniString(sharedSettingsFile(), "settings", key, value);
}

std::int32_t ReadLogTestCount(const std::filesystem::path& logFile) {
    const auto count = ReadIniLong(logFile, "Status", "NrTests");
    return count.ok ? count.value : 1;
}

bool bLogTestStored(const std::filesystem::path& logFile, std::int32_t testNumber) {
    return ReadIniFlag(logFile, "Status", "Stored Test " + std::to_string(testNumber));
}

std::int32_t lReadLogStatus(const std::filesystem::path& logFile, std::string_view key) {
    const auto value = ReadIniLong(logFile, "Status", key);
    if (!value.ok) throw Error(3180, "Log File Error", "Value not found");
    return value.value;
}

std::string downloadMonthText(const std::chrono::year_month_day& date) {
    static constexpr std::array<const char*, 12> months = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!date.ok() || static_cast<int>(date.year()) < 0)
        throw std::invalid_argument("Not a valid date for a download name");
    char year[16];
    std::snprintf(year, sizeof year, "%04d", static_cast<int>(date.year()));
    return std::string(year) + months[static_cast<unsigned>(date.month()) - 1];
}

std::string NewDownloadFileName(const std::chrono::year_month_day& today) {
    const std::string month = downloadMonthText(today);
    const std::int32_t counter =
        IncrementIniCounter(sharedSettingsFile(), "Number of files downloaded", month);
    char number[16];
    std::snprintf(number, sizeof number, "%03d", static_cast<int>(counter));
    return "CV" + month + number;
}

std::string NewDownloadFileName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) throw std::runtime_error("The local date is not available");
    const std::chrono::year_month_day today{std::chrono::year{local.tm_year + 1900},
                                            std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                            std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
    return NewDownloadFileName(today);
}

}  // namespace common
