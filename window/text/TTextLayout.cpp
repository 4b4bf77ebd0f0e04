// The layout pass of marked-up text: tags, runs of one style, measuring with the vector fonts,
// fallback to the default font per character, line breaking and alignment.
#include "window/text/TTextLayout.h"

#include <algorithm>
#include <cmath>

#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "window/text/TFontCache.h"
#include "window/text/TVecFont.h"

namespace {

// Design units to quarter pixels for a run of `size` pixels; a font with no extent (no glyphs,
// or nothing but blanks) measures nothing rather than dividing by zero.
float RunScale(const TVecFont* font, int size) {
  float extent = font ? font->GetAscent() + font->GetDescent() : 0.0f;
  return extent > 0.0f ? 0.8f * float(size) * 4.0f / extent : 0.0f;
}

int PenPixels(float pen) { return int(std::lround(pen)) / 4; }

}  // namespace

int DecodeTextChar(const char* text, int pos, int len, uint32_t& code) {
  int n = Utf8SequenceLength(text + pos);
  if (n <= 0 || pos + n > len) n = 1;
  code = DecodeUTF8(text + pos);
  if (code == 0) code = static_cast<unsigned char>(text[pos]);
  if (n > 1 && code < 0x80) n = 1;
  return n;
}

TTextLayout* TTextLayout::Create(str text, int width, int height, unsigned flags,
                                 const char* fontName, int size, const TColor& colour) {
  TTextLayout* t = new TTextLayout();
  t->mText = text;
  t->mBoxWidth = width;
  t->mBoxHeight = height;
  t->mFlags = flags;
  t->mFontName = fontName && *fontName ? str(fontName) : str("__DEFAULT");
  t->mFontSize = size;
  t->mColour = colour;
  t->mTextSprite = GetConfig("textspriterender").ToFloat() > 0.0f ? 1 : 0;
  t->Layout();
  return t;
}

void TTextLayout::Delete(TTextLayout* layout) { delete layout; }

void TTextLayout::SetText(const str& text) {
  if (text == mText) return;
  mText = text;
  Layout();
}

void TTextLayout::SetFont(const char* name) {
  str n = name && *name ? str(name) : str("__DEFAULT");
  if (n == mFontName) return;
  mFontName = n;
  Layout();
}

void TTextLayout::SetColor(const TColor& colour) {
  if (!(colour != mColour)) return;
  mColour = colour;
  Layout();
}

void TTextLayout::SetRotation(float degrees, int originX, int originY) {
  float rad = degrees * 3.14159265358979f / 180.0f;
  mCos = std::cos(rad);
  mSin = std::sin(rad);
  if (std::fabs(mCos - 1.0f) < 0.0001f && std::fabs(mSin) < 0.0001f) {
    mCos = 1.0f;
    mSin = 0.0f;
  }
  mRotationX = originX;
  mRotationY = originY;
  Layout();
}

std::shared_ptr<TTextLine> TTextLayout::TakeLine() {
  while (!mSpareLines.empty()) {
    std::shared_ptr<TTextLine> line = std::move(mSpareLines.back());
    mSpareLines.pop_back();
    // A line still held elsewhere stays as it is, with its holder.
    if (line.use_count() != 1) continue;
    std::vector<TTextRun> runs = std::move(line->runs);
    runs.clear();
    *line = TTextLine();
    line->runs = std::move(runs);
    return line;
  }
  return std::make_shared<TTextLine>();
}

void TTextLayout::Layout() {
  ++mPasses;
  mDrawnValid = false;
  // The lines of the last pass are kept for this one: laying out again takes no memory.
  for (std::shared_ptr<TTextLine>& l : mLines) mSpareLines.push_back(std::move(l));
  mLines.clear();
  mLeft = mTop = mTotalHeight = 0;
  mVerticalOffset = 0.0f;
  mMarkup.Reset();
  TTextFontSpec& base = mMarkup.BaseFont();
  base.face = mFontName;
  base.size = mFontSize;
  base.colour = mColour;
  TFontCache* cache = TFontCache::Instance();
  TVecFont* fallback = cache ? cache->GetFont(mFallbackFace) : nullptr;
  const char* text = mText.CStr();
  const int len = int(mText.Length());
  bool missingLogged = false;
  int align = -1;
  bool haveLeft = false;

  int pos = 0;
  while (pos < len) {
    std::shared_ptr<TTextLine> line = TakeLine();
    float pen = 0.0f, carry = 0.0f, margin = 0.0f;
    bool ended = false, alignChanged = false, prevItalic = false;
    int pad = 0, firstChar = -1, blank = -1, nextTab = 0;
    float blankPen = 0.0f;
    bool haveSnapshot = false;
    TTextMarkup snapshot;

    auto startRun = [&](int at, TVecFont* requested) {
      TTextRun r;
      const TTextFontSpec& spec = mMarkup.Font();
      r.font = requested ? fallback : (cache ? cache->GetFont(spec.face) : nullptr);
      r.requestedFont = requested;
      r.size = spec.size;
      r.scale = RunScale(r.font, r.size);
      r.baseline = r.font ? int((r.font->GetMargin(true) + r.font->GetAscent()) * r.scale) : 0;
      r.colour = spec.colour;
      r.bold = mMarkup.bold;
      r.italic = mMarkup.italic;
      r.underline = mMarkup.underline;
      r.first = at;
      r.linkId = mMarkup.linkId;
      r.linkColour = mMarkup.linkColour;
      r.outlineSize = mMarkup.outlineSize;
      r.outlineColour = mMarkup.outlineColour;
      r.tabPosition = nextTab;
      nextTab = 0;
      r.startX = PenPixels(pen);
      if (bool(r.italic) != prevItalic && r.font)
        pen += r.scale / 3.0f * (r.italic ? r.font->GetDescent() : r.font->GetAscent());
      prevItalic = r.italic;
      line->runs.push_back(r);
    };
    auto closeRun = [&](int last) {
      TTextRun& r = line->runs.back();
      if (r.last != -2) return;
      r.last = last;
      r.endX = PenPixels(pen);
      if (r.last < r.first) r.size = r.baseline = 0;
    };

    startRun(pos, nullptr);
    while (pos < len && !ended) {
      char c = text[pos];
      if (c == '<') {
        // Tags after a blank change the state; a break at that blank must undo them.
        if (blank >= 0 && !haveSnapshot) {
          snapshot = mMarkup;
          haveSnapshot = true;
        }
        int consumed = 0, tagPad = 0, tab = 0;
        bool lineBreak = false, cursor = false, alignTag = false;
        if (mMarkup.ParseTag(text + pos, &consumed, &lineBreak, &tagPad, &cursor, &alignTag,
                             &tab)) {
          closeRun(pos - 1);
          if (cursor) line->runs.back().cursor = 1;
          if (tab) {
            pen = float(tab) * 4.0f;
            carry = 0.0f;
            nextTab = tab * 4;
          }
          pos += consumed;
          if (alignTag) alignChanged = true;
          if (lineBreak) {
            pad += tagPad;
            ended = true;
            break;
          }
          startRun(pos, nullptr);
          continue;
        }
      }
      int charStart = pos;
      if (c == '\\' && pos + 1 < len) ++pos;
      uint32_t code = 0;
      int n = DecodeTextChar(text, pos, len, code);
      if (code == '\n' && c != '\\') {
        closeRun(charStart - 1);
        pos += n;
        ended = true;
        break;
      }
      TTextRun* run = &line->runs.back();
      if (!run->font) {
        if (!missingLogged)
          EngineLog("ERROR: FONT missing in text when attempting to render string %s.", text);
        missingLogged = true;
        pos += n;
        continue;
      }
      if (run->requestedFont && run->requestedFont->FindGlyph(code) >= 0) {
        closeRun(charStart - 1);
        startRun(charStart, nullptr);
        run = &line->runs.back();
      }
      int g = run->font->FindGlyph(code);
      if (g < 0) {
        if (run->requestedFont || !fallback || run->font == fallback ||
            fallback->FindGlyph(code) < 0) {
          pos += n;
          continue;
        }
        TVecFont* requested = run->font;
        closeRun(charStart - 1);
        startRun(charStart, requested);
        run = &line->runs.back();
        g = fallback->FindGlyph(code);
      }
      if (c == ' ' && firstChar >= 0) {
        blank = charStart;
        blankPen = pen;
        haveSnapshot = false;
      }
      float penBefore = pen, carryBefore = carry;
      pen += carry;
      carry = 0.0f;
      if (firstChar < 0) {
        firstChar = charStart;
        margin = 4.0f - run->font->GetLeft(g) * run->scale;
        pen += margin;
      }
      float advance = run->font->GetAdvance(g), right = run->font->GetRight(g);
      if (right > advance) {
        pen += right * run->scale;
        carry = (advance - right) * run->scale;
      } else {
        pen += advance * run->scale;
      }
      pos += n;

      float outline = line->runs.front().outlineSize + 1.0f + run->outlineSize;
      if (std::lround(pen + outline * 4.0f) <= long(mBoxWidth) * 4) continue;
      if (blank >= 0) {
        pen = blankPen;
        carry = 0.0f;
        while (line->runs.size() > 1 && line->runs.back().first > blank) line->runs.pop_back();
        TTextRun& cut = line->runs.back();
        // A caret tag past the blank goes to the next line with the text after it.
        if (cut.last >= blank) cut.cursor = 0;
        cut.last = -2;
        closeRun(blank - 1);
        if (haveSnapshot) mMarkup = snapshot;
        pos = blank + 1;
        ended = true;
      } else if (charStart != firstChar) {
        if (!IsOldLineWrap()) {
          pen = penBefore;
          carry = carryBefore;
          pos = charStart;
        }
        closeRun(pos - 1);
        ended = true;
      }
    }
    closeRun(pos - 1);

    for (const TTextRun& r : line->runs) {
      line->height = std::max(line->height, r.size);
      line->baseline = std::max(line->baseline, r.baseline);
    }
    line->height += pad;
    int w = PenPixels(pen);
    int a = align >= 0 ? align : (mFlags & kCentre) ? 1 : (mFlags & kRight) ? 2 : 0;
    if (a == 1) {
      line->x = mBoxWidth / 2;
      line->xOffset = -float(w) / 2.0f;
    } else if (a == 2) {
      line->x = mBoxWidth - int(std::lround(line->runs.back().outlineSize)) - 1;
      line->xOffset = -float(w);
    } else {
      line->x = int(std::lround(line->runs.front().outlineSize));
      line->xOffset = 0.0f;
    }
    line->xOffset += margin / 4.0f + 0.5f;
    if (alignChanged) align = mMarkup.Alignment();
    if (!haveLeft || line->x < mLeft) mLeft = line->x;
    haveLeft = true;
    mTotalHeight += line->height;
    mLines.push_back(std::move(line));
  }

  if (mFlags & kMiddle) {
    mTop = mBoxHeight / 2;
    mVerticalOffset = -float(mTotalHeight) / 2.0f;
  } else if (mFlags & kBottom) {
    mTop = mBoxHeight;
    mVerticalOffset = -float(mTotalHeight);
  }
}

int TTextLayout::GetLastPageStart(float scale, int spacing) const {
  float sum = 0.0f;
  for (int i = int(mLines.size()) - 1; i >= 0; --i) {
    sum += float(mLines[size_t(i)]->height + spacing) * scale;
    if (sum > float(mBoxHeight)) return i + 1;
  }
  return 0;
}

TRect TTextLayout::GetBounds(float scale) const {
  TRect r(0, 0, 0, 0);
  bool any = false;
  for (size_t i = size_t(std::max(0.0f, mFirstVisible)); i < mLines.size(); ++i) {
    const TTextLine& l = *mLines[i];
    if (l.runs.empty()) continue;
    int left = int(float(l.runs.front().startX) * scale + float(l.x) + l.xOffset * scale);
    int right = int(float(l.runs.back().endX) * scale + float(l.x) + l.xOffset * scale);
    r.left = any ? std::min(r.left, left) : left;
    r.right = std::max(r.right, right);
    any = true;
  }
  r.top = mTop + int(mVerticalOffset * scale);
  r.bottom = int(float(mTotalHeight) * scale + float(r.top));
  return r;
}

str TTextLayout::HitTestLink(const TPoint& p, int lineSpacing) const {
  float top = float(mTop) + mVerticalOffset;
  for (size_t i = size_t(std::max(0.0f, mFirstVisible)); i < mLines.size(); ++i) {
    const TTextLine& l = *mLines[i];
    if (float(p.y) >= top - float(lineSpacing) && float(p.y) < top + float(l.height))
      for (const TTextRun& r : l.runs) {
        float x0 = float(l.x) + l.xOffset + float(r.startX),
              x1 = float(l.x) + l.xOffset + float(r.endX);
        if (float(p.x) >= x0 && float(p.x) < x1) return r.linkId;
      }
    top += float(l.height + lineSpacing);
  }
  return str();
}

bool TTextLayout::UpdateHover(const TPoint* p, int lineSpacing) {
  str id = p ? HitTestLink(*p, lineSpacing) : str();
  if (id == mHovered) return false;
  mHovered = id;
  return true;
}

void DrawTextBlock(TTextLayout* layout, const TRect& r, float scale, int lineSpacing, float alpha,
                   int flags, boost::shared_ptr<TTexture> target) {
  if (!layout) return;
  boost::shared_ptr<TTexture> held = target;
  layout->Render(TVec2(float(r.left), float(r.top)), r.bottom - r.top, scale, lineSpacing, alpha,
                 flags, held);
}
