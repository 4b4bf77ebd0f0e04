// The display back end behind the renderer: chooses a window or full screen with every
// fallback, survives lost surfaces and short video memory, runs frames, viewports, projections
// and device states, draws into textures, and forwards cursor work to its context.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "core/TColor.h"
#include "core/TMat4.h"
#include "core/TRect.h"
#include "core/str.h"
#include "platform/display/Display.h"
#include "platform/display/FlatSpan.h"
#include "render/TVertexList.h"

class TDXContext;
class TDxTextureData;
class TPlatform;
class TPlatformData;
class TTexture;

namespace platform::host {
class IHostWindow;
}

// What SetDisplay is asked to make.
struct TDisplayRequest {
  int width = 0;
  int height = 0;
  bool fullScreen = false;
  // Rebuild even when the mode is the one shown, and while the game's window is inactive.
  bool force = false;
  // No message boxes about fallbacks.
  bool quiet = false;
  // The main window is a host's child: its size and style stay the host's.
  bool childOfHost = false;
};

class TDxDisplayHandler {
public:
  // The name its log lines carry, from every file of its implementation.
  static constexpr const char* kLogSource = "dxdisplayhandler";

  struct Position {
    uint32_t x = 0xFFFFFFFF;
    uint32_t y = 0xFFFFFFFF;
  };

  // The backend may be given (tests); otherwise the context makes the one for the main window.
  explicit TDxDisplayHandler(std::unique_ptr<platform::display::Display> backend = nullptr);
  ~TDxDisplayHandler();
  TDxDisplayHandler(const TDxDisplayHandler&) = delete;
  TDxDisplayHandler& operator=(const TDxDisplayHandler&) = delete;

  // Null before the renderer exists.
  static TDxDisplayHandler* Instance();

  // Mode selection.
  void UpdateDesktopMode();
  void SetDisplay(const TDisplayRequest& request);
  bool RefreshDisplay(bool fullScreen);
  bool IsFullScreen() const { return mFullScreen; }
  // The size and full-screen flag of the display mode last set: readable from any thread (the
  // presentation thread takes the pointer back through them), unlike the current target's.
  void GetModeSize(int& width, int& height, bool& fullScreen) const {
    width = mModeWidth.load(std::memory_order_relaxed);
    height = mModeHeight.load(std::memory_order_relaxed);
    fullScreen = mModeFullScreen.load(std::memory_order_relaxed);
  }
  bool IsReady();
  void MarkDxBroken();
  void MarkDxBrokenLimited();
  bool IsDxBroken() const { return mDxBroken; }
  bool SquareTexturesOnly() const { return mSquareTexturesOnly; }
  bool AllowsAnyTextureSize() const;
  TDxTextureData* CreateTextureData();
  // Bytes of texture surfaces alive, kept in "texture_ram_allocated" with its peak in
  // "max_texture_ram_allocated" for the debug overlay.
  void CountTextureMemory(int64_t bytes);

  // Loss and restore.
  void Restore();
  void RestoreAssets();
  void ResetWorkingCount() { mWorkingCount = 0; }
  int GetWorkingCount() const { return mWorkingCount; }

  // Low video memory.
  void OutOfVideoMemory();
  bool IsLowMemoryVideo() const { return mLowMemoryVideo; }

  // Frames.
  bool BeginDraw(bool checkContext);
  void EndDraw(bool present);
  bool IsThreadedPresent() const { return mDisplayReady.load() && !mDxBroken.load(); }
  Position DrawCursor(int x, int y);
  bool IsPresentDone();
  void FlipToGDISurface();
  void SetVSync(bool on);
  bool Begin2d();
  void End2d();
  bool Begin3d();
  void End3d() {}

  // Viewport and clip.
  void SetViewport(int left, int top, int right, int bottom);
  void GetViewport(int& left, int& top, int& right, int& bottom) const;
  void PushViewport(const TRect& rect);
  void PopViewport();
  void SetClipRect(const TRect& rect);
  void GetDisplaySize(int& width, int& height, bool& fullScreen) const;

  // Drawing and states.
  void DrawVertices(int primitiveType, const TVertexList& list);
  void DrawIndexedVertices(int primitiveType, const TVertexList& list, const uint16_t* indices,
                           int indexCount);
  // Level runs of one colour in 2-D coordinates, as text draws them; the pixels lines over
  // the same runs give, without the vertex pipeline.
  void DrawSpans(const platform::display::FlatSpan* spans, int count);
  // Masks of such spans (their places in 2-D coordinates).
  void DrawMasks(const platform::display::AlphaMask* masks, int count);
  uint32_t PrepareVertexKind(int kind);
  void SetWorldTransform(const TMat4& m);
  void SetViewTransform(const TMat4& m);
  void SetProjection(const TMat4& m);
  void SetPerspective(float nearPlane, float farPlane, float fieldOfView, float aspect);
  void SetAmbientColour(const TColor& colour);
  void SetMaterial(const float values[17]);
  void SetShadeMode(int mode);
  void SetCullMode(int mode);
  void SetZEnable(bool on);
  void SetZWriteEnable(bool on);
  void SetTextureAddress(int u, int v);
  void SetTextureFilter(int mode);
  void SetBlendMode(int mode);
  int GetBlendMode() const { return mBlendMode; }
  void SetDeviceTexture(const boost::shared_ptr<TTexture>& texture);
  void FillRect(const TRect& rect, const TColor& colour, const boost::shared_ptr<TTexture>& target);

  void SetOption(const str& key, const str& value);
  str GetOption(const str& key) const;

  // Render targets.
  bool BeginRenderTarget(boost::shared_ptr<TTexture> texture, int mode);
  void EndRenderTarget();
  bool SwitchRenderTarget(const std::shared_ptr<platform::display::Surface>& current,
                          const std::shared_ptr<platform::display::Surface>& next);

  // The rendering self-test that calibrates the 2-D pixel offset; once per run.
  void RunSelfTest();
  float GetPixelOffset() const { return mPixelOffset; }

  // Forwarders to the context.
  void OnWindowMoved();
  bool ApplyCursor();
  void GetMousePosition(int& x, int& y);
  TPoint GetScreenOrigin();
  void ResetMouseState();
  void SetCursorVisible(bool visible);
  void SetMouseImage(boost::shared_ptr<TTexture> texture, int hotX, int hotY, bool second);
  void EraseCursor();

  TDXContext* GetContext() const { return mContext.get(); }
  platform::display::Device* GetDevice() const { return mDevice; }
  const std::shared_ptr<platform::display::Surface>& GetCurrentTarget() const {
    return mCurrentTarget;
  }
  bool IsDisplayReady() const { return mDisplayReady.load(); }

private:
  // Where a restore goes after each of its steps.
  enum class RestoreStep { RestoreSurfaces, RecreateDisplay, Stop };
  // Waits for the display to be usable again (a few tries while the window is active).
  RestoreStep RegainCooperativeLevel();
  // A display that broke within its first frames is made anew rather than restored.
  RestoreStep CheckWorkingCount();
  // Brings the lost surfaces back and gives the assets theirs.
  RestoreStep RestoreSurfaces();

  bool ApplyViewport();
  // Clears the depth of the area the scene is about to draw into: the screen, or the open
  // render target's corner of it.
  void ClearDepth();
  // viewport ∩ clip rectangle cut to the display, in display pixels; false when nothing of it
  // is on the display. The device viewport and the 2-D projection both use it.
  bool VisibleViewport(TRect& out) const;
  void ApplyTextureStages();
  void ApplyFixedDeviceState();
  bool IsActive() const;
  bool UseHostParent(TPlatformData& pd, TDisplayRequest& r, platform::host::IHostWindow*& parent);
  bool FullScreenWhenNoWindowFits(const TPlatformData& pd, platform::host::IHostWindow* parent,
                                  TDisplayRequest& r);
  bool CreateDisplayDevice(TPlatformData& pd, const TDisplayRequest& r, bool active);
  void FinishDisplaySetUp(TPlatform& platform, TPlatformData& pd, const TDisplayRequest& r);
  void CreationFailed(const TDisplayRequest& r, bool active);
  void ReadLowMemorySetting();
  void EndProcess(int code);

  platform::display::Display* mDirectDraw = nullptr;
  bool mDirect3D = false;
  platform::display::Device* mDevice = nullptr;
  std::unique_ptr<TDXContext> mContext;
  std::shared_ptr<platform::display::Surface> mCurrentTarget;
  // The pushed viewports, the latest last; its storage is kept from frame to frame.
  std::vector<TRect> mViewportStack;
  TRect mViewport;
  TRect mDisplayRect;
  TRect mClipRect;
  TRect mSavedRect;
  std::shared_ptr<platform::display::Surface> mScreenTarget;
  bool mFullScreen = false;
  std::atomic<int> mModeWidth{0};
  std::atomic<int> mModeHeight{0};
  std::atomic<bool> mModeFullScreen{false};
  int32_t mBlendMode = -1;
  int32_t mDisplayBitDepth = 0;
  std::atomic<bool> mDisplayReady{false};
  std::atomic<bool> mDxBroken{false};
  bool mLowMemorySwitchPending = false;
  bool mZWrite = false;
  bool mZEnable = false;
  int32_t mRenderTargetMode = 0;
  boost::shared_ptr<TTexture> mRenderTarget;
  bool mInFallback = false;
  bool mFatal = false;
  bool mSeparateTextureMemories = false;
  bool mNoSpecularGouraud = false;
  bool mSquareTexturesOnly = false;
  int32_t mWorkingCount = 0;
  uint32_t mBrokenTime = 0;
  bool mWasFullScreen = false;
  bool mLowMemoryVideo = false;
  bool mInSetDisplay = false;
  bool mInRestore = false;
  bool mInScene = false;
  bool mProjectionStale = true;
  TMat4 mProjection;
  float mNearPlane = 0.1f;
  float mFarPlane = 1000.0f;
  bool mAntialias = false;
  bool mHintAntialias = false;
  bool mNewSubtractive = false;
  bool mNewRenderBlend = false;
  bool mTextureRectangle = false;  // "texture_rectangle": exact-size textures where the device can
  bool mInSelfTest = false;
  float mPixelOffset = -0.5f;
  bool mDefaultCursorSet = false;
  bool mLoggedTargetDepth = false;
  float mSavedViewportScale = 1.0f;
  int64_t mTextureMemory = 0;
  int64_t mMaxTextureMemory = 0;
};
