#include "game/shell/TChoosePlayer.h"

#include "game/shell/LuaText.h"
#include "game/shell/QMGameManager.h"
#include "script/binding/TWindowScript.h"
#include "window/TButton.h"
#include "window/TWindowManager.h"

TChoosePlayer::TChoosePlayer() { BindScriptFunctions(); }

void TChoosePlayer::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  SetPlayerChoices();
}

void TChoosePlayer::SetPlayerChoices() {
  QMGameManager* game = QMGameManager::Instance();
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  if (!game || !script) return;
  const int count = game->GetNumUsers();
  // Names are written as escaped literals: a quote or a backslash in a player's name must
  // neither break the call nor run as code.
  str table = "{";
  for (int i = 0; i < count && i < kMaxChoices; ++i)
    table += LuaStringLiteral(game->GetUserName(i)) + ",";
  table += "}";
  script->DoLuaString(str::Format("UpdatePlayerChoices( %d, %d, %s )", game->GetCurrentUser(),
                                  count, table.CStr()));
}

TButton* TChoosePlayer::ChoiceButton(int index) {
  TWindow* w = FindChild(str::Format("button%d", index), -1);
  return w && w->IsKindOf(TButton::GetClassId()) ? static_cast<TButton*>(w) : nullptr;
}

int TChoosePlayer::GetCurrentSelectedUser() {
  for (int i = 0; i < kMaxChoices; ++i) {
    TButton* button = ChoiceButton(i);
    if (button && button->GetToggleState()) return i;
  }
  return 0;
}

str TChoosePlayer::GetSelectedPlayerName() { return GetPlayerName(GetCurrentSelectedUser()); }

str TChoosePlayer::GetPlayerName(int index) {
  QMGameManager* game = QMGameManager::Instance();
  if (!game || index < 0 || index >= game->GetNumUsers()) return str();
  return game->GetUserName(index);
}
