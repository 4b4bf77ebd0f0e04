// The game-state service: one program-wide map from state key to value, through which the
// game, the platform and the scripts publish events and ask the host yes/no questions.
// Setting a key offers the pair to the registered handlers in order until one consumes it; a
// key beginning with "++" counts the rest of the key up by one. Main thread only.
#pragma once

#include <cstdint>
#include <map>

#include "core/str.h"

class TGameStateHandler;

class TGameState {
public:
  // Made on the first call while the platform exists; without one it makes nothing and
  // answers what exists (possibly null).
  static TGameState* GetInstance();
  // Null when none has been made (or it was deleted); never makes one.
  static TGameState* Existing();
  // Deletes the service and every handler (the platform's tear-down).
  static void DeleteInstance();
  // Appends to the handler list, which exists before the service does; the service owns the
  // handler from now on.
  static void AddHandler(TGameStateHandler* handler);

  virtual ~TGameState();
  TGameState(const TGameState&) = delete;
  TGameState& operator=(const TGameState&) = delete;

  void SetState(str key, str value);
  void SetIntState(str key, int32_t value);
  // The stored value after every handler's Query; an absent key is entered empty.
  str GetState(str key);
  bool QueryRestartMode();
  bool QueryJumpToMenu();
  bool QueryHostPause();
  bool QueryMuteGame();

  // The master volume kept while "mute" silences the sound; 0 when none is kept.
  float GetSavedVolume() const { return mSavedVolume; }

private:
  TGameState();
  void ApplyMute(bool wasMuted, bool muted);
  // Registers "GetState", "_SetState" and the query functions in the window scripts.
  void BindScriptFunctions();
  void UnbindScriptFunctions();

  std::map<str, str> mStates;
  float mSavedVolume = 0.0f;
};
