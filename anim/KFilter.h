// Texture filters: each turns the pixels of one texture into those of another (or the same)
// texture. Pixels are 32-bit ARGB words; strides count pixels.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "anim/KRefCountedObject.h"
#include "core/TVec.h"
#include "core/str.h"

class TTexture;

class KFilter : public virtual KRefCountedObject {
public:
  // Pixel work over a width x height block; the base does nothing.
  virtual void Filter(const uint32_t* src, int32_t srcStride, int32_t dstStride, int32_t width,
                      int32_t height, uint32_t* dst);
  // Filters source into target (the same texture filters in place) over the size both share;
  // false when a texture cannot be locked.
  virtual bool Apply(boost::shared_ptr<TTexture> source, boost::shared_ptr<TTexture> target);

protected:
  // Locks both textures and filters a width x height block, which must fit the source and,
  // unless the filter clips what it writes, the target.
  bool FilterTextures(const boost::shared_ptr<TTexture>& source,
                      const boost::shared_ptr<TTexture>& target, int32_t width, int32_t height);
};

// A filtered copy of source: a new texture of its size and alpha, the source copied in, then
// the filter applied from the source. Empty when the copy cannot be made.
boost::shared_ptr<TTexture> FilteredCopy(KFilter* filter, boost::shared_ptr<TTexture> source);

// Stack blur over all four channels, in time proportional to the pixel count whatever the
// radius. The radius is clamped to 254 and to the image's larger side.
class KBlur : public KFilter {
public:
  static constexpr int32_t kMaxRadius = 254;
  explicit KBlur(float amount) : mRadius(static_cast<int32_t>(amount)) {}
  void Filter(const uint32_t* src, int32_t srcStride, int32_t dstStride, int32_t width,
              int32_t height, uint32_t* dst) override;
  int32_t GetRadius() const { return mRadius; }

private:
  int32_t mRadius;
};

class KSimpleFilter : public KFilter {
public:
  void Filter(const uint32_t* src, int32_t srcStride, int32_t dstStride, int32_t width,
              int32_t height, uint32_t* dst) override;
  virtual void PerPixel(const uint32_t* src, uint32_t* dst) = 0;
};

// Scales red, green and blue of every pixel that is not fully transparent.
class KDarken : public KSimpleFilter {
public:
  explicit KDarken(float factor) : mFactor(factor) {}
  void Filter(const uint32_t* src, int32_t srcStride, int32_t dstStride, int32_t width,
              int32_t height, uint32_t* dst) override;
  void PerPixel(const uint32_t* src, uint32_t* dst) override;

private:
  float mFactor;
};

// Draws the source into the target, then the named mask over it in the display's masking
// mode. Runs outside an open frame.
class KMask : public KFilter {
public:
  explicit KMask(const str& maskName) : mMaskName(maskName) {}
  bool Apply(boost::shared_ptr<TTexture> source, boost::shared_ptr<TTexture> target) override;

private:
  str mMaskName;
};

// Resamples by a factor: modes 0 and 1 take the nearest pixel, mode 2 a cubic B-spline. The
// result is clipped to the target; a factor that leaves no pixel writes nothing.
class KScale : public KFilter {
public:
  KScale(float scale, int32_t mode) : mScale(scale, scale), mMode(mode) {}
  void Filter(const uint32_t* src, int32_t srcStride, int32_t dstStride, int32_t width,
              int32_t height, uint32_t* dst) override;
  bool Apply(boost::shared_ptr<TTexture> source, boost::shared_ptr<TTexture> target) override;
  // The source itself at factor 1, else a new texture of the scaled size (empty when that
  // size is zero).
  virtual boost::shared_ptr<TTexture> ScaleTexture(boost::shared_ptr<TTexture> source);
  // The size a source of width x height scales to.
  void ScaledSize(int32_t width, int32_t height, int32_t& outWidth, int32_t& outHeight) const;

private:
  TVec2 mScale;
  int32_t mMode;
  // The target's size while Apply runs; Filter writes nothing beyond it.
  int32_t mClipWidth = INT32_MAX;
  int32_t mClipHeight = INT32_MAX;
};
