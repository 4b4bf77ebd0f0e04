// A player's saved game as the game restores it: the Lua text the scripts' "QMSerialized_save"
// made, stored in the preferences as the current player's "usergamedata" beside the values the
// game reads back with it (the undo copy, its score and the story score), read by a new game
// object as at start-up and run by RestoreGame on the window script host, with the sample's own
// scripts/classes/qmserialized.lua as the script side. Then, as the input's first byte picks,
// the game saves, sets an undo point, undoes, resets, and restores a fresh game from the
// player's text file holding the same text. Every stored value must read back as it was
// written. Texts with a loop anywhere are not run (LuaFuzz.h).
//
// Input: one byte of steps, the story score and the undo score (4 bytes each, little-endian),
// the undo copy (a length byte and its bytes), then the saved text.
#include <cstdint>
#include <cstdio>
#include <string>

#include "EngineFuzz.h"
#include "LuaFuzz.h"
#include "assets/FileLayer.h"
#include "game/shell/GameMain.h"
#include "game/shell/QMGameManager.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

constexpr char kSerializer[] = "scripts/classes/qmserialized.lua";

TWindowScript* Host() { return TWindowScript::Of(TWindowManager::Instance()); }

// The text as the game stores it: a C string.
std::string Cut(const std::string& s) { return s.substr(0, s.find('\0')); }

void ExpectStored(QMGameManager& g, const char* key, const std::string& written, int user) {
  const std::string read = g.GetPrefs().GetString(key, "", user).CStr();
  if (read != written) {
    fprintf(stderr, "\"%s\" of player %d: %zu bytes written, %zu read back\n", key, user,
            written.size(), read.size());
    abort();
  }
}

// The game object of a run with one player, the serializer's functions defined afresh (a saved
// text may replace them) and no game state yet.
QMGameManager& FreshGame() {
  static bool once = [] {
    SetGameSettings();
    const std::string serializer =
        fuzz::ReadDiskFile(std::string(ENGINE_SOURCE_DIR) + "/sample/assets/" + kSerializer);
    if (serializer.empty()) abort();
    fuzz::PutMemoryFile(kSerializer, reinterpret_cast<const uint8_t*>(serializer.data()),
                        serializer.size());
    CreateGameManager();
    return true;
  }();
  (void)once;
  Host()->DoLuaString("gSaved = nil gGameState = nil");
  if (!Host()->DoFile(kSerializer)) abort();
  QMGameManager& g = *QMGameManager::Instance();
  // A saved text may have deleted or renamed players through the game's script functions.
  if (g.GetNumUsers() == 0) g.CreateNewUser("Ann");
  if (g.GetCurrentUser() < 0) g.SetCurrentUser(0);
  return g;
}

int TestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const uint8_t steps = in.Byte();
  const int storyScore = int(in.U32()), undoScore = int(in.U32());
  const std::string undo = Cut(in.Text()), text = Cut(in.Rest());
  if (!fuzz::TextEndsByItself(undo.data(), undo.size()) ||
      !fuzz::TextEndsByItself(text.data(), text.size()))
    return 0;

  QMGameManager* g = &FreshGame();
  const int user = g->GetCurrentUser();
  TPrefs& prefs = g->GetPrefs();
  prefs.SetString("usergamedata", text.c_str(), user, true);
  prefs.SetString("userundodata", undo.c_str(), user, true);
  prefs.SetInt("undoScore", undoScore, user, true);
  prefs.SetInt("storyScore", storyScore, user, true);

  // As at start-up: a new game object reads the preferences, then the game is restored.
  DestroyGameManager();
  CreateGameManager();
  g = QMGameManager::Instance();
  ExpectStored(*g, "usergamedata", text, user);
  ExpectStored(*g, "userundodata", undo, user);
  if (g->GetPrefs().GetInt("undoScore", 0, user) != undoScore ||
      g->GetPrefs().GetInt("storyScore", 0, user) != storyScore) {
    fprintf(stderr, "scores of player %d do not read back\n", user);
    abort();
  }
  g->RestoreGame();

  if (steps & 1) g->SaveGame();
  if (steps & 2) g->SetUndoPoint();
  if (steps & 4) g->UndoGame();
  if (steps & 8) g->CheckForFirstUndoPoint();
  if (steps & 16) g->ResetGame();
  if (steps & 32) {
    // A fresh game from the player's text file, which holds the saved text.
    const str name = g->GetPrefs().GetString("name", "", -1);
    if (TFile* file = FileOpen(QMGameManager::UserFileName(name).CStr(), kFileWriteBinary)) {
      FileWrite(file, text.data(), int(text.size()));
      FileClose(file);
    }
    g->RestoreFreshGame();
  }
  // The game's own text of the state restored, stored and run back.
  g->SaveGame();
  if (g->GetCurrentUser() >= 0) g->RestoreGame();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return fuzz::RunInsideEngine(argc, argv, TestOneInput, 160, 120);
}
