// Showing frames in an SDL window through its window surface.
#include "platform/display/sdl/Display.h"

#include <SDL.h>

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
  SDL_SetWindowFullscreen(
      window_, level == CooperativeLevel::ExclusiveFullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

void Display::Present(Surface& primary) {
  Image frame = Image::FromSurface(primary);
  if (std::this_thread::get_id() == mainThread_) {
    Show(frame);
    return;
  }
  std::lock_guard<std::mutex> lock(pendingMutex_);
  pendingFrame_ = std::move(frame);
  pending_ = true;
}

void Display::ShowPending() {
  if (!pending_.exchange(false)) return;
  Image frame;
  {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    frame = std::move(pendingFrame_);
  }
  Show(frame);
}

void Display::Show(const Image& frame) {
  if (!window_ || frame.Empty()) return;
  SDL_Surface* screen = SDL_GetWindowSurface(window_);
  if (!screen) return;
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(frame.pixels.data()),
                                                        frame.width, frame.height, 32,
                                                        frame.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!src) return;
  SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
  if (screen->w == frame.width && screen->h == frame.height)
    SDL_BlitSurface(src, nullptr, screen, nullptr);
  else
    SDL_BlitScaled(src, nullptr, screen, nullptr);
  SDL_FreeSurface(src);
  SDL_UpdateWindowSurface(window_);
}

}  // namespace platform::display::sdl
