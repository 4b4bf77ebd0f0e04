// Texture data on the display device: surface creation for textures, simple surfaces and
// render surfaces, 32-bit locks (direct or through a shadow buffer), copies, and rebuilding
// after a device loss.
#include "render/TDxTextureData.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "platform/display/PixelFormat.h"
#include "platform/display/TextureLoader.h"
#include "render/CDisplay.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "render/TTexture.h"

using namespace platform::display;

namespace {
const char kTextureDataSource[] = ".\\dxtexturedata";

uint32_t SurfaceSide(uint32_t v) {
  uint32_t p = 2;
  while (p < v && p < (1u << 30)) p <<= 1;
  return p;
}

bool AnyFileExists(const str& name) {
  str base = name;
  int q = base.Find('?');
  if (q >= 0) base = base.Substr(0, static_cast<unsigned>(q));
  return FileExists(base) || FileExists(base + ".png") || FileExists(base + ".jpg");
}
}  // namespace

TDxTextureData::~TDxTextureData() { Release(); }

void TDxTextureData::Release() {
  mShadow.clear();
  mShadow.shrink_to_fit();
  if (!mSurface) return;
  mSurface->DetachZBuffer();
  if (TDxDisplayHandler* display = TDxDisplayHandler::Instance())
    display->CountTextureMemory(-int64_t(mSurface->Height()) * mSurface->Pitch());
  mSurface.reset();
}

bool TDxTextureData::Create(uint32_t width, uint32_t height, bool clear) {
  Release();
  mBorderX = mBorderY = 0;
  TDxDisplayHandler* display = TDxDisplayHandler::Instance();
  uint32_t w = width, h = height;
  if (!Has(kSimple) && display && display->SquareTexturesOnly() && width != height) {
    uint32_t side = std::max(SurfaceSide(width), SurfaceSide(height));
    mBorderX = (side - width) / 2;
    mBorderY = (side - height) / 2;
    w = h = side;
  }
  mWidth = width;
  mHeight = height;
  TDXContext* context = display ? display->GetContext() : nullptr;
  Display* dd = context ? context->GetDirectDraw() : nullptr;
  if (!dd || !display->GetDevice()) {
    mSurfaceWidth = SurfaceSide(width);
    mSurfaceHeight = SurfaceSide(height);
    return Has(kBlank);
  }
  const bool texture = !Has(kRenderSurface) && !Has(kSimple);
  if (texture && !display->AllowsAnyTextureSize()) {
    w = SurfaceSide(w);
    h = SurfaceSide(h);
  }
  // A texture the device cannot make is refused rather than made smaller than the size the
  // texture reports: callers lock and fill by that size.
  const AdapterCaps& caps = dd->GetCaps();
  if (!Has(kSimple) && (w > uint32_t(std::max(caps.maxTextureWidth, 0)) ||
                        h > uint32_t(std::max(caps.maxTextureHeight, 0)))) {
    EngineLog("TDxTextureData::Create: %ux%u texture is larger than the device allows (%dx%d)",
              width, height, caps.maxTextureWidth, caps.maxTextureHeight);
    mSurfaceWidth = mSurfaceHeight = 0;
    return false;
  }
  bool sixteen = dd->GetDisplayMode().bitsPerPixel <= 16;
  bool alpha = Has(kAlpha);
  Result r;
  if (!texture) {
    SurfaceDesc desc;
    desc.width = static_cast<int32_t>(w);
    desc.height = static_cast<int32_t>(h);
    desc.format =
        alpha ? (sixteen ? PixelFormat::A4R4G4B4 : PixelFormat::A8R8G8B8) : PixelFormat::Unknown;
    desc.caps =
        (Has(kSimple) ? kCapsOffscreenPlain : kCapsTexture) |
        (Has(kRenderSurface) ? uint32_t(kCapsRenderTarget) : 0u) |
        (context->IsHardware() && !(Has(kSimple) && Has(kLarge)) ? uint32_t(kCapsVideoMemory)
                                                                 : uint32_t(kCapsSystemMemory));
    r = dd->CreateSurface(desc, mSurface);
    if (r != kOk && r != kNoDisplayHardware) {
      DxCheck(r, kTextureDataSource, __LINE__);
      desc.caps ^= kCapsVideoMemory | kCapsSystemMemory;
      r = dd->CreateSurface(desc, mSurface);
    }
    if (r != kOk && r != kNoDisplayHardware && alpha) {
      // No alpha surface to be had: a render surface makes do as a texture, anything else
      // as a plain texture in the screen's format.
      if (Has(kRenderSurface)) {
        Set(kRenderSurface, false);
        return Create(width, height, true);
      }
      desc.caps = kCapsTexture | (desc.caps & (kCapsVideoMemory | kCapsSystemMemory));
      desc.format = PixelFormat::Unknown;
      r = dd->CreateSurface(desc, mSurface);
    }
    if (r == kOk && alpha && !HasAlpha(mSurface->Format()))
      EngineLog("SURFACE request FAILED to get DDPF_ALPHAPIXELS.");
    if (r == kOk && Has(kRenderSurface)) AttachOwnZBuffer(*dd, *display);
  } else {
    if (!MakeTexture(*dd, *display, w, h, sixteen, alpha, !clear, r)) return false;
  }
  return Finish(*display, r, clear);
}

// A texture surface in the display's depth; false when the device made a smaller one than asked
// (refused: callers fill by the size asked for), else r says how the making went.
bool TDxTextureData::MakeTexture(Display& dd, TDxDisplayHandler& display, uint32_t w, uint32_t h,
                                 bool sixteen, bool alpha, bool uncleared, Result& r) {
  PixelFormat wanted = sixteen ? (alpha ? PixelFormat::A4R4G4B4 : PixelFormat::R5G6B5)
                               : (alpha ? PixelFormat::A8R8G8B8 : PixelFormat::X8R8G8B8);
  r = CreateTexture(dd, static_cast<int32_t>(w), static_cast<int32_t>(h), wanted, mSurface,
                    uncleared);
  if (r == kOk && (static_cast<uint32_t>(mSurface->Width()) < w ||
                   static_cast<uint32_t>(mSurface->Height()) < h)) {
    EngineLog("TDxTextureData::Create: asked for %ux%u, the device made %dx%d", w, h,
              mSurface->Width(), mSurface->Height());
    mSurface.reset();
    mSurfaceWidth = mSurfaceHeight = 0;
    return false;
  }
  if (r == kOk) {
    int32_t bits = BytesPerPixel(mSurface->Format()) * 8;
    if (!sixteen && bits == 16) {
      EngineLog(
          "D3DXCreateTexture::CreateSurface: Created a 16 bit texture when requesting 32 bits. "
          "Switching to 16 bit mode");
      display.OutOfVideoMemory();
    }
    mBorderX = (static_cast<uint32_t>(mSurface->Width()) - mWidth) / 2;
    mBorderY = (static_cast<uint32_t>(mSurface->Height()) - mHeight) / 2;
  }
  return true;
}

// A render surface is drawn into with depth like the screen: it gets a z-buffer of its own in
// the screen's format.
void TDxTextureData::AttachOwnZBuffer(Display& dd, TDxDisplayHandler& display) {
  std::shared_ptr<Surface> target = display.GetDevice()->GetRenderTarget();
  std::shared_ptr<Surface> screenZ = target ? target->ZBuffer() : nullptr;
  if (!screenZ) return;
  SurfaceDesc z;
  z.width = mSurface->Width();
  z.height = mSurface->Height();
  z.format = screenZ->Format();
  z.caps = screenZ->Desc().caps;
  std::shared_ptr<Surface> zbuffer;
  if (dd.CreateSurface(z, zbuffer) != kOk)
    EngineLog("FAILED to create z-buffer for render surface!");
  else if (mSurface->AttachZBuffer(zbuffer) != kOk)
    EngineLog("FAILED to attach z-buffer for render surface!");
}

// Counts a made surface and clears it when asked; a surface that could not be made now waits
// for a restore, unless the display is usable and really refused it.
bool TDxTextureData::Finish(TDxDisplayHandler& display, Result r, bool clear) {
  if (r == kOk) {
    display.CountTextureMemory(int64_t(mSurface->Height()) * mSurface->Pitch());
    mSurfaceWidth = static_cast<uint32_t>(mSurface->Width());
    mSurfaceHeight = static_cast<uint32_t>(mSurface->Height());
    if (clear) Clear();
    return true;
  }
  mSurface.reset();
  mSurfaceWidth = SurfaceSide(mWidth);
  mSurfaceHeight = SurfaceSide(mHeight);
  if (r == kNoDisplayHardware || !display.IsThreadedPresent()) return true;
  DxCheck(r, kTextureDataSource, __LINE__);
  if (r == kOutOfVideoMemory) display.OutOfVideoMemory();
  Release();
  return false;
}

void TDxTextureData::Restore() {
  TDxDisplayHandler* display = TDxDisplayHandler::Instance();
  if (mSourceName.IsEmpty()) {
    if (!Create(mWidth, mHeight, true)) {
      EngineLog("TDxTextureData::Restore: Failed to restore %dx%d texture (%d,%d)",
                static_cast<int>(mWidth), static_cast<int>(mHeight),
                static_cast<int>(mSurfaceWidth), static_cast<int>(mSurfaceHeight));
      if (display) display->MarkDxBrokenLimited();
    }
    return;
  }
  if (TTexture::LoadData(*this, mSourceName, mMaskName)) return;
  bool filesExist = AnyFileExists(mSourceName);
  if (!mMaskName.IsEmpty()) {
    EngineLog("TDxTextureData::Restore: Failed to restore from file %s and %s.", mSourceName.CStr(),
              mMaskName.CStr());
    filesExist = filesExist && AnyFileExists(mMaskName);
  } else {
    EngineLog("TDxTextureData::Restore: Failed to restore from file %s.", mSourceName.CStr());
  }
  if (filesExist && display) display->MarkDxBrokenLimited();
}

void TDxTextureData::WritePixels(uint32_t stride, uint32_t height, const uint32_t* pixels) {
  if (!mSurface || !pixels) return;
  int32_t w = std::min<int32_t>(static_cast<int32_t>(stride), mSurface->Width());
  int32_t h = std::min<int32_t>(static_cast<int32_t>(height), mSurface->Height());
  if (Has(kAlpha)) {
    DxCheck(LoadTexture(*mSurface, pixels, static_cast<int32_t>(stride), w, h), kTextureDataSource,
            __LINE__);
    return;
  }
  // Without an alpha channel every pixel is opaque.
  std::vector<uint32_t> row(static_cast<size_t>(std::max(w, 0)));
  LockedRect locked;
  if (mSurface->Lock(nullptr, locked) != kOk) return;
  for (int32_t y = 0; y < h; ++y) {
    const uint32_t* src = pixels + size_t(y) * stride;
    for (int32_t x = 0; x < w; ++x) row[size_t(x)] = src[x] | 0xFF000000u;
    RowFromArgb(mSurface->Format(), row.data(), locked.bits + size_t(y) * size_t(locked.pitch), w);
  }
  mSurface->Unlock();
}

bool TDxTextureData::BeginLoad(uint32_t*& pixels, int32_t& pitch) {
  if (!mSurface ||
      (mSurface->Format() != PixelFormat::A8R8G8B8 && mSurface->Format() != PixelFormat::X8R8G8B8))
    return false;
  LockedRect locked;
  if (mSurface->Lock(nullptr, locked) != kOk) return false;
  pixels = reinterpret_cast<uint32_t*>(locked.bits);
  pitch = locked.pitch / 4;
  return true;
}

void TDxTextureData::EndLoad() {
  if (mSurface) mSurface->Unlock();
}

void TDxTextureData::CopyTo(int x, int y, const TRect* source, TTextureData* target) {
  if (!mSurface) return;
  TDxDisplayHandler* display = TDxDisplayHandler::Instance();
  std::shared_ptr<Surface> dst;
  if (target) {
    if (auto* t = dynamic_cast<TDxTextureData*>(target)) dst = t->mSurface;
  } else if (display) {
    dst = display->GetCurrentTarget();
  }
  if (!dst) return;
  // A hosted screen is scaled: the copy lands on the scaled rectangle, stretched.
  float scale = 1.0f;
  TPlatform* platform = TPlatform::Instance();
  bool scaled = !target && platform && platform->GetData()->GetViewportScale(scale) &&
                scale > 0.0f && scale != 1.0f;
  int64_t dstW = dst->Width(), dstH = dst->Height();
  if (scaled) {
    dstW = static_cast<int64_t>(static_cast<double>(dstW) / scale);
    dstH = static_cast<int64_t>(static_cast<double>(dstH) / scale);
  }
  Rect src{0, 0, static_cast<int32_t>(mWidth), static_cast<int32_t>(mHeight)};
  if (source) src = Rect{source->left, source->top, source->right, source->bottom};
  // Areas are cut to both surfaces, so a copy near an edge copies what fits. 64-bit sums keep
  // far-off positions from overflowing.
  int64_t left = std::max<int64_t>(src.left, 0), top = std::max<int64_t>(src.top, 0);
  int64_t right = std::min<int64_t>(src.right, mSurface->Width());
  int64_t bottom = std::min<int64_t>(src.bottom, mSurface->Height());
  int64_t dx = x, dy = y;
  if (dx < 0) {
    left -= dx;
    dx = 0;
  }
  if (dy < 0) {
    top -= dy;
    dy = 0;
  }
  right = std::min(right, left + dstW - dx);
  bottom = std::min(bottom, top + dstH - dy);
  if (right <= left || bottom <= top) return;
  src = Rect{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
             static_cast<int32_t>(bottom)};
  Result r;
  if (scaled) {
    auto edge = [scale](int64_t v, int32_t limit) {
      double e = std::floor(static_cast<double>(v) * scale + 0.5);
      return static_cast<int32_t>(std::clamp(e, 0.0, static_cast<double>(limit)));
    };
    Rect area{edge(dx, dst->Width()), edge(dy, dst->Height()), edge(dx + src.Width(), dst->Width()),
              edge(dy + src.Height(), dst->Height())};
    if (area.Empty()) return;
    r = dst->Blit(&area, *mSurface, &src);
  } else {
    r = dst->BlitFast(static_cast<int32_t>(dx), static_cast<int32_t>(dy), *mSurface, &src);
  }
  if (r == kSurfaceLost) {
    if (display) display->MarkDxBrokenLimited();
  } else if (r != kOk) {
    // Logged once a run for each kind of copy.
    static bool loggedBlit = false, loggedFast = false;
    bool& logged = scaled ? loggedBlit : loggedFast;
    if (!logged) {
      logged = true;
      DxCheck(r, kTextureDataSource, __LINE__);
    }
  }
}

void TDxTextureData::Clear() {
  if (!mSurface) return;
  Result r = mSurface->Fill(nullptr, 0);
  if (r == kSurfaceLost) {
    mSurface->Restore();
    r = mSurface->Fill(nullptr, 0);
  }
  if (r != kOk) DxCheck(r, kTextureDataSource, __LINE__);
}

bool TDxTextureData::Lock(uint32_t*& pixels, int32_t& pitch) {
  pixels = nullptr;
  pitch = 0;
  if (!mSurface) return false;
  if (mSurface->Format() == PixelFormat::A8R8G8B8) {
    LockedRect locked;
    if (mSurface->Lock(nullptr, locked) != kOk) return false;
    pixels = reinterpret_cast<uint32_t*>(locked.bits);
    pitch = locked.pitch / 4;
    mDirectLock = true;
    return true;
  }
  mShadow.assign(size_t(mSurface->Width()) * size_t(mSurface->Height()), 0);
  if (!ReadPixels(mSurface->Width(), mShadow.data())) {
    mShadow.clear();
    return false;
  }
  pixels = mShadow.data();
  pitch = mSurface->Width();
  mDirectLock = false;
  return true;
}

// Each channel is moved so that its top bit lands on bit 7 of its byte; narrow channels keep
// their low bits zero, so a shadow buffer writes back unchanged through the truncating path.
bool TDxTextureData::ReadPixels(int32_t pitch, uint32_t* out) {
  FormatInfo info = Describe(mSurface->Format());
  int32_t bytes = info.bitsPerPixel / 8;
  if (info.depth || !(info.bitsPerPixel == 15 || info.bitsPerPixel == 16 ||
                      info.bitsPerPixel == 24 || info.bitsPerPixel == 32))
    return false;
  LockedRect locked;
  if (mSurface->Lock(nullptr, locked) != kOk) return false;
  struct Channel {
    uint32_t mask;
    int shift;  // right shift; negative shifts left
  };
  auto channel = [](uint32_t mask) {
    if (mask == 0) return Channel{0, 0};
    int low = std::countr_zero(mask);
    return Channel{mask, low + std::popcount(mask) - 8};
  };
  auto extract = [](const Channel& c, uint32_t v) -> uint32_t {
    uint32_t bits = v & c.mask;
    uint32_t byte = c.shift >= 0 ? bits >> c.shift : bits << -c.shift;
    return byte & 0xFF;
  };
  const Channel red = channel(info.redMask), green = channel(info.greenMask),
                blue = channel(info.blueMask), alpha = channel(info.alphaMask);
  // Without an alpha mask there is nothing to read, so the pixel stays opaque.
  const bool readAlpha = Has(kAlpha) && alpha.mask != 0;
  for (int32_t y = 0; y < mSurface->Height(); ++y) {
    const uint8_t* src = locked.bits + size_t(y) * size_t(locked.pitch);
    uint32_t* row = out + size_t(y) * size_t(pitch);
    for (int32_t x = 0; x < mSurface->Width(); ++x, src += bytes) {
      uint32_t v = 0;
      for (int32_t b = 0; b < bytes; ++b) v |= uint32_t(src[b]) << (8 * b);
      uint32_t a = readAlpha ? extract(alpha, v) : 0xFFu;
      row[x] = a << 24 | extract(red, v) << 16 | extract(green, v) << 8 | extract(blue, v);
    }
  }
  mSurface->Unlock();
  return true;
}

void TDxTextureData::Unlock() {
  if (!mSurface) return;
  if (mDirectLock || mShadow.empty()) {
    mDirectLock = false;
    mSurface->Unlock();
    return;
  }
  std::vector<uint32_t> shadow;
  shadow.swap(mShadow);
  WritePixels(static_cast<uint32_t>(mSurface->Width()), static_cast<uint32_t>(mSurface->Height()),
              shadow.data());
}
