// The display behind the renderer: mode, readiness, presentation and the engine-drawn cursor.
// This holds what the platform's start-up, event pump and presentation thread ask of it; the
// drawing back end itself comes with the renderer.
#pragma once

#include <cstdint>
#include <mutex>

#include <boost/shared_ptr.hpp>

class TTexture;

class TDxDisplayHandler {
public:
  struct Position {
    uint32_t x = 0xFFFFFFFF;
    uint32_t y = 0xFFFFFFFF;
  };

  // Null before the renderer exists.
  static TDxDisplayHandler* Instance();

  bool SetDisplay(int width, int height, bool fullScreen, int, int, bool hosted);
  void FinishSetup();
  bool RefreshDisplay(bool fullScreen);
  bool Restore();

  bool IsReady() const;
  bool IsFullScreen() const;
  bool IsPresentDone() const { return true; }
  // Whether the presentation thread may draw the cursor now (ready and not broken).
  bool IsThreadedPresent() const;
  void ForgetPresentState();
  void UpdateDesktopMode();
  void OnWindowMoved() {}

  // Mouse position in client coordinates.
  void GetMousePosition(int& x, int& y) const;
  void GetViewport(int& left, int& top, int& right, int& bottom) const;

  // The software cursor: drawn at (x, y), (-1, -1) meaning where the mouse is.
  Position DrawCursor(int x, int y);
  void EraseCursor();
  bool ApplyCursor();
  void SetCursorVisible(bool visible);
  void SetMouseImage(boost::shared_ptr<TTexture> texture, int hotX, int hotY, bool flag);
  void SetVSync(bool on);
  void OutOfVideoMemory();

  int CursorDraws() const;

private:
  friend class TRenderer;
  TDxDisplayHandler() = default;

  mutable std::mutex mMutex;  // the display mutex
  bool mReady = false;
  bool mBroken = false;
  bool mFullScreen = false;
  bool mEverSet = false;
  bool mCursorVisible = true;
  bool mVSync = false;
  int mWidth = 0, mHeight = 0;
  int mDesktopWidth = 0, mDesktopHeight = 0;
  int mCursorDraws = 0;
  boost::shared_ptr<TTexture> mCursorImage;
  int mCursorHotX = 0, mCursorHotY = 0;
};
