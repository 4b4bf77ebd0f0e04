#include "online/PortalHandlers.h"

#include "core/HostPause.h"
#include "online/TGameState.h"
#include "online/TMsnZylomHandler.h"

namespace {
// Both modes share one record, so one handler serves them: a second would see every event
// that the first passes on and post it twice.
bool gHandlerMade = false;

void CreateHandler() {
  TGameState::GetInstance();
  if (gHandlerMade) return;
  gHandlerMade = true;
  TGameState::AddHandler(new TMsnZylomHandler());
}
}  // namespace

void CreateMsnHandler() {
  SetPortalModes(true, IsZylomMode());
  CreateHandler();
}

void CreateZylomHandler() {
  SetPortalModes(IsMsnMode(), true);
  CreateHandler();
}

void ResetPortalModes() {
  SetPortalModes(false, false);
  gHandlerMade = false;
  ResetPortalState();
  ResetHostPausedTime();
}
