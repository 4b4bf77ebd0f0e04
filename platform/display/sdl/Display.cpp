// Showing frames in an SDL window through its window surface.
#include "platform/display/sdl/Display.h"

#include <SDL.h>

#include <cstring>

namespace platform::display::sdl {

Display::Display(SDL_Window* window) : window_(window), mainThread_(std::this_thread::get_id()) {
  SDL_DisplayMode mode;
  int index = window ? SDL_GetWindowDisplayIndex(window) : 0;
  if (SDL_GetDesktopDisplayMode(index < 0 ? 0 : index, &mode) == 0) {
    desktop_.width = mode.w;
    desktop_.height = mode.h;
    int bits = int(SDL_BITSPERPIXEL(mode.format));
    desktop_.bitsPerPixel = bits >= 24 ? 32 : bits;
    desktop_.colours = bits > 8 ? -1 : 1 << bits;
  }
}

void Display::ClientSize(int32_t& width, int32_t& height) const {
  int w = 0, h = 0;
  if (window_) SDL_GetWindowSize(window_, &w, &h);
  if (w > 0 && h > 0) {
    width = w;
    height = h;
    return;
  }
  platform::display::Display::ClientSize(width, height);
}

void Display::LevelChanged(CooperativeLevel level) {
  if (!window_ || std::this_thread::get_id() != mainThread_) return;
  bool full = level == CooperativeLevel::ExclusiveFullScreen;
  // Without a window manager (a bare X server) the full-screen request is never answered and
  // the window would keep its size while frames are drawn for the whole desktop: cover the
  // desktop ourselves first. Back in a window, the engine sets the window's size again.
  if (full && desktop_.width > 0 && desktop_.height > 0) {
    SDL_SetWindowPosition(window_, 0, 0);
    SDL_SetWindowSize(window_, desktop_.width, desktop_.height);
  }
  SDL_SetWindowFullscreen(window_, full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

Display::~Display() {
  if (view_) SDL_FreeSurface(view_);
}

void Display::Present(Surface& primary) {
  if (std::this_thread::get_id() == mainThread_) {
    shown_.CopyFrom(primary);
    Show(shown_);
    return;
  }
  std::lock_guard<std::mutex> lock(pendingMutex_);
  pendingFrame_.CopyFrom(primary);
  pending_ = true;
}

void Display::ShowPending() {
  if (!pending_.exchange(false)) return;
  // Shown from where it lies: the presenting thread waits for the lock meanwhile.
  std::lock_guard<std::mutex> lock(pendingMutex_);
  Show(pendingFrame_);
}

void Display::Show(const Image& frame) {
  if (!window_ || frame.Empty()) return;
  SDL_Surface* screen = SDL_GetWindowSurface(window_);
  if (!screen) return;
  bool sameSize = screen->w == frame.width && screen->h == frame.height;
  bool xrgb = screen->format->format == SDL_PIXELFORMAT_ARGB8888 ||
              screen->format->format == SDL_PIXELFORMAT_RGB888;
  if (sameSize && xrgb && !SDL_MUSTLOCK(screen)) {
    for (int y = 0; y < frame.height; ++y)
      std::memcpy(static_cast<uint8_t*>(screen->pixels) + size_t(y) * size_t(screen->pitch),
                  frame.pixels.data() + size_t(y) * size_t(frame.width), size_t(frame.width) * 4);
    SDL_UpdateWindowSurface(window_);
    return;
  }
  // The view is made again only when the image's memory moved or changed size.
  if (!view_ || viewPixels_ != frame.pixels.data() || view_->w != frame.width ||
      view_->h != frame.height) {
    if (view_) SDL_FreeSurface(view_);
    view_ = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(frame.pixels.data()),
                                               frame.width, frame.height, 32, frame.width * 4,
                                               SDL_PIXELFORMAT_ARGB8888);
    viewPixels_ = view_ ? frame.pixels.data() : nullptr;
    if (!view_) return;
    SDL_SetSurfaceBlendMode(view_, SDL_BLENDMODE_NONE);
  }
  if (sameSize)
    SDL_BlitSurface(view_, nullptr, screen, nullptr);
  else
    SDL_BlitScaled(view_, nullptr, screen, nullptr);
  SDL_UpdateWindowSurface(window_);
}

}  // namespace platform::display::sdl
