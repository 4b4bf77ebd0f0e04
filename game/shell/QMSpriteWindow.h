// A plain window that shows an animated sprite composition without a scene around it: it
// builds the "sprites" table of its creation table under one root sprite, runs the animations
// the table names on its modal's clock, and draws the sprite tree at its own origin.
#pragma once

#include <boost/shared_ptr.hpp>

#include "anim/QMOverlays.h"
#include "window/TWindow.h"

class QMSearchableSprite;

class QMSpriteWindow : public TWindow, public QMOverlays {
  T_WINDOW_CLASS(QMSpriteWindow, TWindow)

public:
  QMSpriteWindow();
  // Cancels the running animations before the sprites they move go.
  ~QMSpriteWindow() override;

  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  // Always true: the timer keeps the animations advancing; each tick asks for a redraw.
  bool Animate() override;

  const boost::shared_ptr<QMSearchableSprite>& GetRootSprite() const { return mRoot; }

private:
  boost::shared_ptr<QMSearchableSprite> mRoot;
};
