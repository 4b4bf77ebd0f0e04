// A plain window over the parts of the arcade screen that are not play area: the pointer
// moving onto it has left the scene, so the search tool's cursor gives way to the normal one.
#pragma once

#include "window/TWindow.h"

class SearchOverlay : public TWindow {
  T_WINDOW_CLASS(SearchOverlay, TWindow)

public:
  bool OnMouseMove(const TPoint& p) override;
};
