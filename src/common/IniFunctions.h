#pragma once
// The INI helpers of the analysis program: reads with a found flag or a default, flags,
// numbers, escaped multi-line text, counters, the shared settings and the download log.
//
// All of them sit on common::ini (no cache: every call reads or writes the file at once).
// Common rules:
// - A stored value equal to "no data" (compared without regard to case) counts as missing,
//   so a key holding that text cannot be told from a missing key.
// - Writes throw common::IoError when the file cannot be written and std::invalid_argument
//   when a value that is not multi-line text (WriteIniText) holds a line break.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace common {

// The text that every string read treats as "missing".
inline constexpr std::string_view kMissingMarker = "no data";
// What ReadIniReal yields when the text is not a number.
inline constexpr double kNotANumber = -1.23456789E-300;
// What ReadIniLong and the counters use for "missing".
inline constexpr std::int32_t kMissingLong = -30000;

struct IniText {
    std::string value;  // "" when not found
    bool found = false;
};

struct IniReal {
    double value = kNotANumber;
    bool ok = false;
};

struct IniLong {
    std::int32_t value = kMissingLong;
    bool ok = false;
};

// --- number texts (shared with the set-file accessor) --------------------------------------

// A real number written with "." or "," as the decimal separator, whatever the locale:
// blanks around it, an optional sign, digits with at most one separator, an optional
// exponent. "1.5.2", "nan", "inf", "" and values beyond the range of a double are not numbers.
std::optional<double> parseRealText(std::string_view text);

// A 32-bit integer: the text is read as a real number (above), a fraction is rounded to the
// nearest integer with halves going to the even neighbour (2.5 -> 2, 3.5 -> 4), and a result
// outside the 32-bit range is not a number (it never wraps).
std::optional<std::int32_t> parseIntegerText(std::string_view text);

// The shortest decimal text that reads back as exactly x ("0.1", "1e-07", "2500000"); "."
// is the decimal separator.
std::string realToText(double x);

// --- INI reads and writes ------------------------------------------------------------------

IniText ReadIniString(const std::filesystem::path& file, std::string_view section,
                      std::string_view key);
// The value, or defaultValue when missing.
std::string ReadIniStringOr(const std::filesystem::path& file, std::string_view section,
                            std::string_view key, std::string_view defaultValue);
void WriteIniString(const std::filesystem::path& file, std::string_view section,
                    std::string_view key, std::string_view value);

// Multi-line text: stored on one line with every line break as "[nl]". Reading removes one
// leading "\" and turns every "[nl]" into CR LF; missing gives "" (found false).
IniText ReadIniText(const std::filesystem::path& file, std::string_view section,
                    std::string_view key);
// Every line break (CR LF, a lone CR or a lone LF) is stored as "[nl]".
void WriteIniText(const std::filesystem::path& file, std::string_view section,
                  std::string_view key, std::string_view value);
// The escaping of WriteIniText and the unescaping of ReadIniText, on a text.
std::string escapeLineBreaks(std::string_view text);
std::string unescapeLineBreaks(std::string_view stored);

// Flag rule: true when the first character, in upper case, is "T"; missing is false.
bool flagTextIsTrue(std::string_view text);
bool ReadIniFlag(const std::filesystem::path& file, std::string_view section, std::string_view key);
// Writes "T" or "F".
void WriteIniFlag(const std::filesystem::path& file, std::string_view section,
                  std::string_view key, bool value);

// The value read by parseRealText; kNotANumber and ok false when missing or not a number.
IniReal ReadIniReal(const std::filesystem::path& file, std::string_view section,
                    std::string_view key);
// The value read by parseIntegerText; kMissingLong and ok false when missing, empty or not a
// 32-bit integer.
IniLong ReadIniLong(const std::filesystem::path& file, std::string_view section,
                    std::string_view key);

// Adds one to the counter and returns the new value; a missing or non-numeric counter
// becomes 1. The read, the increment and the write happen under the INI layer's lock, so
// two processes incrementing at once both count. Throws std::overflow_error (and writes
// nothing) when the counter already holds the largest 32-bit value.
std::int32_t IncrementIniCounter(const std::filesystem::path& file, std::string_view section,
                                 std::string_view key);
// The same for a counter of a narrower width: a stored value outside lowest..highest, or equal
// to highest, throws std::overflow_error and nothing is written.
std::int32_t incrementIniCounterWithin(const std::filesystem::path& file, std::string_view section,
                                       std::string_view key, std::int32_t lowest,
                                       std::int32_t highest);

// Section "settings" of the shared settings file (common::sharedSettingsFile()). A failed
// read returns "".
std::string ReadSharedSetting(std::string_view key);
void WriteSharedSetting(std::string_view key, std::string_view value);

// --- download log (section "Status") -------------------------------------------------------

// "NrTests"; 1 when missing or not numeric.
std::int32_t ReadLogTestCount(const std::filesystem::path& logFile);
// Flag "Stored Test " & testNumber.
bool bLogTestStored(const std::filesystem::path& logFile, std::int32_t testNumber);
// The integer value of key; missing or not numeric throws common::Error 3180,
// "Log File Error", "Value not found".
std::int32_t lReadLogStatus(const std::filesystem::path& logFile, std::string_view key);

// --- root of a new download ----------------------------------------------------------------

// "yyyyMMM" with English month abbreviations, whatever the locale: 2003Dec.
std::string downloadMonthText(const std::chrono::year_month_day& date);
// "CV" & month text & the month's counter (section "Number of files downloaded" of the shared
// settings file, incremented) formatted with at least three digits: CV2003Dec001.
std::string NewDownloadFileName(const std::chrono::year_month_day& today);
// The same for today's local date.
std::string NewDownloadFileName();

}  // namespace common
