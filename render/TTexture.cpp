// The texture asset: getters by name with their cache keys, loading with options and masks,
// blank textures, drawing as a quad, copies and locks.
#include "render/TTexture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "assets/FileLayer.h"
#include "assets/TAssetManager.h"
#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "render/ImageDecoders.h"
#include "render/TDxDisplayHandler.h"
#include "render/TDxTextureData.h"
#include "render/TRenderer.h"

namespace {
uint32_t PowerOfTwo(uint32_t v) {
  uint32_t p = 1;
  while (p < v && p < (1u << 30)) p <<= 1;
  return p;
}

str AddressName(const void* p) {
  return str::Format("%lx:tex:r", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(p)));
}

uint32_t FloatBits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

// Linear filtering near the image's right and bottom edges reads the texels past them: the
// image's last column and row are repeated over the padding up to width x height, so scaled
// and rotated sprites keep their edge colour instead of fading into transparent black.
void RepeatEdges(uint32_t* pixels, int stride, int imageWidth, int imageHeight, int width,
                 int height) {
  if (imageWidth <= 0 || imageHeight <= 0) return;
  for (int y = 0; y < imageHeight; ++y) {
    uint32_t* row = pixels + size_t(y) * size_t(stride);
    std::fill(row + imageWidth, row + std::max(width, imageWidth), row[imageWidth - 1]);
  }
  const uint32_t* last = pixels + size_t(imageHeight - 1) * size_t(stride);
  for (int y = imageHeight; y < height; ++y)
    std::copy(last, last + width, pixels + size_t(y) * size_t(stride));
}

bool Decode(const str& name, std::unique_ptr<uint8_t[]>& buffer, int& w, int& h, int& side,
            bool& alpha) {
  alpha = false;
  if (name.Contains(".png")) return LoadPNG(name, buffer, w, h, side, alpha);
  if (name.Contains(".jpg")) return LoadJPEG(name, buffer, w, h, side);
  return false;
}
}  // namespace

TDrawParams::TDrawParams(const TVec2& position, float alpha_, float scale, uint32_t flags_)
    : alpha(alpha_), flags(flags_) {
  if (scale != 1.0f) transform.Scale(scale);
  transform(2, 0) = position.x;
  transform(2, 1) = position.y;
}

TTexture::TTexture() {
  TDxDisplayHandler* display = TDxDisplayHandler::Instance();
  mData.reset(display ? display->CreateTextureData() : new TDxTextureData());
  mData->mOwner = this;
}

TTexture::~TTexture() {
  if (mData && mData->mSourceName.IsEmpty() && !mOwnKey.IsEmpty())
    if (TAssetManager* am = TAssetManager::Instance()) am->RemoveAsset(mOwnKey);
}

str TTexture::MakeAssetName(const str& name, bool alpha, bool mipmap, bool third) {
  str key = name;
  key.Replace("\\", "/", str::kReplaceAll);
  if (alpha) key += ":a";
  if (mipmap) key += ":m";
  if (third) key += ":s";
  key += ":tex";
  return key;
}

boost::shared_ptr<TTexture> TTexture::New(const str& key) {
  boost::shared_ptr<TTexture> t(new TTexture());
  str name = key;
  if (name.IsEmpty()) {
    name = AddressName(t.get());
    t->mOwnKey = name;
  }
  if (TAssetManager* am = TAssetManager::Instance()) am->RegisterAsset(name, t);
  return t;
}

namespace {
boost::shared_ptr<TTexture> Cached(const str& key) {
  TAssetManager* am = TAssetManager::Instance();
  return am ? AssetCast<TTexture>(am->FindAsset(key)) : boost::shared_ptr<TTexture>();
}

// A failed load is not cached, so it is tried again each time it is asked for; the log hears
// of it once.
boost::shared_ptr<TTexture> Drop(const str& key, const str& name) {
  TAssetManager* am = TAssetManager::Instance();
  if (am) am->RemoveAsset(key);
  if (!am || am->FirstFailure(key)) {
    const int q = name.Find('?');
    const str file = q >= 0 ? name.Substr(0, static_cast<unsigned>(q)) : name;
    const bool found = FileExists(file) || FileExists(file + ".png") || FileExists(file + ".jpg");
    EngineLog(
        "TTexture: cannot load image %s: %s", name.CStr(),
        found ? "the file or its mask could not be loaded (damaged, not PNG or JPEG, or too large)"
              : "no such file (tried .png and .jpg)");
  }
  return boost::shared_ptr<TTexture>();
}
}  // namespace

boost::shared_ptr<TTexture> TTexture::Get(const str& name, int flags) {
  str key = MakeAssetName(name, flags & kGetAlpha, flags & kGetMipmap, false);
  if (boost::shared_ptr<TTexture> t = Cached(key)) return t;
  boost::shared_ptr<TTexture> t = New(key);
  TTextureData& d = *t->mData;
  if (flags & kGetAlpha)
    d.Set(TTextureData::kAlpha, true);
  else if (flags & kGetNoAlpha)
    d.Set(TTextureData::kAlpha, false);
  else
    d.Set(TTextureData::kAutoAlpha, true);
  d.Set(TTextureData::kMipmap, flags & kGetMipmap);
  if (!t->Load(name)) return Drop(key, name);
  return t;
}

boost::shared_ptr<TTexture> TTexture::GetWithMask(const str& name, const str& maskName,
                                                  bool mipmap) {
  str key = name + ":" + maskName + (mipmap ? ":m" : "") + ":tex";
  if (boost::shared_ptr<TTexture> t = Cached(key)) return t;
  boost::shared_ptr<TTexture> t = New(key);
  t->mData->Set(TTextureData::kAlpha, true);
  t->mData->Set(TTextureData::kMipmap, mipmap);
  if (!t->Load(name, maskName)) return Drop(key, name);
  return t;
}

boost::shared_ptr<TTexture> TTexture::GetSimple(const str& name, bool flag) {
  str key = MakeAssetName(name, false, false, flag);
  if (boost::shared_ptr<TTexture> t = Cached(key)) return t;
  boost::shared_ptr<TTexture> t = New(key);
  t->mData->Set(TTextureData::kSimple | TTextureData::kAutoAlpha, true);
  if (!t->Load(name)) return Drop(key, name);
  return t;
}

boost::shared_ptr<TTexture> TTexture::Create(int width, int height, bool alpha) {
  if (width <= 0 || height <= 0) return boost::shared_ptr<TTexture>();
  boost::shared_ptr<TTexture> t = New(str());
  t->mData->Set(TTextureData::kAlpha, alpha);
  t->mData->Set(TTextureData::kBlank, true);
  if (!t->mData->Create(static_cast<uint32_t>(width), static_cast<uint32_t>(height), true))
    return boost::shared_ptr<TTexture>();
  return t;
}

bool TTexture::Load(const str& name, const str& maskName) {
  return LoadData(*mData, name, maskName);
}

str TTexture::TakeNameOptions(TTextureData& data, const str& nameIn) {
  str name = nameIn;
  int q = name.Find('?');
  if (q < 0) return name;
  str options = name.Substr(static_cast<unsigned>(q));
  name = name.Substr(0, static_cast<unsigned>(q));
  if (options.Contains("slow")) data.Set(TTextureData::kSimple | TTextureData::kLarge, true);
  if (options.Contains("simple")) data.Set(TTextureData::kSimple, true);
  if (options.Contains("alpha")) {
    data.Set(TTextureData::kAlpha, true);
    data.Set(TTextureData::kAutoAlpha, false);
  }
  if (options.Contains("mipmap")) data.Set(TTextureData::kMipmap, true);
  return name;
}

// The mask's file (its extension tried when none is given), or a ".mask.png" beside a JPEG
// when "automergemask" is set; false when a named mask is missing.
bool TTexture::FindMask(TTextureData& data, const str& name, str& mask) {
  if (!mask.IsEmpty() && !FileExists(mask)) {
    if (mask.Contains(".png") || mask.Contains(".jpg")) return false;
    if (FileExists(mask + ".jpg"))
      mask = mask + ".jpg";
    else if (FileExists(mask + ".png"))
      mask = mask + ".png";
    else
      return false;
  }
  if (!name.Contains(".png") && GetConfig(kConfigAutoMergeMask).ToInt() != 0) {
    int at = name.Find(str(".jpg"));
    str merged = name.Substr(0, static_cast<unsigned>(at)) + ".mask.png";
    if (FileExists(merged)) {
      mask = merged;
      data.Set(TTextureData::kAlpha, data.Has(TTextureData::kAutoAlpha));
    }
  }
  return true;
}

// The surface's size for the image: powers of two where the display wants them; false for an
// image too large without "slow".
bool TTexture::SurfaceSize(const TTextureData& data, int w, int h, uint32_t& sw, uint32_t& sh) {
  sw = static_cast<uint32_t>(w);
  sh = static_cast<uint32_t>(h);
  TRenderer* renderer = TRenderer::Existing();
  if (data.Has(TTextureData::kSimple) || !renderer || !renderer->AllowsAnyTextureSize()) {
    sw = PowerOfTwo(sw);
    sh = PowerOfTwo(sh);
  }
  return !((w > 1024 || sw > 1024 || sh > 1024) && !data.Has(TTextureData::kLarge));
}

bool TTexture::LoadData(TTextureData& data, const str& nameIn, const str& maskIn) {
  const str name = TakeNameOptions(data, nameIn);
  if (!FileExists(name)) {
    if (name.Contains(".png") || name.Contains(".jpg")) return false;
    if (LoadData(data, name + ".png", maskIn)) return true;
    return LoadData(data, name + ".jpg", maskIn);
  }
  if (!name.Contains(".png") && !name.Contains(".jpg")) return false;
  str mask = maskIn;
  if (!FindMask(data, name, mask)) return false;
  return mask.IsEmpty() ? LoadUnmasked(data, name, nameIn, maskIn)
                        : LoadMasked(data, name, mask, nameIn, maskIn);
}

// Without a mask the image is decoded straight into the surface when the surface holds 32-bit
// pixels, with no buffer between them.
bool TTexture::LoadUnmasked(TTextureData& data, const str& name, const str& nameIn,
                            const str& maskIn) {
  auto* dx = dynamic_cast<TDxTextureData*>(&data);
  std::unique_ptr<uint8_t[]> image;
  int w = 0, h = 0, side = 0;
  uint32_t* direct = nullptr;
  int32_t pitch = 0;
  bool created = false;
  ImageTarget target = [&](int iw, int ih, int iside, bool imageAlpha) {
    if (data.Has(TTextureData::kAutoAlpha) && imageAlpha) data.Set(TTextureData::kAlpha, true);
    uint32_t sw = 0, sh = 0;
    if (!SurfaceSize(data, iw, ih, sw, sh)) return ImageRows{};
    data.mSourceName = nameIn;
    data.mMaskName = maskIn;
    if (!data.Create(sw, sh, false)) return ImageRows{};
    created = true;
    // The surface keeps the image's size for drawing; the rounded size is its allocation.
    data.mWidth = static_cast<uint32_t>(iw);
    data.mHeight = static_cast<uint32_t>(ih);
    w = iw;
    h = ih;
    side = iside;
    if (dx && dx->BeginLoad(direct, pitch))
      return ImageRows{reinterpret_cast<uint8_t*>(direct), size_t(pitch) * 4,
                       !data.Has(TTextureData::kAlpha)};
    image.reset(new (std::nothrow) uint8_t[size_t(iside) * size_t(iside) * 4]());
    return ImageRows{image.get(), size_t(iside) * 4, false};
  };
  bool png = name.Contains(".png");
  bool ok = png ? DecodePNG(name, target) : DecodeJPEG(name, target);
  if (direct) {
    if (ok)
      RepeatEdges(direct, pitch, w, h, std::min<int>(side, static_cast<int>(data.mSurfaceWidth)),
                  std::min<int>(side, static_cast<int>(data.mSurfaceHeight)));
    dx->EndLoad();
  }
  if (!ok) {
    if (created) data.Release();
    return false;
  }
  if (!direct) {
    uint32_t* pixels = reinterpret_cast<uint32_t*>(image.get());
    RepeatEdges(pixels, side, w, h, std::min<int>(side, static_cast<int>(data.mSurfaceWidth)),
                std::min<int>(side, static_cast<int>(data.mSurfaceHeight)));
    data.WritePixels(static_cast<uint32_t>(side), static_cast<uint32_t>(side), pixels);
  }
  return true;
}

bool TTexture::LoadMasked(TTextureData& data, const str& name, const str& mask, const str& nameIn,
                          const str& maskIn) {
  std::unique_ptr<uint8_t[]> image;
  int w = 0, h = 0, side = 0;
  bool imageAlpha = false;
  if (!Decode(name, image, w, h, side, imageAlpha)) return false;
  if (data.Has(TTextureData::kAutoAlpha) && imageAlpha) data.Set(TTextureData::kAlpha, true);
  std::unique_ptr<uint8_t[]> maskImage;
  int mw = 0, mh = 0, mside = 0;
  bool maskAlpha = false;
  if (!Decode(mask, maskImage, mw, mh, mside, maskAlpha)) return false;
  // Both buffers are side x side; a mask of another size is ignored.
  if (mw == w && mside == side) {
    size_t count = size_t(side) * size_t(side);
    for (size_t i = 0; i < count; ++i) image[i * 4 + 3] = maskImage[i * 4 + 2];
  }

  uint32_t sw = 0, sh = 0;
  if (!SurfaceSize(data, w, h, sw, sh)) return false;
  data.mSourceName = nameIn;
  data.mMaskName = maskIn;
  if (!data.Create(sw, sh, false)) return false;
  data.mWidth = static_cast<uint32_t>(w);
  data.mHeight = static_cast<uint32_t>(h);
  // The decoder's byte buffer (from new[], so aligned for any scalar) holds 32-bit pixels;
  // reading it in place saves a copy of up to 16 MB.
  uint32_t* pixels = reinterpret_cast<uint32_t*>(image.get());
  RepeatEdges(pixels, side, w, h, std::min<int>(side, static_cast<int>(data.mSurfaceWidth)),
              std::min<int>(side, static_cast<int>(data.mSurfaceHeight)));
  data.WritePixels(static_cast<uint32_t>(side), static_cast<uint32_t>(side), pixels);
  return true;
}

void TTexture::Release() {
  if (mData) mData->Release();
}

void TTexture::Restore() {
  if (mData) mData->Restore();
}

int TTexture::GetWidth() const { return mData ? static_cast<int>(mData->mWidth) : 0; }
int TTexture::GetHeight() const { return mData ? static_cast<int>(mData->mHeight) : 0; }

void TTexture::Draw(const TDrawParams& p) {
  TRenderer* renderer = TRenderer::Existing();
  if (!mData || !renderer || !renderer->IsIn2d() || IsSimple()) return;
  TRect src =
      (p.flags & TDrawParams::kUseSourceRect) ? p.sourceRect : TRect(0, 0, GetWidth(), GetHeight());
  float w = static_cast<float>(src.Width()), h = static_cast<float>(src.Height());
  TVec2 origin = (p.flags & TDrawParams::kUseOrigin) ? p.origin : TVec2(w * 0.5f, h * 0.5f);
  TVec2 corners[4] = {TVec2(0, 0) - origin, TVec2(w, 0) - origin, TVec2(w, h) - origin,
                      TVec2(0, h) - origin};
  for (TVec2& c : corners) c = c * p.transform;
  if (p.flags & TDrawParams::kMirrorY) {
    std::swap(corners[0].y, corners[3].y);
    std::swap(corners[1].y, corners[2].y);
  }
  if (p.flags & TDrawParams::kMirrorX) {
    std::swap(corners[0].x, corners[1].x);
    std::swap(corners[3].x, corners[2].x);
  }
  float sw = static_cast<float>(std::max<uint32_t>(mData->mSurfaceWidth, 1));
  float sh = static_cast<float>(std::max<uint32_t>(mData->mSurfaceHeight, 1));
  float u0 = static_cast<float>(src.left) / sw, u1 = static_cast<float>(src.right) / sw;
  float v0 = static_cast<float>(src.top) / sh, v1 = static_cast<float>(src.bottom) / sh;
  const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
  auto byte = [](float v) {
    if (!(v > 0.0f)) return 0u;
    if (v >= 255.0f) return 255u;
    return static_cast<uint32_t>(v);
  };
  uint32_t diffuse = byte(p.alpha * 255.0f) << 24 | byte(p.tint.r * 255.0f) << 16 |
                     byte(p.tint.g * 255.0f) << 8 | byte(p.tint.b * 255.0f);
  TLitVertex v[4];
  for (int i = 0; i < 4; ++i) {
    v[i].x = corners[i].x;
    v[i].y = corners[i].y;
    v[i].z = 0.1f;
    v[i].reserved = FloatBits(0.5f);
    v[i].diffuse = diffuse;
    v[i].specular = 0xFF000000u;
    v[i].u = us[i];
    v[i].v = vs[i];
  }
  renderer->SetTexture(boost::static_pointer_cast<TTexture>(shared_from_this()));
  if (p.blendMode != -1) renderer->SetBlendMode(p.blendMode);
  renderer->DrawVertices(6, TVertexList{TVertexList::kLit2d, v, 4});
}

void TTexture::Draw(float x, float y, float alpha, float scale, float rotation, uint32_t flags) {
  TRenderer* renderer = TRenderer::Existing();
  if (!renderer || !renderer->IsIn2d()) return;
  TDrawParams p(TVec2(x, y), alpha, scale, flags);
  float c = std::cos(rotation), s = std::sin(rotation);
  TMat3 rot(c, s, 0, -s, c, 0, 0, 0, 1);
  p.transform = MulLinear(p.transform, rot);
  Draw(p);
}

void TTexture::CopyRect(int x, int y, const TRect* source, boost::shared_ptr<TTexture> target) {
  TRenderer* renderer = TRenderer::Existing();
  if (!mData || (renderer && renderer->IsDrawing())) return;
  TRect r;
  if (source) {
    r = *source;
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, GetWidth());
    r.bottom = std::min(r.bottom, GetHeight());
  }
  mData->CopyTo(x, y, source ? &r : nullptr, target ? target->mData.get() : nullptr);
}

str TTexture::GetFileName() const {
  if (!mData) return str();
  if (mData->mMaskName.IsEmpty()) return mData->mSourceName;
  return mData->mSourceName + "." + mData->mMaskName;
}

void TTexture::GetFullSize(int& width, int& height) const {
  int bx = mData ? static_cast<int>(mData->mBorderX) : 0;
  int by = mData ? static_cast<int>(mData->mBorderY) : 0;
  // The data's own size: an animated texture answers GetWidth with its current frame's.
  width = (TTexture::GetWidth() + 2 * bx + 1) & ~1;
  height = (TTexture::GetHeight() + 2 * by + 1) & ~1;
}

bool TTexture::HasAlpha() const { return mData && mData->Has(TTextureData::kAlpha); }
bool TTexture::IsSimple() const { return mData && mData->Has(TTextureData::kSimple); }

bool TTexture::Lock(uint32_t*& pixels, int32_t& pitch) {
  return mData && mData->Lock(pixels, pitch);
}

void TTexture::Unlock() {
  if (mData) mData->Unlock();
}

TextureLock::~TextureLock() {
  if (mTexture) mTexture->Unlock();
}

bool TextureLock::Lock(uint32_t*& pixels, int32_t& pitch, TTexture* texture) {
  if (mTexture) {
    mTexture->Unlock();
    mTexture = nullptr;
  }
  if (texture && texture->Lock(pixels, pitch)) mTexture = texture;
  return mTexture != nullptr;
}

void DrawTextureBorder(boost::shared_ptr<TTexture> target, uint32_t colour, int32_t b) {
  TRenderer* renderer = TRenderer::Existing();
  if (!renderer || !target) return;
  TColor c(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
           (colour & 0xFF) / 255.0f, ((colour >> 24) & 0xFF) / 255.0f);
  int w = target->GetWidth(), h = target->GetHeight();
  renderer->FillRect(TRect(0, 0, w - b, b), c, target);
  renderer->FillRect(TRect(w - b, 0, w, h - b), c, target);
  renderer->FillRect(TRect(b, h - b, w, h), c, target);
  renderer->FillRect(TRect(0, b, b, h), c, target);
}
