// The common base of the windows in which a level is played that are not the search scene:
// the puzzle mini-games and the arcade game. It starts the level's item-list timers and the
// window's music when play starts (message 1010), answers the hint messages (1006 and 1007)
// through ShowHint and HideHint, runs Lua texts sent to it (1017), and renders its scene
// sprite into a texture for the sprite windows.
#pragma once

#include <boost/shared_ptr.hpp>

#include "anim/IQMPuzzleWindow.h"
#include "game/scenes/QMMessages.h"
#include "game/scenes/QMSearchList.h"
#include "game/scenes/QMStopwatch.h"
#include "window/TWindow.h"

class TSound;
class TSprite;
class TTexture;

class QMPuzzleWindow : public TWindow, public IQMPuzzleWindow {
  T_WINDOW_CLASS(QMPuzzleWindow, TWindow)

public:
  QMPuzzleWindow();
  ~QMPuzzleWindow() override;

  // Reads "backgroundAudio" (the music started with play) and "solved" after the base's work.
  void PostCreate(TWindowStyle& style) override;
  bool OnMessage(TMessage* m) override;
  // The puzzle's hint for a message 1006; nothing in the base.
  virtual void ShowHint(QMSearchHintMessage* m);
  virtual void HideHint();

  // The scene sprite drawn into a new texture of the window's size.
  boost::shared_ptr<TTexture> RenderToTexture() override;

  // Start of play: the item list's timers (unless solved), the music on the first start, and
  // a new mark on the play stopwatch.
  void Start();

  bool IsSolved() const { return mSolved; }
  bool IsStarted() const { return mStarted; }
  const boost::shared_ptr<TSprite>& GetSceneSprite() const { return mSceneSprite; }
  const boost::shared_ptr<TSound>& GetBackgroundAudio() const { return mBackgroundAudio; }
  QMStopwatch& GetCreationStopwatch() { return mCreationStopwatch; }
  QMStopwatch& GetPlayStopwatch() { return mPlayStopwatch; }

protected:
  boost::shared_ptr<TSprite> mSceneSprite;
  boost::shared_ptr<TSound> mBackgroundAudio;
  QMStopwatch mCreationStopwatch;
  QMStopwatch mPlayStopwatch;
  bool mSolved = false;
  bool mStarted = false;
};
