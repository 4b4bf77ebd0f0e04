// Headless display: the shown frame is copied at each present.
#include "platform/display/headless/Display.h"

namespace platform::display::headless {

Display::Display() = default;

void Display::SetClientSize(int32_t width, int32_t height) {
  clientWidth_ = width;
  clientHeight_ = height;
}

void Display::ClientSize(int32_t& width, int32_t& height) const {
  const int32_t w = clientWidth_.load(), h = clientHeight_.load();
  if (w > 0 && h > 0) {
    width = w;
    height = h;
    return;
  }
  platform::display::Display::ClientSize(width, height);
}

void Display::Present(Surface& primary) {
  // Copied into the kept frame: a present allocates nothing once the size is set.
  std::lock_guard<std::mutex> lock(frameMutex_);
  frame_.CopyFrom(primary);
  ++presents_;
}

Image Display::Frame() const {
  std::lock_guard<std::mutex> lock(frameMutex_);
  return frame_;
}

}  // namespace platform::display::headless
