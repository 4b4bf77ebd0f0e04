// The player-selection dialog's window. Its layout script places up to ten toggle buttons
// "button0".."button9", one per profile; this window hands that script the profile names and
// the current player ("UpdatePlayerChoices"), and answers which button is checked and the name
// of any profile slot. Creating, renaming and deleting profiles are the game object's functions.
#pragma once

#include "core/str.h"
#include "window/TWindow.h"

class TButton;

class TChoosePlayer : public TWindow {
  T_WINDOW_CLASS(TChoosePlayer, TWindow)

public:
  // At most this many profiles are offered, one per button.
  static constexpr int kMaxChoices = 10;

  TChoosePlayer();

  void PostCreate(TWindowStyle& style) override;

  // Calls the layout's "UpdatePlayerChoices( current, count, { names } )".
  void SetPlayerChoices();
  // The first checked button's index; 0 when none is checked.
  int GetCurrentSelectedUser();
  str GetSelectedPlayerName();
  str GetPlayerName(int index);

private:
  void BindScriptFunctions();
  TButton* ChoiceButton(int index);
};
