#include "core/Timer.h"

#include <atomic>

#include "core/HostPause.h"
#include "platform/os/Clock.h"

namespace {
// Read by the presentation and sound threads too.
std::atomic<uint32_t> gStartTime{0};
}  // namespace

uint32_t GetTimer() {
  return platform::os::TimeGetTime() - gStartTime.load(std::memory_order_relaxed) -
         GetHostPausedTime();
}

void SetTimerStart(uint32_t startTime) { gStartTime.store(startTime, std::memory_order_relaxed); }

uint32_t GetTimerStart() { return gStartTime.load(std::memory_order_relaxed); }
