// The one drawing facade: the frame and 2-D/3-D state with its refusals, the clip stack, the
// current texture, the debug overlay; every device operation goes on to the display handler.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "core/TColor.h"
#include "core/TRect.h"
#include "core/str.h"
#include "platform/display/FlatSpan.h"
#include "render/IRendererText.h"
#include "render/TVertexList.h"

class TDxDisplayHandler;
class TTexture;

class TRenderer {
public:
  // Creates the renderer and its display handler on first use.
  static TRenderer* Instance();
  // Null while no renderer exists (never creates one).
  static TRenderer* Existing();
  static void Destroy();
  // The display handler, or null while no renderer exists.
  static TDxDisplayHandler* DisplayInstance();

  bool BeginDraw(bool arg = true);
  void EndDraw(bool arg = true);
  bool BeginRenderTarget(boost::shared_ptr<TTexture> texture, int mode);
  void EndRenderTarget();
  bool Begin2d();
  void End2d();
  bool Begin3d();
  void End3d();
  bool IsIn2d() const;
  bool IsIn3d() const;
  bool IsDrawing() const;

  void DrawVertices(int primitiveType, const TVertexList& list);
  void DrawIndexedVertices(int primitiveType, const TVertexList& list, const uint16_t* indices,
                           int indexCount);
  // Level runs of one colour each (text's glyph spans) in 2-D coordinates: only in 2-D.
  void DrawSpans(const platform::display::FlatSpan* spans, int count);
  // Masks of such spans, a pixel each: only in 2-D.
  void DrawMasks(const platform::display::AlphaMask* masks, int count);
  void SetTexture(boost::shared_ptr<TTexture> texture);
  boost::shared_ptr<TTexture> GetTexture() const;
  void SetBlendMode(int mode);
  void SetCullMode(int mode);
  void FillRect(const TRect& rect, const TColor& colour,
                boost::shared_ptr<TTexture> texture = boost::shared_ptr<TTexture>());

  void GetViewport(TRect& out) const;
  void PushViewport(const TRect& rect);
  void PopViewport();
  void GetClipRect(TRect& out) const;
  void PushClipRect(const TRect& rect);
  void PopClipRect();

  void SetOption(const str& key, const str& value);
  str GetOption(const str& key) const;
  bool AllowsAnyTextureSize() const;

  void SetCaptureTexture(boost::shared_ptr<TTexture> texture);
  boost::shared_ptr<TTexture> GetCaptureTexture() const;
  // Hands the capture texture over (the slot is empty afterwards).
  boost::shared_ptr<TTexture> TakeCaptureTexture();

  // The 4x4 render target that sprite hit tests draw into: made on first use and kept by the
  // renderer, so that it goes with the renderer and never outlives the engine's settings.
  boost::shared_ptr<TTexture> GetHitTarget();
  void ReleaseHitTarget();

  // Flips the debug overlay and answers its previous state.
  bool ToggleDebugInfo();
  bool IsDebugInfoOn() const;
  float GetFrameRate() const;
  // The overlay's text as last formatted (empty before the first overlay frame).
  str GetOverlayText() const;
  // How the overlay makes its text block; null (the default) leaves the overlay without text.
  void SetTextFactory(RendererTextFactory factory);

  TDxDisplayHandler* GetDisplay() const { return mDisplay.get(); }

private:
  struct Data;
  TRenderer();
  ~TRenderer();
  bool DrawingCheck(const char* refused) const;

  std::unique_ptr<Data> mData;
  std::unique_ptr<TDxDisplayHandler> mDisplay;
};

// Begin2d for the length of a scope; End2d only when the begin succeeded.
class TScoped2d {
public:
  TScoped2d();
  ~TScoped2d();
  TScoped2d(const TScoped2d&) = delete;
  TScoped2d& operator=(const TScoped2d&) = delete;
  bool Ok() const { return mOk; }

private:
  bool mOk;
};

class End2dGuard {
public:
  End2dGuard() = default;
  ~End2dGuard() { Release(); }
  void Set() { mActive = true; }
  void Release();

private:
  bool mActive = false;
};
