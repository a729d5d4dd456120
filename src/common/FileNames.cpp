#include "common/FileNames.h"

#include <filesystem>
#include <system_error>

#include "common/Error.h"

namespace common {
namespace {

// Position where the file name starts (just after the last "/", or 0).
std::size_t nameStart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// Position of the first "." of the file name, or npos.
std::size_t firstDotOfName(std::string_view path) {
    return path.find('.', nameStart(path));
}

}  // namespace

std::string ChangeExtension(std::string_view name, std::string_view ext) {
    return NameUpToFirstDot(name) + "." + std::string(ext.substr(0, 3));
}

SplitPathResult SplitPath(std::string_view path) {
    const std::size_t start = nameStart(path);
    return {std::string(path.substr(0, start)), std::string(path.substr(start))};
}

std::string NameUpToFirstDot(std::string_view name) {
    return std::string(name.substr(0, firstDotOfName(name)));
}

std::string ExtensionFromFirstDot(std::string_view name) {
    const std::size_t dot = firstDotOfName(name);
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string NameAfterLastBackslash(std::string_view path) {
    return std::string(path.substr(nameStart(path)));
}

std::string StripTrailingBackslash(std::string_view path) {
    if (!path.empty() && path.back() == '/') path.remove_suffix(1);
    return std::string(path);
}

bool FileExists(std::string_view path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

std::string ApplicationDirectory() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) throw IoError("Cannot find the program's own folder: " + ec.message());
    std::string dir = self.parent_path().string();
    if (dir.empty() || dir.back() != '/') dir.push_back('/');
    return dir;
}

}  // namespace common
