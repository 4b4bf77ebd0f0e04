// The desktop display: frames are shown in the game's SDL window, which another part of the
// platform owns and hands in. Full screen is the window in desktop full-screen mode with the
// frame stretched over it. SDL is touched from the thread that made this object only; a frame
// presented on another thread (the cursor redraw) waits for ShowPending there.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/display/Display.h"
#include "platform/display/Image.h"

struct SDL_Surface;
struct SDL_Window;
union SDL_Event;

namespace platform::display::sdl {

class Display : public platform::display::Display {
public:
  explicit Display(SDL_Window* window);
  ~Display() override;

  // Shows a frame presented on another thread since the last call; main thread only.
  void ShowPending() override;
  bool HasPending() const override { return pending_.load(); }

protected:
  void ClientSize(int32_t& width, int32_t& height) const override;
  void Present(Surface& primary) override;
  void LevelChanged(CooperativeLevel level) override;

private:
  // Shows rows first..last of the frame (the rows that changed since the last frame shown);
  // the whole frame when the window may not hold the rest of it.
  void Show(const Image& frame, int32_t first, int32_t last);
  // Converts the primary into shown_, answering the band of rows that changed: first > last
  // when none did.
  void TakeFrame(const Surface& primary, int32_t& first, int32_t& last);
  // Stretches rows first..last of the frame over the window surface's matching rows, each
  // window pixel taken from the frame pixel it falls in; answers the window rows written.
  void Stretch(const Image& frame, SDL_Surface* screen, int32_t first, int32_t last, int32_t& top,
               int32_t& bottom);

  SDL_Window* window_;
  std::thread::id mainThread_;
  std::mutex pendingMutex_;
  Image pendingFrame_;
  std::atomic<bool> pending_{false};
  // Kept between presents so that showing a frame allocates nothing: the frame shown on the
  // main thread, and the SDL view of the image last stretched onto the window.
  Image shown_;
  SDL_Surface* view_ = nullptr;
  const void* viewPixels_ = nullptr;
  // A row of the primary converted, to be compared with the row shown.
  std::vector<uint32_t> row_;
  // The frame column each window column shows, for the sizes it was made for.
  std::vector<int32_t> columns_;
  int32_t columnsFrom_ = 0;
  // What the window surface held after the last show: the frame in shown_, in full, on the
  // surface of this address and size. Anything else (a frame shown from another thread, a new
  // or resized surface) and the next frame is shown whole.
  const SDL_Surface* shownOn_ = nullptr;
  int32_t shownOnWidth_ = 0;
  int32_t shownOnHeight_ = 0;
  // Set when the window system uncovers or resizes the window: its picture is shown whole
  // again. An event watch of SDL's sets it, on whichever thread the event passes; it knows the
  // window by its id, which stays readable when the window is gone before this display.
  std::atomic<bool> exposed_{false};
  uint32_t windowId_ = 0;
  static int WatchWindow(void* display, SDL_Event* event);
};

}  // namespace platform::display::sdl
