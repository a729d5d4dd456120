#pragma once
// The text side of the INI layer: finding and changing one key in the bytes of a file.
// Pure functions, no I/O, so that every rule of the format is tested directly.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common::ini::text {

// ASCII case-insensitive equality.
bool sameName(std::string_view a, std::string_view b);
// Blanks and tabs removed from both ends.
std::string_view trimmed(std::string_view s);

std::optional<std::string> find(std::string_view content, std::string_view section,
                                std::string_view key);

// The content with key = value in section: an existing key's value replaced in place (the
// line keeps its key spelling and line ending), otherwise a new line after the section's
// last entry, or a new section at the end. Every other byte stays as it was.
std::string withValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view value);

// The same as withValue, except that a new key goes on a line of its own right before the
// section's key `before` when that key is there: for files whose last key marks them as
// finished, so that a key added later still comes before the mark.
std::string withValueBefore(std::string_view content, std::string_view section, std::string_view key,
                            std::string_view value, std::string_view before);

// The content without the key's line (unchanged when section or key is missing).
std::string withoutKey(std::string_view content, std::string_view section, std::string_view key);

std::vector<std::string> keys(std::string_view content, std::string_view section);
std::vector<std::string> sections(std::string_view content);

// Throws std::invalid_argument when the names or the value cannot be stored on one line.
void checkWritable(std::string_view section, std::string_view key, std::string_view value);

}  // namespace common::ini::text
