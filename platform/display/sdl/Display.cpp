// Showing frames in an SDL window through its window surface.
#include "platform/display/sdl/Display.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/display/PixelFormat.h"
#include "platform/display/Surface.h"

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
  if (window_) {
    windowId_ = SDL_GetWindowID(window_);
    SDL_AddEventWatch(&Display::WatchWindow, this);
  }
}

int Display::WatchWindow(void* display, SDL_Event* event) {
  auto* self = static_cast<Display*>(display);
  if (event->type == SDL_WINDOWEVENT && event->window.windowID == self->windowId_ &&
      (event->window.event == SDL_WINDOWEVENT_EXPOSED ||
       event->window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
       event->window.event == SDL_WINDOWEVENT_RESTORED))
    self->exposed_ = true;
  return 1;
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
  if (window_) SDL_DelEventWatch(&Display::WatchWindow, this);
  if (view_) SDL_FreeSurface(view_);
}

void Display::Present(Surface& primary) {
  if (std::this_thread::get_id() == mainThread_) {
    int32_t first = 0, last = 0;
    TakeFrame(primary, first, last);
    Show(shown_, first, last);
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
  Show(pendingFrame_, 0, pendingFrame_.height - 1);
}

void Display::TakeFrame(const Surface& primary, int32_t& first, int32_t& last) {
  const int32_t w = primary.Width(), h = primary.Height();
  if (shown_.width != w || shown_.height != h || shown_.Empty()) {
    shown_.CopyFrom(primary);
    first = 0;
    last = h - 1;
    return;
  }
  row_.resize(size_t(w));
  first = h;
  last = -1;
  for (int32_t y = 0; y < h; ++y) {
    RowToArgb(primary.Format(), primary.Bits() + size_t(y) * size_t(primary.Pitch()), row_.data(),
              w);
    uint32_t* shown = shown_.pixels.data() + size_t(y) * size_t(w);
    if (std::memcmp(shown, row_.data(), size_t(w) * 4) == 0) continue;
    std::memcpy(shown, row_.data(), size_t(w) * 4);
    first = std::min(first, y);
    last = y;
  }
}

void Display::Stretch(const Image& frame, SDL_Surface* screen, int32_t first, int32_t last,
                      int32_t& top, int32_t& bottom) {
  const int64_t fw = frame.width, fh = frame.height, sw = screen->w, sh = screen->h;
  if (columns_.size() != size_t(sw) || columnsFrom_ != frame.width) {
    columns_.resize(size_t(sw));
    for (int64_t x = 0; x < sw; ++x) columns_[size_t(x)] = int32_t(x * fw / sw);
    columnsFrom_ = frame.width;
  }
  // The window rows y whose frame row y * fh / sh lies within first..last.
  top = int32_t((first * sh + fh - 1) / fh);
  bottom = int32_t(std::min<int64_t>(((last + 1) * sh + fh - 1) / fh, sh) - 1);
  const uint32_t* above = nullptr;
  int32_t aboveFrom = -1;
  for (int32_t y = top; y <= bottom; ++y) {
    const auto from = int32_t(y * fh / sh);
    auto* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(screen->pixels) +
                                            size_t(y) * size_t(screen->pitch));
    if (from == aboveFrom) {
      std::memcpy(out, above, size_t(sw) * 4);
      continue;
    }
    const uint32_t* in = frame.pixels.data() + size_t(from) * size_t(fw);
    for (int64_t x = 0; x < sw; ++x) out[x] = in[columns_[size_t(x)]];
    above = out;
    aboveFrom = from;
  }
}

void Display::Show(const Image& frame, int32_t first, int32_t last) {
  if (!window_ || frame.Empty()) return;
  SDL_Surface* screen = SDL_GetWindowSurface(window_);
  if (!screen) return;
  // A frame like the one shown is shown whole: it is presented again for a reason (the
  // window was uncovered, say).
  const bool whole = exposed_.exchange(false) || first > last || screen != shownOn_ ||
                     screen->w != shownOnWidth_ || screen->h != shownOnHeight_;
  if (whole) {
    first = 0;
    last = frame.height - 1;
  }
  // Only shown_ stays as it was shown: a frame from elsewhere is not compared with later ones.
  shownOn_ = &frame == &shown_ ? screen : nullptr;
  shownOnWidth_ = screen->w;
  shownOnHeight_ = screen->h;
  bool sameSize = screen->w == frame.width && screen->h == frame.height;
  bool xrgb = screen->format->format == SDL_PIXELFORMAT_ARGB8888 ||
              screen->format->format == SDL_PIXELFORMAT_RGB888;
  if (xrgb && !SDL_MUSTLOCK(screen)) {
    int32_t top = first, bottom = last;
    if (sameSize) {
      for (int32_t y = first; y <= last; ++y)
        std::memcpy(static_cast<uint8_t*>(screen->pixels) + size_t(y) * size_t(screen->pitch),
                    frame.pixels.data() + size_t(y) * size_t(frame.width), size_t(frame.width) * 4);
    } else {
      Stretch(frame, screen, first, last, top, bottom);
    }
    if (whole) {
      SDL_UpdateWindowSurface(window_);
    } else if (top <= bottom) {
      const SDL_Rect band{0, top, screen->w, bottom - top + 1};
      SDL_UpdateWindowSurfaceRects(window_, &band, 1);
    }
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
