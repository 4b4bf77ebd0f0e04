#include "platform/os/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform::os {
namespace {
// Shared with the presentation and sound threads, which read the clock too.
std::atomic<bool> gVirtual{false};
std::atomic<uint32_t> gVirtualNow{0};
}  // namespace

uint32_t TimeGetTime() {
  if (gVirtual.load(std::memory_order_acquire)) return gVirtualNow.load(std::memory_order_acquire);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

void UseVirtualClock(bool on) { gVirtual.store(on, std::memory_order_release); }
bool IsVirtualClock() { return gVirtual.load(std::memory_order_acquire); }
void SetVirtualTime(uint32_t ms) { gVirtualNow.store(ms, std::memory_order_release); }
void AdvanceVirtualTime(uint32_t ms) { gVirtualNow.fetch_add(ms, std::memory_order_acq_rel); }

void Sleep(uint32_t ms) {
  if (IsVirtualClock())
    AdvanceVirtualTime(ms);
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform::os
