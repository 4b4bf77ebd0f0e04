// The options dialog's window. It shows whether the display runs full screen and whether sound
// is on, opens the effects and music sliders at the player's stored levels, applies the sliders
// to the sound volume groups while they move, plays a test sound when one is released, and
// gives the scripts "SaveVolumes" to store both levels and "RestoreVolumes" to go back to them. What a click on the full-screen or mute
// box does belongs to the scripts.
#pragma once

#include <boost/shared_ptr.hpp>

#include "window/TWindow.h"

class TSlider;
class TSound;

class TOptions : public TWindow {
  T_WINDOW_CLASS(TOptions, TWindow)

public:
  TOptions();
  ~TOptions() override;

  // Takes no fit or align pass: the dialog keeps the layout's own box.
  void PostCreate(TWindowStyle& style) override;
  bool OnMessage(TMessage* message) override;

  // Stores both slider values (times 1000) in the current player's preferences.
  void SaveVolumes();
  // Sets both sliders, and so the volumes, back to the levels stored for the player: what a
  // cancelled dialog leaves in force.
  void RestoreVolumes();

private:
  void BindScriptFunctions();
  TSlider* FindSlider(const char* name);

  // Kept so the test sound plays to its end; replaced at each release.
  boost::shared_ptr<TSound> mTestSound;
};
