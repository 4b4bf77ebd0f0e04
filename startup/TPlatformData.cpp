#include "core/TPlatformData.h"

#include <cctype>
#include <chrono>
#include <climits>
#include <unistd.h>

#include "assets/TAssetManager.h"
#include "assets/TStringTable.h"
#include "core/TSettings.h"
#include "core/Timer.h"
#include "platform/os/Clock.h"
#include "platform/os/ModuleInfo.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/Thread.h"
#include "render/TDxDisplayHandler.h"
#include "window/TWindowManager.h"
#include "window/text/TFontCache.h"
#include "window/text/THwMiniVecDraw.h"
#include "sound/TSoundManager.h"

namespace {
str gAssetFolder;
str gWindowClassName;

str CurrentDirectory() {
  char buf[PATH_MAX];
  if (!getcwd(buf, sizeof buf)) return str();
  return str(buf);
}
}  // namespace

const str& GetAssetFolderPath() { return gAssetFolder; }
const str& GetWindowClassName() { return gWindowClassName; }

str GetProgramFilePath() { return str(platform::os::GetExecutablePath().c_str()); }

str MakeInstanceBaseName(const str& programPath) {
  str out;
  for (unsigned i = 0; i < programPath.Length(); ++i) {
    char c = programPath[i];
    if (c == '/' || c == '\\' || c == ':') continue;
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

TPlatformData::TPlatformData(const char* commandLine, int showCommand, bool allowSeveral)
    : mShowCommand(showCommand) {
  mUtf8 = GetConfigFlag(kConfigUtf8Mode);
  SetPlatformCommandLine(commandLine ? commandLine : "");
  platform::window::GetScreenSize(mScreenWidth, mScreenHeight);

  mWindowManager = new TWindowManager();
  mRenderHost = mWindowManager;
  mAssetManager = new TAssetManager();
  mStringTable = new TStringTable();

  mSystemFolder = "/usr/lib/";
  mProgramFile = GetProgramFilePath();
  int slash = mProgramFile.Find('/', str::kBackwards);
  mProgramFolder =
      slash >= 0 ? mProgramFile.Substr(0, static_cast<unsigned>(slash) + 1) : str("./");
  mStartupDir = CurrentDirectory();
  if (chdir(mProgramFolder.CStr()) != 0) {
    // Stay where we are; "-wd=" may still name the data folder.
  }

  str base = MakeInstanceBaseName(mProgramFile);
  gWindowClassName = base + "_WNDCLASS";
  if (!allowSeveral) {
    mInstanceMutex = std::make_unique<platform::os::NamedMutex>();
    if (mInstanceMutex->Create((base + "_MUTEX").CStr()) ==
        platform::os::NamedMutex::Result::AlreadyExists) {
      // The first instance's window cannot be raised from here; this one just ends.
      mSecondInstance = true;
      return;
    }
  }

  mAssetFolder = mProgramFolder + "assets/";
  gAssetFolder = mAssetFolder;
  mStartTime = platform::os::TimeGetTime();
  SetTimerStart(mStartTime);
  mUserFolder = mProgramFolder;
  mCommonFolder = mProgramFolder;
  mDesktopFolder = mProgramFolder;

  platform::os::VersionInfo version;
  if (platform::os::GetVersionInfo(version)) {
    const uint16_t* v = version.fileVersion;
    mVersion = str::Format("%d.%d.%d.%d", v[0], v[1], v[2], v[3]);
    const char* product = version.productName.c_str();
    while (*product == ' ' || *product == '\t') ++product;
    mTitle = GetConfig(kConfigGameName, str(product));
    mInternalName = version.internalName.c_str();
  }
  if (mTitle.IsEmpty()) mTitle = GetConfig(kConfigGameName, str("Kiteyard Application"));

  mPresentThread = std::make_unique<platform::os::Thread>();
  if (mPresentThread->Start([this] { PresentationLoop(); }))
    mPresentThread->SetPriority(platform::os::ThreadPriority::TimeCritical);
}

TPlatformData::~TPlatformData() {
  StopPresentationThread();
  mCursorTexture.reset();
  mBuiltinCursor.reset();
  mInstanceMutex.reset();
  // Destroying the window closes it, unless it belongs to a host.
  mWindow.store(nullptr);
  mWindowOwner.reset();
  mHostWindow.reset();
  delete mSoundManager;
  delete mStringTable;
  delete mAssetManager;
  mRenderHost = nullptr;
  delete mWindowManager;
}

void TPlatformData::SetWindow(std::unique_ptr<platform::window::IWindow> window) {
  mWindow.store(window.get());
  mWindowOwner = std::move(window);
}

void TPlatformData::StopPresentationThread() {
  {
    std::lock_guard<std::mutex> lock(mPresentMutex);
    mPresentStop = true;
  }
  mPresentWake.notify_all();
  if (mPresentThread) mPresentThread->Join();
}

void TPlatformData::PresentationLoop() {
  std::unique_lock<std::mutex> lock(mPresentMutex);
  while (!mPresentStop) {
    lock.unlock();
    bool drew = false;
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    TWindowManager* wm = mWindowManager;
    if (d && wm && !wm->mFramesSuspended.load() && d->IsThreadedPresent()) {
      // Only a cursor really redrawn earns the short wait: a cursor at rest costs nothing.
      drew = d->DrawCursor(-1, -1).x != 0xFFFFFFFFu;
    }
    lock.lock();
    // A kick (a move the drawing put off, perhaps from this very pass) also wants the short wait.
    bool busy = drew || mPresentKick;
    mPresentKick = false;
    mPresentWake.wait_for(lock, std::chrono::milliseconds(busy ? 16 : 250),
                          [this] { return mPresentStop || mPresentKick; });
  }
}
