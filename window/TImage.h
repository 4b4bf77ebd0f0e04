// A window showing one texture. What scripts set and ask of it lives here so far.
#pragma once

#include <boost/shared_ptr.hpp>

#include "window/TWindow.h"

class TTexture;

class TImage : public TWindow {
  T_WINDOW_CLASS(TImage, TWindow)

public:
  void Init(TWindowStyle& style) override;
  void SetTexture(const boost::shared_ptr<TTexture>& texture, float alpha);
  bool HasTexture() const { return mTexture.get() != nullptr; }
  const boost::shared_ptr<TTexture>& GetTexture() const { return mTexture; }
  float GetAlpha() const { return mAlpha; }

private:
  boost::shared_ptr<TTexture> mTexture;
  float mAlpha = 1.0f;
};
