#include "game/scenes/SceneCompositor.h"

#include <algorithm>

#include "anim/KFilter.h"
#include "render/TTexture.h"

namespace {

bool Meets(const TRect& a, const TRect& b) {
  return !(a.right < b.left || b.right < a.left || a.bottom < b.top || b.bottom < a.top);
}

}  // namespace

SceneCompositor::SceneCompositor(boost::shared_ptr<TTexture> source, const TVec2& displayScale) {
  if (displayScale.x == 1.0f) {
    mScale = TVec2(0.5f, 0.5f);
    mUpscale = new KScale(2.0f, 0);
  } else {
    mScale = displayScale;
  }
  SetSource(std::move(source));
}

SceneCompositor::~SceneCompositor() {
  KScale* filter = mUpscale;
  mUpscale = nullptr;
  if (filter) KReleaseRef(filter);
  mLayers.clear();
  mSource.reset();
  mWork.reset();
}

void SceneCompositor::SetSource(boost::shared_ptr<TTexture> source) {
  if (!mUpscale) {
    mSource = std::move(source);
    return;
  }
  mSource = source ? mUpscale->ScaleTexture(source) : boost::shared_ptr<TTexture>();
  if (mSource)
    mWork = TTexture::Create(mSource->GetWidth(), mSource->GetHeight(), mSource->HasAlpha());
}

void SceneCompositor::Restart(boost::shared_ptr<TTexture> source) {
  mLayers.clear();
  SetSource(std::move(source));
}

TPoint SceneCompositor::LayerTopLeft(const TVec2& position, int width, int height,
                                     const TVec2& scale) {
  const float w = static_cast<float>(static_cast<unsigned>(width));
  const float h = static_cast<float>(static_cast<unsigned>(height));
  return TPoint(static_cast<int32_t>(position.x / scale.x - w * 0.5f),
                static_cast<int32_t>(position.y / scale.y - h * 0.5f));
}

bool SceneCompositor::AddLayer(boost::shared_ptr<TTexture> texture, const TVec2& position,
                               const TRect& rect) {
  CompositorLayer layer;
  layer.rect = rect;
  layer.texture = std::move(texture);
  layer.position = position;
  mLayers.push_back(std::move(layer));
  return true;
}

boost::shared_ptr<TTexture> SceneCompositor::LayerPicture(CompositorLayer& layer) {
  if (!layer.texture) return layer.texture;
  if (!mUpscale) return layer.texture;
  if (!layer.picture) layer.picture = mUpscale->ScaleTexture(layer.texture);
  return layer.picture;
}

void SceneCompositor::SaveBackground(CompositorLayer& layer) {
  const boost::shared_ptr<TTexture> picture = LayerPicture(layer);
  layer.savedBackground.reset();
  if (!picture || !mSource) return;
  const int w = picture->GetWidth(), h = picture->GetHeight();
  const TPoint at = LayerTopLeft(layer.position, w, h, mScale);
  layer.savedBackground = TTexture::Create(w, h, mSource->HasAlpha());
  if (!layer.savedBackground) return;
  // The copy is cut to the source: a layer past the left or top edge keeps its saved pixels
  // lined up with the picture rather than shifted to the saved texture's corner.
  const TRect area(at.x, at.y, at.x + w, at.y + h);
  mSource->CopyRect(std::max(0, -at.x), std::max(0, -at.y), &area, layer.savedBackground);
}

bool SceneCompositor::Compose() {
  if (!mSource) return false;
  if (mUpscale) {
    // The scaled copy is the compositor's own.
    mWork = mSource;
  } else {
    // A source taken as it was given is the caller's (a scene's background, shared with what
    // the scene shows and with the asset cache): the layers go into a copy, so the picture
    // never keeps an item, and a later compositor over it starts from the bare scene.
    const int w = mSource->GetWidth(), h = mSource->GetHeight();
    if (!mWork || mWork == mSource || mWork->GetWidth() != w || mWork->GetHeight() != h ||
        mWork->HasAlpha() != mSource->HasAlpha())
      mWork = TTexture::Create(w, h, mSource->HasAlpha());
    if (!mWork) return false;
    mSource->CopyRect(0, 0, nullptr, mWork);
  }
  for (CompositorLayer& layer : mLayers) SaveBackground(layer);
  for (CompositorLayer& layer : mLayers) BlendLayer(layer);
  return true;
}

void SceneCompositor::BlendLayer(CompositorLayer& layer, const TRect* clip) {
  const boost::shared_ptr<TTexture> picture = LayerPicture(layer);
  if (!mWork || !picture) return;
  const int w = picture->GetWidth(), h = picture->GetHeight();
  TRect area(0, 0, mWork->GetWidth(), mWork->GetHeight());
  if (clip) area.SetIntersection(area, *clip);
  const TPoint at = LayerTopLeft(layer.position, w, h, mScale);
  uint32_t *work = nullptr, *pixels = nullptr;
  int32_t workPitch = 0, pitch = 0;
  TextureLock workLock, layerLock;
  if (!workLock.Lock(work, workPitch, mWork.get())) return;
  if (!layerLock.Lock(pixels, pitch, picture.get())) return;
  for (int r = 0; r < h; ++r) {
    const int ty = at.y + r;
    if (ty < area.top || ty >= area.bottom) continue;
    for (int c = 0; c < w; ++c) {
      const int tx = at.x + c;
      if (tx < area.left || tx >= area.right) continue;
      const uint32_t src = pixels[size_t(r) * size_t(pitch) + size_t(c)];
      uint32_t& dst = work[size_t(ty) * size_t(workPitch) + size_t(tx)];
      const uint32_t a = src >> 24;
      if (a == 0) continue;
      if (a == 255) {
        dst = src;
        continue;
      }
      uint32_t out = dst & 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t l = (src >> shift) & 0xFF, b = (dst >> shift) & 0xFF;
        out |= (((l * a + b * (255 - a)) >> 8) & 0xFF) << shift;
      }
      dst = out;
    }
  }
}

bool SceneCompositor::RestoreBackground(CompositorLayer& layer, TRect& restored) {
  const boost::shared_ptr<TTexture> picture = LayerPicture(layer);
  if (!picture || !mWork) return false;
  const int w = picture->GetWidth(), h = picture->GetHeight();
  const int workW = mWork->GetWidth(), workH = mWork->GetHeight();
  const TPoint at = LayerTopLeft(layer.position, w, h, mScale);
  restored = TRect(at.x, at.y, at.x + w, at.y + h);
  uint32_t *work = nullptr, *saved = nullptr;
  int32_t workPitch = 0, pitch = 0;
  TextureLock workLock, savedLock;
  if (!workLock.Lock(work, workPitch, mWork.get())) return false;
  if (!savedLock.Lock(saved, pitch, layer.savedBackground.get())) return false;
  for (int r = 0; r < h; ++r) {
    const int ty = at.y + r;
    if (ty < 0 || ty >= workH) continue;
    for (int c = 0; c < w; ++c) {
      const int tx = at.x + c;
      if (tx < 0 || tx >= workW) continue;
      work[size_t(ty) * size_t(workPitch) + size_t(tx)] =
          saved[size_t(r) * size_t(pitch) + size_t(c)];
    }
  }
  return true;
}

TPoint SceneCompositor::RemoveLayer(const boost::shared_ptr<TTexture>& texture) {
  if (!texture) return TPoint(0, 0);
  return Remove(std::find_if(mLayers.begin(), mLayers.end(),
                             [&](const CompositorLayer& l) { return l.texture == texture; }));
}

TPoint SceneCompositor::RemoveLayer(const boost::shared_ptr<TTexture>& texture,
                                    const TVec2& position) {
  if (!texture) return TPoint(0, 0);
  return Remove(std::find_if(mLayers.begin(), mLayers.end(), [&](const CompositorLayer& l) {
    return l.texture == texture && l.position.x == position.x && l.position.y == position.y;
  }));
}

TPoint SceneCompositor::Remove(std::list<CompositorLayer>::iterator it) {
  if (it == mLayers.end()) return TPoint(0, 0);
  CompositorLayer removed = std::move(*it);
  mLayers.erase(it);
  if (!removed.savedBackground) return TPoint(0, 0);
  const TPoint result(static_cast<int32_t>(removed.position.x),
                      static_cast<int32_t>(removed.position.y));
  TRect restored;
  if (RestoreBackground(removed, restored)) {
    // Every other layer it touched, in the order added, blended back only where the background
    // came back: elsewhere it is still in the picture, and a half-clear layer blended twice
    // would darken. The removed record itself is already out of the list, so a layer lying
    // exactly where it lay is blended back too.
    for (CompositorLayer& layer : mLayers)
      if (Meets(layer.rect, removed.rect)) BlendLayer(layer, &restored);
  }
  return result;
}
