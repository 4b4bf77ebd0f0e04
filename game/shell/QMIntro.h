// The intro sequence's window. The intro script owns its content and timing; the window only
// plays the background sound its creation table names ("backgroundAudio"), looping in the
// music group, for as long as the intro is open.
#pragma once

#include <boost/shared_ptr.hpp>

#include "window/TWindow.h"

class TSound;

class QMIntro : public TWindow {
  T_WINDOW_CLASS(QMIntro, TWindow)

public:
  void PostCreate(TWindowStyle& style) override;

private:
  // A sound plays only while a handle on it is held.
  boost::shared_ptr<TSound> mBackgroundSound;
};
