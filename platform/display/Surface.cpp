// Surface memory, locks, fills, blits and flips.
#include "platform/display/Surface.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/display/Display.h"
#include "platform/display/PixelFormat.h"

namespace platform::display {

PixelStore::PixelStore(size_t size, bool zeroed) : size_(size) {
  constexpr size_t kLine = 64;
  block_.reset(zeroed ? std::calloc(size + kLine, 1) : std::malloc(size + kLine));
  if (!block_) throw std::bad_alloc();
  const uintptr_t at = reinterpret_cast<uintptr_t>(block_.get());
  data_ = static_cast<uint8_t*>(block_.get()) + (kLine - at % kLine) % kLine;
}

Surface::Surface(Display* display, const SurfaceDesc& desc) : display_(display), desc_(desc) {
  int32_t bpp = BytesPerPixel(desc.format);
  desc_.pitch = (desc.width * bpp + 15) & ~15;
  PixelStore(size_t(desc_.pitch) * size_t(desc.height), !(desc.caps & kCapsUncleared))
      .swap(pixels_);
}

Surface::~Surface() {
  if (display_) display_->Unregister(this);
}

bool Surface::CheckArea(const Rect* area, Rect& out) const {
  if (!area) {
    out = {0, 0, desc_.width, desc_.height};
    return true;
  }
  out = *area;
  return out.left >= 0 && out.top >= 0 && out.right <= desc_.width && out.bottom <= desc_.height &&
         out.left <= out.right && out.top <= out.bottom;
}

void Surface::Changed() {
  ++version_;
  if (display_ && HasCaps(kCapsPrimary)) display_->PrimaryChanged(*this);
}

Result Surface::Lock(const Rect* area, LockedRect& out) {
  if (lost_) return kSurfaceLost;
  if (locked_) return kSurfaceBusy;
  Rect r;
  if (!CheckArea(area, r)) return kInvalidRect;
  locked_ = true;
  out.bits = pixels_.data() + size_t(r.top) * size_t(desc_.pitch) +
             size_t(r.left) * size_t(BytesPerPixel(desc_.format));
  out.pitch = desc_.pitch;
  return kOk;
}

Result Surface::Unlock() {
  if (!locked_) return kNotLocked;
  locked_ = false;
  Changed();
  return lost_ ? kSurfaceLost : kOk;
}

Result Surface::Fill(const Rect* area, uint32_t argb) {
  if (lost_) return kSurfaceLost;
  Rect r;
  if (!CheckArea(area, r)) return kInvalidRect;
  if (r.Empty()) return kOk;
  int32_t bpp = BytesPerPixel(desc_.format);
  std::vector<uint8_t> row(size_t(r.Width()) * size_t(bpp));
  for (int32_t x = 0; x < r.Width(); ++x) FromArgb(desc_.format, argb, row.data() + x * bpp);
  for (int32_t y = r.top; y < r.bottom; ++y)
    std::memcpy(pixels_.data() + size_t(y) * desc_.pitch + size_t(r.left) * bpp, row.data(),
                row.size());
  Changed();
  return kOk;
}

Result Surface::Blit(const Rect* dstArea, Surface& src, const Rect* srcArea) {
  if (lost_ || src.lost_) return kSurfaceLost;
  Rect d, s;
  if (!CheckArea(dstArea, d) || !src.CheckArea(srcArea, s)) return kInvalidRect;
  if (d.Empty() || s.Empty()) return kOk;
  bool depth = Describe(desc_.format).depth || Describe(src.desc_.format).depth;
  if (depth && desc_.format != src.desc_.format) return kInvalidArgument;

  int32_t sbpp = BytesPerPixel(src.desc_.format), dbpp = BytesPerPixel(desc_.format);
  // A copy of the source rows protects against overlapping self-blits.
  std::vector<uint8_t> copy;
  const uint8_t* sbase = src.pixels_.data();
  int32_t spitch = src.desc_.pitch;
  if (&src == this) {
    copy.assign(pixels_.data(), pixels_.data() + pixels_.size());
    sbase = copy.data();
  }
  bool stretch = d.Width() != s.Width() || d.Height() != s.Height();
  if (!stretch && src.desc_.format == desc_.format) {
    for (int32_t y = 0; y < d.Height(); ++y)
      std::memcpy(pixels_.data() + size_t(d.top + y) * desc_.pitch + size_t(d.left) * dbpp,
                  sbase + size_t(s.top + y) * spitch + size_t(s.left) * sbpp,
                  size_t(d.Width()) * dbpp);
  } else {
    std::vector<uint32_t> srow(size_t(s.Width())), drow(size_t(d.Width()));
    // Nearest source pixel to each destination pixel's centre.
    std::vector<int32_t> xmap(size_t(d.Width()));
    for (int32_t x = 0; x < d.Width(); ++x)
      xmap[size_t(x)] = int32_t((int64_t(2 * x + 1) * s.Width()) / (2 * int64_t(d.Width())));
    for (int32_t y = 0; y < d.Height(); ++y) {
      int32_t sy = s.top + int32_t((int64_t(2 * y + 1) * s.Height()) / (2 * int64_t(d.Height())));
      uint8_t* drowp = pixels_.data() + size_t(d.top + y) * desc_.pitch + size_t(d.left) * dbpp;
      const uint8_t* srowp = sbase + size_t(sy) * spitch + size_t(s.left) * sbpp;
      if (depth) {
        for (int32_t x = 0; x < d.Width(); ++x)
          std::memcpy(drowp + x * dbpp, srowp + xmap[size_t(x)] * sbpp, size_t(dbpp));
        continue;
      }
      RowToArgb(src.desc_.format, srowp, srow.data(), s.Width());
      for (int32_t x = 0; x < d.Width(); ++x) drow[size_t(x)] = srow[size_t(xmap[size_t(x)])];
      RowFromArgb(desc_.format, drow.data(), drowp, d.Width());
    }
  }
  Changed();
  return kOk;
}

Result Surface::BlitFast(int32_t x, int32_t y, Surface& src, const Rect* srcArea) {
  Rect s;
  if (!src.CheckArea(srcArea, s)) return kInvalidRect;
  Rect d{x, y, x + s.Width(), y + s.Height()};
  return Blit(&d, src, &s);
}

Result Surface::Flip() {
  if (!backBuffer_) return kInvalidArgument;
  if (lost_ || backBuffer_->lost_) return kSurfaceLost;
  if (locked_ || backBuffer_->locked_) return kSurfaceBusy;
  pixels_.swap(backBuffer_->pixels_);
  backBuffer_->Touch();
  Changed();
  return kOk;
}

Result Surface::GetFlipStatus() {
  if (lost_) return kSurfaceLost;
  if (display_ && display_->pendingFlips_ > 0) {
    --display_->pendingFlips_;
    return kWasStillDrawing;
  }
  return kOk;
}

Result Surface::GetBltStatus() {
  if (lost_) return kSurfaceLost;
  if (display_ && display_->pendingBlits_ > 0) {
    --display_->pendingBlits_;
    return kWasStillDrawing;
  }
  return kOk;
}

Result Surface::Restore() {
  if (display_ && Failed(display_->TestCooperativeLevel())) return display_->TestCooperativeLevel();
  if (lost_) {
    std::memset(pixels_.data(), 0, pixels_.size());
    lost_ = false;
    ++version_;
  }
  return kOk;
}

Result Surface::AttachZBuffer(const std::shared_ptr<Surface>& zbuffer) {
  if (!zbuffer || !zbuffer->HasCaps(kCapsZBuffer)) return kInvalidArgument;
  if (zbuffer->Width() != Width() || zbuffer->Height() != Height()) return kInvalidArgument;
  zbuffer_ = zbuffer;
  return kOk;
}

const uint32_t* Surface::ConvertedArgb(int32_t& pitchPixels) {
  pitchPixels = desc_.width;
  if (argbVersion_ != version_ || argbCopy_.size() != size_t(desc_.width) * size_t(desc_.height)) {
    argbCopy_.resize(size_t(desc_.width) * size_t(desc_.height));
    for (int32_t y = 0; y < desc_.height; ++y)
      RowToArgb(desc_.format, pixels_.data() + size_t(y) * desc_.pitch,
                argbCopy_.data() + size_t(y) * desc_.width, desc_.width);
    argbVersion_ = version_;
  }
  return argbCopy_.data();
}

}  // namespace platform::display
