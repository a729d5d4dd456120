#pragma once
// The XML of a saved .xlsx workbook's first sheet, unpacked by unzip or python3's zipfile
// (started from an argument vector); nothing when neither is installed.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "support/RunProgram.h"

namespace testsupport {

inline std::optional<std::string> programOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "/usr/bin:/bin";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::filesystem::path candidate = std::filesystem::path(rest.substr(0, colon)) / program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        if (colon == std::string::npos) break;
        rest.erase(0, colon + 1);
    }
    return std::nullopt;
}

inline std::optional<std::string> workbookSheetXml(const std::filesystem::path& workbook) {
    const std::string sheet = "xl/worksheets/sheet1.xml";
    ProgramRun run;
    if (const auto unzip = programOnPath("unzip")) {
        run = runProgram(*unzip, {"-p", workbook.string(), sheet});
    } else if (const auto python = programOnPath("python3")) {
        run = runProgram(*python, {"-c",
                                   "import sys, zipfile; sys.stdout.buffer.write("
                                   "zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))",
                                   workbook.string(), sheet});
    } else {
        return std::nullopt;
    }
    if (run.exitCode != 0)
        throw std::runtime_error("cannot unpack " + workbook.string() + ": " + run.err);
    return run.out;
}

}  // namespace testsupport
