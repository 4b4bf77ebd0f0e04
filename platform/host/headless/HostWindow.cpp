#include "platform/host/headless/HostWindow.h"

#include <map>

namespace platform::host::headless {
namespace {
std::mutex gRegistryMutex;
std::map<uint64_t, std::weak_ptr<Channel>> gRegistry;
uint64_t gNextHandle = 0x10010;
}  // namespace

Host::Host() : mChannel(std::make_shared<Channel>()) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  mHandle = gNextHandle;
  gNextHandle += 0x10;
  gRegistry[mHandle] = mChannel;
}

Host::~Host() {
  Close();
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  gRegistry.erase(mHandle);
}

void Host::Send(const Record& record) {
  std::lock_guard<std::mutex> lock(mChannel->mutex);
  if (mChannel->alive) mChannel->toGame.push_back(record);
}

bool Host::TakePosted(Record& out) {
  std::lock_guard<std::mutex> lock(mChannel->mutex);
  if (mChannel->toHost.empty()) return false;
  out = mChannel->toHost.front();
  mChannel->toHost.pop_front();
  return true;
}

void Host::Close() {
  std::lock_guard<std::mutex> lock(mChannel->mutex);
  mChannel->alive = false;
}

void Host::SetClientSize(int width, int height) {
  std::lock_guard<std::mutex> lock(mChannel->mutex);
  mChannel->clientWidth = width;
  mChannel->clientHeight = height;
}

std::unique_ptr<HostWindow> HostWindow::Open(uint64_t handle) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  auto it = gRegistry.find(handle);
  if (it == gRegistry.end()) return nullptr;
  auto channel = it->second.lock();
  if (!channel) return nullptr;
  {
    std::lock_guard<std::mutex> clock(channel->mutex);
    if (!channel->alive) return nullptr;
  }
  return std::make_unique<HostWindow>(std::move(channel));
}

bool HostWindow::IsWindow() {
  std::lock_guard<std::mutex> lock(mChannel->mutex);
  return mChannel->alive;
}

bool HostWindow::Post(const Record& record) {
  std::lock_guard<std::mutex> lock(mChannel->mutex);
  if (!mChannel->alive) return false;
  mChannel->toHost.push_back(record);
  return true;
}

bool HostWindow::Receive(Record& out) {
  std::lock_guard<std::mutex> lock(mChannel->mutex);
  if (!mChannel->alive || mChannel->toGame.empty()) return false;
  out = mChannel->toGame.front();
  mChannel->toGame.pop_front();
  return true;
}

bool HostWindow::GetClientSize(int& width, int& height) {
  std::lock_guard<std::mutex> lock(mChannel->mutex);
  if (!mChannel->alive || mChannel->clientWidth <= 0 || mChannel->clientHeight <= 0) return false;
  width = mChannel->clientWidth;
  height = mChannel->clientHeight;
  return true;
}

}  // namespace platform::host::headless
