#pragma once
// The command line of harvdl32. Without options the whole command line after the program name
// is the file-name root, its words joined by single blanks, whatever they look like: a root
// may begin with "--". Only a first word that is exactly "--unattended" is taken as the
// option; the root is then the rest, joined the same way.

#include <string>

namespace harvdl32 {

inline constexpr const char* kUnattendedOption = "--unattended";

struct CommandLine {
    bool unattended = false;
    std::string root;
};

CommandLine parseCommandLine(int argc, const char* const* argv);

}  // namespace harvdl32
