// A window showing a block of marked-up text: a label, a paragraph, a score. It owns one text
// layout sized to the window, translates its label through the string table, can turn the
// block, and a click on a markup link presses the button that the link names.
#pragma once

#include "core/TColor.h"
#include "window/TWindow.h"

class TTextLayout;

class TText : public TWindow {
  T_WINDOW_CLASS(TText, TWindow)

public:
  TText();
  ~TText() override;

  void Init(TWindowStyle& style) override;
  void Draw() override;
  // Scrolls: the fraction f of the way to the last page.
  void SetScale(float f, int) override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseLeave() override;

  virtual void SetText(const str& text);
  virtual str GetText() const;

  // Makes the layout for a box of width x height and sizes the window to it; false (and
  // nothing made) when either is 0.
  bool SetupText(const str& text, int width, int height, unsigned flags, const str& fontName,
                 int size, const TColor& colour);
  void GetTextBounds(TRect& out) const;
  void SetColor(const TColor& colour);
  TColor GetColor() const { return mColour; }
  void SetRotation(float degrees, int originX, int originY);
  TTextLayout* GetLayout() const { return mLayout; }
  void SetAlpha(float alpha) { mAlpha = alpha; }

  static TText* Cast(TWindow* w) {
    return w && w->IsKindOf(GetClassId()) ? static_cast<TText*>(w) : nullptr;
  }

protected:
  TTextLayout* mLayout = nullptr;
  float mScale = 1.0f;
  float mAlpha = 1.0f;
  int mLineSpacing = 0;
  float mScrollBase = 0.5f;
  str mPressedLink;
  TColor mColour;
};

// A text rewritten often, a clock or a score: each new figure goes into whichever of two strings
// the window does not hold, so that once both have their buffers a change takes no memory; an
// unchanged figure is not written at all.
class TTickingText {
public:
  void Show(TText* text, const char* shown);

private:
  str mTurns[2];
};
