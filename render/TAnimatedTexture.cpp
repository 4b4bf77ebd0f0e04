// Animated textures: the cached getter, loading the description and the sheet, frame
// selection and drawing the current frame.
#include "render/TAnimatedTexture.h"

#include <algorithm>
#include <cstdint>

#include "assets/FileLayer.h"
#include "assets/TAssetManager.h"
#include "core/EngineLog.h"

TAnimatedTexture::~TAnimatedTexture() = default;

str TAnimatedTexture::MakeAssetName(const str& name, const str& image, const str& mask) {
  return name + ":" + image + ":" + mask;
}

boost::shared_ptr<TAnimatedTexture> TAnimatedTexture::Cast(
    const boost::shared_ptr<TTexture>& texture) {
  return AssetCast<TAnimatedTexture>(texture.get());
}

boost::shared_ptr<TAnimatedTexture> TAnimatedTexture::Get(const str& name, const str& image,
                                                          const str& mask) {
  const str key = MakeAssetName(name, image, mask);
  TAssetManager* am = TAssetManager::Instance();
  if (am)
    if (boost::shared_ptr<TAnimatedTexture> t = AssetCast<TAnimatedTexture>(am->FindAsset(key)))
      return t;
  boost::shared_ptr<TAnimatedTexture> t(new TAnimatedTexture());
  if (am) am->RegisterAsset(key, t);
  if (t->LoadDescription(name, image, mask) && t->LoadImage()) return t;
  if (am) am->RemoveAsset(key);
  return boost::shared_ptr<TAnimatedTexture>();
}

str TAnimatedTexture::MakeDefaultScript(int32_t frameCount) {
  str script("function DoAnim()\n    delay(60);\n");
  if (frameCount > 0) {
    script += "    frames{";
    for (int32_t i = 1; i <= frameCount; ++i) script += str::Format(i == 1 ? "%d" : ",%d", i);
    script += "};\n";
  }
  script += "end\n";
  return script;
}

namespace {
bool Contains(const str& s, const char* what) { return s.Find(str(what)) >= 0; }
}  // namespace

bool TAnimatedTexture::LoadDescription(const str& name, const str& image, const str& mask) {
  str file = name;
  if (!FileExists(file)) {
    if (FileExists(name + ".xml")) {
      file = name + ".xml";
    } else if (FileExists(name + ".anm")) {
      file = name + ".anm";
    } else {
      EngineLog("Animation %s not found", name.CStr());
      return false;
    }
  }
  Description d;
  d.descriptionName = file;
  bool ok;
  if (Contains(file, ".xml")) {
    ok = ParseXml(file, d);
  } else if (Contains(file, ".anm")) {
    ok = ParseAnm(file, d);
  } else {
    EngineLog("Animation %s is neither an .xml nor an .anm description", file.CStr());
    ok = false;
  }
  if (!ok) return false;
  const int slash = std::max(file.Find('/', str::kBackwards), file.Find('\\', str::kBackwards));
  d.folder = slash >= 0 ? file.Substr(0, static_cast<unsigned>(slash) + 1) : str();
  if (!image.IsEmpty()) d.imageName = image;
  if (!mask.IsEmpty()) d.maskName = mask;
  mDescription = d;
  mCurrentFrame = 0;
  // The sheet is not known yet; its size cuts the frames again once it loads.
  FitFrames(INT32_MAX, INT32_MAX);
  return true;
}

void TAnimatedTexture::FitFrames(int32_t width, int32_t height) {
  auto fit = [](int32_t& at, int32_t& size, int32_t limit) {
    // In 64 bits: at + size may pass the int range.
    const int64_t from = std::clamp<int64_t>(at, 0, limit);
    const int64_t to = std::clamp<int64_t>(int64_t(at) + std::max(size, 0), from, limit);
    const bool inside = from == at && to - from == size;
    at = int32_t(from);
    size = int32_t(to - from);
    return inside;
  };
  for (size_t i = 0; i < mDescription.frames.size(); ++i) {
    Frame& f = mDescription.frames[i];
    const int32_t x = f.x, y = f.y, w = f.w, h = f.h;
    const bool inside = fit(f.x, f.w, width);
    if (fit(f.y, f.h, height) && inside) continue;
    const str where = width == INT32_MAX && height == INT32_MAX
                          ? str("any sheet")
                          : str::Format("the %d x %d sheet", width, height);
    EngineLog(
        "Animation %s: frame %zu (%d, %d, %d x %d) does not lie inside %s; cut to (%d, %d, "
        "%d x %d)",
        mDescription.descriptionName.CStr(), i + 1, x, y, w, h, where.CStr(), f.x, f.y, f.w, f.h);
  }
}

bool TAnimatedTexture::LoadImage() {
  TTextureData* data = GetData();
  if (!data) return false;
  data->Set(TTextureData::kAlpha, true);
  data->Set(TTextureData::kAutoAlpha, false);
  const Description& d = mDescription;
  const bool loaded = d.maskName.IsEmpty() ? Load(d.folder + d.imageName) || Load(d.imageName)
                                           : Load(d.folder + d.imageName, d.folder + d.maskName) ||
                                                 Load(d.imageName, d.maskName);
  if (!loaded) {
    EngineLog("Animation %s: sheet image %s does not load", d.descriptionName.CStr(),
              d.imageName.CStr());
    return false;
  }
  FitFrames(static_cast<int32_t>(std::min<uint32_t>(data->mWidth, INT32_MAX)),
            static_cast<int32_t>(std::min<uint32_t>(data->mHeight, INT32_MAX)));
  return true;
}

void TAnimatedTexture::SelectFrame(int32_t n) {
  if (n >= -1 && n < GetFrameCount()) mCurrentFrame = n;
}

const TAnimatedTexture::Frame* TAnimatedTexture::GetFrame(int32_t n) const {
  if (n < 0 || n >= GetFrameCount()) return nullptr;
  return &mDescription.frames[static_cast<size_t>(n)];
}

TRect TAnimatedTexture::GetFrameSourceRect(int32_t n) const {
  const Frame* f = GetFrame(n);
  return f ? TRect(f->x, f->y, f->x + f->w, f->y + f->h) : TRect(0, 0, 0, 0);
}

TVec2 TAnimatedTexture::GetFrameAnchor(int32_t n) const {
  const Frame* f = GetFrame(n);
  return f ? TVec2(static_cast<float>(f->regx), static_cast<float>(f->regy)) : TVec2(0, 0);
}

int TAnimatedTexture::GetWidth() const {
  const Frame* f = GetFrame(mCurrentFrame);
  return f ? f->w : 0;
}

int TAnimatedTexture::GetHeight() const {
  const Frame* f = GetFrame(mCurrentFrame);
  return f ? f->h : 0;
}

void TAnimatedTexture::Draw(const TDrawParams& params) {
  const Frame* f = GetFrame(mCurrentFrame);
  if (!f || f->w == 0) return;
  TDrawParams p = params;
  if (!(p.flags & TDrawParams::kUseOrigin)) {
    p.flags |= TDrawParams::kUseOrigin;
    p.origin = TVec2(static_cast<float>(f->regx), static_cast<float>(f->regy));
    // In float: a registration point far outside the frame passes the int range.
    if (p.flags & TDrawParams::kMirrorX)
      p.origin.x = static_cast<float>(f->w) - static_cast<float>(f->regx);
    if (p.flags & TDrawParams::kMirrorY)
      p.origin.y = static_cast<float>(f->h) - static_cast<float>(f->regy);
  }
  if (f->HasTransform()) {
    const float* m = f->xform;
    p.transform = TMat3(m[0], m[1], 0, m[2], m[3], 0, m[4], m[5], 1) * p.transform;
  }
  const TRect frame = GetFrameSourceRect(mCurrentFrame);
  if (!(p.flags & TDrawParams::kUseSourceRect)) {
    p.flags |= TDrawParams::kUseSourceRect;
    p.sourceRect = frame;
  } else {
    TRect moved(p.sourceRect.left + f->x, p.sourceRect.top + f->y, p.sourceRect.right + f->x,
                p.sourceRect.bottom + f->y);
    p.sourceRect.SetIntersection(moved, frame);
  }
  p.alpha *= f->alpha;
  TTexture::Draw(p);
}
