// A slider. Registered as a window type; its behaviour comes with the widgets.
#pragma once

#include "window/TWindow.h"

class TSlider : public TWindow {
  T_WINDOW_CLASS(TSlider, TWindow)
};
