// The desktop display: frames are shown in the game's SDL window, which another part of the
// platform owns and hands in. Full screen is the window in desktop full-screen mode with the
// frame stretched over it. SDL is touched from the thread that made this object only; a frame
// presented on another thread (the cursor redraw) waits for ShowPending there.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/display/Display.h"
#include "platform/display/Image.h"

struct SDL_Surface;
struct SDL_Window;

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
  void Show(const Image& frame);

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
};

}  // namespace platform::display::sdl
