// What the X server shows of an SDL window, read on a connection of the test's own: the
// window's picture as the server holds it (XGetImage), and how it compares with a frame the
// engine drew, allowing for a frame stretched over a window of another size.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/display/Image.h"

// X's headers define macros that clash with the engine's names: they come last.
// clang-format off
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

namespace xshot {

class WindowImage {
public:
  // Watches the X window behind an SDL window; Ready() is false when SDL runs on anything
  // but X or the server cannot be reached.
  explicit WindowImage(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    mWindow = info.info.x11.window;
    mServer = XOpenDisplay(nullptr);
  }
  ~WindowImage() {
    if (mServer) XCloseDisplay(mServer);
  }
  WindowImage(const WindowImage&) = delete;
  WindowImage& operator=(const WindowImage&) = delete;

  bool Ready() const { return mServer != nullptr && mWindow != 0; }

  // Puts the window above every other, so nothing covers what is read.
  void Raise() {
    if (!Ready()) return;
    XRaiseWindow(mServer, mWindow);
    XSync(mServer, False);
  }

  // Gives the window the keyboard focus, as a window manager would when the player picks it;
  // false when the server refuses (the window is not mapped yet, say).
  bool Focus() {
    if (!Ready()) return false;
    sFailed = false;
    XErrorHandler previous = XSetErrorHandler(&Refuse);
    XSetInputFocus(mServer, mWindow, RevertToPointerRoot, CurrentTime);
    XSync(mServer, False);
    XSetErrorHandler(previous);
    return !sFailed;
  }

  // The window's picture, opaque ARGB; empty when the server cannot give it (the window is not
  // mapped yet, say): the server's refusal is an answer here, not the end of the program.
  platform::display::Image Grab() {
    platform::display::Image out;
    if (!Ready()) return out;
    XSync(mServer, False);
    sFailed = false;
    XErrorHandler previous = XSetErrorHandler(&Refuse);
    XWindowAttributes a{};
    XImage* image = nullptr;
    if (XGetWindowAttributes(mServer, mWindow, &a) && a.map_state == IsViewable)
      image = XGetImage(mServer, mWindow, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes,
                        ZPixmap);
    XSync(mServer, False);
    XSetErrorHandler(previous);
    if (!image || sFailed) {
      if (image) XDestroyImage(image);
      return out;
    }
    out.width = image->width;
    out.height = image->height;
    out.pixels.resize(size_t(out.width) * size_t(out.height));
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        out.pixels[size_t(y) * size_t(out.width) + size_t(x)] =
            0xFF000000u | Channel(p, image->red_mask) << 16 | Channel(p, image->green_mask) << 8 |
            Channel(p, image->blue_mask);
      }
    XDestroyImage(image);
    return out;
  }

private:
  // One colour channel of a pixel, scaled to 8 bits whatever the visual's depth.
  static uint32_t Channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long top = mask >> shift;
    return uint32_t(((pixel & mask) >> shift) * 255 / top);
  }
  static int Refuse(Display*, XErrorEvent*) {
    sFailed = true;
    return 0;
  }

  static inline bool sFailed = false;
  Display* mServer = nullptr;
  ::Window mWindow = 0;
};

// Whether the window's picture is the frame, stretched over the window when their sizes differ
// (each window pixel is then matched with the frame pixels around the one it was taken from).
// Channels may differ by the tolerance; a stretched picture may also differ in up to
// `strayPerMille` of its pixels, where filtering blends edges.
inline ::testing::AssertionResult ShowsFrame(const platform::display::Image& shown,
                                             const platform::display::Image& frame,
                                             int tolerance = 0, int strayPerMille = 0) {
  if (shown.Empty()) return ::testing::AssertionFailure() << "the X server gave no picture";
  if (frame.Empty()) return ::testing::AssertionFailure() << "the engine has drawn no frame";
  const bool stretched = shown.width != frame.width || shown.height != frame.height;
  auto close = [&](uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
      if (d > tolerance || d < -tolerance) return false;
    }
    return true;
  };
  int64_t differing = 0;
  std::ostringstream first;
  for (int32_t y = 0; y < shown.height; ++y)
    for (int32_t x = 0; x < shown.width; ++x) {
      const uint32_t s = shown.At(x, y);
      const int32_t fx = int32_t(int64_t(x) * frame.width / shown.width);
      const int32_t fy = int32_t(int64_t(y) * frame.height / shown.height);
      bool same = close(s, frame.At(fx, fy));
      for (int dy = -1; !same && stretched && dy <= 1; ++dy)
        for (int dx = -1; !same && dx <= 1; ++dx) {
          const int32_t nx = fx + dx, ny = fy + dy;
          if (nx >= 0 && ny >= 0 && nx < frame.width && ny < frame.height)
            same = close(s, frame.At(nx, ny));
        }
      if (!same && differing++ == 0)
        first << "first at (" << x << ", " << y << "): 0x" << std::hex << (s & 0xFFFFFF)
              << " where the frame has 0x" << (frame.At(fx, fy) & 0xFFFFFF);
    }
  const int64_t allowed = int64_t(shown.width) * shown.height * strayPerMille / 1000;
  if (differing <= allowed) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differing << " of " << shown.width << "x" << shown.height
                                       << " window pixels differ from the " << frame.width << "x"
                                       << frame.height << " frame; " << first.str();
}

}  // namespace xshot
