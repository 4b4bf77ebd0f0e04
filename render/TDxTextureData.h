// Texture data on the display device: a texture surface (or a plain surface for simple and
// render textures), locked as 32-bit ARGB, rebuilt from its files after a device loss.
#pragma once

#include <memory>
#include <vector>

#include "platform/display/Display.h"
#include "platform/display/Surface.h"
#include "render/TTextureData.h"

class TDxDisplayHandler;

class TDxTextureData : public TTextureData {
public:
  ~TDxTextureData() override;
  void Release() override;
  void Restore() override;
  void WritePixels(uint32_t stride, uint32_t height, const uint32_t* pixels) override;
  bool Create(uint32_t width, uint32_t height, bool clear) override;
  void CopyTo(int x, int y, const TRect* source, TTextureData* target) override;
  void Clear() override;
  bool Lock(uint32_t*& pixels, int32_t& pitch) override;
  void Unlock() override;

  const std::shared_ptr<platform::display::Surface>& GetSurface() const { return mSurface; }
  // Locks a 32-bit surface for an image decoded straight into it: its rows of ARGB pixels and
  // their pitch in pixels. False (nothing locked) for other formats or without a surface;
  // the pixels then go through WritePixels.
  bool BeginLoad(uint32_t*& pixels, int32_t& pitch);
  void EndLoad();

private:
  using Result = platform::display::Result;

  bool ReadPixels(int32_t pitch, uint32_t* out);
  // The steps of Create.
  bool MakeTexture(platform::display::Display& dd, TDxDisplayHandler& display, uint32_t w,
                   uint32_t h, bool sixteen, bool alpha, bool uncleared, Result& r);
  void AttachOwnZBuffer(platform::display::Display& dd, TDxDisplayHandler& display);
  bool Finish(TDxDisplayHandler& display, Result r, bool clear);

  std::shared_ptr<platform::display::Surface> mSurface;
  std::vector<uint32_t> mShadow;  // between a converting Lock and its Unlock
  bool mDirectLock = false;
};
