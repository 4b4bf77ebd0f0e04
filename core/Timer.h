// The engine's millisecond timer: time since the platform started, less the time a portal
// host held the game paused. Unsigned 32-bit arithmetic, so it wraps like the clock below it.
#pragma once

#include <cstdint>

uint32_t GetTimer();

// The clock value GetTimer counts from; start-up records it once.
void SetTimerStart(uint32_t startTime);
uint32_t GetTimerStart();
