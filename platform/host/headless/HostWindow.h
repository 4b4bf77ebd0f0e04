// In-process host windows for tests. A test creates a host, hands its handle to the game as
// "-wnd=<hex>", reads what the game posted and sends messages of its own; closing the host
// makes every game-side view of it dead.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/host/HostWindow.h"

namespace platform::host::headless {

// The host's side of the channel, shared with the game's views of it.
struct Channel {
  std::mutex mutex;
  bool alive = true;
  std::deque<Record> toHost;
  std::deque<Record> toGame;
  int clientWidth = 0, clientHeight = 0;  // 0: the host does not say
};

// A host the test owns; its handle stays valid until it is destroyed.
class Host {
public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  uint64_t Handle() const { return mHandle; }
  void Send(const Record& record);
  bool TakePosted(Record& out);
  void Close();
  void SetClientSize(int width, int height);

private:
  uint64_t mHandle;
  std::shared_ptr<Channel> mChannel;
};

class HostWindow : public IHostWindow {
public:
  // Null when no live host has that handle.
  static std::unique_ptr<HostWindow> Open(uint64_t handle);
  explicit HostWindow(std::shared_ptr<Channel> channel) : mChannel(std::move(channel)) {}

  bool IsWindow() override;
  bool Post(const Record& record) override;
  bool Receive(Record& out) override;
  bool GetClientSize(int& width, int& height) override;

private:
  std::shared_ptr<Channel> mChannel;
};

}  // namespace platform::host::headless
