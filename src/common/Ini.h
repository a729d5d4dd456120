#pragma once
// INI files read and written key by key at the moment a value is needed (no cache), so that
// every program sees the others' writes at once.
//
// - Section and key names match without regard to ASCII case; values are trimmed of blanks
//   and tabs on both sides.
// - A write creates the file, the section and the key as needed and replaces an existing
//   value in place; every other line of the file stays byte for byte as it was.
// - Every write is atomic (temporary file in the same folder, then rename) and serialised
//   between processes by an advisory lock on a lock file beside the INI file, so a reader
//   never sees a torn file and two writers never lose each other's update.
// - A value never splits a line: writing a value that holds CR or LF is refused.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common::ini {

// The value of key in section, or nothing when the file, the section or the key is missing
// (or the file cannot be read).
std::optional<std::string> readValue(const std::filesystem::path& file, std::string_view section,
                                     std::string_view key);

// Writes key = value in section. Throws common::IoError when the file cannot be written and
// std::invalid_argument when the value, section or key holds a line break (or the section a
// "]", or the key a "=").
void writeValue(const std::filesystem::path& file, std::string_view section, std::string_view key,
                std::string_view value);

// writeValue, except that a new key goes right before the section's key `before` when that
// key is there (see text::withValueBefore). Throws like writeValue.
void writeValueBefore(const std::filesystem::path& file, std::string_view section, std::string_view key,
                      std::string_view value, std::string_view before);

// Read-modify-write of one key under the lock: change gets the current value (nothing when
// missing) and returns the value to write, which is also returned. Used for counters that
// several processes increment.
std::string updateValue(const std::filesystem::path& file, std::string_view section,
                        std::string_view key,
                        const std::function<std::string(const std::optional<std::string>&)>& change);

// Removes key from section (nothing happens when either is missing). Throws like writeValue.
void removeKey(const std::filesystem::path& file, std::string_view section, std::string_view key);

// Names of the keys of a section in file order (empty when missing).
std::vector<std::string> keysOf(const std::filesystem::path& file, std::string_view section);

// Names of the sections in file order.
std::vector<std::string> sectionsOf(const std::filesystem::path& file);

}  // namespace common::ini
