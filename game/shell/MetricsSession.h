// The play metrics the game reports through the game-state service: the session and progress
// report declarations posted once at start-up.
#pragma once

void SetupMetricsSession();
