#include "game/shell/MetricsSession.h"

#include "core/TSettings.h"
#include "online/TGameState.h"

void SetupMetricsSession() {
  TGameState* state = TGameState::GetInstance();
  if (!state) return;
  state->SetIntState("SessionTime", 1);
  state->SetState("begin-status", "SessionDataNames");
  for (const char* name : {"version", "SessionTime", "TotalComicScreensTime", "SessionHintsUsed",
                           "FullScreenMode", "SessionCurrentLevel"})
    state->SetState("add-value", name);
  state->SetState("end-status", "SessionDataNames");
  state->SetState("begin-session", "SessionData");
  state->SetState("add-value", GetConfig("version", ""));
  state->SetState("add-timer", "SessionTime");
  state->SetState("add-timer", "TotalComicScreensTime");
  state->SetState("add-state", "SessionHintsUsed");
  state->SetState("add-state", "FullScreenMode");
  state->SetState("add-state", "SessionCurrentLevel");
  state->SetState("end-session", "SessionData");
  for (const char* name :
       {"LevelPlayTime", "LevelHintsUsed", "InstructionTimeViewed", "LevelResetUsed"})
    state->SetIntState(name, 0);
  for (int minutes : {15, 30, 45, 59}) {
    const str progress = str::Format("Progress-%d", minutes);
    state->SetState(str::Format("begin-elapsed(%d)", minutes), progress);
    state->SetState("add-state", "CurrentLevel");
    state->SetState(str::Format("end-elapsed(%d)", minutes), progress);
  }
}
