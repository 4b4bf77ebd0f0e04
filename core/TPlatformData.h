// The platform's implementation object behind the TPlatform facade: the main window and the
// host window, the state bytes the window procedure sets and the event pump reads, the data
// folders, the managers the platform owns, the frame task list and the presentation thread.
// Start-up builds and tears it down (startup/TPlatformData.cpp); the libraries below start-up
// only read and set its fields.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include <boost/shared_ptr.hpp>

#include "core/TRandom.h"
#include "core/TTaskList.h"
#include "core/str.h"
#include "platform/host/HostWindow.h"
#include "platform/window/Window.h"

class IRenderHost;
class TAssetManager;
class TFontCache;
class THwMiniVecDraw;
class TSoundManager;
class TStringTable;
class TTexture;
class TWindowManager;

namespace platform::os {
class NamedMutex;
class Thread;
}  // namespace platform::os

class TPlatformData {
public:
  TPlatformData(const char* commandLine, int showCommand, bool allowSeveral);
  ~TPlatformData();
  TPlatformData(const TPlatformData&) = delete;
  TPlatformData& operator=(const TPlatformData&) = delete;

  // Set when another instance already runs; the caller then ends the program with code 0.
  bool IsSecondInstance() const { return mSecondInstance; }

  platform::window::IWindow* GetWindow() const { return mWindow.load(); }
  void SetWindow(std::unique_ptr<platform::window::IWindow> window);
  platform::host::IHostWindow* GetHostWindow() const { return mHostWindow.get(); }
  void SetHostWindow(std::unique_ptr<platform::host::IHostWindow> host) {
    mHostWindow = std::move(host);
  }

  // The horizontal viewport scale; answers whether the game runs hosted. The presentation
  // thread asks too, so these two fields are read and written atomically.
  bool GetViewportScale(float& scale) const {
    scale = std::atomic_ref<const float>(mViewportScaleX).load(std::memory_order_relaxed);
    return std::atomic_ref<const bool>(mHosted).load(std::memory_order_relaxed);
  }
  void SetViewportScale(float x, float y) {
    std::atomic_ref<float>(mViewportScaleX).store(x, std::memory_order_relaxed);
    std::atomic_ref<float>(mViewportScaleY).store(y, std::memory_order_relaxed);
  }
  void SetHosted() { std::atomic_ref<bool>(mHosted).store(true, std::memory_order_relaxed); }
  bool IsCursorVisible() const { return mCursorVisible; }

  // Start-up state (see PlatformMain).
  int32_t mShowCommand;
  alignas(std::atomic_ref<bool>::required_alignment) bool mHosted = false;
  bool mHostedTest = false;
  alignas(std::atomic_ref<float>::required_alignment) float mViewportScaleX = 1.0f;
  alignas(std::atomic_ref<float>::required_alignment) float mViewportScaleY = 1.0f;

  // Cursor image and visibility.
  boost::shared_ptr<TTexture> mCursorTexture;
  boost::shared_ptr<TTexture> mBuiltinCursor;  // made on first need
  int32_t mCursorHotX = 0, mCursorHotY = 0;
  bool mCursorVisible = true;
  // The name constant of the cursor the game applied last, compared by identity; it goes with
  // the platform, so a new platform applies its cursor afresh.
  const char* mCursorName = nullptr;

  // Requests and state set by the window procedure and read by the event pump.
  bool mActive = true;
  bool mActivationChangePending = false;
  bool mAppActive = true;
  bool mActivationRequest = false;
  bool mCloseRequest = false;
  bool mPaintRequest = true;
  bool mDisplayResetRequest = false;
  bool mMinimized = false;
  bool mClickDrop = false;
  uint32_t mClickDropTime = 0;
  bool mHoverArmed = false;
  uint32_t mHoverSince = 0;
  bool mLeaveArmed = false;
  bool mMouseLeftPending = false;
  bool mWasMinimized = false;
  uint32_t mHighSurrogate = 0;
  bool mFirstEventCall = true;
  bool mFullScreenWish = false;  // "-pq=" mode: the portal page switches, not the display
  bool mWindowedOnly = false;    // a portal shows the game in its page: never full screen

  // Folders, each with a trailing "/" where noted.
  str mAssetFolder;    // program folder + "assets/"
  str mProgramFolder;  // with "/"
  str mProgramFile;
  str mUserFolder;
  str mCommonFolder;
  str mDesktopFolder;
  str mSystemFolder;
  str mStartupDir;

  uint32_t mStartTime = 0;

  std::unique_ptr<THwMiniVecDraw> mMiniVecDraw;
  std::unique_ptr<TFontCache> mFontCache;  // made on first use
  TWindowManager* mWindowManager = nullptr;
  IRenderHost* mRenderHost = nullptr;  // the window manager, as the renderer sees it
  TAssetManager* mAssetManager = nullptr;
  TSoundManager* mSoundManager = nullptr;
  TStringTable* mStringTable = nullptr;

  TRandom mRandom;
  TTaskList mFrameTasks;

  uint64_t mHarnessWindow = 0;

  str mTitle;
  str mVersion;
  str mInternalName;
  bool mUtf8 = false;
  int32_t mScreenWidth = 0, mScreenHeight = 0;

  // Ends the presentation thread and waits for it; safe to call more than once.
  void StopPresentationThread();
  // Asks the presentation thread for its short-interval passes: a cursor move is waiting to
  // be drawn. Safe from any thread.
  // Wakes the presentation thread for a cursor move the 16 ms gate held back.
  void KickPresentationThread() {
    {
      std::lock_guard<std::mutex> lock(mPresentMutex);
      mPresentKick = true;
    }
    mPresentWake.notify_all();
  }

private:
  void PresentationLoop();

  std::atomic<platform::window::IWindow*> mWindow{nullptr};
  std::unique_ptr<platform::window::IWindow> mWindowOwner;
  std::unique_ptr<platform::host::IHostWindow> mHostWindow;
  std::unique_ptr<platform::os::NamedMutex> mInstanceMutex;
  bool mSecondInstance = false;

  std::unique_ptr<platform::os::Thread> mPresentThread;
  std::mutex mPresentMutex;
  std::condition_variable mPresentWake;
  bool mPresentStop = false;
  bool mPresentKick = false;
};

// Names of the single-instance lock and the window class: the program's full path,
// lower-cased, with "/" and ":" removed, plus "_MUTEX" or "_WNDCLASS".
str MakeInstanceBaseName(const str& programPath);
// The asset folder and the main window's class name, kept for the rest of the program.
const str& GetAssetFolderPath();
const str& GetWindowClassName();
// The program file's full path.
str GetProgramFilePath();

// The command line as start-up received it (after the harness had its say).
const str& GetPlatformCommandLine();
void SetPlatformCommandLine(const str& line);
// The command line holds "-pq=".
bool HasPqOption();
