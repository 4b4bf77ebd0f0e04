// Time a portal host has held the game paused. Only the portal modes pause the game; outside
// them the total stays 0.
#pragma once

#include <cstdint>

// Total milliseconds the host held the game paused.
uint32_t GetHostPausedTime();

// Adds a finished pause to the total; called by the portal handlers.
void AddHostPausedTime(uint32_t ms);
void ResetHostPausedTime();
