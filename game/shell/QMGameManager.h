// The one game object: the players' profiles and per-user settings in the preferences store,
// the high-score tables, the game mode, story and arcade progress, the saved game and its undo
// copy. Scripts reach it through the functions it binds; scenes and screens through Instance().
#pragma once

#include <cstdint>
#include <memory>

#include "assets/TPrefs.h"
#include "core/TSettings.h"
#include "core/str.h"
#include "online/THwHiscores.h"

class QMGameManager {
public:
  // The game's identity ids, in the order story, arcade, story medal, chapters 1 to 6.
  static constexpr int kStoryTable = 0;
  static constexpr int kArcadeTable = 1;
  static constexpr int kStoryMedalTable = 2;
  static constexpr int kFirstChapterTable = 3;
  static const char* const kIdTable[9];
  // Names the game in the per-user text file "user:<app id>.<name>.txt".
  static const char* const kApplicationId;

  QMGameManager();
  ~QMGameManager();
  QMGameManager(const QMGameManager&) = delete;
  QMGameManager& operator=(const QMGameManager&) = delete;

  static QMGameManager* Instance();

  bool CheatsEnabled() const;
  int GetGameMode() const { return mGameMode; }

  // Profiles and per-user settings.
  int GetNumUsers() const;
  str GetUserName(int user) const;
  str GetCurrentUserName() const;
  int GetCurrentUser() const;
  bool IsNameInUse(const str& name) const;
  int CreateNewUser(const str& name);
  void SetCurrentUser(int user);
  void ChangeCurrentUserName(const str& name);
  void DeleteUser(int user);
  bool ToggleFullScreen();
  void ToggleSoundMute();
  void SaveFullScreenMode();
  bool CreateScreen();
  void ApplySoundSettings();
  int GetSoundLevel() const;
  int GetMusicLevel() const;
  void SetArcadeTime(float minutes);
  float GetArcadeTime() const;
  void SetArcadeHintsLeft(int hints);
  int GetArcadeHintsLeft() const;
  void SetSearchItem(int index, const str& text);
  str GetSearchItem(int index) const;
  void SetMapString(const str& text);
  str GetMapString() const;
  void SetLayerPuzzleRound(int round);
  int GetLayerPuzzleRound() const;
  void SetWordPuzzleRound(int round);
  int GetWordPuzzleRound() const;
  void SetUserString(const str& key, const str& text);
  str GetUserString(const str& key) const;
  void SetUserData(const str& key, const uint8_t bytes[12]);
  // A new 12-byte buffer, or null when the key is absent.
  std::unique_ptr<uint8_t[]> GetUserData(const str& key) const;

  // Modes, progress and scores.
  void SetCurrentGameMode(int mode);
  int GetCurrentGameMode() const { return mGameMode; }
  void SetStoryLevel(int level);
  int GetStoryLevel() const;
  void SetStoryLevelComplete(int level);
  void NewSetStoryScore(int score);
  int GetStoryScore() const;
  void InitStoryHighScore();
  int GetHighScore() const;
  void PostHSMedal(const str& name);
  int GetArcadeLevel() const;
  void SetArcadeLevel(int level);
  int GetLastArcadeLevel() const;
  void SetLastArcadeLevel(int level);
  int GetArcadeScore() const;
  void SetArcadeScore(int score);
  // The chapter (1 to 6) a story level belongs to; 0 for any other level.
  static int ChapterOfLevel(int level);

  // Saved game and undo.
  // Calls the global Lua function with no arguments; true with its result when it answered a
  // string.
  bool CallScriptForString(const char* function, str* out);
  void SaveGame();
  void RestoreGame();
  void RestoreFreshGame();
  void ResetUser();
  void ResetGame();
  void SetUndoPoint();
  void CheckForFirstUndoPoint();
  void UndoGame();

  // The per-user text file of a player name; the name is encoded so it stays a plain file name
  // inside the user folder whatever it holds.
  static str UserFileName(const str& userName);
  // Where a saved game that could not be run is kept in the player's record.
  static constexpr const char* kDamagedGameKey = "usergamedata.damaged";

  TPrefs& GetPrefs() { return mPrefs; }
  THwHiscores& GetHiscores() { return mHiscores; }

private:
  void BindScriptFunctions();
  void UnbindScriptFunctions();
  void WriteUserFileEmpty(const str& userName);
  void CallScript(const char* function);
  // SaveGame into the record of the given user (-1 the global one).
  void SaveGameOf(int user);
  // Runs a stored game's text; false (logged) when it does not compile or fails.
  bool RunSavedGame(const str& text);
  void RunLuaText(const str& text);
  // Writes a per-user key of the current user and saves the preferences at once.
  void SetInt(const char* key, int value);
  int GetInt(const char* key, int defaultValue) const;
  void SetString(const str& key, const str& value);
  str GetString(const str& key, const str& defaultValue = str()) const;

  bool mSaveLock = false;
  bool mRestoreLock = false;
  TPrefs mPrefs;
  THwHiscores mHiscores;
  int32_t mGameMode = 0;
  // The setting's name made once: puzzles ask for cheats in every frame.
  const str mCheatModeName{kConfigCheatMode};
};

void CreateGameManager();
void DestroyGameManager();
