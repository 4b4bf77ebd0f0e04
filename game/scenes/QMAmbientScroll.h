// An ambient animation of a scene: an endless strip of one image (clouds, water) sliding
// sideways behind a second image that frames it. The owner adds the parent sprite to its scene
// and calls Update with the elapsed time every tick.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "render/TSprite.h"

class TClock;
class TLuaTable;
class TTexture;

// Sets the sprite's origin to its top-left corner: its position is then where that corner goes.
void AnchorTopLeft(TSprite& sprite);

class QMAmbientAnim {
public:
  virtual void Update(uint32_t elapsedMs) = 0;
  virtual void Clear() = 0;
  virtual ~QMAmbientAnim() = default;
};

class QMAmbientScroll : public QMAmbientAnim {
public:
  // Reads "mask", "pano", "x", "y", "speed" and "deltaX" from the entry; the parent shows the
  // mask and gets the two strips as children.
  QMAmbientScroll(TLuaTable* entry, TClock* clock, boost::shared_ptr<TSprite> parent);
  ~QMAmbientScroll() override;

  void Update(uint32_t elapsedMs) override;
  void Clear() override;

  TSprite* GetStripA() const { return mStripA.get(); }
  TSprite* GetStripB() const { return mStripB.get(); }
  float GetOffset() const { return mOffset; }
  int32_t GetSpeed() const { return mSpeed; }
  float GetDeltaX() const { return mDeltaX; }

private:
  void ScrollLeftward(int32_t maskW, int32_t maskH, int32_t panoW);

  boost::shared_ptr<TSprite> mParent;
  boost::shared_ptr<TSprite> mStripA;
  boost::shared_ptr<TSprite> mStripB;
  boost::shared_ptr<TTexture> mMask;
  boost::shared_ptr<TTexture> mPano;
  float mOffset = 0;
  int32_t mSpeed = 100;
  TClock* mClock;
  float mDeltaX = -1;
};
