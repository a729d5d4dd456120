#include "common/AppPaths.h"

#include <cstdlib>
#include <system_error>

namespace common {
namespace {

std::filesystem::path fromEnvironment(const char* xdgVariable, const char* fallbackBelowHome) {
    if (const char* home = std::getenv("VANTREL_HOME"); home && *home) return home;
    if (const char* xdg = std::getenv(xdgVariable); xdg && *xdg)
        return std::filesystem::path(xdg) / "vantrel";
    const char* user = std::getenv("HOME");
    return std::filesystem::path(user && *user ? user : "/tmp") / fallbackBelowHome / "vantrel";
}

std::filesystem::path ensured(std::filesystem::path dir) {
    std::error_code ignored;  // a folder that cannot be made shows up as a failed open later
    std::filesystem::create_directories(dir, ignored);
    return dir;
}

}  // namespace

std::filesystem::path configDirectory() {
    return ensured(fromEnvironment("XDG_CONFIG_HOME", ".config"));
}

std::filesystem::path userDataDirectory() {
    return ensured(fromEnvironment("XDG_DATA_HOME", ".local/share"));
}

std::filesystem::path sharedSettingsFile() { return configDirectory() / "vantrel.ini"; }

}  // namespace common
