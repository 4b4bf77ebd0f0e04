// The game portals that can host the game. Creating a portal's handler switches the game
// into that portal's mode and registers the host handler with the game-state service.
#pragma once

#include "core/HostPause.h"

void CreateMsnHandler();
void CreateZylomHandler();
// Leaves every portal mode and forgets the portal state (the platform's tear-down).
void ResetPortalModes();
