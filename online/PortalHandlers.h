// The game portals that can host the game. Creating a portal's handler switches the game
// into that portal's mode.
#pragma once

void CreateMsnHandler();
void CreateZylomHandler();
bool IsMsnMode();
bool IsZylomMode();
// Leaves every portal mode (the platform's tear-down).
void ResetPortalModes();
