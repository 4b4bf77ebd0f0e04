// Drawing a laid-out text through the vector-font renderer: per run the strokes, colours and
// scales, the glyphs along the pen, the underline bar and the caret.
#include <cmath>

#include "window/text/THwMiniVecDraw.h"
#include "window/text/TTextLayout.h"
#include "window/text/TVecFont.h"

namespace {

// A filled bar from (x0, y0) to (x1, y1), as a made-up glyph in the font command format.
struct Bar {
  uint8_t bytes[1 + 2 + 5 * 5];
  Bar(int x0, int y0, int x1, int y1) {
    uint8_t* p = bytes;
    *p++ = 2;
    *p++ = 1;
    auto point = [&](uint8_t op, int x, int y) {
      *p++ = op;
      for (int v : {x, y}) {
        uint16_t w = uint16_t(int16_t(v * 128));
        *p++ = uint8_t(w & 0xFF);
        *p++ = uint8_t(w >> 8);
      }
    };
    point(4, x0, y0);
    point(5, x1, y0);
    point(5, x1, y1);
    point(5, x0, y1);
    point(5, x0, y0);
    *p = 8;
  }
};

}  // namespace

void TTextLayout::Render(TVec2 position, int heightLimit, float scale, int lineSpacing, float alpha,
                         int /*flags*/, boost::shared_ptr<TTexture> target) {
  // The renderer's 2-D vertices are already relative to the current viewport, so positions on
  // the screen and in a target texture are used alike.
  if (scale < 0.0f) return;
  THwMiniVecDraw* mv = THwMiniVecDraw::Instance();
  if (!mv) return;
  // Drawn on the screen as last time: the same spans again. A text drawn otherwise is not
  // kept (into a texture its pixels are written as they are, through lines outside 2-D).
  const bool keep = !target && mv->CanReplay();
  DrawnKey key;
  if (keep) {
    key.drawer = mv;
    key.x = position.x;
    key.y = position.y;
    key.scale = scale;
    key.alpha = alpha;
    key.firstVisible = mFirstVisible;
    key.cosine = mCos;
    key.sine = mSin;
    key.heightLimit = heightLimit;
    key.lineSpacing = lineSpacing;
    key.rotationX = mRotationX;
    key.rotationY = mRotationY;
    key.hovered = mHovered;
    if (mDrawnValid && key == mDrawnKey) {
      mv->Replay(mDrawn);
      return;
    }
    mDrawnValid = false;
    mv->KeepScratch().recorded.clear();
    mv->Record(&mv->KeepScratch().recorded);
  }
  mv->SetDisplayFlags(mReplace, mAccumulate);
  mv->SetRotation(mCos, mSin);
  const char* text = mText.CStr();
  const int len = int(mText.Length());

  float y = mTextSprite && scale > 0.0f ? (float(mTop) / scale + mVerticalOffset) * scale
                                        : float(mTop) + mVerticalOffset * scale;
  size_t first = size_t(std::max(0.0f, mFirstVisible));
  y -= (mFirstVisible - float(first)) * float(mFontSize) * scale;
  TVec2 pivot(position.x + float(mRotationX), position.y + float(mRotationY));
  bool rotated = mSin != 0.0f || mCos != 1.0f;

  for (size_t li = first; li < mLines.size(); ++li) {
    const TTextLine& line = *mLines[li];
    float bottom = y + float(line.height) * scale;
    if (bottom > float(heightLimit) || bottom < 0.0f) break;
    bool prevItalic = false;
    for (const TTextRun& run : line.runs) {
      if (!run.font) continue;
      const TVecFont* font = run.font;
      float xs = scale * run.scale;
      TVec2 origin(position.x + float(line.x) + (float(run.startX) + line.xOffset) * scale,
                   position.y + y + float(line.baseline) / 4.0f * scale);
      // Offsets in quarter pixels from the run's origin, turned about the rotation origin.
      auto place = [&](float qx, float qy, int& ox, int& oy) {
        if (rotated) {
          float ax = origin.x + qx / 4.0f - pivot.x, ay = origin.y + qy / 4.0f - pivot.y;
          qx = (pivot.x + ax * mCos - ay * mSin - origin.x) * 4.0f;
          qy = (pivot.y + ax * mSin + ay * mCos - origin.y) * 4.0f;
        }
        ox = int(std::lround(qx));
        oy = int(std::lround(qy));
      };
      const TColor& fill =
          !run.linkId.IsEmpty() && run.linkId == mHovered ? run.linkColour : run.colour;
      mv->BeginRun(origin.x, origin.y, target);
      mv->SetStyleColor(1, fill, alpha);
      float outline = run.outlineSize;
      float bold =
          run.bold || font->IsBold() ? float(run.size) * scale * 0.0125f * font->GetWeight() : 0.0f;
      mv->SetStyleColor(255, outline > 0.0f ? run.outlineColour : fill, alpha);
      mv->SetStyleColor(254, fill, alpha);

      float pen = 0.0f;
      if (bool(run.italic) != prevItalic)
        pen += run.scale / 3.0f * (run.italic ? font->GetDescent() : font->GetAscent()) * scale;
      prevItalic = run.italic;

      float advances = 0.0f;
      for (int i = run.first; i <= run.last && i < len;) {
        if (text[i] == '\\' && i + 1 < len) ++i;
        uint32_t code = 0;
        i += DecodeTextChar(text, i, len, code);
        advances += font->GetAdvance(font->FindGlyph(code));
      }
      int ox, oy;
      if (run.underline && advances > 0.0f) {
        static const Bar underline(0, 8, 1, 11);
        mv->SetItalic(false);
        mv->SetStrokes(0.0f, 0.0f);
        mv->SetScale(xs * advances, 1.0f);
        place(pen, 0.0f, ox, oy);
        mv->DrawGlyph(underline.bytes, sizeof underline.bytes, ox, oy, true);
      }
      mv->SetItalic(run.italic);
      mv->SetStrokes(outline, bold);
      for (int i = run.first; i <= run.last && i < len;) {
        if (text[i] == '\\' && i + 1 < len) ++i;
        uint32_t code = 0;
        i += DecodeTextChar(text, i, len, code);
        int g = font->FindGlyph(code);
        if (g < 0) continue;
        mv->SetScale(xs, xs * font->GetGlyphScale(g));
        place(pen, 0.0f, ox, oy);
        mv->DrawGlyph(font->GetGlyphData(g), font->GetGlyphDataSize(g), ox, oy);
        pen += font->GetAdvance(g) * xs;
      }
      if (run.cursor) {
        Bar caret(0, -int(std::lround(font->GetAscent())), 3, int(std::lround(font->GetDescent())));
        mv->SetItalic(false);
        mv->SetStrokes(0.0f, 0.0f);
        mv->SetScale(1.0f, xs);
        place(pen, 0.0f, ox, oy);
        mv->DrawGlyph(caret.bytes, sizeof caret.bytes, ox, oy, true);
      }
    }
    y += float(line.height) * scale + float(lineSpacing);
  }
  if (target) {
    mv->EndText();
  } else {
    mv->Flush();
  }
  if (keep) {
    mv->Record(nullptr);
    mDrawn.Keep(mv->KeepScratch().recorded, mv->KeepScratch());
    mDrawnKey = std::move(key);
    mDrawnValid = true;
  }
}
