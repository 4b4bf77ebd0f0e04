// The intro sequence's window. The intro script owns its content and timing; the window only
// starts the background sound its creation table names ("backgroundAudio"), looping in the
// music group. It keeps no hold on the sound, so the music runs on into whatever follows.
#pragma once

#include "window/TWindow.h"

class QMIntro : public TWindow {
  T_WINDOW_CLASS(QMIntro, TWindow)

public:
  void PostCreate(TWindowStyle& style) override;
};
