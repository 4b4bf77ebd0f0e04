// Frames on the display back end: scenes and presentation, viewport and clip, the 2-D and 3-D
// projections, vertex kinds, blend modes and texture stages, fills, options and the forwarders
// to the context's presentation and cursor code.
#include <algorithm>
#include <cmath>

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "render/CDisplay.h"
#include "render/FloatToInt.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "render/TDxTextureData.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "render/IRenderHost.h"

using namespace platform::display;

namespace {
#define DX_CHECK(r) DxCheck((r), TDxDisplayHandler::kLogSource, __LINE__)

Matrix4 ToMatrix(const TMat4& m) {
  Matrix4 out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out.m[r][c] = m(r, c);
  return out;
}

uint32_t Pack(const TColor& c) {
  auto ch = [](float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return static_cast<uint32_t>(v * 255.0f);
  };
  return ch(c.a) << 24 | ch(c.r) << 16 | ch(c.g) << 8 | ch(c.b);
}

bool Hosted(float& scale) {
  TPlatform* p = TPlatform::Instance();
  return p && p->GetData()->GetViewportScale(scale);
}

int ScaleRound(int v, float scale) {
  return TruncToInt(std::floor(static_cast<float>(v) * scale + 0.5f));
}

bool FramesSkipped() {
  IRenderHost* host = CurrentRenderHost();
  return host && host->AreFramesSuspended();
}

bool RendererIn2d() {
  TRenderer* r = TRenderer::Existing();
  return r && r->IsIn2d();
}
}  // namespace

bool TDxDisplayHandler::BeginDraw(bool checkContext) {
  if (!mDevice || mDxBroken) return false;
  if (const std::shared_ptr<Surface>& front = mContext->GetFrontBuffer()) {
    Result r = front->GetFlipStatus();
    if (r == kWasStillDrawing) return false;
    if (r != kOk) DX_CHECK(r);
  }
  if (checkContext && !mContext->GetBackBuffer()) {
    MarkDxBroken();
    return false;
  }
  Result r = mDevice->BeginScene();
  if (r == kSurfaceLost) {
    EngineLog("TRenderer::BeginDraw: DDERR_SURFACELOST on BeginScene");
    if (mInRestore) {
      MarkDxBroken();
      return false;
    }
    Restore();
    if (mDxBroken || !mDevice) {
      mInScene = false;
      return false;
    }
    r = mDevice->BeginScene();
    if (r != kOk) {
      DX_CHECK(r);
      MarkDxBroken();
      mInScene = false;
      return false;
    }
  } else if (r != kOk) {
    DX_CHECK(r);
    mInScene = false;
    return false;
  }
  ++mWorkingCount;
  ClearDepth();
  TRect clip = mClipRect;
  mClipRect = mDisplayRect;
  ApplyViewport();
  mClipRect = clip;
  mInScene = true;
  return true;
}

void TDxDisplayHandler::ClearDepth() {
  // A render target draws only into its corner of the back buffer, so only that corner's depth
  // is cleared: a whole screen's worth for every small target (a hit test's is 4x4) would cost
  // far more than the drawing itself.
  TRect area = mDisplayRect;
  if (mRenderTarget) area.SetIntersection(area, TRect(0, 0, mSavedRect.right, mSavedRect.bottom));
  if (area.right <= area.left || area.bottom <= area.top) return;
  Viewport depth{area.left, area.top, area.Width(), area.Height()};
  mDevice->SetViewport(depth);
  mContext->Clear(kClearZBuffer);
}

void TDxDisplayHandler::EndDraw(bool present) {
  if (!mInScene) return;
  mInScene = false;
  if (!mDevice) return;
  Result r = mDevice->EndScene();
  if (r == kSceneNotInScene) {
    MarkDxBroken();
    return;
  }
  bool failed = false;
  if (r != kOk) {
    DX_CHECK(r);
    failed = true;
  }
  if (TRenderer* renderer = TRenderer::Existing()) {
    if (boost::shared_ptr<TTexture> capture = renderer->TakeCaptureTexture()) {
      if (BeginRenderTarget(capture, 0))
        EndRenderTarget();
      else
        renderer->SetCaptureTexture(capture);
    }
  }
  if (present && !FramesSkipped() && !failed) r = mContext->Present();
  if (r == kSurfaceLost) {
    EngineLog("TPlatform::EndDraw: DDERR_SURFACELOST on UpdateFrame or EndScene");
    Restore();
  } else if (r != kOk) {
    DX_CHECK(r);
    EngineLog("TPlatform::EndDraw: Unexpected error (see above) on UpdateFrame or EndScene");
    Restore();
  }
}

bool TDxDisplayHandler::IsPresentDone() {
  const std::shared_ptr<Surface>& back = mContext->GetBackBuffer();
  if (!back) return false;
  Result r = mFullScreen ? back->GetFlipStatus() : back->GetBltStatus();
  return r != kWasStillDrawing;
}

void TDxDisplayHandler::FlipToGDISurface() {
  if (mDirectDraw) mDirectDraw->FlipToGdiSurface();
}

void TDxDisplayHandler::SetVSync(bool on) { mContext->SetVSync(on); }

TDxDisplayHandler::Position TDxDisplayHandler::DrawCursor(int x, int y) {
  TPoint at = mContext->DrawCursor(x, y, false);
  Position pos;
  if (at.x != -1 || at.y != -1) {
    pos.x = static_cast<uint32_t>(at.x);
    pos.y = static_cast<uint32_t>(at.y);
  }
  return pos;
}

bool TDxDisplayHandler::Begin2d() {
  if (!mDevice) return false;
  RenderStates& rs = mDevice->States();
  rs.specular = false;
  rs.clipping = false;
  SetTextureAddress(0, 0);
  SetBlendMode(0);
  SetTextureFilter(1);
  SetZEnable(false);
  SetZWriteEnable(false);
  SetCullMode(1);
  TMat4 identity;
  SetWorldTransform(identity);
  SetViewTransform(identity);
  mProjectionStale = true;
  return true;
}

void TDxDisplayHandler::End2d() {
  if (TRenderer* r = TRenderer::Existing()) r->SetTexture(boost::shared_ptr<TTexture>());
  TMat4 identity;
  SetWorldTransform(identity);
  SetViewTransform(identity);
}

bool TDxDisplayHandler::Begin3d() {
  if (!mDevice) return false;
  RenderStates& rs = mDevice->States();
  if (!mNoSpecularGouraud) rs.specular = true;
  rs.clipping = true;
  SetTextureAddress(1, 1);
  SetBlendMode(0);
  SetTextureFilter(1);
  SetZEnable(true);
  SetZWriteEnable(true);
  SetCullMode(3);
  return true;
}

bool TDxDisplayHandler::VisibleViewport(TRect& out) const {
  TRect r;
  r.SetIntersection(mViewport, mClipRect);
  int w = mDisplayRect.Width(), h = mDisplayRect.Height();
  if (r.right <= std::max(r.left, 0) || r.bottom <= std::max(r.top, 0) || r.left >= w || r.top >= h)
    return false;
  int left = std::clamp(r.left, 0, std::max(0, w - 1));
  int top = std::clamp(r.top, 0, std::max(0, h - 1));
  out = TRect(left, top, std::clamp(r.right, left, std::max(left, w)),
              std::clamp(r.bottom, top, std::max(top, h)));
  return true;
}

bool TDxDisplayHandler::ApplyViewport() {
  if (!mDevice) return false;
  TRect r;
  // Nothing of it on the display: an empty viewport, which the device refuses.
  if (!VisibleViewport(r)) return Succeeded(mDevice->SetViewport(Viewport{0, 0, 0, 0, 0.0f, 1.0f}));
  int w = mDisplayRect.Width(), h = mDisplayRect.Height();
  int left = r.left, top = r.top, right = r.right, bottom = r.bottom;
  float scale = 1.0f;
  if (Hosted(scale)) {
    int sw = ScaleRound(w, scale), sh = ScaleRound(h, scale);
    left = ScaleRound(left, scale);
    top = ScaleRound(top, scale);
    // Edges that touch the display stay on its scaled edges.
    right = right == w ? sw : ScaleRound(right, scale);
    bottom = bottom == h ? sh : ScaleRound(bottom, scale);
  }
  Viewport vp{left, top, right - left, bottom - top, 0.0f, 1.0f};
  return Succeeded(mDevice->SetViewport(vp));
}

void TDxDisplayHandler::SetViewport(int left, int top, int right, int bottom) {
  if (!mDevice) return;
  mProjectionStale = true;
  TRect old = mViewport;
  mViewport = TRect(left, top, right, bottom);
  if (!ApplyViewport()) {
    EngineLog("Bad viewport: %d, %d, %d, %d", left, top, right, bottom);
    mViewport = old;
  }
  mProjectionStale = true;
}

void TDxDisplayHandler::GetViewport(int& left, int& top, int& right, int& bottom) const {
  left = mViewport.left;
  top = mViewport.top;
  right = mViewport.right;
  bottom = mViewport.bottom;
}

void TDxDisplayHandler::PushViewport(const TRect& rect) {
  mViewportStack.push_back(mViewport);
  SetViewport(rect.left, rect.top, rect.right, rect.bottom);
}

void TDxDisplayHandler::PopViewport() {
  if (mViewportStack.empty()) return;  // a pop without its push changes nothing
  mViewport = mViewportStack.back();
  mViewportStack.pop_back();
  mProjectionStale = true;
  ApplyViewport();
}

void TDxDisplayHandler::SetClipRect(const TRect& rect) {
  mClipRect = rect;
  mProjectionStale = true;
  ApplyViewport();
}

void TDxDisplayHandler::GetDisplaySize(int& width, int& height, bool& fullScreen) const {
  width = mDisplayRect.Width();
  height = mDisplayRect.Height();
  fullScreen = mFullScreen;
}

uint32_t TDxDisplayHandler::PrepareVertexKind(int kind) {
  if (!mDevice) return kMeshVertex;
  mDevice->States().lighting = !(kind == 1 || kind == 2 || kind == 3);
  if (kind == 3) return kTransformedVertex;
  TRect r;
  // An empty area draws nothing and would give a projection of infinities.
  if (mProjectionStale && RendererIn2d() && VisibleViewport(r)) {
    mProjectionStale = false;
    float w = static_cast<float>(r.Width()), h = static_cast<float>(r.Height());
    // The device viewport starts at r: viewport coordinates from there on, however far the
    // viewport or the clip rectangle reach past the display's edges.
    float dx = static_cast<float>(r.left - mViewport.left);
    float dy = static_cast<float>(r.top - mViewport.top);
    float l = dx - mPixelOffset, rt = dx + w - mPixelOffset;
    float b = dy + h - mPixelOffset, t = dy - mPixelOffset;
    TMat4 m;
    m(0, 0) = 2.0f / (rt - l);
    m(1, 1) = 2.0f / (t - b);
    m(3, 0) = (l + rt) / (l - rt);
    m(3, 1) = (t + b) / (b - t);
    // z passes unchanged.
    m(2, 2) = 1.0f;
    m(2, 3) = 0.0f;
    m(3, 2) = 0.0f;
    m(3, 3) = 1.0f;
    SetProjection(m);
  }
  return kind == 1 || kind == 2 ? kLitVertex : kMeshVertex;
}

void TDxDisplayHandler::DrawVertices(int primitiveType, const TVertexList& list) {
  if (mDxBroken || !mDevice || !list.vertices || list.count <= 0) return;
  uint32_t fvf = PrepareVertexKind(list.kind);
  Result r = mDevice->DrawPrimitive(static_cast<PrimitiveType>(primitiveType), fvf, list.vertices,
                                    static_cast<uint32_t>(list.count));
  if (r == kOutOfVideoMemory) {
    EngineLog("DrawVertices out of video memory");
    OutOfVideoMemory();
  } else if (r != kOk) {
    DX_CHECK(r);
    MarkDxBroken();
  }
}

void TDxDisplayHandler::DrawSpans(const platform::display::FlatSpan* spans, int count) {
  if (mDxBroken || !mDevice || !spans || count <= 0) return;
  PrepareVertexKind(TVertexList::kLit2d);
  float scale = 1.0f;
  if (!Hosted(scale) || scale == 1.0f) {
    DX_CHECK(mDevice->DrawSpans(spans, uint32_t(count), mViewport.left, mViewport.top));
    return;
  }
  // A scaled host display: each span covers the display pixels its pixels are scaled to, the
  // way rectangles are filled there.
  platform::display::FlatSpan scaled[256];
  int n = 0;
  auto flush = [&] {
    if (n > 0) DX_CHECK(mDevice->DrawSpans(scaled, uint32_t(n), 0, 0));
    n = 0;
  };
  for (int i = 0; i < count; ++i) {
    const platform::display::FlatSpan& s = spans[i];
    int left = ScaleRound(mViewport.left + s.x0, scale),
        right = ScaleRound(mViewport.left + s.x1, scale);
    int top = ScaleRound(mViewport.top + s.y, scale),
        bottom = ScaleRound(mViewport.top + s.y + 1, scale);
    for (int y = top; y < bottom && left < right; ++y) {
      if (n == 256) flush();
      scaled[n++] = {left, right, y, s.colour};
    }
  }
  flush();
}

void TDxDisplayHandler::DrawMasks(const platform::display::AlphaMask* masks, int count) {
  if (mDxBroken || !mDevice || !masks || count <= 0) return;
  float scale = 1.0f;
  if (!Hosted(scale) || scale == 1.0f) {
    PrepareVertexKind(TVertexList::kLit2d);
    DX_CHECK(mDevice->DrawMasks(masks, uint32_t(count), mViewport.left, mViewport.top));
    return;
  }
  // A scaled host display scales spans: the masks' pixels go there as spans.
  std::vector<platform::display::FlatSpan> spans;
  for (int k = 0; k < count; ++k) {
    const platform::display::AlphaMask& m = masks[k];
    for (int row = 0; row < m.height; ++row)
      for (int i = 0; i < m.width; ++i)
        if (uint32_t a = m.alphas[size_t(row) * size_t(m.pitch) + size_t(i)])
          spans.push_back({m.x + i, m.x + i + 1, m.y + row, (m.rgb & 0xFFFFFFu) | a << 24});
  }
  DrawSpans(spans.data(), int(spans.size()));
}

void TDxDisplayHandler::DrawIndexedVertices(int primitiveType, const TVertexList& list,
                                            const uint16_t* indices, int indexCount) {
  if (mDxBroken || !mDevice || !list.vertices || list.count <= 0 || !indices || indexCount <= 0)
    return;
  uint32_t fvf = PrepareVertexKind(list.kind);
  DX_CHECK(mDevice->DrawIndexedPrimitive(static_cast<PrimitiveType>(primitiveType), fvf,
                                         list.vertices, static_cast<uint32_t>(list.count), indices,
                                         static_cast<uint32_t>(indexCount)));
}

void TDxDisplayHandler::SetWorldTransform(const TMat4& m) {
  if (mDevice) mDevice->SetTransform(TransformKind::World, ToMatrix(m));
}

void TDxDisplayHandler::SetViewTransform(const TMat4& m) {
  if (mDevice) mDevice->SetTransform(TransformKind::View, ToMatrix(m));
}

void TDxDisplayHandler::SetProjection(const TMat4& m) {
  if (!mDevice) return;
  mDevice->SetTransform(TransformKind::Projection, ToMatrix(m));
  mProjection = m;
  mProjectionStale = true;
}

void TDxDisplayHandler::SetPerspective(float nearPlane, float farPlane, float fieldOfView,
                                       float aspect) {
  if (!mDevice) return;
  mNearPlane = nearPlane;
  mFarPlane = farPlane;
  if (aspect == 0.0f && mViewport.Height() != 0)
    aspect = static_cast<float>(mViewport.Width()) / static_cast<float>(mViewport.Height());
  if (aspect == 0.0f) aspect = 1.0f;
  TMat4 m;
  m.SetPerspective(nearPlane, farPlane, fieldOfView, aspect, TVec2(0, 0));
  SetProjection(m);
}

void TDxDisplayHandler::SetAmbientColour(const TColor& colour) {
  if (mDevice) mDevice->States().ambient = Pack(colour);
}

void TDxDisplayHandler::SetMaterial(const float v[17]) {
  if (!mDevice) return;
  Material m;
  m.diffuse = {v[0], v[1], v[2], v[3]};
  m.ambient = {v[4], v[5], v[6], v[7]};
  m.specular = {v[8], v[9], v[10], v[11]};
  m.emissive = {v[12], v[13], v[14], v[15]};
  m.power = v[16];
  mDevice->SetMaterial(m);
}

void TDxDisplayHandler::SetShadeMode(int mode) {
  if (mDevice) mDevice->States().shadeMode = mode == 2 ? ShadeMode::Gouraud : ShadeMode::Flat;
}

void TDxDisplayHandler::SetCullMode(int mode) {
  if (!mDevice) return;
  mDevice->States().cullMode = mode == 2   ? CullMode::Clockwise
                               : mode == 3 ? CullMode::CounterClockwise
                                           : CullMode::None;
}

void TDxDisplayHandler::SetZEnable(bool on) {
  if (!mDevice) return;
  mDevice->States().zEnable = mZEnable = on;
}

void TDxDisplayHandler::SetZWriteEnable(bool on) {
  if (!mDevice) return;
  mDevice->States().zWrite = mZWrite = on;
}

void TDxDisplayHandler::SetTextureAddress(int u, int v) {
  if (!mDevice) return;
  auto mode = [](int m) {
    return m == 1 ? TextureAddress::Wrap : m == 2 ? TextureAddress::Mirror : TextureAddress::Clamp;
  };
  mDevice->Stage().addressU = mode(u);
  mDevice->Stage().addressV = mode(v);
}

void TDxDisplayHandler::SetTextureFilter(int mode) {
  if (!mDevice || (mode != 0 && mode != 1)) return;
  TextureFilter f = mode == 0 ? TextureFilter::Point : TextureFilter::Linear;
  TextureStage& st = mDevice->Stage();
  st.minFilter = st.magFilter = st.mipFilter = f;
}

void TDxDisplayHandler::SetBlendMode(int mode) {
  if (!mDevice) return;
  RenderStates& rs = mDevice->States();
  bool target4 = mRenderTarget && mRenderTargetMode == 4;
  auto set = [&](BlendFactor s, BlendFactor d) {
    rs.srcBlend = s;
    rs.dstBlend = d;
    rs.alphaBlend = true;
  };
  switch (mode) {
    case 0:
      set(BlendFactor::SrcAlpha, target4 ? BlendFactor::One : BlendFactor::InvSrcAlpha);
      break;
    case 1: rs.alphaBlend = false; break;
    case 2: set(BlendFactor::SrcAlpha, BlendFactor::One); break;
    case 3:
      if (!target4)
        set(BlendFactor::Zero, BlendFactor::InvSrcColor);
      else if (mNewSubtractive)
        set(BlendFactor::One, BlendFactor::One);
      else
        set(BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha);
      break;
    case 4: set(BlendFactor::Zero, BlendFactor::SrcColor); break;
    default: break;
  }
  mBlendMode = mode;
  ApplyTextureStages();
}

void TDxDisplayHandler::ApplyTextureStages() {
  if (!mDevice) return;
  mDevice->States().textureFactor = 0xFFFFFFFFu;
  TextureStage& st = mDevice->Stage();
  bool bound = mDevice->GetTexture() != nullptr;
  if (mRenderTarget && mRenderTargetMode == 4) {
    if (mBlendMode == 3 && mNewSubtractive) {
      st.colourArg1 = kArgFactor;
    } else if (bound) {
      st.colourArg1 = kArgTexture | kArgAlphaReplicate;
      if (mNewRenderBlend) {
        st.colourArg2 = kArgDiffuse | kArgAlphaReplicate;
        st.colourOp = TextureOp::Modulate;
      }
    } else {
      st.colourArg1 = kArgDiffuse | kArgAlphaReplicate;
      if (mNewRenderBlend) st.colourOp = TextureOp::SelectArg1;
    }
    if (!mNewRenderBlend) st.colourOp = TextureOp::SelectArg1;
    st.alphaArg1 = kArgFactor;
    st.alphaOp = TextureOp::SelectArg1;
    return;
  }
  // Normal drawing always modulates with the current colour again: a mode-4 target draw
  // may have left the stage selecting its first argument, which would drop every tint.
  st.colourArg1 = kArgTexture;
  st.colourArg2 = kArgCurrent;
  st.colourOp = TextureOp::Modulate;
  if (mBlendMode == 1 || (mBlendMode == 3 && mNewSubtractive)) {
    st.alphaArg1 = kArgFactor;
    st.alphaOp = TextureOp::SelectArg1;
  } else {
    st.alphaArg1 = kArgTexture;
    st.alphaOp = TextureOp::Modulate;
  }
}

void TDxDisplayHandler::SetDeviceTexture(const boost::shared_ptr<TTexture>& texture) {
  if (!mDevice || mDxBroken) return;
  std::shared_ptr<Surface> surface;
  if (texture)
    if (auto* data = dynamic_cast<TDxTextureData*>(texture->GetData()))
      surface = data->GetSurface();
  mDevice->SetTexture(surface);
  ApplyTextureStages();
}

void TDxDisplayHandler::FillRect(const TRect& rect, const TColor& colour,
                                 const boost::shared_ptr<TTexture>& target) {
  TRenderer* renderer = TRenderer::Existing();
  if (!target && renderer && renderer->IsDrawing()) {
    if (!mDevice || mDxBroken) return;
    bool left3d = false, entered2d = false;
    if (renderer->IsIn3d()) {
      renderer->End3d();
      left3d = true;
    }
    if (!renderer->IsIn2d()) entered2d = renderer->Begin2d();
    uint32_t c = Pack(colour);
    float x0 = static_cast<float>(rect.left - mViewport.left);
    float y0 = static_cast<float>(rect.top - mViewport.top);
    float x1 = static_cast<float>(rect.right - mViewport.left);
    float y1 = static_cast<float>(rect.bottom - mViewport.top);
    TLitVertex v[4];
    const float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
    for (int i = 0; i < 4; ++i) {
      v[i].x = xs[i];
      v[i].y = ys[i];
      v[i].z = 0.1f;
      v[i].diffuse = c;
      v[i].specular = 0xFF000000u;
    }
    boost::shared_ptr<TTexture> previous = renderer->GetTexture();
    mDevice->SetTexture(nullptr);
    SetBlendMode(mBlendMode < 0 ? 0 : mBlendMode);
    DrawVertices(6, TVertexList{TVertexList::kLit2d, v, 4});
    SetDeviceTexture(previous);
    if (entered2d) renderer->End2d();
    if (left3d) renderer->Begin3d();
    return;
  }
  std::shared_ptr<Surface> surface;
  TRect r = rect;
  if (target) {
    if (auto* data = dynamic_cast<TDxTextureData*>(target->GetData())) surface = data->GetSurface();
  } else {
    surface = mContext->GetBackBuffer();
    r.SetIntersection(r, mClipRect);
    float scale = 1.0f;
    if (Hosted(scale))
      r = TRect(ScaleRound(r.left, scale), ScaleRound(r.top, scale), ScaleRound(r.right, scale),
                ScaleRound(r.bottom, scale));
  }
  if (!surface) return;
  r.SetIntersection(r, TRect(0, 0, surface->Width(), surface->Height()));
  if (r.right <= r.left || r.bottom <= r.top) return;
  Rect area{r.left, r.top, r.right, r.bottom};
  DX_CHECK(surface->Fill(&area, Pack(colour)));
}

void TDxDisplayHandler::SetOption(const str& key, const str& value) {
  if (key == "antialias") {
    mAntialias = value.ToInt() > 0;
    if (mDevice) mDevice->States().antialias = mAntialias;
  } else if (key == "hint_antialias") {
    mHintAntialias = value.ToInt() > 0;
  } else if (key == "new_subtractive") {
    mNewSubtractive = value.ToInt() > 0;
  } else if (key == "new_render_blend") {
    mNewRenderBlend = value.ToInt() > 0;
  } else if (key == "texture_rectangle") {
    mTextureRectangle = value.ToInt() > 0;
  }
}

str TDxDisplayHandler::GetOption(const str& key) const {
  if (key == "antialias") return mAntialias ? "1" : "0";
  if (key == "hint_antialias") return mHintAntialias ? "1" : "0";
  if (key == "new_subtractive") return mNewSubtractive ? "1" : "0";
  if (key == "16bitmode")
    return mLowMemoryVideo || mDisplayBitDepth == 16 || mDisplayBitDepth == 15 ? "1" : "0";
  return str();
}

void TDxDisplayHandler::OnWindowMoved() { mContext->OnWindowMoved(); }

bool TDxDisplayHandler::ApplyCursor() {
  TPlatform* p = TPlatform::Instance();
  return mContext->ApplyCursor(p && p->GetData()->IsCursorVisible());
}

void TDxDisplayHandler::GetMousePosition(int& x, int& y) { mContext->GetMousePosition(x, y); }
TPoint TDxDisplayHandler::GetScreenOrigin() { return mContext->GetWindowOrigin(); }
void TDxDisplayHandler::ResetMouseState() { mContext->ResetMouseState(); }
void TDxDisplayHandler::SetCursorVisible(bool visible) { mContext->SetCursorVisible(visible); }
void TDxDisplayHandler::EraseCursor() { mContext->EraseCursor(); }

void TDxDisplayHandler::SetMouseImage(boost::shared_ptr<TTexture> texture, int hotX, int hotY,
                                      bool second) {
  mContext->SetMouseImage(std::move(texture), hotX, hotY, second);
}
