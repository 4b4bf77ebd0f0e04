// The credits screen: reads a plain-text credits file and scrolls it upward in a loop. A line
// holding a "|" is a two-column line (role on the left, name on the right); any other line
// runs across the full width. Words in square brackets are drawn in the header colour.
#pragma once

#include <memory>

#include "core/TColor.h"
#include "core/str.h"
#include "window/TWindow.h"

class TTextLayout;

class TCredits : public TWindow {
  T_WINDOW_CLASS(TCredits, TWindow)

public:
  TCredits();
  ~TCredits() override;

  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  void Draw() override;
  bool Animate() override;

  // The three texts as read, line-aligned: left column, right column, full width.
  const str& GetLeftText() const { return mLeftText; }
  const str& GetRightText() const { return mRightText; }
  const str& GetFullText() const { return mFullText; }
  // Pixels the text has scrolled at elapsed ms after the first drawn frame.
  float ScrollPosition(uint32_t elapsed) const;
  int GetScrollDistance() const { return mScrollDistance; }

  // A line of the credits file with its line end removed: "\n", "\r\n" or nothing.
  static str StripLineEnd(const char* line, size_t length);
  // Trims spaces and tabs and turns "[" and "]" into the header colour's markup, ending the
  // line with "\n"; a line left empty becomes a blank line (" \n").
  static str MarkUpLine(const str& text, const str& headerColour);

private:
  struct LayoutDeleter {
    void operator()(TTextLayout* layout) const;
  };
  using Layout = std::unique_ptr<TTextLayout, LayoutDeleter>;

  void ReadFile(const str& name);
  // Appends one line of the file to the three texts.
  void AddLine(const str& text);
  Layout MakeLayout(const str& text, int width) const;

  Layout mLeft, mRight, mFull;
  str mLeftText, mRightText, mFullText;
  uint32_t mStartTime = 0;
  int mScrollDistance = 0;
  str mFontName;
  int mFontSize = 0;
  int mColumnGap = 0;
  int mTime = 0;
  int mIntroPause = 0;
  int mColumnWidth = 0;
  TColor mTextColour;
  str mHeaderColour;
};
