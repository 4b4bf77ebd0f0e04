// The desktop main window on SDL2. SDL events become the same native messages the headless
// queue carries. SDL is touched from the main thread only: the queue is filled when the pump
// takes a message.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "platform/window/Window.h"

struct SDL_Window;
union SDL_Event;

namespace platform::window::sdl {

class Window : public WindowBase {
public:
  // Null when SDL cannot open a window; `why` then holds SDL's reason.
  static std::unique_ptr<Window> Create(const WindowDesc& desc, std::string* why = nullptr);
  ~Window() override;

  uint64_t Handle() const override;
  void SetTitle(const std::string& utf8) override;
  std::string GetTitle() const override;
  void SetClientSize(int width, int height) override;
  void GetClientSize(int& width, int& height) const override;
  void Show() override;
  bool IsForeground() const override;
  void SetForeground() override;
  void SetCursorVisible(bool visible) override;
  void SetMouseCapture(bool capture) override;
  void SetKeyboardFocus() override;
  void WaitForInput(uint32_t ms) override;

  SDL_Window* SdlWindow() const { return mWindow; }

protected:
  void Pump() override;
  void Interrupt() override;

private:
  Window(SDL_Window* window, bool unicode, bool child, int width, int height)
      : mWindow(window),
        mUnicode(unicode),
        mChild(child),
        mOwner(std::this_thread::get_id()),
        mFrameWidth(width),
        mFrameHeight(height) {}
  void Translate(const SDL_Event& e);
  void PostWindowPos(bool minimized);
  // A pointer position on the window taken to the frame's own pixels.
  void ToFrame(int& x, int& y) const;

  SDL_Window* mWindow;
  bool mUnicode;
  bool mChild;             // inside a host's window, whose size is the host's to set
  std::thread::id mOwner;  // the thread that made the window and pumps it
  // The client size the engine asked for last: the frame drawn into the window has this size.
  int mFrameWidth;
  int mFrameHeight;
};

// Virtual-key number of an SDL key code; 0 for keys the engine has no number for. With
// Num Lock off the keypad's digits and point are its navigation keys.
int VirtualKeyFromSdl(int sdlKey, bool numLock = true);

bool GetScreenSize(int& width, int& height);
int ShowMessageBox(const std::string& title, const std::string& text, int flags);
bool SetClipboardText(const std::string& text);
bool GetClipboardText(std::string& out);

}  // namespace platform::window::sdl
