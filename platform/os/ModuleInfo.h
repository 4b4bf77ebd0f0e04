// The running program's file and its version information. The version block (file version,
// product and internal name) is compiled into the program: the game sets it at start-up.
#pragma once

#include <cstdint>
#include <string>

namespace platform::os {

// Full path of the executable; empty when it cannot be read.
std::string GetExecutablePath();
// The executable's folder with a trailing "/"; empty when unknown.
std::string GetExecutableFolder();

struct VersionInfo {
  uint16_t fileVersion[4] = {0, 0, 0, 0};  // major, minor, build, revision
  std::string productName;
  std::string internalName;
};

void SetVersionInfo(const VersionInfo& info);
// False while the program has no version block (none was set).
bool GetVersionInfo(VersionInfo& out);
void ClearVersionInfo();

}  // namespace platform::os
