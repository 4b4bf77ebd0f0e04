// One entry of the list of objects to find: a window around the text child "itemText" that
// shows the object's localised name. It highlights the name, restores its colour, and marks
// the object found by greying the name, striking it out and playing a sound.
#pragma once

#include <boost/shared_ptr.hpp>

#include "anim/KAnimMessageNotifier.h"
#include "core/TColor.h"
#include "window/TWindow.h"

class TSound;
class TText;

class QMSearchItem : public TWindow {
  T_WINDOW_CLASS(QMSearchItem, TWindow)

public:
  QMSearchItem();
  ~QMSearchItem() override;

  void PostCreate(TWindowStyle& style) override;
  // 2004 sets the label, 2005 highlights, 2006 restores, 2007 marks found.
  bool OnMessage(TMessage* m) override;

  // The label's localised text becomes the name shown.
  void SetLabel(const str& label);
  void Highlight();
  // Back to the colour the name had before the last highlight (white before any).
  void Restore();
  void StrikeOut();
  void MarkFound();
  // Steps of the scene's found sequence: the new count text, then the strike-out.
  void OnAnimMessage(KAnimMessageId<2004>, const str& label) { SetLabel(label); }
  void OnAnimMessage(KAnimMessageId<2020>, const str&) { StrikeOut(); }

  bool IsFound() const { return mFound; }
  // Null when the entry has no text child "itemText" (or it is gone).
  TText* GetItemText() const;
  const TColor& GetHighlightColor() const { return mHighlightColour; }

private:
  void ShowFound();

  str mMarkFoundSound;
  boost::shared_ptr<TSound> mFoundSound;
  TWindowHandle mItemText;
  TColor mSavedColour{1.0f, 1.0f, 1.0f, 1.0f};
  TColor mHighlightColour;
  bool mFound = false;
};
