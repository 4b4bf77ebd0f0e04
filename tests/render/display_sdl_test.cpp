// The desktop display shows presented frames in a real SDL window (run under a virtual X
// server; skipped only when there is no display at all).
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/display/sdl/Display.h"
#include "tests/support/XWindowImage.h"

// The X libraries that SDL loads keep a few allocations for the life of the process; SDL
// stays initialised to the end so that they can be told apart from leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libdbus\n";
}

namespace {

namespace pd = platform::display;

class DisplaySdl : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    // The window surface the game's window has: in memory, sent to the X server as it is (not
    // a texture that an OpenGL driver draws).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    window = SDL_CreateWindow("display test", 0, 0, 64, 48, SDL_WINDOW_SHOWN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
  }
  void TearDown() override {
    if (window) SDL_DestroyWindow(window);
  }
  // The pixel the window surface holds at (x, y), as ARGB.
  uint32_t WindowPixel(int x, int y) {
    SDL_Surface* s = SDL_GetWindowSurface(window);
    uint32_t raw = 0;
    SDL_LockSurface(s);
    const uint8_t* p =
        static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    std::memcpy(&raw, p, size_t(s->format->BytesPerPixel));
    SDL_UnlockSurface(s);
    uint8_t r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
  }
  SDL_Window* window = nullptr;
};

TEST_F(DisplaySdl, PresentedFramesAppearInTheWindow) {
  pd::sdl::Display display(window);
  EXPECT_GT(display.GetDesktop().width, 0);
  pd::SurfaceDesc primary;
  primary.caps = pd::kCapsPrimary;
  std::shared_ptr<pd::Surface> front, back;
  ASSERT_EQ(display.CreateSurface(primary, front), pd::kOk);
  EXPECT_EQ(front->Width(), 64);
  EXPECT_EQ(front->Height(), 48);
  pd::SurfaceDesc bd;
  bd.width = 64;
  bd.height = 48;
  bd.caps = pd::kCapsOffscreenPlain | pd::kCapsRenderTarget;
  ASSERT_EQ(display.CreateSurface(bd, back), pd::kOk);
  ASSERT_EQ(back->Fill(nullptr, 0xFF2040C0u), pd::kOk);
  pd::Rect r{10, 10, 20, 20};
  ASSERT_EQ(back->Fill(&r, 0xFFFFFF00u), pd::kOk);
  ASSERT_EQ(front->Blit(nullptr, *back, nullptr), pd::kOk);
  EXPECT_EQ(WindowPixel(2, 2), 0xFF2040C0u);
  EXPECT_EQ(WindowPixel(15, 15), 0xFFFFFF00u);

  // A present from another thread waits for the main thread.
  std::thread other([&] {
    pd::Rect all{0, 0, 64, 48};
    front->Fill(&all, 0xFF00FF00u);
  });
  other.join();
  EXPECT_TRUE(display.HasPending());
  EXPECT_EQ(WindowPixel(2, 2), 0xFF2040C0u);
  display.ShowPending();
  EXPECT_FALSE(display.HasPending());
  EXPECT_EQ(WindowPixel(2, 2), 0xFF00FF00u);
}

TEST_F(DisplaySdl, FullScreenStretchesTheFrameOverTheDesktop) {
  pd::sdl::Display display(window);
  ASSERT_EQ(display.SetCooperativeLevel(pd::CooperativeLevel::ExclusiveFullScreen), pd::kOk);
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP);
  ASSERT_EQ(display.SetDisplayMode(640, 480, 32), pd::kOk);
  pd::SurfaceDesc chain;
  chain.caps = pd::kCapsPrimary | pd::kCapsFlip;
  chain.backBufferCount = 1;
  std::shared_ptr<pd::Surface> front;
  ASSERT_EQ(display.CreateSurface(chain, front), pd::kOk);
  pd::Rect right{320, 0, 640, 480};
  ASSERT_EQ(front->BackBuffer()->Fill(nullptr, 0xFF0000FFu), pd::kOk);
  ASSERT_EQ(front->BackBuffer()->Fill(&right, 0xFFFF0000u), pd::kOk);
  ASSERT_EQ(front->Flip(), pd::kOk);
  SDL_Surface* s = SDL_GetWindowSurface(window);
  ASSERT_NE(s, nullptr);
  // The window now covers the desktop; each half of the frame covers half of it.
  EXPECT_EQ(s->w, display.GetDesktop().width);
  EXPECT_EQ(s->h, display.GetDesktop().height);
  EXPECT_EQ(WindowPixel(s->w / 4, s->h / 2), 0xFF0000FFu);
  EXPECT_EQ(WindowPixel(s->w * 3 / 4, s->h / 2), 0xFFFF0000u);
  ASSERT_EQ(display.SetCooperativeLevel(pd::CooperativeLevel::Normal), pd::kOk);
  EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP);
}

// After the first frame only the rows that changed go to the X server: what it shows is still
// every row of the latest frame, in a window and stretched over the desktop, also after a frame
// shown from another thread.
TEST_F(DisplaySdl, TheServerShowsTheLatestFrameWhenOnlySomeRowsChanged) {
  pd::sdl::Display display(window);
  if (!xshot::WindowImage(window).Ready()) GTEST_SKIP() << "SDL does not run on X here";
  pd::SurfaceDesc primary;
  primary.caps = pd::kCapsPrimary;
  std::shared_ptr<pd::Surface> front, back;
  ASSERT_EQ(display.CreateSurface(primary, front), pd::kOk);
  pd::SurfaceDesc bd;
  bd.width = 64;
  bd.height = 48;
  bd.caps = pd::kCapsOffscreenPlain | pd::kCapsRenderTarget;
  ASSERT_EQ(display.CreateSurface(bd, back), pd::kOk);
  // Paints rows top..bottom-1 of the next frame and presents it; answers the frame.
  auto present = [&](int top, int bottom, uint32_t colour) {
    pd::Rect band{0, top, 64, bottom};
    EXPECT_EQ(back->Fill(&band, colour), pd::kOk);
    EXPECT_EQ(front->Blit(nullptr, *back, nullptr), pd::kOk);
    return pd::Image::FromSurface(*back);
  };
  // The window's picture, on a connection of its own each time, as the game tests read it.
  auto grab = [&] { return xshot::WindowImage(window).Grab(); };
  // The server has the frame once the window is mapped: read until it shows it.
  auto shows = [&](const pd::Image& frame) {
    ::testing::AssertionResult same = ::testing::AssertionFailure() << "not read";
    for (int i = 0; i < 100 && !same; ++i) {
      SDL_PumpEvents();
      same = xshot::ShowsFrame(grab(), frame);
      if (!same) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return same;
  };
  // Lets the window system's answers to a new window or size arrive (an uncovered window is
  // shown whole), then shows the frame again as it is, so the next frame goes as its rows.
  auto settle = [&] {
    for (int i = 0; i < 10; ++i) {
      SDL_PumpEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(front->Blit(nullptr, *back, nullptr), pd::kOk);
  };
  EXPECT_TRUE(shows(present(0, 48, 0xFF2040C0u)));
  settle();
  EXPECT_TRUE(shows(present(20, 25, 0xFFFFFF00u))) << "a band of rows";
  EXPECT_TRUE(shows(present(47, 48, 0xFFFF0000u))) << "the last row";

  // A frame from another thread covers the window; the next frame from the main thread differs
  // from the last one it showed in one row only, yet replaces all of it.
  std::thread other([&] {
    pd::Rect all{0, 0, 64, 48};
    front->Fill(&all, 0xFF00FF00u);
  });
  other.join();
  display.ShowPending();
  EXPECT_TRUE(shows(present(30, 31, 0xFF808080u))) << "after a frame from another thread";

  ASSERT_EQ(display.SetCooperativeLevel(pd::CooperativeLevel::ExclusiveFullScreen), pd::kOk);
  EXPECT_TRUE(shows(present(0, 1, 0xFF102030u))) << "stretched whole";
  settle();
  const pd::Image frame = present(10, 13, 0xFFC0C0C0u);
  EXPECT_TRUE(shows(frame)) << "a band, stretched";
  // Stretched, every window pixel is the frame pixel it falls in.
  const pd::Image shown = grab();
  ASSERT_FALSE(shown.Empty());
  int differing = 0;
  for (int y = 0; y < shown.height; ++y)
    for (int x = 0; x < shown.width; ++x)
      differing += shown.At(x, y) != frame.At(x * 64 / shown.width, y * 48 / shown.height);
  EXPECT_EQ(differing, 0);
  ASSERT_EQ(display.SetCooperativeLevel(pd::CooperativeLevel::Normal), pd::kOk);
}

}  // namespace
