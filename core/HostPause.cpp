#include "core/HostPause.h"

#include <atomic>

namespace {
std::atomic<uint32_t> gPausedTotal{0};
}  // namespace

uint32_t GetHostPausedTime() { return gPausedTotal.load(std::memory_order_relaxed); }

void AddHostPausedTime(uint32_t ms) { gPausedTotal.fetch_add(ms, std::memory_order_relaxed); }

void ResetHostPausedTime() { gPausedTotal.store(0, std::memory_order_relaxed); }
