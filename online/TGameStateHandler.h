// A receiver of game-state values: host portals and add-on modules.
#pragma once

#include "core/str.h"

class TGameStateHandler {
public:
  virtual ~TGameStateHandler() = default;
  // True when the handler took the pair; the service then stops passing it on.
  virtual bool SetState(const str& key, const str& value) = 0;
  // True while the handler's host holds the game paused.
  virtual bool QueryHostPause() { return false; }
};
