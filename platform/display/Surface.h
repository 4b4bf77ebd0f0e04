// A surface: a rectangle of pixels in one format, kept in memory. Front and back buffers,
// plain off-screen surfaces, textures and z-buffers are all surfaces. A surface can be lost
// (its display switched mode or a test provoked it); until Restore every operation on it
// answers kSurfaceLost.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/display/Types.h"

namespace platform::display {

class Display;

// A surface's pixels: zeroed unless asked not to be, starting on a cache line. The span loops' wide loads and stores
// then split no line where the rows' offsets are whole steps, as they are for most copies and
// blends. Zeroed by calloc, which takes fresh pages from the system as they are (already
// zero) rather than writing every byte of a large texture before its image is decoded over it.
class PixelStore {
public:
  PixelStore() = default;
  PixelStore(size_t size, bool zeroed);
  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  void swap(PixelStore& other) {
    std::swap(block_, other.block_);
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
  }

private:
  struct Free {
    void operator()(void* p) const { std::free(p); }
  };
  std::unique_ptr<void, Free> block_;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

class Surface {
public:
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  const SurfaceDesc& Desc() const { return desc_; }
  int32_t Width() const { return desc_.width; }
  int32_t Height() const { return desc_.height; }
  PixelFormat Format() const { return desc_.format; }
  bool HasCaps(uint32_t caps) const { return (desc_.caps & caps) == caps; }

  // Lock hands out the pixels of the area (the whole surface when null) and their pitch.
  Result Lock(const Rect* area, LockedRect& out);
  Result Unlock();

  // Fills the area (whole surface when null) with the colour converted to the format.
  Result Fill(const Rect* area, uint32_t argb);
  // Copies src's area onto this surface's area, stretching with nearest-pixel sampling and
  // converting formats. Null areas mean the whole surface. Areas must lie inside their surfaces.
  Result Blit(const Rect* dstArea, Surface& src, const Rect* srcArea);
  // Copies without stretching to (x, y).
  Result BlitFast(int32_t x, int32_t y, Surface& src, const Rect* srcArea);

  // Flip chains: exchanges the front and back buffer's pixels and shows the new front.
  Result Flip();
  // kWasStillDrawing while a flip or blit started earlier has not finished.
  Result GetFlipStatus();
  Result GetBltStatus();

  bool IsLost() const { return lost_.load(); }
  // Brings a lost surface back; its pixels are cleared to zero.
  Result Restore();

  std::shared_ptr<Surface> BackBuffer() const { return backBuffer_; }
  Result AttachZBuffer(const std::shared_ptr<Surface>& zbuffer);
  void DetachZBuffer() { zbuffer_.reset(); }
  std::shared_ptr<Surface> ZBuffer() const { return zbuffer_; }

  // Direct access for the rasterizer (no lock; the device holds no pointer across calls).
  uint8_t* Bits() { return pixels_.data(); }
  const uint8_t* Bits() const { return pixels_.data(); }
  int32_t Pitch() const { return desc_.pitch; }
  // The pixels as 32-bit ARGB: the surface itself for A8R8G8B8, else a converted copy that is
  // rebuilt when the pixels change.
  const uint32_t* ArgbPixels(int32_t& pitchPixels) {
    if (desc_.format != PixelFormat::A8R8G8B8) return ConvertedArgb(pitchPixels);
    pitchPixels = desc_.pitch / 4;
    return reinterpret_cast<const uint32_t*>(pixels_.data());
  }
  // Counts changes to the pixels; the device uses it to know when its copies are stale.
  uint64_t Version() const { return version_; }
  void Touch() { ++version_; }

private:
  friend class Display;
  Surface(Display* display, const SurfaceDesc& desc);
  void MarkLost() { lost_ = true; }
  const uint32_t* ConvertedArgb(int32_t& pitchPixels);
  void Changed();
  bool CheckArea(const Rect* area, Rect& out) const;

  Display* display_;
  SurfaceDesc desc_;
  PixelStore pixels_;
  std::atomic<bool> lost_{false};
  bool locked_ = false;
  uint64_t version_ = 1;
  uint64_t memoryCharged_ = 0;
  bool textureCharged_ = false;
  std::shared_ptr<Surface> backBuffer_;
  std::shared_ptr<Surface> zbuffer_;
  std::vector<uint32_t> argbCopy_;
  uint64_t argbVersion_ = 0;
};

}  // namespace platform::display
