// The intro sequence's window. The intro script owns its content and timing; the window only
// starts the background sound its creation table names ("backgroundAudio"), looping in the
// music group. The window keeps no handle on it: the music plays on after the intro closes,
// until the music group or the sound is stopped.
#pragma once

#include "window/TWindow.h"

class QMIntro : public TWindow {
  T_WINDOW_CLASS(QMIntro, TWindow)

public:
  void PostCreate(TWindowStyle& style) override;
};
