// The feedback window that coaches the player over a puzzle: it owns one sprite window in which
// its zones play their short scripted animations, one at a time.
#pragma once

#include "window/TWindow.h"

class KSpriteWindow;

class RealTimeFeedback : public TWindow {
  T_WINDOW_CLASS(RealTimeFeedback, TWindow)

public:
  RealTimeFeedback();

  // The whole creation table is the animation window's: its keys and script live there.
  void Init(TWindowStyle& style) override;
  bool OnMessage(TMessage*) override { return false; }

  // False while another zone's animation still plays (the animation script clears the global
  // "RTFZoneAnimation" when it ends); otherwise starts the named script and answers true.
  bool PlayZoneAnimation(const str& script);

  KSpriteWindow* GetAnimationWindow() const { return mAnimation; }

private:
  // Owned as a child.
  KSpriteWindow* mAnimation = nullptr;
};
