// The renderer: frame and draw-state bookkeeping with its refusals, the clip stack, the
// current and capture textures, frame rate and the debug overlay.
#include "render/TRenderer.h"

#include <atomic>

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TSettings.h"
#include "core/Timer.h"
#include "render/TDxDisplayHandler.h"
#include "render/TTexture.h"
#include "render/IRenderHost.h"

namespace {
// Read by the presentation thread.
std::atomic<TRenderer*> gRenderer{nullptr};
std::atomic<TDxDisplayHandler*> gDisplay{nullptr};
}  // namespace

struct TRenderer::Data {
  int32_t frameIndex = 0;
  float frameRate = 0.0f;
  uint32_t frameTimes[15] = {};
  bool debugOverlay = false;
  bool overlayMade = false;  // the overlay's text object, made on the first overlay frame
  str overlayText;
  RendererTextFactory textFactory = nullptr;
  std::unique_ptr<IRendererText> overlayBlock;
  boost::shared_ptr<TTexture> currentTexture;
  boost::shared_ptr<TTexture> captureTexture;
  boost::shared_ptr<TTexture> hitTarget;
  std::vector<TRect> clipStack;
  bool in2d = false;
  bool in3d = false;
  bool inDraw = false;
  bool inRenderTarget = false;
  bool frameRateFlag = true;
};

TRenderer::TRenderer()
    : mData(std::make_unique<Data>()), mDisplay(std::make_unique<TDxDisplayHandler>()) {
  gDisplay.store(mDisplay.get());
}

TRenderer::~TRenderer() {
  gDisplay.store(nullptr);
  mData->currentTexture.reset();
  mData->captureTexture.reset();
  mData->hitTarget.reset();
}

TRenderer* TRenderer::Instance() {
  TRenderer* r = gRenderer.load();
  if (!r) {
    r = new TRenderer();
    gRenderer.store(r);
  }
  return r;
}

TRenderer* TRenderer::Existing() { return gRenderer.load(); }

void TRenderer::Destroy() {
  // The display handler stays reachable while textures die during the tear-down.
  delete gRenderer.exchange(nullptr);
}

TDxDisplayHandler* TRenderer::DisplayInstance() { return gDisplay.load(); }

boost::shared_ptr<TTexture> TRenderer::GetHitTarget() {
  if (!mData->hitTarget) mData->hitTarget = TTexture::Create(4, 4, true);
  return mData->hitTarget;
}

void TRenderer::ReleaseHitTarget() { mData->hitTarget.reset(); }

bool TRenderer::BeginDraw(bool arg) {
  mData->inDraw = mDisplay->BeginDraw(arg);
  return mData->inDraw;
}

void TRenderer::EndDraw(bool arg) {
  Data& d = *mData;
  uint32_t now = GetTimer();
  d.frameTimes[d.frameIndex] = now;
  d.frameIndex = (d.frameIndex + 1) % 15;
  if (d.frameIndex == 0) {
    uint32_t elapsed = now - d.frameTimes[0];
    d.frameRate = elapsed ? 15000.0f / static_cast<float>(elapsed) : 0.0f;
  }
  if (d.debugOverlay) {
    if (!d.overlayMade && d.textFactory) {
      d.overlayBlock = d.textFactory(512, 512, 16, TColor(1, 0, 0, 1));
      d.overlayMade = true;
    }
    int maxTex = GetConfig(kConfigMaxTextureRamAllocated).ToInt();
    int tex = GetConfig(kConfigTextureRamAllocated).ToInt();
    int sprites = GetConfig(kConfigCurrentSpriteCount).ToInt();
    int memory = 0, peak = 0;  // nothing keeps these counters
    d.overlayText = str::Format(
        "Kiteyard Version %d.%d.%d.%d<br>%f FPS<tab pos='150'>Sprites: %d<br>Mem: %dkB<tab "
        "pos='150'>TexMem: %dkB<br>MaxMem: %dkB<tab pos='150'>MaxTexMem: %dkB<br>",
        4, 0, 16, 3, static_cast<double>(d.frameRate), sprites, memory / 1024, tex / 1024,
        peak / 1024, maxTex / 1024);
    bool began = Begin2d();
    FillRect(TRect(0, 0, 300, 64), TColor(0, 0, 0, 0));
    if (d.overlayBlock) {
      d.overlayBlock->SetText(d.overlayText);
      d.overlayBlock->Draw(TRect(0, 0, 512, 512), 1.0f);
    }
    if (began) End2d();
  }
  d.inDraw = false;
  mDisplay->EndDraw(arg);
}

bool TRenderer::BeginRenderTarget(boost::shared_ptr<TTexture> texture, int mode) {
  if (!texture || texture->IsSimple() || IsDrawing()) return false;
  bool ok = mDisplay->BeginRenderTarget(texture, mode);
  mData->inRenderTarget = mData->inDraw = ok;
  return ok;
}

void TRenderer::EndRenderTarget() {
  mDisplay->EndRenderTarget();
  mData->inRenderTarget = mData->inDraw = false;
}

bool TRenderer::Begin2d() {
  Data& d = *mData;
  if (d.in2d) {
    EngineLog("Begin2d called when already in Begin2d state");
    return false;
  }
  if (d.in3d) {
    EngineLog("Begin2d called when already in Begin3d state");
    return false;
  }
  if (!IsDrawing()) {
    EngineLog("ERROR: Calling Begin2d outside of a BeginDraw or BeginRenderTarget block!");
    return false;
  }
  d.in2d = mDisplay->Begin2d();
  return d.in2d;
}

void TRenderer::End2d() {
  Data& d = *mData;
  if (!d.in2d) {
    EngineLog("End2d called when not in Begin2d state");
    return;
  }
  if (!IsDrawing()) EngineLog("ERROR: Calling End2d after EndDraw or EndRenderTarget!");
  mDisplay->End2d();
  d.in2d = false;
}

bool TRenderer::Begin3d() {
  Data& d = *mData;
  if (d.in2d) {
    EngineLog("Begin3d called when already in Begin2d state");
    return false;
  }
  if (d.in3d) {
    EngineLog("Begin3d called when already in Begin3d state");
    return false;
  }
  if (!IsDrawing()) {
    EngineLog("ERROR: Calling Begin3d outside of a BeginDraw or BeginRenderTarget block!");
    return false;
  }
  d.in3d = mDisplay->Begin3d();
  return d.in3d;
}

void TRenderer::End3d() {
  Data& d = *mData;
  if (!d.in3d) {
    EngineLog("End3d called when not in Begin3d state");
    return;
  }
  if (!IsDrawing()) EngineLog("Calling End3d after EndDraw or EndRenderTarget!");
  mDisplay->End3d();
  d.in3d = false;
}

bool TRenderer::IsIn2d() const { return mData->in2d; }
bool TRenderer::IsIn3d() const { return mData->in3d; }
bool TRenderer::IsDrawing() const { return mData->inDraw || mData->inRenderTarget; }

void TRenderer::DrawVertices(int primitiveType, const TVertexList& list) {
  if (!mData->in2d && !mData->in3d) {
    EngineLog("DrawVertices called when not in Begin2d or Begin3d state");
    return;
  }
  mDisplay->DrawVertices(primitiveType, list);
}

void TRenderer::DrawSpans(const platform::display::FlatSpan* spans, int count) {
  if (!mData->in2d) {
    EngineLog("DrawSpans called when not in Begin2d state");
    return;
  }
  mDisplay->DrawSpans(spans, count);
}

void TRenderer::DrawMasks(const platform::display::AlphaMask* masks, int count) {
  if (!mData->in2d) {
    EngineLog("DrawMasks called when not in Begin2d state");
    return;
  }
  mDisplay->DrawMasks(masks, count);
}

void TRenderer::DrawIndexedVertices(int primitiveType, const TVertexList& list,
                                    const uint16_t* indices, int indexCount) {
  if (!mData->in2d && !mData->in3d) {
    EngineLog("DrawIndexedVertices called when not in Begin2d or Begin3d state");
    return;
  }
  mDisplay->DrawIndexedVertices(primitiveType, list, indices, indexCount);
}

void TRenderer::SetTexture(boost::shared_ptr<TTexture> texture) {
  if (texture && texture->IsSimple()) texture.reset();
  if (texture != mData->currentTexture) mData->currentTexture = texture;
  mDisplay->SetDeviceTexture(mData->currentTexture);
}

boost::shared_ptr<TTexture> TRenderer::GetTexture() const { return mData->currentTexture; }

void TRenderer::SetBlendMode(int mode) { mDisplay->SetBlendMode(mode); }
void TRenderer::SetCullMode(int mode) { mDisplay->SetCullMode(mode); }

void TRenderer::FillRect(const TRect& rect, const TColor& colour,
                         boost::shared_ptr<TTexture> texture) {
  if (texture) {
    mDisplay->FillRect(rect, colour, texture);
    return;
  }
  TRect vp;
  GetViewport(vp);
  TRect moved(rect.left + vp.left, rect.top + vp.top, rect.right + vp.left, rect.bottom + vp.top);
  TRect cut;
  cut.SetIntersection(moved, vp);
  if (cut.right <= cut.left || cut.bottom <= cut.top) return;
  mDisplay->FillRect(cut, colour, texture);
}

void TRenderer::GetViewport(TRect& out) const {
  mDisplay->GetViewport(out.left, out.top, out.right, out.bottom);
}

void TRenderer::PushViewport(const TRect& rect) { mDisplay->PushViewport(rect); }
void TRenderer::PopViewport() { mDisplay->PopViewport(); }

void TRenderer::GetClipRect(TRect& out) const {
  out = mData->clipStack.empty() ? TRect(0, 0, 0, 0) : mData->clipStack.back();
}

void TRenderer::PushClipRect(const TRect& rect) {
  mData->clipStack.push_back(rect);
  mDisplay->SetClipRect(rect);
}

void TRenderer::PopClipRect() {
  std::vector<TRect>& s = mData->clipStack;
  if (s.size() <= 1) return;
  s.pop_back();
  mDisplay->SetClipRect(s.back());
}

void TRenderer::SetOption(const str& key, const str& value) {
  if (key == "fps") mData->frameRateFlag = value.ToInt() != 0;
  mDisplay->SetOption(key, value);
}

str TRenderer::GetOption(const str& key) const { return mDisplay->GetOption(key); }

bool TRenderer::AllowsAnyTextureSize() const { return mDisplay->AllowsAnyTextureSize(); }

void TRenderer::SetCaptureTexture(boost::shared_ptr<TTexture> texture) {
  if (!texture) {
    mData->captureTexture.reset();
    return;
  }
  IRenderHost* host = CurrentRenderHost();
  int width = 0, height = 0;
  if (host && host->GetRootSize(width, height) && texture->GetWidth() == width &&
      texture->GetHeight() == height)
    mData->captureTexture = texture;
}

boost::shared_ptr<TTexture> TRenderer::GetCaptureTexture() const { return mData->captureTexture; }

boost::shared_ptr<TTexture> TRenderer::TakeCaptureTexture() {
  boost::shared_ptr<TTexture> t;
  t.swap(mData->captureTexture);
  return t;
}

bool TRenderer::ToggleDebugInfo() {
  bool was = mData->debugOverlay;
  mData->debugOverlay = !was;
  return was;
}

bool TRenderer::IsDebugInfoOn() const { return mData->debugOverlay; }
float TRenderer::GetFrameRate() const { return mData->frameRate; }
str TRenderer::GetOverlayText() const { return mData->overlayText; }

void TRenderer::SetTextFactory(RendererTextFactory factory) { mData->textFactory = factory; }

TScoped2d::TScoped2d() : mOk(TRenderer::Instance()->Begin2d()) {}

TScoped2d::~TScoped2d() {
  if (mOk) TRenderer::Instance()->End2d();
}

void End2dGuard::Release() {
  if (!mActive) return;
  mActive = false;
  TRenderer::Instance()->End2d();
}
