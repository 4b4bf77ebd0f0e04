// Signalling events: a manual-reset event stays set until Reset; an auto-reset event lets one
// waiter through and clears itself.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform::os {

class Event {
public:
  static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

  explicit Event(bool manualReset, bool initiallySet = false);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // True when the event was set within the time-out (kInfinite waits for ever).
  bool Wait(uint32_t timeoutMs = kInfinite);

private:
  std::mutex mMutex;
  std::condition_variable mCondition;
  const bool mManualReset;
  bool mSet;
};

}  // namespace platform::os
