// Fonts and the vector-font renderer: loading with fallbacks, metrics of odd and damaged files,
// the glyph span cache, made-up glyphs, italic, text into a texture, and the debug overlay.
#include "TextFixture.h"

#include <cmath>
#include <cstring>

namespace {

struct Glyph {
  uint32_t code;
  int16_t left, right, top, bottom, advance;  // design units
  std::vector<uint8_t> commands;
};

void Put16(std::vector<uint8_t>& b, int v) {
  b.push_back(uint8_t(v & 0xFF));
  b.push_back(uint8_t((v >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A filled rectangle in design units, as glyph commands.
std::vector<uint8_t> Box(int x0, int y0, int x1, int y1) {
  std::vector<uint8_t> c = {2, 1};
  auto point = [&](uint8_t op, int x, int y) {
    c.push_back(op);
    Put16(c, x * 128);
    Put16(c, y * 128);
  };
  point(4, x0, y0);
  point(5, x1, y0);
  point(5, x1, y1);
  point(5, x0, y1);
  point(5, x0, y0);
  c.push_back(8);
  return c;
}

std::vector<uint8_t> BuildFont(const std::vector<Glyph>& glyphs) {
  std::vector<uint8_t> f = {'M', 'V', 'C', '4'};
  Put16(f, int(glyphs.size()));
  Put16(f, 64);
  Put16(f, 0);
  Put16(f, 0);
  uint32_t offset = uint32_t(12 + 18 * glyphs.size());
  for (const Glyph& g : glyphs) {
    Put32(f, g.code);
    for (int v : {g.left, g.right, g.top, g.bottom, g.advance}) Put16(f, v * 128);
    Put32(f, offset);
    offset += uint32_t(g.commands.size());
  }
  for (const Glyph& g : glyphs) f.insert(f.end(), g.commands.begin(), g.commands.end());
  return f;
}

// Rows and columns of the frame whose pixels differ from the background.
struct Ink {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
};

Ink InkOf(const platform::display::Image& img, uint32_t background) {
  Ink ink;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      if (img.At(x, y) != background) {
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y);
      }
  return ink;
}

int LeftmostInRow(const platform::display::Image& img, int y, uint32_t background) {
  for (int x = 0; x < img.width; ++x)
    if (img.At(x, y) != background) return x;
  return -1;
}

const TColor kWhite1(1, 1, 1, 1);
const TColor kInk(0, 0, 0, 1);

}  // namespace

TEST_F(TextTest, TheBuiltInFontWorksWithoutFilesAndLookupsBetweenCodesFail) {
  RunScreen([&](TPlatform*) {
    TFontCache* cache = TFontCache::Instance();
    ASSERT_NE(cache, nullptr);
    TVecFont* f = cache->GetFont("__DEFAULT");
    ASSERT_NE(f, nullptr);
    EXPECT_GT(f->GetGlyphCount(), 400);
    EXPECT_EQ(f->FindGlyph(32), 0);
    EXPECT_GE(f->FindGlyph(8364), 0);  // the euro sign
    EXPECT_EQ(f->FindGlyph(0x4E00), -1);
    EXPECT_GT(f->GetAscent(), 0.0f);
    EXPECT_EQ(cache->GetFont("__DEFAULT"), f);

    // Codes 10 and 30 stored: 20 is between them.
    TVecFont sparse(BuildFont(
        {{10, 0, 4, -8, 0, 5, Box(0, -8, 4, 0)}, {30, 0, 4, -8, 0, 5, Box(0, -8, 4, 0)}}));
    EXPECT_EQ(sparse.FindGlyph(10), 0);
    EXPECT_EQ(sparse.FindGlyph(20), -1);
    EXPECT_EQ(sparse.FindGlyph(30), 1);
    EXPECT_EQ(sparse.GetGlyphData(2), nullptr);
    EXPECT_EQ(sparse.GetAdvance(-1), 0.0f);
  });
}

TEST_F(TextTest, AMissingFontFallsBackOnceAndKeepsTheFallback) {
  RunScreen([&](TPlatform*) {
    TFontCache* cache = TFontCache::Instance();
    TVecFont* first = cache->GetFont("fonts/nothing-here.mvec");
    ASSERT_NE(first, nullptr);
    EXPECT_GT(first->GetGlyphCount(), 0);
    EXPECT_EQ(cache->GetFont("fonts/nothing-here.mvec"), first);
    EXPECT_FALSE(Logged("Font not found"));
    // The name is told once: a misspelt font must not go unnoticed, nor flood the log.
    EXPECT_EQ(CountLogged("Font file fonts/nothing-here.mvec not found"), 1u) << Log();
    cache->GetFont("fonts/sans.mvec");
    EXPECT_FALSE(Logged("Font file fonts/sans.mvec not found"));
  });
}

TEST_F(TextTest, TheDescentLeavesTheUnderscoreOut) {
  RunScreen([&](TPlatform*) {
    TVecFont f(BuildFont({{'W', 0, 10, -20, 0, 11, Box(0, -20, 10, 0)},
                          {'_', 0, 10, 12, 14, 11, Box(0, 12, 10, 14)},
                          {'g', 0, 8, -10, 5, 9, Box(0, -10, 8, 5)}}));
    EXPECT_EQ(f.GetAscent(), 20.0f);
    EXPECT_EQ(f.GetDescent(), 5.0f);
    // The underscore reaches below the line box and is squeezed into it.
    EXPECT_LT(f.GetGlyphScale(1), 1.0f);
    EXPECT_EQ(f.GetGlyphScale(0), 1.0f);
  });
}

// A score font of digits has no "W": its ascent comes from the ink of its glyphs, so its text
// has a finite, non-zero size.
TEST_F(TextTest, AFontWithoutAWMeasuresFromItsGlyphs) {
  RunScreen([&](TPlatform*) {
    TVecFont* digits = TFontCache::Instance()->GetFont("fonts/digits.mvec");
    ASSERT_EQ(digits->FindGlyph('W'), -1);
    EXPECT_GT(digits->GetAscent(), 10.0f);
    for (int i = 0; i < digits->GetGlyphCount(); ++i) {
      EXPECT_TRUE(std::isfinite(digits->GetGlyphScale(i)));
      EXPECT_GT(digits->GetGlyphScale(i), 0.0f);
    }
    TTextLayout* t = TTextLayout::Create("12:05", 200, 50, 0, "fonts/digits.mvec", 20, kInk);
    ASSERT_EQ(t->GetLineCount(), 1);
    const TTextRun& run = t->GetLines()[0]->runs[0];
    EXPECT_EQ(run.font, digits);
    EXPECT_TRUE(std::isfinite(run.scale));
    EXPECT_GT(run.scale, 0.0f);
    EXPECT_EQ(t->GetLines()[0]->height, 20);
    TRect b = t->GetBounds(1.0f);
    EXPECT_GT(b.right - b.left, 20);
    TTextLayout::Delete(t);
  });
}

// Every shipped font drawn a quarter larger than its size: scanlines crossing a glyph's box
// with no edge active (between the strokes of "\"" or "%") are filled with nothing.
TEST_F(TextTest, EverySampleFontDrawsAQuarterAboveItsSize) {
  for (const char* f : {"comic", "euro_ex_bold"})
    std::filesystem::copy_file(
        std::string(ENGINE_SOURCE_DIR) + "/sample/assets/fonts/" + f + ".mvec",
        mWork + "/assets/fonts/" + f + ".mvec");
  RunScreen(
      [&](TPlatform*) {
        std::string text;
        for (char c = '!'; c <= '~'; ++c) text += c;
        for (const char* f : {"sans", "sansbold", "serif", "digits", "comic", "euro_ex_bold"}) {
          const std::string name = std::string("fonts/") + f + ".mvec";
          TTextLayout* t = TTextLayout::Create(text.c_str(), 300, 200, 0, name.c_str(), 14, kInk);
          TRenderer* r = TRenderer::Instance();
          ASSERT_TRUE(r->BeginDraw());
          {
            TScoped2d in2d;
            r->FillRect(TRect(0, 0, 320, 240), TColor(1, 1, 1, 1));
            DrawTextBlock(t, TRect(0, 0, 300, 200), 1.25f, 0, 1.0f, 0,
                          boost::shared_ptr<TTexture>());
          }
          r->EndDraw();
          const platform::display::Image img = Frame();
          size_t ink = 0;
          for (uint32_t p : img.pixels) ink += (p & 0xFFFFFF) != 0xFFFFFF;
          EXPECT_GT(ink, 100u) << f;
          TTextLayout::Delete(t);
        }
      },
      320, 240);
}

// A file that is no font at all has no glyphs: its text is drawn per character in the default
// font, nothing divides by its zero extent, and the log says why.
TEST_F(TextTest, AFileThatIsNotAFontFallsBackPerCharacterWithALogLine) {
  WriteAsset("fonts/notes.mvec", "these are not the glyphs you are looking for");
  RunScreen([&](TPlatform*) {
    TVecFont* bad = TFontCache::Instance()->GetFont("fonts/notes.mvec");
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->GetGlyphCount(), 0);
    EXPECT_EQ(bad->GetAscent(), 0.0f);
    TTextLayout* t = TTextLayout::Create("abc", 200, 50, 0, "fonts/notes.mvec", 16, kInk);
    ASSERT_EQ(t->GetLineCount(), 1);
    const TTextLine& line = *t->GetLines()[0];
    EXPECT_EQ(line.height, 16);
    bool drawnByDefault = false;
    for (const TTextRun& r : line.runs) {
      EXPECT_TRUE(std::isfinite(r.scale));
      if (r.last >= r.first) {
        EXPECT_EQ(r.requestedFont, bad);
        EXPECT_EQ(r.font, TFontCache::Instance()->GetFont("__DEFAULT"));
        drawnByDefault = true;
      }
    }
    EXPECT_TRUE(drawnByDefault);
    platform::display::Image img = DrawFrame({{t, TRect(0, 0, 160, 60)}}, kWhite1);
    EXPECT_GE(InkOf(img, 0xFFFFFFFFu).right, 10);
    TTextLayout::Delete(t);
  });
  EXPECT_TRUE(Logged("ERROR: font fonts/notes.mvec has no glyphs"));
}

// Counts, offsets and command streams that reach past the end of the file are refused or
// cut short; drawing such fonts reads nothing outside them (the sanitizer build checks).
TEST_F(TextTest, DamagedFontFilesAreCheckedAgainstTheirSize) {
  std::vector<uint8_t> good = BuildFont({{'A', 0, 10, -20, 0, 11, Box(0, -20, 10, 0)},
                                         {'B', 0, 10, -20, 0, 11, Box(0, -20, 10, 0)},
                                         {'W', 0, 10, -20, 0, 11, Box(0, -20, 10, 0)}});
  std::vector<uint8_t> count = good;
  count[4] = 0xFF, count[5] = 0xFF;
  std::vector<uint8_t> offset = good;
  offset[12 + 18 + 14] = 0xF0, offset[12 + 18 + 17] = 0x7F;  // 'B' points far past the end
  std::vector<uint8_t> cut(good.begin(), good.end() - 7);    // 'W' stops inside a command
  std::vector<uint8_t> order = good;
  order[12] = 'Z';  // codes no longer ascend
  std::vector<uint8_t> stub(good.begin(), good.begin() + 9);
  WriteBytes("fonts/count.mvec", count);
  WriteBytes("fonts/offset.mvec", offset);
  WriteBytes("fonts/cut.mvec", cut);
  WriteBytes("fonts/order.mvec", order);
  WriteBytes("fonts/stub.mvec", stub);
  RunScreen([&](TPlatform*) {
    TFontCache* cache = TFontCache::Instance();
    EXPECT_EQ(cache->GetFont("fonts/count.mvec")->GetGlyphCount(), 0);
    EXPECT_EQ(cache->GetFont("fonts/order.mvec")->GetGlyphCount(), 0);
    EXPECT_EQ(cache->GetFont("fonts/stub.mvec")->GetGlyphCount(), 0);
    TVecFont* off = cache->GetFont("fonts/offset.mvec");
    ASSERT_EQ(off->GetGlyphCount(), 3);
    ASSERT_NE(off->GetGlyphData(1), nullptr);
    EXPECT_EQ(off->GetGlyphData(1)[0], 8);  // stands in as an empty glyph
    TVecFont* shortFont = cache->GetFont("fonts/cut.mvec");
    ASSERT_EQ(shortFont->GetGlyphCount(), 3);
    EXPECT_LT(shortFont->GetGlyphDataSize(2), Box(0, 0, 1, 1).size());

    for (const char* name : {"fonts/count.mvec", "fonts/offset.mvec", "fonts/cut.mvec",
                             "fonts/order.mvec", "fonts/stub.mvec"}) {
      TTextLayout* t = TTextLayout::Create("ABW", 150, 40, 0, name, 20, kInk);
      DrawFrame({{t, TRect(0, 0, 160, 60)}}, kWhite1);
      TTextLayout::Delete(t);
    }
    // 'A' of the offset font still draws; 'B' draws nothing.
    TTextLayout* a = TTextLayout::Create("A", 150, 40, 0, "fonts/offset.mvec", 20, kInk);
    EXPECT_GE(InkOf(DrawFrame({{a, TRect(0, 0, 160, 60)}}, kWhite1), 0xFFFFFFFFu).right, 0);
    TTextLayout::Delete(a);
    TTextLayout* b = TTextLayout::Create("B", 150, 40, 0, "fonts/offset.mvec", 20, kInk);
    EXPECT_EQ(InkOf(DrawFrame({{b, TRect(0, 0, 160, 60)}}, kWhite1), 0xFFFFFFFFu).right, -1);
    TTextLayout::Delete(b);
  });
  EXPECT_TRUE(Logged("ERROR: vector font holds 65535 glyphs"));
  EXPECT_TRUE(Logged("ERROR: vector font codes are not in ascending order"));
}

TEST_F(TextTest, AGlyphIsRasterisedOncePerPhaseAndReplayedAfterwards) {
  RunScreen([&](TPlatform*) {
    THwMiniVecDraw* mv = THwMiniVecDraw::Instance();
    ASSERT_NE(mv, nullptr);
    TTextLayout* t = TTextLayout::Create("aaaa", 150, 40, 0, "fonts/sans.mvec", 20, kInk);
    auto draw = [&](float x) {
      TRenderer* r = TRenderer::Instance();
      r->BeginDraw();
      {
        TScoped2d in2d;
        t->Render(TVec2(x, 4.0f), 40, 1.0f, 0, 1.0f, 0, boost::shared_ptr<TTexture>());
      }
      r->EndDraw();
      return Frame();
    };
    size_t before = mv->GetRasterisedCount();
    platform::display::Image first = draw(4.0f);
    size_t afterFirst = mv->GetRasterisedCount();
    EXPECT_GE(afterFirst, before + 1);
    EXPECT_LE(afterFirst, before + 4);  // one per quarter-pixel phase at most
    platform::display::Image second = draw(4.0f);
    EXPECT_EQ(mv->GetRasterisedCount(), afterFirst);
    EXPECT_EQ(first.pixels, second.pixels);
    draw(4.25f);  // the pen moves by a quarter pixel: new phases
    EXPECT_GT(mv->GetRasterisedCount(), afterFirst);
    TTextLayout::Delete(t);
  });
}

// Made-up glyphs such as the caret are found again by their bytes, wherever they are kept.
TEST_F(TextTest, MadeUpGlyphsAreCachedByTheirContent) {
  RunScreen([&](TPlatform*) {
    THwMiniVecDraw* mv = THwMiniVecDraw::Instance();
    std::vector<uint8_t> one = Box(0, -10, 3, 2), two = one, other = Box(0, -10, 4, 2);
    two.push_back(5);  // bytes after the end command do not belong to the glyph
    TRenderer::Instance()->BeginDraw();
    {
      TScoped2d in2d;
      mv->SetScale(1.0f, 1.0f);
      mv->BeginRun(10.0f, 20.0f, boost::shared_ptr<TTexture>());
      size_t before = mv->GetRasterisedCount();
      mv->DrawGlyph(one.data(), one.size(), 0, 0, true);
      mv->DrawGlyph(two.data(), two.size(), 0, 0, true);
      EXPECT_EQ(mv->GetRasterisedCount(), before + 1);
      mv->DrawGlyph(other.data(), other.size(), 0, 0, true);
      EXPECT_EQ(mv->GetRasterisedCount(), before + 2);
      mv->Flush();
    }
    TRenderer::Instance()->EndDraw();
  });
}

// Text drawn at a new scale every frame makes new cache entries every frame; the store is
// emptied when full instead of growing, and drawing is unchanged by it.
TEST_F(TextTest, TheSpanCacheIsBoundedUnderAnimatedScales) {
  RunScreen([&](TPlatform*) {
    THwMiniVecDraw* mv = THwMiniVecDraw::Instance();
    mv->SetSpanLimit(3000);
    TTextLayout* t = TTextLayout::Create("Scaling text", 150, 100, 0, "fonts/sans.mvec", 16, kInk);
    auto draw = [&](float scale) {
      TRenderer* r = TRenderer::Instance();
      r->BeginDraw();
      {
        TScoped2d in2d;
        TRect vp;
        r->GetViewport(vp);
        r->FillRect(TRect(0, 0, vp.Width(), vp.Height()), kWhite1);
        t->Render(TVec2(4.0f, 4.0f), 100, scale, 0, 1.0f, 0, boost::shared_ptr<TTexture>());
      }
      r->EndDraw();
      return Frame();
    };
    platform::display::Image before = draw(1.0f);
    size_t most = 0;
    for (int frame = 0; frame < 60; ++frame) {
      draw(1.0f + float(frame) * 0.037f);
      most = std::max(most, mv->GetCachedSpanCount());
    }
    EXPECT_LT(most, 3000u + 2000u);  // the limit plus one text's worth at most
    EXPECT_EQ(draw(1.0f).pixels, before.pixels);
    TTextLayout::Delete(t);
  });
}

TEST_F(TextTest, AnItalicGlyphLeansRightByAThirdOfItsHeight) {
  std::vector<uint8_t> bar = BuildFont(
      {{'I', 0, 4, -48, 0, 6, Box(0, -48, 4, 0)}, {'W', 0, 4, -48, 0, 6, Box(0, -48, 4, 0)}});
  WriteBytes("fonts/bar.mvec", bar);
  RunScreen(
      [&](TPlatform*) {
        auto leftEdges = [&](const char* text) {
          TTextLayout* t = TTextLayout::Create(text, 150, 100, 0, "fonts/bar.mvec", 100, kInk);
          platform::display::Image img = DrawFrame({{t, TRect(10, 0, 160, 110)}}, kWhite1);
          TTextLayout::Delete(t);
          Ink ink = InkOf(img, 0xFFFFFFFFu);
          return std::make_pair(
              LeftmostInRow(img, ink.top + 1, 0xFFFFFFFFu),
              LeftmostInRow(img, ink.bottom - 1, 0xFFFFFFFFu) + 0 * (ink.bottom - ink.top));
        };
        auto [uprightTop, uprightBottom] = leftEdges("I");
        EXPECT_NEAR(uprightTop, uprightBottom, 1);
        TTextLayout* t = TTextLayout::Create("<i>I", 150, 100, 0, "fonts/bar.mvec", 100, kInk);
        platform::display::Image img = DrawFrame({{t, TRect(10, 0, 160, 110)}}, kWhite1);
        Ink ink = InkOf(img, 0xFFFFFFFFu);
        int height = ink.bottom - ink.top;
        int lean = LeftmostInRow(img, ink.top + 1, 0xFFFFFFFFu) -
                   LeftmostInRow(img, ink.bottom - 1, 0xFFFFFFFFu);
        EXPECT_NEAR(float(lean), float(height - 2) / 3.0f, 2.0f);
        TTextLayout::Delete(t);
      },
      160, 110);
}

// With a target texture the spans are written into its pixels: replacing them (alpha
// included) once the layout's font flags ask for it, else blending over them.
TEST_F(TextTest, TextDrawnIntoATextureReplacesOrBlendsItsPixels) {
  RunScreen([&](TPlatform*) {
    auto drawInto = [&](bool replace) {
      boost::shared_ptr<TTexture> tex = TTexture::Create(64, 32, true);
      uint32_t* px = nullptr;
      int32_t pitch = 0;
      EXPECT_TRUE(tex->Lock(px, pitch));
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) px[y * pitch + x] = 0x000000FFu;  // clear blue, alpha 0
      tex->Unlock();
      TTextLayout* t =
          TTextLayout::Create("Hi", 64, 32, 0, "fonts/sansbold.mvec", 24, TColor(1, 0, 0, 1));
      if (replace) t->SetFontFlags();
      DrawTextBlock(t, TRect(0, 0, 64, 32), 1.0f, 0, 1.0f, 1, tex);
      TTextLayout::Delete(t);
      uint32_t full = 0, maxAlpha = 0;
      EXPECT_TRUE(tex->Lock(px, pitch));
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
          uint32_t p = px[y * pitch + x];
          if ((p & 0x00FFFFFFu) == 0x00FF0000u) ++full;
          maxAlpha = std::max(maxAlpha, p >> 24);
        }
      tex->Unlock();
      return std::make_pair(full, maxAlpha);
    };
    auto [replacedRed, replacedAlpha] = drawInto(true);
    EXPECT_GT(replacedRed, 20u);
    EXPECT_EQ(replacedAlpha, 255u);
    auto [blendedRed, blendedAlpha] = drawInto(false);
    EXPECT_GT(blendedRed, 20u);
    EXPECT_EQ(blendedAlpha, 0u);
  });
}

TEST_F(TextTest, TheDebugOverlayDrawsItsText) {
  RunScreen(
      [&](TPlatform*) {
        TRenderer* r = TRenderer::Instance();
        auto frame = [&] {
          r->BeginDraw();
          {
            TScoped2d in2d;
            r->FillRect(TRect(0, 0, 320, 100), TColor(1, 1, 1, 1));
          }
          r->EndDraw();
          return Frame();
        };
        EXPECT_EQ(InkOf(frame(), 0xFFFFFFFFu).right, -1);
        EXPECT_FALSE(r->ToggleDebugInfo());
        // The figures depend on the texture counters, so the frame is checked by its ink: red
        // text in two columns over four lines.
        platform::display::Image shown = frame();
        Ink ink = InkOf(shown, 0xFFFFFFFFu);
        int red = 0;
        for (uint32_t p : shown.pixels)
          if (p == 0xFFFF0000u) ++red;
        EXPECT_GT(red, 100);
        EXPECT_GT(ink.right, 150);  // the tabbed second column
        EXPECT_GT(ink.bottom, 40);  // four lines
      },
      320, 100);
}

// After the start-up calibration a span lights exactly its own pixels, and drawing inside a
// window's viewport is relative to it.
TEST_F(TextTest, SpansLightExactlyTheirPixelsAndFollowTheViewport) {
  RunScreen([&](TPlatform*) {
    THwMiniVecDraw* mv = THwMiniVecDraw::Instance();
    std::vector<uint8_t> box = Box(0, 0, 8, 4);  // two pixels by one at scale 1
    TRenderer* r = TRenderer::Instance();
    auto draw = [&](const TRect* viewport) {
      r->BeginDraw();
      {
        TScoped2d in2d;
        r->FillRect(TRect(0, 0, 160, 120), TColor(0, 0, 0, 1));
        if (viewport) r->PushViewport(*viewport);
        mv->SetItalic(false);
        mv->SetStrokes(0.0f, 0.0f);
        mv->SetRotation(1.0f, 0.0f);
        mv->SetScale(1.0f, 1.0f);
        mv->SetStyleColor(1, TColor(1, 1, 1, 1), 1.0f);
        mv->BeginRun(10.0f, 20.0f, boost::shared_ptr<TTexture>());
        mv->DrawGlyph(box.data(), box.size(), 0, 0, true);
        mv->Flush();
        if (viewport) r->PopViewport();
      }
      r->EndDraw();
      return Frame();
    };
    platform::display::Image img = draw(nullptr);
    Ink ink = InkOf(img, 0xFF000000u);
    EXPECT_EQ(ink.left, 10);
    EXPECT_EQ(ink.right, 11);
    EXPECT_EQ(ink.top, 20);
    EXPECT_EQ(ink.bottom, 20);
    EXPECT_EQ(img.At(10, 20), 0xFFFFFFFFu);
    EXPECT_EQ(img.At(11, 20), 0xFFFFFFFFu);

    TRect window(50, 30, 150, 110);
    ink = InkOf(draw(&window), 0xFF000000u);
    EXPECT_EQ(ink.left, 60);
    EXPECT_EQ(ink.top, 50);
  });
}

// The span writer and the cached spans of an unchanged text draw the pixels the level lines
// drew, wherever the text lies: scaled, turned, cut by the display's or a viewport's edges,
// wholly outside, or at a pen that is not a number.
TEST_F(TextTest, TheSpanWriterDrawsWhatTheLinesDrew) {
  RunScreen([&](TPlatform*) {
    THwMiniVecDraw* mv = THwMiniVecDraw::Instance();
    TRenderer* r = TRenderer::Instance();
    const float nan = std::nanf("");
    struct Case {
      float x, y, scale, degrees, alpha;
      bool viewport;
    } cases[] = {
        {6.0f, 4.0f, 1.0f, 0.0f, 1.0f, false},       {3.25f, 7.5f, 1.7f, 0.0f, 0.6f, false},
        {10.0f, 20.0f, 0.6f, 30.0f, 1.0f, false},    {-9.5f, -6.0f, 1.3f, 0.0f, 1.0f, false},
        {150.0f, 110.0f, 1.0f, -75.0f, 0.8f, false}, {40.0f, 30.0f, 1.2f, 12.0f, 1.0f, true},
        {-3.0f, 50.0f, 1.0f, 0.0f, 1.0f, true},      {500.0f, -400.0f, 1.0f, 0.0f, 1.0f, false},
        {nan, 10.0f, 1.0f, 0.0f, 1.0f, false},       {10.0f, 1e30f, 1.0f, 0.0f, 1.0f, false},
    };
    TTextLayout* t = TTextLayout::Create(
        "<b>Bold</b> <i>lean</i> <u>under</u><br><outline color='#ffcc00' size='1.5'>"
        "<font color='#c0208080'>rim</font></outline> plain",
        150, 80, 0, "fonts/sans.mvec", 15, kInk);
    for (const Case& c : cases) {
      t->SetRotation(c.degrees, 20, 10);
      auto draw = [&](bool writer) {
        mv->SetSpanWriter(writer);
        r->BeginDraw();
        {
          TScoped2d in2d;
          r->FillRect(TRect(0, 0, 80, 120), TColor(0.9f, 0.8f, 0.3f, 1));
          r->FillRect(TRect(80, 0, 160, 120), TColor(0.1f, 0.3f, 0.5f, 1));
          if (c.viewport) r->PushViewport(TRect(30, 25, 110, 70));
          t->Render(TVec2(c.x, c.y), 80, c.scale, 0, c.alpha, 0, boost::shared_ptr<TTexture>());
          if (c.viewport) r->PopViewport();
        }
        r->EndDraw();
        return Frame();
      };
      platform::display::Image lines = draw(false), spans = draw(true), again = draw(true);
      EXPECT_EQ(spans.pixels, lines.pixels) << c.x << ", " << c.y << " at " << c.degrees;
      EXPECT_EQ(again.pixels, spans.pixels) << c.x << ", " << c.y << " at " << c.degrees;
    }
    mv->SetSpanWriter(true);
    TTextLayout::Delete(t);
  });
}
