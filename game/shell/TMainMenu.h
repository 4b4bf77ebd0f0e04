// The title menu's window. The menu script lays out its buttons and says what they do; this
// window greets the current player (or hides the greeting while there is no player), plays the
// menu's background sound for as long as it is open, and hides the more-games button when the
// game ships no cross-sell description.
#pragma once

#include <boost/shared_ptr.hpp>

#include "window/TWindow.h"

class TSound;

class TMainMenu : public TWindow {
  T_WINDOW_CLASS(TMainMenu, TWindow)

public:
  TMainMenu();
  // Stops every playing instance of the background sound: leaving the menu silences it.
  ~TMainMenu() override;

  void PostCreate(TWindowStyle& style) override;

  // Shows "welcome", "changeplayer" and "userName" with the current player's name; hides them
  // while no player exists. Bound to the scripts as "SetWelcomeName".
  void SetWelcomeName();

private:
  void BindScriptFunctions();

  boost::shared_ptr<TSound> mBackgroundSound;
};
