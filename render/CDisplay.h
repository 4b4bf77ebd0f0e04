// The screen: the display object, the front buffer and the back buffer the device draws into,
// made either as a full-screen flip chain or as a windowed pair, and the present between them.
#pragma once

#include <memory>

#include "core/TRect.h"
#include "platform/display/Display.h"
#include "platform/display/Surface.h"
#include "platform/window/Window.h"

// A plain surface made on request, with the description it was made with.
struct CScreenSurface {
  std::shared_ptr<platform::display::Surface> surface;
  platform::display::SurfaceDesc desc;
};

// How a display is made: the low 16 bits of a creation selector (the device index to start
// from rides in the high 16).
enum TDisplayCreateFlags : uint32_t {
  kDisplayCreate = 1,          // set in every request of the display handler
  kDisplayKeepWindowSize = 2,  // the window is a host's child: its size and style stay
  kDisplayAntialias = 4,       // ask for the antialiasing hint
};

class CDisplay {
public:
  using Result = platform::display::Result;

  explicit CDisplay(platform::display::Display* display) : mDisplay(display) {}
  ~CDisplay() { Destroy(); }

  virtual Result Destroy();
  // selector: device index in the high 16 bits, TDisplayCreateFlags in the low 16.
  Result CreateFullScreen(platform::window::IWindow* window, int width, int height, int bits,
                          uint32_t selector);
  // flags: TDisplayCreateFlags.
  Result CreateWindowed(platform::window::IWindow* window, platform::window::IWindow* clipWindow,
                        int width, int height, bool videoMemory, uint32_t flags);
  Result CreateSurface(std::unique_ptr<CScreenSurface>& out, int width, int height,
                       const platform::display::PixelFormat* format, const uint32_t* caps);
  Result Present();
  void RefreshWindowRect();
  TPoint GetWindowOrigin();
  void RestoreDisplayMode();

  platform::display::Display* GetDirectDraw() const { return mCreated ? mDisplay : nullptr; }
  platform::display::Display* Backend() const { return mDisplay; }
  const std::shared_ptr<platform::display::Surface>& GetFrontBuffer() const { return mFront; }
  const std::shared_ptr<platform::display::Surface>& GetBackBuffer() const { return mBack; }
  bool IsWindowed() const { return mWindowed; }
  bool WasCreatedOnce() const { return mCreatedOnce; }
  const TRect& GetWindowRect() const { return mWindowRect; }

private:
  platform::display::Display* mDisplay;
  std::shared_ptr<platform::display::Surface> mFront;
  std::shared_ptr<platform::display::Surface> mBack;
  platform::window::IWindow* mWindow = nullptr;
  TRect mWindowRect;
  bool mWindowed = false;
  bool mCreated = false;
  bool mCreatedOnce = false;
};

// Logs a failing display result as the display code always has, sending an out-of-video-memory
// result to the platform first. Answers the result.
platform::display::Result DxCheck(platform::display::Result result, const char* source, int line);
