// The pixels behind a texture: the surface, its sizes and flags, and the source files it can
// be rebuilt from after the display was lost.
#pragma once

#include <cstdint>

#include "core/TRect.h"
#include "core/str.h"

class TTexture;

class TTextureData {
public:
  enum Flags : uint8_t {
    kRenderSurface = 0x01,  // drawn into, with a z-buffer of its own
    kAlpha = 0x02,
    kAutoAlpha = 0x04,
    kMipmap = 0x08,
    kSimple = 0x10,  // plain surface: blitted, never bound, never a target
    kLarge = 0x20,   // sides past 1024 allowed; kept in system memory
    kBlank = 0x80,   // made at run time, no file behind it
  };

  virtual ~TTextureData() = default;
  virtual void Release() = 0;
  virtual void Restore() = 0;
  // Writes rows of 32-bit ARGB pixels (stride pixels apart) into the surface's corner.
  virtual void WritePixels(uint32_t stride, uint32_t height, const uint32_t* pixels) = 0;
  // Without clear a texture's pixels start undefined: the caller (a loader) writes every one.
  virtual bool Create(uint32_t width, uint32_t height, bool clear) = 0;
  // Copies the source area (whole image when null) to (x, y) of the target's surface, or of
  // the display's current target when there is no target.
  virtual void CopyTo(int x, int y, const TRect* source, TTextureData* target) = 0;
  virtual void Clear() = 0;
  virtual bool Lock(uint32_t*& pixels, int32_t& pitch) = 0;
  virtual void Unlock() = 0;

  bool Has(uint8_t flag) const { return (mFlags & flag) != 0; }
  void Set(uint8_t flag, bool on) {
    mFlags = on ? uint8_t(mFlags | flag) : uint8_t(mFlags & ~flag);
  }

  str mSourceName;
  str mMaskName;
  uint32_t mWidth = 0, mHeight = 0;  // requested
  uint32_t mSurfaceWidth = 0, mSurfaceHeight = 0;
  uint32_t mBorderX = 0, mBorderY = 0;
  uint8_t mFlags = 0;
  // Set by the texture that owns the data, so a restore can reload through its loader.
  TTexture* mOwner = nullptr;
};
