// Time a portal host has held the game paused, and the portal modes it depends on. The
// engine timer reads them from every thread, so this file stands on nothing above the
// standard library. Only the portal modes pause the game; outside them the time stays 0.
#pragma once

#include <cstdint>

// Total milliseconds the host held the game paused.
uint32_t GetHostPausedTime();

// Adds a finished pause to the total; called by the portal handler.
void AddHostPausedTime(uint32_t ms);
void ResetHostPausedTime();

// The mode flags behind IsMsnMode and IsZylomMode; set by the handlers' creation.
void SetPortalModes(bool msn, bool zylom);
bool IsMsnMode();
bool IsZylomMode();
