// Tests make windows with new and hand them over: this names the hand-over.
#pragma once

#include <memory>

#include "window/TWindow.h"

inline std::unique_ptr<TWindow> Own(TWindow* w) { return std::unique_ptr<TWindow>(w); }
