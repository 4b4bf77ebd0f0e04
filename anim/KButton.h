// The puzzle and scene button: a button that also tells the scene it belongs to when it is
// pressed (message 2014 to the window named "puzzleWindow") and when the mouse leaves it
// (message 2015), so scene scripts can scroll or switch while it is held.
#pragma once

#include "window/TButton.h"

enum : int32_t {
  kPuzzleButtonDown = 2014,
  kPuzzleButtonLeave = 2015,
};

class KButton : public TButton {
  T_WINDOW_CLASS(KButton, TButton)

public:
  bool OnMouseDown(const TPoint& point) override;
  // Never takes the move, so the scene under the button sees it too.
  bool OnMouseMove(const TPoint& point) override;
  bool OnMouseLeave() override;
};
