#include "harvdl32/CommandLine.h"

#include <string_view>

namespace harvdl32 {

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    int first = 1;
    if (argc > 1 && std::string_view(argv[1]) == kUnattendedOption) {
        line.unattended = true;
        first = 2;
    }
    for (int i = first; i < argc; ++i) {
        if (i > first) line.root += ' ';
        line.root += argv[i];
    }
    return line;
}

}  // namespace harvdl32
