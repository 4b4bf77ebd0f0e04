// The image asset: a named, cached picture from a PNG or JPEG file (with an optional mask for
// its alpha), or a blank surface made at run time to draw into.
#pragma once

#include <cstdint>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "assets/TAsset.h"
#include "core/TColor.h"
#include "core/TMat3.h"
#include "core/TRect.h"
#include "core/TVec.h"
#include "core/str.h"
#include "render/TTextureData.h"

// How one textured quad is drawn.
struct TDrawParams {
  enum Flags : uint32_t {
    kMirrorX = 1,
    kMirrorY = 2,
    kUseSourceRect = 4,
    kUseOrigin = 8,  // else the quad is centred on its position
  };

  TMat3 transform;
  TVec2 origin;
  TColor tint{1, 1, 1, 1};
  float alpha = 1.0f;
  TRect sourceRect;
  uint32_t flags = 0;
  int32_t blendMode = -1;  // -1 keeps the current mode

  TDrawParams() = default;
  TDrawParams(const TVec2& position, float alpha, float scale, uint32_t flags);
};

class TTexture : public TAsset {
  T_CLASS_IDENTITY(TTexture, TAsset)

public:
  // Flag bits of Get.
  enum : int { kGetMipmap = 1, kGetAlpha = 2, kGetNoAlpha = 4 };

  ~TTexture() override;

  static boost::shared_ptr<TTexture> Get(const str& name, int flags = 0);
  static boost::shared_ptr<TTexture> GetWithMask(const str& name, const str& maskName, bool mipmap);
  static boost::shared_ptr<TTexture> GetSimple(const str& name, bool flag = false);
  static boost::shared_ptr<TTexture> Create(int width, int height, bool alpha);
  static str MakeAssetName(const str& name, bool alpha, bool mipmap, bool third);
  static boost::shared_ptr<TTexture> New(const str& key);

  void Release() override;
  void Restore() override;
  virtual void Draw(const TDrawParams& params);
  virtual void Draw(float x, float y, float alpha, float scale, float rotation, uint32_t flags);
  virtual void CopyRect(int x, int y, const TRect* source, boost::shared_ptr<TTexture> target);
  virtual int GetWidth() const;
  virtual int GetHeight() const;

  // Reads the files into the texture's data (also used to rebuild it after a device loss).
  bool Load(const str& name, const str& maskName = str());
  static bool LoadData(TTextureData& data, const str& name, const str& maskName);

  str GetFileName() const;
  void GetFullSize(int& width, int& height) const;
  bool HasAlpha() const;
  bool IsSimple() const;
  bool Lock(uint32_t*& pixels, int32_t& pitch);
  void Unlock();

  TTextureData* GetData() const { return mData.get(); }

protected:
  TTexture();

private:
  // The steps of LoadData: the "?" options of a name, the mask's file, and the image decoded
  // straight into the surface or, with a mask, through a buffer the mask's alpha is merged into.
  static str TakeNameOptions(TTextureData& data, const str& name);
  static bool FindMask(TTextureData& data, const str& name, str& mask);
  static bool SurfaceSize(const TTextureData& data, int w, int h, uint32_t& sw, uint32_t& sh);
  static bool LoadUnmasked(TTextureData& data, const str& name, const str& nameIn,
                           const str& maskIn);
  static bool LoadMasked(TTextureData& data, const str& name, const str& mask, const str& nameIn,
                         const str& maskIn);

  std::unique_ptr<TTextureData> mData;
  str mOwnKey;  // the "%x:tex:r" name of a blank texture, removed again on destruction
};

// Keeps a texture locked for the length of a scope.
class TextureLock {
public:
  TextureLock() = default;
  ~TextureLock();
  TextureLock(const TextureLock&) = delete;
  TextureLock& operator=(const TextureLock&) = delete;
  bool Lock(uint32_t*& pixels, int32_t& pitch, TTexture* texture);

private:
  TTexture* mTexture = nullptr;
};

// A frame of `width` pixels along the inside edges of the target, in the packed ARGB colour.
void DrawTextureBorder(boost::shared_ptr<TTexture> target, uint32_t colour, int32_t width);
