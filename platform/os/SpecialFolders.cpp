#include "platform/os/SpecialFolders.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform::os {
namespace {

std::string& CommonOverride() {
  static std::string path;
  return path;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string StripTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The XDG_DESKTOP_DIR line of user-dirs.dirs: XDG_DESKTOP_DIR="$HOME/Desktop".
std::string DesktopFromUserDirs(const std::string& home) {
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') {
    if (home.empty()) return {};
    config = home + "/.config";
  }
  FILE* f = std::fopen((config + "/user-dirs.dirs").c_str(), "rb");
  if (!f) return {};
  std::string found;
  char line[1024];
  while (std::fgets(line, sizeof line, f)) {
    const char* key = "XDG_DESKTOP_DIR=";
    if (std::strncmp(line, key, std::strlen(key)) != 0) continue;
    std::string value = line + std::strlen(key);
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
    if (!value.empty() && value[0] == '/') found = value;
  }
  std::fclose(f);
  return found;
}

}  // namespace

std::string GetUserDataFolder() {
  std::string data = Env("XDG_DATA_HOME");
  // Relative values are invalid under the XDG rules and are ignored.
  if (!data.empty() && data[0] == '/') return StripTrailingSlash(data);
  std::string home = Env("HOME");
  if (home.empty()) return {};
  return StripTrailingSlash(home) + "/.local/share";
}

std::string GetCommonDataFolder() {
  if (!CommonOverride().empty()) return CommonOverride();
  return "/var/games";
}

std::string GetDesktopFolderPath() {
  std::string desktop = Env("XDG_DESKTOP_DIR");
  if (!desktop.empty() && desktop[0] == '/') return StripTrailingSlash(desktop);
  std::string home = StripTrailingSlash(Env("HOME"));
  desktop = DesktopFromUserDirs(home);
  if (!desktop.empty()) return StripTrailingSlash(desktop);
  if (home.empty()) return {};
  return home + "/Desktop";
}

void SetCommonDataFolder(const std::string& path) { CommonOverride() = StripTrailingSlash(path); }

}  // namespace platform::os
