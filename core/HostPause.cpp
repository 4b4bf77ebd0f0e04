#include "core/HostPause.h"

#include <atomic>

namespace {
std::atomic<uint32_t> gPausedTotal{0};
std::atomic<bool> gMsn{false};
std::atomic<bool> gZylom{false};
}  // namespace

uint32_t GetHostPausedTime() {
  if (!IsMsnMode() && !IsZylomMode()) return 0;
  return gPausedTotal.load(std::memory_order_relaxed);
}

void AddHostPausedTime(uint32_t ms) { gPausedTotal.fetch_add(ms, std::memory_order_relaxed); }

void ResetHostPausedTime() { gPausedTotal.store(0, std::memory_order_relaxed); }

void SetPortalModes(bool msn, bool zylom) {
  gMsn.store(msn, std::memory_order_relaxed);
  gZylom.store(zylom, std::memory_order_relaxed);
}

bool IsMsnMode() { return gMsn.load(std::memory_order_relaxed); }
bool IsZylomMode() { return gZylom.load(std::memory_order_relaxed); }
