#include "analysis/shell/ManualFiles.h"

#include <algorithm>
#include <system_error>

namespace shell {
namespace {

bool isFile(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

}  // namespace

std::variant<ManualFile, ManualMissing> resolveManual(const std::filesystem::path& programDirectory,
                                                      const std::string& fileName) {
    std::filesystem::path full = programDirectory / fileName;
    if (fileName.find(' ') != std::string::npos) {
        std::string underscored = fileName;
        std::replace(underscored.begin(), underscored.end(), ' ', '_');
        const std::filesystem::path target = programDirectory / underscored;
        if (!isFile(target) && isFile(full)) {
            std::error_code ec;
            std::filesystem::rename(full, target, ec);
            // A folder that cannot be written still lets the manual be read.
            if (ec) return ManualFile{full};
        }
        full = target;
    }
    if (fileName.empty() || !isFile(full))
        return ManualMissing{"Error - cannot find file " + full.string()};
    return ManualFile{full};
}

}  // namespace shell
