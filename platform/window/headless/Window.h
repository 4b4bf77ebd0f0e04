// The headless main window: a title, a size and an in-process message queue. Tests post
// native messages into it and read back what the engine did to the window.
#pragma once

#include <string>

#include "platform/window/Window.h"

namespace platform::window::headless {

class Window : public WindowBase {
public:
  explicit Window(const WindowDesc& desc);
  ~Window() override;

  uint64_t Handle() const override { return mHandle; }
  void SetTitle(const std::string& utf8) override;
  std::string GetTitle() const override;
  void SetClientSize(int width, int height) override;
  void GetClientSize(int& width, int& height) const override;
  void Show() override { mShown = true; }
  bool IsForeground() const override { return mForeground; }
  void SetForeground() override { mForeground = true; }
  void SetCursorVisible(bool visible) override { mCursorVisible = visible; }
  void SetMouseCapture(bool capture) override { mCaptured = capture; }
  void SetKeyboardFocus() override { mKeyboardFocus = true; }
  // Blocks until a message is posted or the time is up; under the virtual clock time moves
  // only when the test advances it, so the wait returns at once.
  void WaitForInput(uint32_t ms) override;

  // What tests read back.
  bool IsShown() const { return mShown; }
  bool IsChild() const { return mChild; }
  bool IsCursorVisible() const { return mCursorVisible; }
  bool HasMouseCapture() const { return mCaptured; }
  bool HasKeyboardFocus() const { return mKeyboardFocus; }
  void SetForegroundState(bool foreground) { mForeground = foreground; }

protected:
  // A termination request (SIGTERM, SIGINT) becomes a close message, as on the desktop.
  void Pump() override;

private:
  uint64_t mHandle;
  bool mHandlesSignals = false;
  std::string mTitle;
  int mWidth, mHeight;
  bool mChild;
  bool mShown = false;
  bool mForeground = true;
  bool mCursorVisible = true;
  bool mCaptured = false;
  bool mKeyboardFocus = false;
};

void GetScreenSize(int& width, int& height);

// Message boxes answer what the test scripted (IDOK by default) and remember what they showed.
int ShowMessageBox(const std::string& title, const std::string& text, int flags);
void SetMessageBoxAnswer(int answer);
std::string LastMessageBoxTitle();
std::string LastMessageBoxText();
int MessageBoxCount();

// The in-process clipboard; a test can make it refuse writes and reads, as a busy one does.
bool SetClipboardText(const std::string& text);
bool GetClipboardText(std::string& out);
void SetClipboardAvailable(bool available);
void ClearClipboard();

}  // namespace platform::window::headless
