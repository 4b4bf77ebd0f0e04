// A window showing one texture: a background, a picture, a state image of a button. It sizes
// itself to the texture times its scale, can be drawn mirrored, turned by a quarter turn and
// with an alpha, and tells its modal when it hides everything beneath it.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "window/TWindow.h"

class TTexture;

class TImage : public TWindow {
  T_WINDOW_CLASS(TImage, TWindow)

public:
  enum : uint32_t { kDrawMirrorX = 1, kDrawMirrorY = 2 };

  TImage();
  ~TImage() override;

  void Init(TWindowStyle& style) override;
  void Draw() override;

  // Keeps the texture and scale; a texture sizes the window (rounded half up).
  void SetTexture(const boost::shared_ptr<TTexture>& texture, float scale = 1.0f);
  boost::shared_ptr<TTexture> GetTexture() const { return mTexture; }
  bool HasTexture() const { return mTexture.get() != nullptr; }
  // Opaque exactly when fully opaque over a texture without an alpha channel.
  void SetAlpha(float alpha);
  float GetAlpha() const { return mAlpha; }
  float GetScale() const { return mScale; }
  void SetDrawFlags(uint32_t flags);
  uint32_t GetDrawFlags() const { return mDrawFlags; }
  void SetRotate(bool rotate);
  bool GetRotate() const { return mRotate; }

  static TImage* Cast(TWindow* w) {
    return w && w->IsKindOf(GetClassId()) ? static_cast<TImage*>(w) : nullptr;
  }

private:
  void SizeToTexture();

  boost::shared_ptr<TTexture> mTexture;
  float mScale = 1.0f;
  float mAlpha = 1.0f;
  uint32_t mDrawFlags = 0;
  bool mRotate = false;
};
