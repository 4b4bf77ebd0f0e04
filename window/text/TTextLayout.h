// A block of marked-up text: the text, its box, base font and alignment, split into lines and
// each line into runs of one style, measured with the vector fonts and drawn through the
// vector-font renderer. Laid out once per change; drawing reuses the lines.
#pragma once

#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "core/TColor.h"
#include "core/TRect.h"
#include "core/TVec.h"
#include "core/str.h"
#include "platform/display/FlatSpan.h"
#include "window/text/THwMiniVecDraw.h"
#include "window/text/TTextMarkup.h"

class TTexture;
class TVecFont;

struct TTextRun {
  TVecFont* font = nullptr;
  float scale = 0.0f;  // design units to quarter pixels
  int size = 0;
  int baseline = 0;  // quarter pixels
  TVecFont* requestedFont = nullptr;
  TColor colour;
  uint8_t bold = 0, italic = 0, underline = 0, cursor = 0;
  int first = 0;
  int last = -2;             // -2 while open; last < first: empty
  int startX = 0, endX = 0;  // pixels from the line's left
  str linkId;
  TColor linkColour;
  float outlineSize = 0.0f;
  TColor outlineColour;
  int tabPosition = 0;  // quarter pixels, 0 = none
};

struct TTextLine {
  int height = 0;    // pixels
  int baseline = 0;  // quarter pixels
  int x = 0;         // pixels
  float xOffset = 0.0f;
  std::vector<TTextRun> runs;
};

class TTextLayout {
public:
  enum : unsigned { kCentre = 1, kRight = 2, kMiddle = 4, kBottom = 8 };

  static TTextLayout* Create(str text, int width, int height, unsigned flags, const char* fontName,
                             int size, const TColor& colour);
  static void Delete(TTextLayout* layout);
  TTextLayout(const TTextLayout&) = delete;
  TTextLayout& operator=(const TTextLayout&) = delete;

  void SetText(const str& text);
  const str& GetText() const { return mText; }
  const str& GetFontName() const { return mFontName; }
  void SetFont(const char* name);
  void SetColor(const TColor& colour);
  void SetRotation(float degrees, int originX, int originY);
  void SetFontFlags() {
    mReplace = 1;
    mAccumulate = 0;
  }

  int GetLineCount() const { return int(mLines.size()); }
  const std::vector<std::shared_ptr<TTextLine>>& GetLines() const { return mLines; }
  int GetTotalHeight() const { return mTotalHeight; }
  int GetLastPageStart(float scale, int spacing) const;
  TRect GetBounds(float scale) const;
  str HitTestLink(const TPoint& p, int lineSpacing) const;
  bool UpdateHover(const TPoint* p, int lineSpacing);
  const str& GetHoveredLink() const { return mHovered; }
  void SetFirstVisibleLine(float line) { mFirstVisible = line; }
  float GetFirstVisibleLine() const { return mFirstVisible; }
  // How many layout passes have run (a text that does not change is not laid out again).
  int GetLayoutPasses() const { return mPasses; }
  // Spans that draw what the last drawing on the screen drew, in 2-D pixels (none before one).
  std::vector<platform::display::FlatSpan> GetDrawnSpans() const { return mDrawn.Spans(); }

  void Render(TVec2 position, int heightLimit, float scale, int lineSpacing, float alpha, int flags,
              boost::shared_ptr<TTexture> target);

private:
  TTextLayout() = default;
  void Layout();
  // A blank line, one of an earlier pass where there is one.
  std::shared_ptr<TTextLine> TakeLine();

  // What a drawing on the screen depends on besides the lines: the same again draws the
  // spans it drew, without going through the glyphs.
  struct DrawnKey {
    const void* drawer = nullptr;
    float x = 0, y = 0, scale = 0, alpha = 0, firstVisible = 0, cosine = 0, sine = 0;
    int heightLimit = 0, lineSpacing = 0, rotationX = 0, rotationY = 0;
    str hovered;
    bool operator==(const DrawnKey& o) const {
      return drawer == o.drawer && x == o.x && y == o.y && scale == o.scale && alpha == o.alpha &&
             firstVisible == o.firstVisible && cosine == o.cosine && sine == o.sine &&
             heightLimit == o.heightLimit && lineSpacing == o.lineSpacing &&
             rotationX == o.rotationX && rotationY == o.rotationY && hovered == o.hovered;
    }
  };

  str mText;
  TTextMarkup mMarkup;
  int mLeft = 0, mTop = 0, mTotalHeight = 0;
  int mBoxWidth = 0, mBoxHeight = 0;
  float mCos = 1.0f, mSin = 0.0f;
  int mRotationX = 0, mRotationY = 0;
  uint8_t mReplace = 0, mAccumulate = 0;
  std::vector<std::shared_ptr<TTextLine>> mLines;
  std::vector<std::shared_ptr<TTextLine>> mSpareLines;
  // Named once, so that a layout pass looks the fallback font up without making its name.
  str mFallbackFace{"__DEFAULT"};
  str mFontName;
  int mFontSize = 16;
  TColor mColour;
  float mFirstVisible = 0.0f;
  float mVerticalOffset = 0.0f;
  str mHovered;
  unsigned mFlags = 0;
  uint8_t mTextSprite = 0;
  int mPasses = 0;
  DrawnKey mDrawnKey;
  bool mDrawnValid = false;
  TKeptSpans mDrawn;
};

// One character of a text at pos: its byte length, and its code in `code` (a malformed byte
// stands for itself).
int DecodeTextChar(const char* text, int pos, int len, uint32_t& code);

// Draws the layout at the rectangle's top-left, its height limiting the lines drawn.
void DrawTextBlock(TTextLayout* layout, const TRect& r, float scale, int lineSpacing, float alpha,
                   int flags, boost::shared_ptr<TTexture> target);
