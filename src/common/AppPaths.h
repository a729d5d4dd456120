#pragma once
// Where the programs keep their shared settings and user data.
//
// The shared settings file "vantrel.ini" lies in $VANTREL_HOME when that is set, otherwise in
// $XDG_CONFIG_HOME/vantrel (default ~/.config/vantrel). User data (list files, results
// files, temporary files) lie in $VANTREL_HOME when set, otherwise $XDG_DATA_HOME/vantrel
// (default ~/.local/share/vantrel). The folders are created on first use.

#include <filesystem>

namespace common {

std::filesystem::path configDirectory();
std::filesystem::path userDataDirectory();
// configDirectory() / "vantrel.ini"
std::filesystem::path sharedSettingsFile();

}  // namespace common
