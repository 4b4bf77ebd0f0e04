// Makes the display backend that draws into a given main window.
#pragma once

#include <memory>

#include "platform/display/Display.h"

namespace platform::window {
class IWindow;
}

namespace platform::display {

// An SDL window gets the SDL display; any other window (or none) the headless display.
std::unique_ptr<Display> CreateDisplay(platform::window::IWindow* window);

}  // namespace platform::display
