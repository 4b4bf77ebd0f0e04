// A clue panel of the sequence puzzle: the clue picture and the localised clue text of the
// pieces the player points at, and of the round at its start.
#pragma once

#include <boost/shared_ptr.hpp>

#include "core/str.h"
#include "window/TWindow.h"

class QMSequencePuzzleWindow;
class QMTextSprite;
class TSprite;

class QMSequenceClue : public TWindow {
  T_WINDOW_CLASS(QMSequenceClue, TWindow)

public:
  QMSequenceClue();
  ~QMSequenceClue() override;

  void Init(TWindowStyle& style) override;

  // The label's localised text; nothing without a text sprite.
  void SetText(const str& label);
  // Textures the picture shown now; a name that does not load changes nothing.
  void SetArt(const str& name);
  // The sprite takes the panel's place and becomes the picture shown now.
  void ShowImage(boost::shared_ptr<TSprite> sprite);

  boost::shared_ptr<TSprite> GetShownImage() const { return mShownImage; }
  boost::shared_ptr<QMTextSprite> GetTextSprite() const { return mTextSprite; }
  const str& GetText() const { return mText; }

private:
  QMSequencePuzzleWindow* mWindow = nullptr;
  boost::shared_ptr<QMTextSprite> mTextSprite;
  boost::shared_ptr<TSprite> mRootSprite;
  boost::shared_ptr<TSprite> mShownImage;
  str mText;
};
