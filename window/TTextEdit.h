// A text edit. Registered as a window type; its behaviour comes with the widgets.
#pragma once

#include "window/TWindow.h"

class TTextEdit : public TWindow {
  T_WINDOW_CLASS(TTextEdit, TWindow)
};
