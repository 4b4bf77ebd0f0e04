// The intro sequence's window. The intro script owns its content and timing; the window only
// starts the background sound its creation table names ("backgroundAudio"), looping in the
// music group, and stops it when the intro closes: a loop held to its end would never end, and
// each later showing of the intro would add another.
#pragma once

#include <boost/weak_ptr.hpp>

#include "window/TWindow.h"

class TSoundInstance;

class QMIntro : public TWindow {
  T_WINDOW_CLASS(QMIntro, TWindow)

public:
  ~QMIntro() override;
  void PostCreate(TWindowStyle& style) override;

private:
  boost::weak_ptr<TSoundInstance> mMusic;
};
