#include "platform/window/Window.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/window/headless/Window.h"
#include "platform/window/sdl/Window.h"

namespace platform::window {

void WindowBase::PostMessage(const Message& message) {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mQueue.push_back(message);
  }
  mPosted.notify_all();
  Interrupt();
}

bool WindowBase::WaitForMessage(uint32_t ms) {
  std::unique_lock<std::mutex> lock(mMutex);
  bool ready = mPosted.wait_for(lock, std::chrono::milliseconds(ms),
                                [this] { return !mQueue.empty() || mWoken; });
  mWoken = false;
  return ready;
}

void WindowBase::Wake() {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mWoken = true;
  }
  mPosted.notify_all();
  Interrupt();
}

bool WindowBase::TakeWake() {
  std::lock_guard<std::mutex> lock(mMutex);
  bool ready = mWoken || !mQueue.empty();
  mWoken = false;
  return ready;
}

bool WindowBase::PeekMessage(Message& out, uint32_t filter) {
  Pump();
  std::lock_guard<std::mutex> lock(mMutex);
  for (auto it = mQueue.begin(); it != mQueue.end(); ++it) {
    if (filter != WM_NULL && it->message != filter) continue;
    out = *it;
    mQueue.erase(it);
    Track(out);
    return true;
  }
  return false;
}

void WindowBase::Track(const Message& m) {
  switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (m.wParam < 256) mKeys[m.wParam] = true;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (m.wParam < 256) mKeys[m.wParam] = false;
      break;
    case WM_MOUSEMOVE:
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
      mMouseX = LoSigned(m.lParam);
      mMouseY = HiSigned(m.lParam);
      break;
    default:
      // The wheel carries screen coordinates; every other button message client ones.
      if (IsMouseButtonMessage(m.message) && m.message != WM_MOUSEWHEEL) {
        mMouseX = LoSigned(m.lParam);
        mMouseY = HiSigned(m.lParam);
      }
      break;
  }
}

bool WindowBase::IsKeyDown(int vk) const {
  std::lock_guard<std::mutex> lock(mMutex);
  return vk >= 0 && vk < 256 && mKeys[vk];
}

void WindowBase::GetMousePosition(int& x, int& y) const {
  std::lock_guard<std::mutex> lock(mMutex);
  x = mMouseX;
  y = mMouseY;
}

namespace {
std::atomic<bool> gHeadlessRequested{false};

bool HasDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* w = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (w && *w);
}

bool HeadlessFromEnvironment() {
  const char* v = std::getenv("ENGINE_HEADLESS");
  return v && *v && std::strcmp(v, "0") != 0;
}
}  // namespace

void RequestHeadless(bool on) { gHeadlessRequested.store(on); }

bool IsHeadless() { return gHeadlessRequested.load() || HeadlessFromEnvironment(); }

std::unique_ptr<IWindow> CreateMainWindow(const WindowDesc& desc, std::string* why) {
  if (IsHeadless()) return std::make_unique<headless::Window>(desc);
  std::string reason;
  if (!HasDisplay()) {
    reason = "no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)";
  } else if (auto w = sdl::Window::Create(desc, &reason)) {
    return w;
  }
  if (why) *why = reason;
  return nullptr;
}

void GetScreenSize(int& width, int& height) {
  if (IsHeadless() || !sdl::GetScreenSize(width, height)) headless::GetScreenSize(width, height);
}

int ShowMessageBox(const std::string& title, const std::string& text, int flags) {
  if (IsHeadless()) return headless::ShowMessageBox(title, text, flags);
  return sdl::ShowMessageBox(title, text, flags);
}

bool SetClipboardText(const std::string& text) {
  if (IsHeadless()) return headless::SetClipboardText(text);
  return sdl::SetClipboardText(text);
}

bool GetClipboardText(std::string& out) {
  if (IsHeadless()) return headless::GetClipboardText(out);
  return sdl::GetClipboardText(out);
}

}  // namespace platform::window
