// The millisecond clock every engine timer reads. It wraps at 2^32 ms like the system clock
// it stands in for. Tests switch to a virtual clock that only moves when they advance it, so
// timed behaviour (frame gates, hint timers, arcade runs) costs no real time.
#pragma once

#include <cstdint>

namespace platform::os {

// Milliseconds of the monotonic clock, or the virtual clock's value while it is in use.
uint32_t TimeGetTime();

void UseVirtualClock(bool on);
bool IsVirtualClock();
void SetVirtualTime(uint32_t ms);
void AdvanceVirtualTime(uint32_t ms);

// Waits ms milliseconds of this clock: sleeps the thread, or while the virtual clock is in use
// advances it instead, so code that waits never blocks a test.
void Sleep(uint32_t ms);

}  // namespace platform::os
