// The game's identity, stored in the settings before any engine object exists: everything the
// engine builds at start-up (preferences, high scores, metrics) reads it.
#include "core/TSettings.h"
#include "game/shell/GameMain.h"
#include "game/shell/QMGameManager.h"

void SetGameSettings() {
  SetConfig(kConfigGameName, "quillmoor-heirloom-emberglass");
  SetConfig(kConfigEncryptionKey, "Kd7pWq2ZtNCC");
  SetConfig(kConfigHwGameHandle, "quillmoor-heirloom-emberglass");
  for (int i = 1; i <= 2; ++i)
    SetConfig(str::Format("%s%d", "hwgamemodename", i), QMGameManager::kIdTable[i - 1]);
  // Medal 1 is the story medal, 2 to 7 the chapters.
  for (int i = 1; i <= 7; ++i)
    SetConfig(str::Format("%s%d", "hwgamemedalname", i), QMGameManager::kIdTable[i + 1]);
}
