#pragma once
// File-name helpers of the analysis program. "/" is the only path separator.
//
// Names derived from a test's file (side files, the data file beside a set file) are cut at
// the first "." of the file name, never at a "." of a folder above it: /home/a.b/Test01.crv
// gives /home/a.b/Test01.raw.

#include <string>
#include <string_view>

namespace common {

// The path with its file name cut before the name's first "." (the whole name when it has
// none), then "." and the first three characters of ext: a.b.c + "rawdata" -> a.raw,
// name + "" -> name., /x.y/a.b.c + "rawdata" -> /x.y/a.raw.
std::string ChangeExtension(std::string_view name, std::string_view ext);

struct SplitPathResult {
    std::string directory;  // up to and including the last "/"; "" when there is none
    std::string name;       // the rest
};
// A path without "/" is a bare name: empty directory, the whole text as the name.
SplitPathResult SplitPath(std::string_view path);

// The path up to the first "." of its file name (all of it when the name has none).
std::string NameUpToFirstDot(std::string_view name);
// The file name's text from its first "." (included) to the end; "" when it has none.
std::string ExtensionFromFirstDot(std::string_view name);
// The text after the last "/" (all of it when there is none). The name is kept from the
// original, where the separator was a backslash.
std::string NameAfterLastBackslash(std::string_view path);
// The path without one final "/" (same naming note).
std::string StripTrailingBackslash(std::string_view path);

// True when a regular file (or a link to one) of that name exists.
bool FileExists(std::string_view path);

// The folder of the running program, with a final "/". Throws common::IoError when the
// program's own path cannot be found.
std::string ApplicationDirectory();

}  // namespace common
