// Display modes, cooperative levels, memory accounting and surface creation.
#include "platform/display/Display.h"

#include <algorithm>

#include "platform/display/PixelFormat.h"

namespace platform::display {
namespace {

PixelFormat FormatOfDepth(int32_t bits) {
  switch (bits) {
    case 16: return PixelFormat::R5G6B5;
    case 15: return PixelFormat::X1R5G5B5;
    case 24: return PixelFormat::R8G8B8;
    default: return PixelFormat::X8R8G8B8;
  }
}

}  // namespace

Display::Display() = default;

Display::~Display() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Surface* s : surfaces_) s->display_ = nullptr;
}

void Display::ClientSize(int32_t& width, int32_t& height) const {
  DisplayMode m = GetDisplayMode();
  width = m.width;
  height = m.height;
}

Result Display::SetCooperativeLevel(CooperativeLevel level) {
  if (level == CooperativeLevel::ExclusiveFullScreen && Failed(exclusiveAnswer_))
    return exclusiveAnswer_;
  if (level == level_) return kOk;
  if (level == CooperativeLevel::Normal && modeSet_) RestoreDisplayMode();
  level_ = level;
  LevelChanged(level);
  return kOk;
}

Result Display::TestCooperativeLevel() const {
  if (Failed(cooperativeAnswer_)) return cooperativeAnswer_;
  return kOk;
}

std::vector<DisplayMode> Display::EnumerateModes() const {
  if (!modes_.empty()) return modes_;
  static const int32_t kSizes[][2] = {{640, 480},   {800, 600},   {1024, 768},
                                      {1152, 864},  {1280, 720},  {1280, 960},
                                      {1280, 1024}, {1600, 1200}, {1920, 1080}};
  std::vector<DisplayMode> modes;
  for (auto& s : kSizes) {
    if (s[0] > desktop_.width || s[1] > desktop_.height) continue;
    for (int32_t bits : {16, 32}) modes.push_back({s[0], s[1], bits, 60});
  }
  return modes;
}

Result Display::SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (level_ != CooperativeLevel::ExclusiveFullScreen) return kNoExclusiveMode;
  std::vector<DisplayMode> modes = EnumerateModes();
  auto it = std::find_if(modes.begin(), modes.end(), [&](const DisplayMode& m) {
    return m.width == width && m.height == height && m.bitsPerPixel == bitsPerPixel;
  });
  if (it == modes.end()) return kInvalidArgument;
  DisplayMode old = GetDisplayMode();
  mode_ = *it;
  modeSet_ = true;
  if (old.width != width || old.height != height || old.bitsPerPixel != bitsPerPixel) LoseAll();
  return kOk;
}

Result Display::RestoreDisplayMode() {
  if (modeSet_) {
    DisplayMode old = mode_;
    modeSet_ = false;
    DisplayMode now = GetDisplayMode();
    if (old.width != now.width || old.height != now.height || old.bitsPerPixel != now.bitsPerPixel)
      LoseAll();
  }
  return kOk;
}

DisplayMode Display::GetDisplayMode() const {
  if (modeSet_) return mode_;
  return {desktop_.width, desktop_.height, desktop_.bitsPerPixel, 60};
}

PixelFormat Display::ModeFormat() const { return FormatOfDepth(GetDisplayMode().bitsPerPixel); }

uint64_t Display::FreeVideoMemory() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return caps_.videoMemoryTotal > videoUsed_ ? caps_.videoMemoryTotal - videoUsed_ : 0;
}

uint64_t Display::FreeTextureMemory() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return caps_.textureMemoryTotal > textureUsed_ ? caps_.textureMemoryTotal - textureUsed_ : 0;
}

std::vector<PixelFormat> Display::TextureFormats() const {
  std::vector<PixelFormat> out;
  for (PixelFormat f : {PixelFormat::A8R8G8B8, PixelFormat::X8R8G8B8, PixelFormat::R5G6B5,
                        PixelFormat::X1R5G5B5, PixelFormat::A1R5G5B5, PixelFormat::A4R4G4B4}) {
    if (caps_.textureFormats & (1u << unsigned(f))) out.push_back(f);
  }
  return out;
}

Result Display::Charge(Surface& s) {
  uint64_t bytes = uint64_t(s.desc_.pitch) * uint64_t(s.desc_.height);
  std::lock_guard<std::mutex> lock(mutex_);
  bool texture = s.HasCaps(kCapsTexture);
  if (texture && textureUsed_ + bytes > caps_.textureMemoryTotal) return kOutOfVideoMemory;
  if (!s.HasCaps(kCapsSystemMemory)) {
    if (videoUsed_ + bytes > caps_.videoMemoryTotal) return kOutOfVideoMemory;
    videoUsed_ += bytes;
    s.memoryCharged_ = bytes;
  }
  if (texture) {
    textureUsed_ += bytes;
    s.textureCharged_ = true;
  }
  return kOk;
}

void Display::Discharge(Surface& s) {
  uint64_t bytes = uint64_t(s.desc_.pitch) * uint64_t(s.desc_.height);
  videoUsed_ -= std::min(videoUsed_, s.memoryCharged_);
  if (s.textureCharged_) textureUsed_ -= std::min(textureUsed_, bytes);
  s.memoryCharged_ = 0;
  s.textureCharged_ = false;
}

void Display::Unregister(Surface* surface) {
  std::lock_guard<std::mutex> lock(mutex_);
  Discharge(*surface);
  surfaces_.erase(std::remove(surfaces_.begin(), surfaces_.end(), surface), surfaces_.end());
}

Result Display::CreateSurface(const SurfaceDesc& request, std::shared_ptr<Surface>& out) {
  out.reset();
  if (failCreationAt_ > 0 && --failCreationAt_ == 0) return failCreationWith_;

  SurfaceDesc desc = request;
  bool primary = (desc.caps & kCapsPrimary) != 0;
  if (primary) {
    bool chain = desc.backBufferCount > 0 || (desc.caps & kCapsFlip);
    if (chain && level_ != CooperativeLevel::ExclusiveFullScreen) return kNoExclusiveMode;
    if (desc.backBufferCount > 1) return kInvalidArgument;
    if (level_ == CooperativeLevel::ExclusiveFullScreen || desc.width <= 0 || desc.height <= 0) {
      DisplayMode m = GetDisplayMode();
      desc.width = m.width;
      desc.height = m.height;
      if (level_ == CooperativeLevel::Normal) ClientSize(desc.width, desc.height);
    }
    desc.format = ModeFormat();
    desc.caps |= kCapsRenderTarget | kCapsVideoMemory;
    desc.caps &= ~uint32_t(kCapsSystemMemory);
  }
  if (desc.width <= 0 || desc.height <= 0 || desc.width > 16384 || desc.height > 16384)
    return kInvalidArgument;
  if (desc.format == PixelFormat::Unknown) desc.format = ModeFormat();
  if (desc.caps & kCapsZBuffer) {
    if (!Describe(desc.format).depth) return kInvalidArgument;
  } else if (Describe(desc.format).depth || BytesPerPixel(desc.format) == 0) {
    return kInvalidArgument;
  }
  if ((desc.caps & kCapsTexture) && !(caps_.textureFormats & (1u << unsigned(desc.format))))
    return kInvalidArgument;

  auto make = [&](const SurfaceDesc& d, std::shared_ptr<Surface>& s) -> Result {
    s.reset(new Surface(this, d));
    Result r = Charge(*s);
    if (Failed(r)) {
      s->display_ = nullptr;
      s.reset();
      return r;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    surfaces_.push_back(s.get());
    return kOk;
  };
  std::shared_ptr<Surface> surface;
  Result r = make(desc, surface);
  if (Failed(r)) return r;
  if (primary && desc.backBufferCount == 1) {
    SurfaceDesc back = desc;
    back.caps = (desc.caps & ~uint32_t(kCapsPrimary | kCapsFlip)) | kCapsBackBuffer | kCapsFlip;
    back.backBufferCount = 0;
    r = make(back, surface->backBuffer_);
    if (Failed(r)) return r;
  }
  out = std::move(surface);
  return kOk;
}

void Display::LoseAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Surface* s : surfaces_) s->MarkLost();
}

Result Display::RestoreAllSurfaces() {
  Result r = TestCooperativeLevel();
  if (Failed(r)) return r;
  std::vector<Surface*> all;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    all = surfaces_;
  }
  for (Surface* s : all) s->Restore();
  return kOk;
}

Result Display::CreateDevice(const std::shared_ptr<Surface>& target, std::unique_ptr<Device>& out) {
  out.reset();
  if (Failed(failDeviceWith_)) {
    Result r = failDeviceWith_;
    failDeviceWith_ = kOk;
    return r;
  }
  if (!target) return kNullPointer;
  if (target->IsLost()) return kSurfaceLost;
  if (!target->HasCaps(kCapsRenderTarget)) return kInvalidArgument;
  int32_t bits = BytesPerPixel(target->Format()) * 8;
  uint32_t depthBit = bits == 16 ? 0x1 : bits == 32 ? 0x2 : 0;
  if (!(caps_.renderDepths & depthBit)) return kInvalidArgument;
  if (deviceNeedsVideoMemoryTarget_ && !target->HasCaps(kCapsVideoMemory))
    return kSurfaceNotInVideoMemory;
  out = std::make_unique<Device>(target, caps_.renderDepths);
  return kOk;
}

void Display::PrimaryChanged(Surface& primary) { Present(primary); }

}  // namespace platform::display
