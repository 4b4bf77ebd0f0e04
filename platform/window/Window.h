// The main window and its message queue. The engine's event pump takes native messages from
// here one at a time; the backends turn their own input into those messages. Headless keeps
// everything in process (tests post messages); the desktop backend is an SDL2 window.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/window/Messages.h"

namespace platform::window {

struct WindowDesc {
  std::string title;
  int width = 480;
  int height = 360;
  bool child = false;    // hosted inside another program's window
  bool unicode = false;  // characters arrive as UTF-16 units instead of single bytes
  // Shown at once. The engine's own window waits for its display instead, so that it first
  // appears in its final mode and size rather than small and then stretched to full screen.
  bool visible = true;
};

class IWindow {
public:
  virtual ~IWindow() = default;

  // The number the window is known by (the "hwnd" setting, capture messages).
  virtual uint64_t Handle() const = 0;
  virtual void SetTitle(const std::string& utf8) = 0;
  virtual std::string GetTitle() const = 0;
  virtual void SetClientSize(int width, int height) = 0;
  virtual void GetClientSize(int& width, int& height) const = 0;
  virtual void Show() = 0;
  virtual bool IsForeground() const = 0;
  virtual void SetForeground() = 0;
  virtual void SetCursorVisible(bool visible) = 0;
  virtual void SetMouseCapture(bool capture) = 0;
  // Takes the keyboard focus (a hosted window gets it only when clicked).
  virtual void SetKeyboardFocus() = 0;

  // Queues a message for the pump; safe from any thread.
  virtual void PostMessage(const Message& message) = 0;
  // Takes the next message; with a filter only a message of that number is taken.
  virtual bool PeekMessage(Message& out, uint32_t filter = WM_NULL) = 0;
  // Blocks until input arrives, Wake is called or the time is up.
  virtual void WaitForInput(uint32_t ms) = 0;
  // Ends a WaitForInput under way, or the next one, at once; safe from any thread.
  virtual void Wake() = 0;

  // Key and mouse state as of the last message taken.
  virtual bool IsKeyDown(int vk) const = 0;
  virtual void GetMousePosition(int& x, int& y) const = 0;
};

// Queue, key state and mouse position shared by both backends.
class WindowBase : public IWindow {
public:
  void PostMessage(const Message& message) override;
  bool PeekMessage(Message& out, uint32_t filter = WM_NULL) override;
  bool IsKeyDown(int vk) const override;
  void GetMousePosition(int& x, int& y) const override;
  void Wake() override;

protected:
  // Lets the desktop backend move its pending input into the queue before a take.
  virtual void Pump() {}
  // Lets the desktop backend end its own wait; called on the thread that wakes.
  virtual void Interrupt() {}
  // Blocks until a message is queued, a wake came or the time is up; true unless the time ran
  // out.
  bool WaitForMessage(uint32_t ms);
  // Whether a message is queued or a wake came; takes the wake.
  bool TakeWake();

private:
  void Track(const Message& m);

  mutable std::mutex mMutex;
  std::condition_variable mPosted;
  std::deque<Message> mQueue;
  bool mWoken = false;
  bool mKeys[256] = {};
  int mMouseX = 0, mMouseY = 0;
};

// Headless only when asked for: by RequestHeadless (tests, the "--headless" option) or by
// the environment variable ENGINE_HEADLESS set to a value other than "0". A player's run
// never falls back to it silently.
void RequestHeadless(bool on);
bool IsHeadless();

// Null when no window can be opened (no display, or the desktop refused); `why` then says
// what went wrong in words for the player.
std::unique_ptr<IWindow> CreateMainWindow(const WindowDesc& desc, std::string* why = nullptr);

// Size of the screen the window lives on.
void GetScreenSize(int& width, int& height);

// Message boxes: flags and answers as the engine names them.
enum : int { MB_OK = 0, MB_OKCANCEL = 1, MB_YESNO = 4 };
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };
int ShowMessageBox(const std::string& title, const std::string& text, int flags);

// The system clipboard's text; a write answers whether it really took.
bool SetClipboardText(const std::string& text);
bool GetClipboardText(std::string& out);

}  // namespace platform::window
