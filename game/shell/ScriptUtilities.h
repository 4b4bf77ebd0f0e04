// The free script functions the game registers beside its window types: run-time level
// settings, the animation-sound fader, preference strings, the cursor, file checks, and a
// private Lua state for reading description files.
#pragma once

#include "core/TAnimTask.h"
#include "core/str.h"
#include "window/TWindowHandle.h"

struct lua_State;

// Six flags a level script sets together through "RuntimeSettings".
struct QMRuntimeSettings {
  bool disableSave = false;
  bool disableRestore = false;
  bool navigation = false;
  bool searchSprites = false;
  bool disappearingItems = true;
  bool debugMode = false;
};
QMRuntimeSettings& RuntimeSettings();

// The cursor images by name.
extern const char kArrowCursor[];
extern const char kCrosshairCursor[];
// Makes the named cursor current; nothing when it is the one applied last.
void SetCursorImage(const char* cursor);

// Fades the sounds started by animations (volume group 1003) to silence on the top modal's
// clock, stops them and puts the group back at its nominal level.
class QMSoundFader : public TAnimTask {
public:
  static constexpr int32_t kGroup = 1003;
  explicit QMSoundFader(float durationMs);
  bool Animate() override;

private:
  void Finish();
  // Milliseconds on the modal's clock; once the modal is gone, its last reading carried on by
  // the platform timer.
  float FadeNow();

  float mDuration;
  float mStart = 0;
  float mInitial = 0;
  bool mStarted = false;
  // The modal whose clock drives the fade. The task itself runs on the platform timer, so its
  // scheduling never reads a clock that died with its window.
  TWindowHandle mClockOwner;
  uint32_t mLastModalTime = 0;
  uint32_t mLastPlatformTime = 0;
};

// The level the animation-sound group returns to: the effects level of the current player.
float NominalAnimationSoundLevel();

// A private Lua state for reading description files that hand back a table.
class LuaDataState {
public:
  LuaDataState();
  ~LuaDataState();
  LuaDataState(const LuaDataState&) = delete;
  LuaDataState& operator=(const LuaDataState&) = delete;
  // Loads and runs the file; true when it left a table on top of the stack.
  bool LoadTable(const str& path);
  lua_State* GetState() const { return mState; }

private:
  lua_State* mState;
};

// Binds the free script functions into the state (in registration order).
void RegisterScriptUtilities(lua_State* L);

// The script functions themselves (exposed for the registration and tests).
void KillAllKAnimSounds();
void FadeAllKAnimSounds(int durationMs);
void SetScriptDebugMode(bool on);
bool GetScriptDebugMode();
void SetPreferenceString(const str& key, const str& value);
str GetPreferenceString(const str& key);
void BlackenWindow();
void ResetUser();
void ExitGame();
void PlayGlobalSound(const str& name);
void SetArrowCursor();
bool FileExistsForScript(const str& name);
// Pauses or resumes the animation sound registered under id; nothing when none is.
void PauseSoundInstanceById(const str& id, bool pause);
