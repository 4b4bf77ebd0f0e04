#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/display/sdl/Display.h"
#include "platform/window/sdl/Window.h"

// X's headers define macros that clash with the engine's names: they come last.
// clang-format off
#include <SDL_syswm.h>
#include <X11/Xlib.h>
// clang-format on

using namespace platform;

// The session bus library keeps one block until the process ends; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

// The size the X server gives the window, which is what the player sees (SDL's own record of
// the size can differ when nobody answers its requests).
void ServerSize(SDL_Window* w, int& width, int& height) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(w, &info));
  ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
  XSync(info.info.x11.display, False);
  XWindowAttributes a{};
  XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &a);
  width = a.width;
  height = a.height;
}

}  // namespace

// Under a bare X server (no window manager, as in these tests) a full-screen request is never
// answered; the game's window must still cover the desktop, and come back to its own size.
TEST(SdlDisplay, FullScreenCoversTheDesktopEvenWithoutAWindowManager) {
  const char* x = std::getenv("DISPLAY");
  if (!x || !*x) GTEST_SKIP() << "no X display";
  window::WindowDesc desc;
  auto w = window::sdl::Window::Create(desc);
  ASSERT_NE(w, nullptr);
  SDL_Window* sw = static_cast<window::sdl::Window*>(w.get())->SdlWindow();
  SDL_DisplayMode desktop;
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  ASSERT_GT(desktop.w, desc.width);

  display::sdl::Display d(sw);
  ASSERT_EQ(d.SetCooperativeLevel(display::CooperativeLevel::ExclusiveFullScreen), display::kOk);
  int width = 0, height = 0;
  for (int i = 0; i < 50; ++i) {
    SDL_PumpEvents();
    ServerSize(sw, width, height);
    if (width == desktop.w && height == desktop.h) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(width, desktop.w);
  EXPECT_EQ(height, desktop.h);

  ASSERT_EQ(d.SetCooperativeLevel(display::CooperativeLevel::Normal), display::kOk);
  w->SetClientSize(800, 600);
  for (int i = 0; i < 50; ++i) {
    SDL_PumpEvents();
    ServerSize(sw, width, height);
    if (width == 800 && height == 600) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
}
