// Device loss and restore: the working count, bringing lost surfaces back or re-creating the
// display, and giving every asset its surfaces again.

#include "assets/TAssetManager.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "platform/os/Clock.h"
#include "render/CDisplay.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "render/IRenderHost.h"

using namespace platform::display;

namespace {
bool WindowActive() {
  TPlatform* p = TPlatform::Instance();
  return p && p->GetData()->mActive;
}

void InvalidateWindows() {
  if (IRenderHost* host = CurrentRenderHost()) host->Invalidate();
}
}  // namespace

void TDxDisplayHandler::RestoreAssets() {
  if (!IsReady()) {
    EngineLog("RestoreAssets: DX broken");
    return;
  }
  if (TAssetManager* am = TAssetManager::Instance()) am->RestoreAll();
  if (TPlatform* p = TPlatform::Instance()) p->RunIdleTasks();
  InvalidateWindows();
}

TDxDisplayHandler::RestoreStep TDxDisplayHandler::RegainCooperativeLevel() {
  Result result = mDirectDraw->TestCooperativeLevel();
  for (int attempt = 1; Failed(result); ++attempt) {
    if (result == kWrongMode) return RestoreStep::RecreateDisplay;
    if (!WindowActive()) return RestoreStep::Stop;
    platform::os::Sleep(100);
    if (result == kNoExclusiveMode) return RestoreStep::Stop;
    if (result == kExclusiveModeAlreadySet)
      result = mDirectDraw->SetCooperativeLevel(CooperativeLevel::ExclusiveFullScreen);
    if (attempt >= 5) return RestoreStep::Stop;
    // A result none of the cases names is kept, so the next attempt sees it again.
    if (Failed(result)) continue;
    DxCheck(result, "dxdisplayhandler", __LINE__);
    EngineLog("Restore: Test Cooperative level failed. Calling SetDisplay");
    return RestoreStep::RecreateDisplay;
  }
  return RestoreStep::RestoreSurfaces;
}

TDxDisplayHandler::RestoreStep TDxDisplayHandler::CheckWorkingCount() {
  if (mWorkingCount >= 3) return RestoreStep::RestoreSurfaces;
  if (!WindowActive()) {
    MarkDxBroken();
    return RestoreStep::Stop;
  }
  EngineLog("TPlatformData::Restore: Working count too small (%d). Calling SetDisplay()",
            mWorkingCount);
  return RestoreStep::RecreateDisplay;
}

TDxDisplayHandler::RestoreStep TDxDisplayHandler::RestoreSurfaces() {
  mWorkingCount = 0;
  mDxBroken = false;
  SetConfig(kConfigDxBroken, "0");
  Result result;
  {
    // The presentation thread may be drawing the cursor on these surfaces.
    DisplayMutexLock lock(mContext->GetMutex(), true);
    result = mDirectDraw->RestoreAllSurfaces();
  }
  if (result == kOk) {
    RestoreAssets();
    InvalidateWindows();
    return RestoreStep::Stop;
  }
  if (result == kWrongMode) {
    EngineLog("Restore: RestoreAllSurfaces resulted in DDERR_WRONGMODE. Calling SetDisplay.");
  } else {
    EngineLog("RestoreAllSurfaces failed!\n");
    DxCheck(result, "dxdisplayhandler", __LINE__);
  }
  return RestoreStep::RecreateDisplay;
}

void TDxDisplayHandler::Restore() {
  if (mInRestore) {
    MarkDxBroken();
    platform::os::Sleep(50);
    return;
  }
  mInRestore = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{mInRestore};

  TPlatform* platform = TPlatform::Instance();
  if (platform && platform->GetData()->mMinimized && mFullScreen) {
    platform::os::Sleep(100);
    return;
  }
  int width = mDisplayRect.Width(), height = mDisplayRect.Height();
  // Before the first screen set-up there is no size to make a display of.
  if (width <= 0 || height <= 0) return;
  if (TAssetManager* am = TAssetManager::Instance()) am->ReleaseAll();

  auto recreate = [&](bool quiet) {
    SetDisplay({.width = width,
                .height = height,
                .fullScreen = mFullScreen,
                .force = true,
                .quiet = quiet});
  };

  if (!mDirectDraw || mLowMemorySwitchPending) {
    EngineLog("TPlatformData::Restore: mDirectDraw NULL. Calling SetDisplay()");
    recreate(true);
    return;
  }
  RestoreStep next = RegainCooperativeLevel();
  if (next == RestoreStep::RestoreSurfaces) next = CheckWorkingCount();
  if (next == RestoreStep::RestoreSurfaces) next = RestoreSurfaces();
  if (next == RestoreStep::RecreateDisplay) recreate(false);
}
