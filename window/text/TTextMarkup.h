// The state of the inline markup while a text is laid out: the font stack, bold, italic and
// underline, the alignment stack, the link and the outline, and the tag parser that changes
// them.
#pragma once

#include "core/TColor.h"
#include "core/str.h"

struct TTextFontSpec {
  str face;
  int size = 16;
  TColor colour{0, 0, 0, 0};
};

class TTextMarkup {
public:
  static constexpr int kStackSize = 32;

  TTextMarkup();
  void Reset();

  // False when `at` does not start a complete tag; else the tag is consumed and applied.
  bool ParseTag(const char* at, int* consumed, bool* lineBreak, int* pad, bool* cursor,
                bool* alignChanged, int* tab);

  const TTextFontSpec& Font() const {
    return mFonts[mFontDepth < kStackSize ? mFontDepth : kStackSize - 1];
  }
  TTextFontSpec& BaseFont() { return mFonts[0]; }
  int GetFontDepth() const { return mFontDepth; }
  // 0 left, 1 centre, 2 right, -1 the layout's own flags.
  int Alignment() const { return mAlign[mAlignDepth < kStackSize ? mAlignDepth : kStackSize - 1]; }

  bool bold = false, italic = false, underline = false;
  str linkId;
  TColor linkColour;
  float outlineSize = 0.0f;
  TColor outlineColour;

private:
  TTextFontSpec mFonts[kStackSize];
  int mFontDepth = 0;
  int mAlign[kStackSize];
  int mAlignDepth = 0;
};

// The text as written, for a layout: every "<", backslash and newline gets the markup's own
// escape, so what a player typed starts no tag and breaks no line.
str EscapeMarkup(const str& text);
