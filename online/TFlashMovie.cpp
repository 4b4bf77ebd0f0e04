#include "online/TFlashMovie.h"

#include <filesystem>
#include <vector>

#include "assets/FileLayer.h"
#include "assets/TStringTable.h"
#include "core/TColor.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "platform/host/HostWindow.h"
#include "render/TDxDisplayHandler.h"
#include "render/TRenderer.h"
#include "window/TWindow.h"
#include "window/TWindowManager.h"

namespace {

class TUnavailableFlashHost : public IFlashControlHost {
public:
  bool Init() override { return platform::host::IsActiveXAvailable(); }
  bool CreateBlocker(const TRect&) override { return false; }
  std::unique_ptr<IFlashControl> CreateControl(const str&, const TRect&) override {
    return nullptr;
  }
  void SwallowRightClicks(IFlashControl&) override {}
  void DestroyControl() override {}
  void DestroyBlocker() override {}
};

bool DxBroken() { return GetConfig("dxbroken").ToInt() != 0; }

void SetEngineCursorVisible(bool visible) {
  if (TPlatform* platform = TPlatform::Instance()) platform->SetCursorVisible(visible);
}

bool FileThere(const str& path) {
  std::error_code ec;
  return !path.IsEmpty() && std::filesystem::exists(path.CStr(), ec);
}

}  // namespace

IFlashControlHost* DefaultFlashControlHost() {
  static TUnavailableFlashHost host;
  return &host;
}

TFlashMovie::TFlashMovie(const str& name, IFlashControlHost* host)
    : mName(name), mHost(host ? host : DefaultFlashControlHost()) {
  if (TPlatformData* data = TPlatform::InstanceData()) mSavedCursorFlag = data->IsCursorVisible();
}

TFlashMovie::~TFlashMovie() { Close(); }

void TFlashMovie::RestoreCursor() { SetEngineCursorVisible(mSavedCursorFlag); }

void TFlashMovie::SelectControl(bool texts, str& programId, int& minimumMajor) {
  minimumMajor = texts ? 6 : 4;
  programId = str::Format("ShockwaveFlash.ShockwaveFlash.%d", minimumMajor);
  str wanted = GetConfig("flashmajorversion");
  if (!wanted.IsEmpty() && wanted.ToInt() > minimumMajor) {
    minimumMajor = wanted.ToInt();
    programId = str("ShockwaveFlash.ShockwaveFlash.") + wanted;
  }
}

bool TFlashMovie::Start(bool loop, bool texts, bool clickable) {
  if (DxBroken()) return false;
  SetEngineCursorVisible(false);
  // A movie the player clicks on shows the system's own arrow.
  if (clickable)
    if (TPlatformData* data = TPlatform::InstanceData())
      if (platform::window::IWindow* w = data->GetWindow()) w->SetCursorVisible(true);
  if (!mHost->Init() || DxBroken()) {
    RestoreCursor();
    return false;
  }
  TRect client;
  if (TPlatformData* data = TPlatform::InstanceData())
    if (platform::window::IWindow* w = data->GetWindow()) {
      int width = 0, height = 0;
      w->GetClientSize(width, height);
      client = TRect(0, 0, width, height);
    }
  str programId;
  int minimumMajor = 0;
  SelectControl(texts, programId, minimumMajor);

  if (!clickable) mBlocker = mHost->CreateBlocker(client);
  mControl = mHost->CreateControl(programId, client);
  if (!mControl || static_cast<int>((mControl->FlashVersion() >> 16) & 0xFF) < minimumMajor ||
      !SetUpMovie(*mControl, loop, texts)) {
    mControl.reset();
    mHost->DestroyControl();
    if (mBlocker) mHost->DestroyBlocker();
    mBlocker = false;
    RestoreCursor();
    return false;
  }
  if (clickable) {
    mClickable = true;
    mHost->SwallowRightClicks(*mControl);
  }
  if (TDxDisplayHandler* display = TDxDisplayHandler::Instance()) display->FlipToGDISurface();
  if (DxBroken()) {
    Close();
    return false;
  }
  return true;
}

bool TFlashMovie::SetUpMovie(IFlashControl& control, bool loop, bool texts) {
  str relative = str("assets/") + mName;
  if (relative.Length() > 260) relative = relative.Substr(0, 260);
  str path = GetFullPath(relative.CStr());
  if (!FileThere(path)) {
    path = GetFullPath(mName.CStr());
    if (!FileThere(path)) return false;
  }
  if (!control.PutMovie(path) || !control.PutLoop(loop)) return false;
  if (!texts) return true;
  control.Call("Stop");
  SetTextVariables(control);
  control.Call("Play");
  return true;
}

void TFlashMovie::SetTextVariables(IFlashControl& control) {
  TPlatform* platform = TPlatform::Instance();
  TStringTable* strings = platform ? platform->GetStringTable() : nullptr;
  if (!strings) return;
  str names;
  control.Call("GetVariable", "textvarnames", str(), &names);
  // Each name ends in ";"; whatever follows the last one is no name.
  unsigned start = 0;
  for (int end; (end = names.Find(';', 0, start)) >= 0; start = static_cast<unsigned>(end) + 1) {
    str name = names.Substr(start, static_cast<unsigned>(end) - start);
    control.Call("SetVariable", name, strings->GetString(name));
  }
  std::vector<str> labels;
  strings->GetFlashStrings(labels);
  for (const str& label : labels) {
    if (label.Find(str("FLASH_")) != 0) continue;
    control.Call("SetVariable", label.Substr(6, 0xFFFFFFFFu), strings->GetString(label));
  }
}

bool TFlashMovie::IsPlaying() {
  bool playing = false;
  return mControl && mControl->GetPlaying(playing) && playing;
}

void TFlashMovie::Close() {
  if (!mControl && !mBlocker) return;
  mControl.reset();
  mHost->DestroyControl();
  if (mBlocker) {
    mHost->DestroyBlocker();
    mBlocker = false;
    if (TPlatformData* data = TPlatform::InstanceData())
      if (platform::window::IWindow* w = data->GetWindow()) w->SetKeyboardFocus();
  }
  // The control drew over the game: one frame of the game's own background covers its trace.
  TDxDisplayHandler* display = TDxDisplayHandler::Instance();
  if (display) display->ResetMouseState();
  TWindowManager* manager = TWindowManager::Instance();
  if (TWindow* root = manager ? manager->GetRoot() : nullptr) {
    TRenderer* renderer = TRenderer::Instance();
    if (renderer && renderer->BeginDraw()) {
      TRect area;
      root->GetScreenRect(area);
      renderer->FillRect(area, TColor(0, 0, 0, 1));
      renderer->EndDraw();
    }
  }
  if (display) display->ResetMouseState();
  mClickable = false;
  RestoreCursor();
}
