// The device context: creation of the screen and the drawing device with the checks the game
// needs, release, clearing and presentation with the software cursor drawn in.
#include "render/TDXContext.h"

#include "render/FloatToInt.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "platform/display/PixelFormat.h"
#include "platform/display/CreateDisplay.h"
#include "render/IRenderHost.h"

using namespace platform::display;

namespace {
const char kContextSource[] = ".\\directx";

std::unique_ptr<Display> MakeBackend() {
  TPlatform* p = TPlatform::Instance();
  return CreateDisplay(p ? p->GetData()->GetWindow() : nullptr);
}

bool ViewportScaling(float& scale) {
  scale = 1.0f;
  TPlatform* p = TPlatform::Instance();
  return p && p->GetData()->GetViewportScale(scale);
}

int Scaled(int size, float scale) { return TruncToInt(static_cast<float>(size) * scale + 0.5f); }

// Capability records for the device information: the fields packed one after another (no
// padding bytes, which hold nothing defined), dumped as upper-case hex in memory order.
class HexRecord {
public:
  template <typename T>
  HexRecord& Add(const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    static const char kDigits[] = "0123456789ABCDEF";
    for (unsigned char b : bytes) {
      mText += kDigits[b >> 4];
      mText += kDigits[b & 15];
    }
    return *this;
  }
  const std::string& Text() const { return mText; }

private:
  std::string mText;
};
}  // namespace

// Main-thread work the presentation thread leaves behind, done on the idle step: showing a
// frame in which only the cursor moved, and redraw requests for the window manager.
class PendingFrameTask : public TTask {
public:
  explicit PendingFrameTask(TDXContext* context) : mContext(context) {}
  ~PendingFrameTask() override {
    if (mContext) mContext->mPendingTask = nullptr;
  }
  bool DoTask() override {
    if (!mContext) return false;
    mContext->DoMainThreadWork();
    return true;
  }
  // The presentation thread wakes the main thread when it leaves work, so the idle wait needs
  // no deadline from here.
  uint32_t MsUntilDue() const override {
    return mContext && mContext->HasMainThreadWork() ? 0 : kNoWake;
  }
  void Detach() { mContext = nullptr; }

private:
  TDXContext* mContext;
};

MouseTextureListener::~MouseTextureListener() {
  if (mContext) mContext->mListener = nullptr;
}

bool MouseTextureListener::DoTask() {
  if (!mContext) return false;
  mContext->RestoreMouseImage();
  return true;
}

DisplayMutexLock::DisplayMutexLock(std::recursive_timed_mutex& mutex, bool block) : mMutex(mutex) {
  if (block) {
    mMutex.lock();
    mObtained = true;
    return;
  }
  // A polled wait: the timed lock of the library is not seen by the thread checker.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(5);
  while (!(mObtained = mMutex.try_lock()) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::microseconds(100));
}

DisplayMutexLock::~DisplayMutexLock() {
  if (mObtained) mMutex.unlock();
}

TDXContext::TDXContext(std::unique_ptr<Display> backend)
    : mBackend(backend ? std::move(backend) : MakeBackend()), mScreen(mBackend.get()) {
  ReadDesktop();
  if (TPlatform* p = TPlatform::Instance()) {
    mPendingTask = new PendingFrameTask(this);
    p->AddTask(mPendingTask);
  }
}

TDXContext::~TDXContext() {
  if (mListener) mListener->Detach();
  if (mPendingTask) mPendingTask->Detach();
  Release();
  mMainImage.reset();
  mSecondImage.reset();
}

void TDXContext::DoMainThreadWork() {
  if (mBackend && mBackend->HasPending()) mBackend->ShowPending();
  if (mRedrawWanted.exchange(false)) {
    if (IRenderHost* host = CurrentRenderHost()) host->Invalidate();
  }
}

bool TDXContext::HasMainThreadWork() const {
  if (mRedrawWanted.load()) return true;
  return mBackend && mBackend->HasPending();
}

void TDXContext::WakeMainThreadForWork() {
  if (!HasMainThreadWork()) return;
  TPlatform* p = TPlatform::Instance();
  if (platform::window::IWindow* w = p ? p->GetData()->GetWindow() : nullptr) w->Wake();
}

void TDXContext::ReadDesktop() {
  Desktop d = mBackend->GetDesktop();
  SetDesktopMode(d.colours, d.width, d.height);
}

void TDXContext::SetDesktopMode(int colours, int width, int height) {
  DisplayMutexLock lock(mMutex, true);  // the cursor drawing reads the desktop size
  mDesktopColours = colours;
  mDesktopWidth = width;
  mDesktopHeight = height;
}

bool TDXContext::ExceedsScreenSize(int width, int height) const {
  return width >= mDesktopWidth || height >= mDesktopHeight;
}

void TDXContext::Release() {
  DisplayMutexLock lock(mMutex, true);
  DestroySaveUnder();
  mCursorDrawn = false;
  mDevice.reset();
  mScreen.RestoreDisplayMode();
  mScreen.Destroy();
  mPositionKnown = false;
  mDrawn = TPoint(-1, -1);
}

bool TDXContext::Create(platform::window::IWindow* window, bool fullScreen, int width, int height,
                        int bits, uint32_t selector) {
  TPlatform* platform = TPlatform::Instance();
  if (platform && platform->GetData()->mHosted) {
    fullScreen = false;
    mLowVideoMemory = false;
  }
  DisplayMutexLock lock(mMutex, true);
  Release();
  ReadDesktop();

  float scale = 1.0f;
  bool scaling = ViewportScaling(scale);
  if (!fullScreen && !scaling && (mDesktopWidth <= width || mDesktopHeight <= height)) return false;
  if (mDesktopColours != -1) {
    if (mDesktopColours <= 16) {
      mFewColours = true;
      return false;
    }
    if (!fullScreen) return false;
  }
  if (mLowVideoMemory && !fullScreen) return false;

  int backWidth = width, backHeight = height;
  Result r;
  if (fullScreen) {
    r = mScreen.CreateFullScreen(window, width, height, bits, selector);
  } else {
    if (scaling) {
      backWidth = Scaled(width, scale);
      backHeight = Scaled(height, scale);
    }
    r = mScreen.CreateWindowed(window, mClipWindow, backWidth, backHeight, mBackBufferInVideoMemory,
                               selector & 0xFFFF);
    if (r == kOutOfVideoMemory) mLowVideoMemory = true;
  }
  if (r != kOk) {
    DxCheck(r, kContextSource, __LINE__);
    return false;
  }
  mDisplayMode = mBackend->GetDisplayMode();

  // The one device: it must draw into targets of the display's depth with Gouraud shading, in
  // hardware unless viewport scaling accepts a software device.
  const AdapterCaps& caps = mBackend->GetCaps();
  int depth = mDisplayMode.bitsPerPixel;
  uint32_t depthBit = depth == 16 || depth == 15 ? 0x1 : depth == 8 || depth == 24 ? 0 : 0x2;
  bool accepted = (caps.renderDepths & depthBit) && caps.gouraudShading &&
                  (caps.hardwareRasterization || scaling);
  mHardware = accepted && caps.hardwareRasterization;
  if (!accepted) {
    EngineLog("TDXContext::Create failed! Could not find a hardware renderer.");
    Release();
    return false;
  }

  if (!AttachZBuffer(fullScreen)) return false;

  r = mBackend->CreateDevice(mScreen.GetBackBuffer(), mDevice);
  if (r != kOk) {
    if (r == kSurfaceNotInVideoMemory) {
      mBackBufferInVideoMemory = true;
    } else if (r == kNoPaletteAttached) {
      mDesktopColours = 32;
    } else {
      DxCheck(r, kContextSource, __LINE__);
    }
    Release();
    return false;
  }
  mCursorDrawn = false;
  mDrawn = TPoint(-1, -1);

  if (caps.maxTextureWidth < 1024 || caps.maxTextureHeight < 1024) {
    EngineLog("TDXContext::Create - context does not support 1024x1024 textures! Failing!");
    Release();
    return false;
  }
  mSourceColourKeyBlits = caps.sourceColourKeyBlits;

  RecordDeviceInfo(caps);
  return true;
}

// A depth buffer of at least 16 bits, the size of the back buffer, in the memory the device
// draws from; false (and nothing made) when none fits.
bool TDXContext::AttachZBuffer(bool fullScreen) {
  mZFormat = PixelFormat::Unknown;
  for (PixelFormat f : mBackend->ZBufferFormats()) {
    if (Describe(f).bitsPerPixel >= 16) {
      mZFormat = f;
      break;
    }
  }
  std::unique_ptr<CScreenSurface> z;
  const std::shared_ptr<Surface>& back = mScreen.GetBackBuffer();
  uint32_t zCaps = kCapsZBuffer | (mHardware ? kCapsVideoMemory : kCapsSystemMemory);
  Result r = mScreen.CreateSurface(z, back->Width(), back->Height(), &mZFormat, &zCaps);
  if (r != kOk) {
    if (r == kOutOfVideoMemory && !fullScreen) mLowVideoMemory = true;
    DxCheck(r, kContextSource, __LINE__);
    Release();
    return false;
  }
  FormatInfo info = Describe(back->Format());
  mRedBlueAlphaMask = info.redMask | info.blueMask | info.alphaMask;
  DxCheck(back->AttachZBuffer(z->surface), kContextSource, __LINE__);
  return true;
}

// The device's identity and capabilities, logged and kept for the device information; a few
// chips known to draw indexed vertices wrongly are marked.
void TDXContext::RecordDeviceInfo(const AdapterCaps& caps) {
  const AdapterIdentifier& id = mBackend->GetIdentifier();
  str text = str::Format(
      "Device identifier:  \n  Driver: '%s'\n  Description: '%s'\n  Version: %x:%x\n  Vendor ID: "
      "%x (%d)\n  Device ID: %x (%d)\n  SubSys:  : %x (%d)\n  Revision:  %x (%d)\n  GUID:      "
      "%x:%x:%x:%x\n",
      id.driver, id.description, id.driverVersionHigh, id.driverVersionLow, id.vendorId,
      id.vendorId, id.deviceId, id.deviceId, id.subSysId, id.subSysId, id.revision, id.revision,
      id.guid[0], id.guid[1], id.guid[2], id.guid[3]);
  EngineLog("%s", text.CStr());
  mDeviceInfo += text;

  str description(id.description);
  if (description.Find(str("Intel")) >= 0 &&
      (description.Find(str("82810E")) >= 0 || description.Find(str("82845")) >= 0 ||
       description.Find(str(" 965 ")) >= 0))
    SetConfig(kConfigBrokenIndexedVerts, "1");

  HexRecord ddcaps;
  ddcaps.Add(caps.videoMemoryTotal)
      .Add(mBackend->FreeVideoMemory())
      .Add(caps.textureMemoryTotal)
      .Add(mBackend->FreeTextureMemory())
      .Add(caps.sourceColourKeyBlits);
  HexRecord desc;
  desc.Add(caps.maxTextureWidth)
      .Add(caps.maxTextureHeight)
      .Add(caps.maxTextureAspectRatio)
      .Add(caps.renderDepths)
      .Add(caps.textureFormats)
      .Add(caps.squareTexturesOnly)
      .Add(caps.powerOfTwoTexturesOnly)
      .Add(caps.hardwareRasterization)
      .Add(caps.hardwareTransformAndLighting)
      .Add(caps.gouraudShading)
      .Add(caps.specularGouraud)
      .Add(caps.separateTextureMemories);
  mDeviceInfo += str::Format("DDCAPS: %s\n", ddcaps.Text().c_str());
  mDeviceInfo += str::Format("D3DDESC: %s\n", desc.Text().c_str());
}

void TDXContext::Clear(uint32_t flags) {
  if (!mDevice) return;
  DxCheck(mDevice->Clear(flags, 0, 1.0f), kContextSource, __LINE__);
}

TDXContext::Result TDXContext::Present() {
  DisplayMutexLock lock(mMutex, true);
  mScreen.RefreshWindowRect();
  if (mRestoreNeeded) {
    RestoreMouseImage();
    if (mRestoreNeeded) return kOk;
  }
  if (mSurfacesNeeded) {
    if (MakeSaveUnder()) mSurfacesNeeded = false;
    if (mSurfacesNeeded) return kOk;
  }
  // The new frame holds no old cursor.
  mCursorDrawn = false;
  TPoint at = DrawCursor(-1, -1, true);
  bool drawn = at.x != -1 || at.y != -1;
  if (mScreen.IsWindowed() && mVSync) mBackend->WaitForVerticalBlank();
  Result r = mScreen.Present();
  if (drawn && r == kOk && mCursorDrawn) {
    // Windowed, the front got a copy: the back buffer is cleaned for the next frame. Full
    // screen, the flip itself moved the cursor to the front. Either way the next move must
    // erase it there, or it leaves a trail.
    if (mScreen.IsWindowed()) RestoreUnder(*mScreen.GetBackBuffer());
    mCursorDrawn = true;
    mCursorOnFront = true;
  }
  return r;
}
