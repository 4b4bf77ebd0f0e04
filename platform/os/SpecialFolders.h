// The special folders the engine keeps its files in, after the XDG base directories:
// per-user data, data shared by all users, and the desktop.
#pragma once

#include <string>

namespace platform::os {

// $XDG_DATA_HOME, else $HOME/.local/share. Empty when neither can be determined.
std::string GetUserDataFolder();
// The all-users data root, "/var/games" unless overridden.
std::string GetCommonDataFolder();
// $XDG_DESKTOP_DIR, else the desktop entry of the user's "user-dirs.dirs", else $HOME/Desktop.
std::string GetDesktopFolderPath();

// Points the all-users root elsewhere (tests); an empty path restores the default.
void SetCommonDataFolder(const std::string& path);

}  // namespace platform::os
