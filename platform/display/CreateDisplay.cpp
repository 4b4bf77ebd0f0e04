#include "platform/display/CreateDisplay.h"

#include "platform/display/headless/Display.h"
#include "platform/display/sdl/Display.h"
#include "platform/window/sdl/Window.h"

namespace platform::display {

std::unique_ptr<Display> CreateDisplay(platform::window::IWindow* window) {
  if (auto* sdlWindow = dynamic_cast<platform::window::sdl::Window*>(window))
    return std::make_unique<sdl::Display>(sdlWindow->SdlWindow());
  return std::make_unique<headless::Display>();
}

}  // namespace platform::display
