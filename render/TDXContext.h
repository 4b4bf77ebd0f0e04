// The device context of the display back end: the screen, the drawing device, the desktop
// values, the display mutex shared with the presentation thread, presentation, and the
// engine-drawn (software) cursor.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "core/TTask.h"
#include "core/str.h"
#include "platform/display/Device.h"
#include "platform/display/Display.h"
#include "render/CDisplay.h"

class PendingFrameTask;
class TTexture;
class TDXContext;

// Keeps the cursor images alive across device losses; runs from the platform's idle list.
class MouseTextureListener : public TTask {
public:
  explicit MouseTextureListener(TDXContext* context) : mContext(context) {}
  ~MouseTextureListener() override;
  bool DoTask() override;
  void Detach() { mContext = nullptr; }

private:
  TDXContext* mContext;
};

// The display mutex for a scope: for ever when block, else at most 5 ms; released at scope end
// only when it was obtained.
class DisplayMutexLock {
public:
  DisplayMutexLock(std::recursive_timed_mutex& mutex, bool block);
  ~DisplayMutexLock();
  bool Obtained() const { return mObtained; }

private:
  std::recursive_timed_mutex& mMutex;
  bool mObtained;
};

class TDXContext {
public:
  using Result = platform::display::Result;

  // Uses the given display backend, or makes the one that fits the main window.
  explicit TDXContext(std::unique_ptr<platform::display::Display> backend = nullptr);
  virtual ~TDXContext();

  bool Create(platform::window::IWindow* window, bool fullScreen, int width, int height, int bits,
              uint32_t selector);
  void Release();
  void Clear(uint32_t flags);
  Result Present();
  void SetDesktopMode(int colours, int width, int height);
  // Reads the desktop from the display.
  void ReadDesktop();
  bool ExceedsScreenSize(int width, int height) const;

  platform::display::Display* GetDirectDraw() const { return mScreen.GetDirectDraw(); }
  platform::display::Display* GetBackend() const { return mBackend.get(); }
  const std::shared_ptr<platform::display::Surface>& GetFrontBuffer() const {
    return mScreen.GetFrontBuffer();
  }
  const std::shared_ptr<platform::display::Surface>& GetBackBuffer() const {
    return mScreen.GetBackBuffer();
  }
  platform::display::DisplayMode GetDisplayMode() const { return mDisplayMode; }
  platform::display::Device* GetDevice() const { return mDevice.get(); }
  CDisplay& GetScreen() { return mScreen; }
  bool IsHardware() const { return mHardware; }
  bool IsFewColours() const { return mFewColours; }
  bool IsLowVideoMemory() const { return mLowVideoMemory; }
  void SetLowVideoMemory(bool on) { mLowVideoMemory = on; }
  bool WantsVideoMemoryBackBuffer() const { return mBackBufferInVideoMemory; }
  int GetDesktopColours() const { return mDesktopColours; }
  int GetDesktopWidth() const { return mDesktopWidth; }
  int GetDesktopHeight() const { return mDesktopHeight; }
  void SetVSync(bool on) { mVSync = on; }
  bool GetVSync() const { return mVSync; }
  const str& GetDeviceInfo() const { return mDeviceInfo; }
  void SetClipWindow(platform::window::IWindow* window) { mClipWindow = window; }
  bool Fails16BitTargets() const { return mFails16BitTargets; }
  void Set16BitTargetsFail() { mFails16BitTargets = true; }
  std::recursive_timed_mutex& GetMutex() { return mMutex; }

  // Cursor.
  bool SetMouseImage(boost::shared_ptr<TTexture> texture, int hotX, int hotY, bool second);
  void RestoreMouseImage();
  void SetCursorVisible(bool visible);
  bool ApplyCursor(bool flag);
  // Draws the software cursor; x, y of -1 read the mouse. Answers where it was drawn (-1, -1
  // when nothing was drawn).
  TPoint DrawCursor(int x, int y, bool force);
  void EraseCursor();
  void ResetMouseState();
  void GetMousePosition(int& x, int& y);
  void OnWindowMoved();
  // Shows a frame changed by the presentation thread and passes on its redraw requests.
  void DoMainThreadWork();
  // Whether DoMainThreadWork has something to do.
  bool HasMainThreadWork() const;
  TPoint GetWindowOrigin() { return mScreen.GetWindowOrigin(); }
  boost::shared_ptr<TTexture> GetCursorTexture() const { return mMainImage; }
  bool IsCursorDrawn() const { return mCursorDrawn; }
  bool IsCursorVisible() const { return mCursorVisible; }

private:
  friend class MouseTextureListener;
  friend class PendingFrameTask;
  struct Entry {
    uint16_t r, g, b, weight;
  };
  struct Run {
    uint16_t x, y;
    std::vector<Entry> entries;
  };

  bool AttachZBuffer(bool fullScreen);
  void RecordDeviceInfo(const platform::display::AdapterCaps& caps);
  bool MakeRuns(TTexture* texture, std::vector<Run>& runs, bool second);
  bool MakeSaveUnder();
  void DestroySaveUnder();
  void BlendRuns(platform::display::Surface& work, const std::vector<Run>& runs);
  // The drawing itself; the caller holds the mutex.
  TPoint DrawCursorLocked(int x, int y, bool toBackBuffer);
  void RestoreUnder(platform::display::Surface& target);
  // Ends the main thread's idle wait when the cursor drawing left work for it.
  void WakeMainThreadForWork();

  std::unique_ptr<platform::display::Display> mBackend;
  str mDeviceInfo;
  platform::window::IWindow* mClipWindow = nullptr;
  CDisplay mScreen;
  std::unique_ptr<platform::display::Device> mDevice;
  platform::display::DisplayMode mDisplayMode;
  platform::display::PixelFormat mZFormat = platform::display::PixelFormat::Unknown;
  bool mHardware = false;
  bool mFewColours = false;
  bool mLowVideoMemory = false;
  bool mBackBufferInVideoMemory = false;
  bool mSourceColourKeyBlits = true;
  bool mFails16BitTargets = false;
  int mDesktopColours = -1;
  int mDesktopWidth = 0, mDesktopHeight = 0;
  uint32_t mRedBlueAlphaMask = 0;
  bool mVSync = false;
  std::recursive_timed_mutex mMutex;

  // Software cursor.
  std::unique_ptr<CScreenSurface> mSaveUnder[2];
  std::unique_ptr<CScreenSurface> mWork;
  int mSaveIndex = 0;
  uint32_t mLastDrawTime = 0;
  MouseTextureListener* mListener = nullptr;
  PendingFrameTask* mPendingTask = nullptr;  // shows cursor-only frames on the main thread
  bool mCursorDrawn = false;
  bool mSurfacesUnavailable = false;
  bool mRestoreNeeded = false;
  bool mSurfacesNeeded = false;
  bool mCursorOnFront = false;
  TPoint mDrawn{-1, -1};
  TPoint mMouse, mPrevMouse;
  int mHotX = 0, mHotY = 0;
  int mCursorWidth = 0, mCursorHeight = 0;
  bool mPositionKnown = false;
  boost::shared_ptr<TTexture> mMainImage, mSecondImage;
  std::vector<Run> mMainRuns, mSecondRuns;
  bool mSecondActive = false;
  bool mCursorVisible = true;
  std::atomic<bool> mRestoring{false};
  std::atomic<bool> mRedrawWanted{false};  // the window manager is told on the main thread
};
