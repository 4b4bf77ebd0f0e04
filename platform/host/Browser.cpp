#include "platform/host/Browser.h"

#include <mutex>

#include "platform/os/Spawn.h"
#include "platform/window/Window.h"

namespace platform::host {
namespace {
std::mutex gOpenedMutex;
std::vector<std::string> gOpened;
}  // namespace

bool OpenInBrowser(const std::string& program, const std::string& url) {
  if (platform::window::IsHeadless()) {
    std::lock_guard<std::mutex> lock(gOpenedMutex);
    gOpened.push_back(url);
    return true;
  }
  return platform::os::SpawnDetached(program, {url});
}

std::vector<std::string> OpenedUrls() {
  std::lock_guard<std::mutex> lock(gOpenedMutex);
  return gOpened;
}

void ClearOpenedUrls() {
  std::lock_guard<std::mutex> lock(gOpenedMutex);
  gOpened.clear();
}

}  // namespace platform::host
