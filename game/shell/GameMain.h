// The game's identity and its main function, which the engine's entry runs.
#pragma once

#include <cstdint>

#include "core/TAnimTask.h"
#include "core/TClock.h"

class QMGameManager;
class TPlatform;
class TWindowManager;

// Stores the game's identity in the settings before the engine starts.
void SetGameSettings();

// Runs the game: set-up, the main loop until a quit request, then the shutdown in order. 0 when
// the player quit; 1 when the main script could not start or failed.
int GameMain(TPlatform* platform, const char* commandLine);

// Hands events to the windows until a quit request, which runs "scripts/quitverify.lua". False
// when the loop ended because the main script failed.
bool GameEventLoop(TPlatform* platform, QMGameManager* game, TWindowManager* wm);

// Pops every modal window, the screen included, and lets closing windows finish for at most
// 100 ms or 20 events.
void CloseAllModals(TPlatform* platform, TWindowManager* wm);

namespace detail {

// Tells the shutdown when its own clock has passed the wait given.
class CleanupWait : public TAnimTask {
public:
  explicit CleanupWait(uint32_t waitMs);
  bool Animate() override;

  TClock mClock;
  uint32_t mDeadline = 0;
  uint32_t mEvents = 0;
  bool mDeadlinePassed = false;
};

}  // namespace detail
