// A transparent window on top of its siblings that draws one sprite tree: the map screen's
// "map_animation" window, which shows looping highlights over the map's buttons. Also the
// window walker that builds those highlights.
#pragma once

#include <boost/shared_ptr.hpp>

#include "render/TAnimatedSprite.h"
#include "window/TWindow.h"
#include "window/TWindowSpider.h"

class KSpriteWindow;

class AnimOverKSpriteWindow : public TWindow {
  T_WINDOW_CLASS(AnimOverKSpriteWindow, TWindow)

public:
  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool Animate() override { return true; }

  void AddSprite(const boost::shared_ptr<TSprite>& sprite);
  TSprite* GetRootSprite() const { return mRoot.get(); }

private:
  boost::shared_ptr<TSprite> mRoot;
  boost::shared_ptr<TSprite> mLast;
};

// One sparkle and one pointer for every visible button but the pause button.
class MapButtonAnimSpider : public TWindowSpider {
public:
  MapButtonAnimSpider(KSpriteWindow* window, boost::shared_ptr<TAnimatedSprite> container)
      : mWindow(window), mContainer(std::move(container)) {}
  bool Process(TWindow* w) override;

private:
  KSpriteWindow* mWindow;
  boost::shared_ptr<TAnimatedSprite> mContainer;
};
