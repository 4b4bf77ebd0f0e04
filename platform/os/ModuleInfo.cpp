#include "platform/os/ModuleInfo.h"

#include <unistd.h>

#include <mutex>
#include <optional>
#include <vector>

namespace platform::os {

namespace {
std::mutex gVersionMutex;
std::optional<VersionInfo> gVersion;
}  // namespace

std::string GetExecutablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), size_t(n));
    if (buffer.size() >= (1u << 20)) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

std::string GetExecutableFolder() {
  const std::string path = GetExecutablePath();
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void SetVersionInfo(const VersionInfo& info) {
  std::lock_guard<std::mutex> lock(gVersionMutex);
  gVersion = info;
}

bool GetVersionInfo(VersionInfo& out) {
  std::lock_guard<std::mutex> lock(gVersionMutex);
  if (!gVersion) return false;
  out = *gVersion;
  return true;
}

void ClearVersionInfo() {
  std::lock_guard<std::mutex> lock(gVersionMutex);
  gVersion.reset();
}

}  // namespace platform::os
