#pragma once
// The manuals of the Help menus: files in the program's folder, opened by the desktop.

#include <filesystem>
#include <string>
#include <variant>

namespace shell {

inline constexpr const char* kCorvaneManual = "Corvane_Operations_Manual_Edition_March_2000.pdf";
inline constexpr const char* kVodManual = "CV_Manual.pdf";
inline constexpr const char* kHandHeldManual = "Quiddor Operations Manual Edition 1.pdf";
inline constexpr const char* kAboutVersion = "Version 3.0";
inline constexpr const char* kAboutTitle = "  Corvane ";

struct ManualFile {
    std::filesystem::path file;
};
struct ManualMissing {
    std::string message;  // "Error - cannot find file " & full name
};

// The file to open for a manual: a name with blanks is looked for with "_" in place of each
// blank; when only the name with blanks exists it is renamed to that (and used as it is when
// the folder cannot be written). A name without blanks is used unchanged.
std::variant<ManualFile, ManualMissing> resolveManual(const std::filesystem::path& programDirectory,
                                                      const std::string& fileName);

}  // namespace shell
