// Text sprites: description keys and defaults, localised text, border and background, the
// text's opacity over see-through and solid boxes, empty boxes, and drawing again on idle.
#include "TextSpriteFixture.h"

#include "platform/display/headless/Display.h"

namespace {

void ExpectColour(const TColor& got, const TColor& want, const std::string& what) {
  EXPECT_FLOAT_EQ(got.r, want.r) << what;
  EXPECT_FLOAT_EQ(got.g, want.g) << what;
  EXPECT_FLOAT_EQ(got.b, want.b) << what;
  EXPECT_FLOAT_EQ(got.a, want.a) << what;
}

}  // namespace

TEST_F(TextSpriteTest, DescriptionKeysTakeTheirDefaultsAndAreTruncated) {
  RunScreen([&](TPlatform*) {
    const struct {
      const char* table;
      const char* fontFile;
      int fontSize, align, width, height, border;
      float inset, x, y;
      TColor colour, background, borderColour;
    } cases[] = {
        {"{text = 'Hi', localize = false, box = {10, 20, 40.9, 16.7}}", "fonts/arial.mvec", 20, 5,
         40, 16, 0, 0, 10, 20, TColor(1, 1, 1, 1), TColor(0, 0, 0, 0), TColor(0, 0, 0, 0)},
        {"{text = 'Hi', localize = false, font = 'sans', fontSize = 12.8, align = 4, inset = 3,"
         " color = {0.5}, background = {0, 0, 1}, border = {size = 2.9, color = {1, 0, 0}},"
         " box = {7, 8, 30, 20}, position = {5}}",
         "fonts/sans.mvec", 12, 4, 30, 20, 2, 3, 5, 8, TColor(0.5f, 1, 1, 1), TColor(0, 0, 1, 0),
         TColor(1, 0, 0, 0)},
        // A border's colour is read only with a size; wrong types read as 0.
        {"{text = 'Hi', localize = false, border = {color = {1, 1, 1, 1}}, fontSize = 'big',"
         " box = {0, 0, 8, 8}, position = {1, 2}}",
         "fonts/arial.mvec", 0, 5, 8, 8, 0, 0, 1, 2, TColor(1, 1, 1, 1), TColor(0, 0, 0, 0),
         TColor(0, 0, 0, 0)},
    };
    for (const auto& c : cases) {
      boost::shared_ptr<QMTextSprite> s = Create(c.table);
      ASSERT_TRUE(s) << c.table;
      EXPECT_EQ(s->GetFontFile(), str(c.fontFile)) << c.table;
      EXPECT_EQ(s->GetFontSize(), c.fontSize) << c.table;
      EXPECT_EQ(s->GetAlignment(), c.align) << c.table;
      EXPECT_EQ(s->GetBoxWidth(), c.width) << c.table;
      EXPECT_EQ(s->GetBoxHeight(), c.height) << c.table;
      EXPECT_EQ(s->GetBorderSize(), c.border) << c.table;
      EXPECT_FLOAT_EQ(s->GetInset(), c.inset) << c.table;
      ExpectColour(s->GetTextColor(), c.colour, c.table);
      ExpectColour(s->GetBackgroundColor(), c.background, c.table);
      ExpectColour(s->GetBorderColor(), c.borderColour, c.table);
      // The position is the top-left corner of the box's texture.
      const TSpriteDrawState& st = s->GetDrawState();
      EXPECT_FLOAT_EQ(st.transform(2, 0), c.x) << c.table;
      EXPECT_FLOAT_EQ(st.transform(2, 1), c.y) << c.table;
      EXPECT_TRUE(st.flags & TDrawParams::kUseOrigin) << c.table;
      EXPECT_EQ(st.origin.x, 0.0f);
      EXPECT_EQ(st.origin.y, 0.0f);
      ASSERT_TRUE(s->GetTexture()) << c.table;
      EXPECT_EQ(s->GetTexture()->GetWidth(), c.width) << c.table;
      EXPECT_EQ(s->GetLayer(), 0);
      EXPECT_STREQ(s->GetClassName(), "QMTextSprite");
      EXPECT_TRUE(s->IsKindOf(QMTextSprite::GetClassId()));
      EXPECT_TRUE(s->IsKindOf(TSprite::GetClassId()));
    }
  });
}

TEST_F(TextSpriteTest, TextIsALabelOnlyWhenLocalisedAndNotEmpty) {
  RunScreen([&](TPlatform*) {
    EXPECT_EQ(Create("{text = 'GAME_TITLE', box = {0, 0, 8, 8}}")->GetText(),
              str("Lantern Hollow"));
    EXPECT_EQ(Create("{text = 'GAME_TITLE', localize = false, box = {0, 0, 8, 8}}")->GetText(),
              str("GAME_TITLE"));
    EXPECT_EQ(Create("{box = {0, 0, 8, 8}}")->GetText(), str(""));
    EXPECT_FALSE(Logged("Missing string"));

    boost::shared_ptr<QMTextSprite> s = Create("{box = {0, 0, 8, 8}}");
    s->SetText("GAME_TITLE", true);
    EXPECT_EQ(s->GetText(), str("Lantern Hollow"));
    s->SetText("GAME_TITLE", false);
    EXPECT_EQ(s->GetText(), str("GAME_TITLE"));
    s->SetText("", true);
    EXPECT_EQ(s->GetText(), str(""));
    EXPECT_FALSE(Logged("Missing string"));
  });
}

TEST_F(TextSpriteTest, BorderFramesTheBackgroundAndAMissingColourLeavesItClear) {
  RunScreen([&](TPlatform*) {
    const uint32_t clear = 0x00000000u;
    const struct {
      const char* border;
      uint32_t edge;
    } cases[] = {
        {"border = {size = 2, color = {1, 0, 0, 1}},", kRed},
        {"border = {size = 2},", clear},
        {"", kBlue},
    };
    for (const auto& c : cases) {
      boost::shared_ptr<QMTextSprite> s =
          Create(std::string("{") + c.border + " background = {0, 0, 1, 1}, box = {0, 0, 20, 12}}");
      const int w = 20, h = 12;
      const int frame = c.edge == kBlue ? 0 : 2;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const bool inside = x >= frame && y >= frame && x < w - frame && y < h - frame;
          ASSERT_EQ(PixelAt(*s, x, y), inside ? kBlue : c.edge)
              << c.border << " at " << x << ", " << y;
        }
    }
  });
}

TEST_F(TextSpriteTest, TextOverASeeThroughBoxIsOpaqueAndOverASolidOneTakesItsColoursAlpha) {
  RunScreen([&](TPlatform*) {
    const char* text =
        "{text = 'HH', localize = false, font = 'sansbold', fontSize = 24,"
        " align = 0, color = {1, 0, 0, 0.5}, box = {0, 0, 64, 32},";
    // Alpha 0.5: the glyphs replace the box's pixels, at full strength.
    boost::shared_ptr<QMTextSprite> seeThrough =
        Create(std::string(text) + " background = {0, 0, 1, 0.5}}");
    EXPECT_EQ(MaxChannel(*seeThrough, 24), 255u);
    EXPECT_EQ(MaxChannel(*seeThrough, 16), 255u);
    EXPECT_EQ(PixelAt(*seeThrough, 63, 31) >> 24, 127u);  // the box itself, untouched

    // Alpha 0.7: the glyphs blend over the box at the text colour's alpha, which keeps its own.
    boost::shared_ptr<QMTextSprite> solid =
        Create(std::string(text) + " background = {0, 0, 1, 0.7}}");
    const uint32_t boxAlpha = PixelAt(*solid, 63, 31) >> 24;
    EXPECT_EQ(MaxChannel(*solid, 24), boxAlpha);
    const uint32_t red = MaxChannel(*solid, 16);
    EXPECT_GE(red, 120u);
    EXPECT_LE(red, 135u);
  });
}

TEST_F(TextSpriteTest, AnEmptyBoxShowsNothing) {
  RunScreen([&](TPlatform*) {
    for (const char* table :
         {"{text = 'Hi', localize = false}", "{text = 'Hi', localize = false, box = {5, 5, 0, 10}}",
          "{text = 'Hi', localize = false, box = {5, 5, -4, 1e30}}"}) {
      boost::shared_ptr<QMTextSprite> s = Create(table);
      ASSERT_TRUE(s) << table;
      EXPECT_FALSE(s->GetTexture()) << table;
      s->Render();
      TRect bounds;
      s->GetBounds(bounds, TSpriteDrawState(), -1);
      EXPECT_EQ(bounds.left, TSprite::kEmptyBoundsLow) << table;
    }
  });
}

TEST_F(TextSpriteTest, IdlePassesDrawTheTextAgainUntilTheSpriteIsGone) {
  RunScreen([&](TPlatform* p) {
    boost::shared_ptr<QMTextSprite> s = Create("{background = {0, 1, 0, 1}, box = {0, 0, 8, 8}}");
    auto wipe = [&] {
      uint32_t* px = nullptr;
      int32_t pitch = 0;
      TextureLock lock;
      ASSERT_TRUE(lock.Lock(px, pitch, s->GetTexture().get()));
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) px[y * pitch + x] = 0;
    };
    wipe();
    EXPECT_EQ(PixelAt(*s, 4, 4), 0u);
    p->RunIdleTasks();
    EXPECT_EQ(PixelAt(*s, 4, 4), kGreen);

    // Gone, the sprite takes its refresher off the list (the sanitizer sees any later use).
    boost::shared_ptr<QMTextSprite> other = Create("{box = {0, 0, 4, 4}}");
    s.reset();
    p->RunIdleTasks();
    other.reset();
    p->RunIdleTasks();
  });
}

TEST_F(TextSpriteTest, ALostDisplayGetsItsTextBackWhenTheAssetsAreRestored) {
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<QMTextSprite> s = Create(
        "{text = 'HH', localize = false, font = 'sansbold', fontSize = 24, align = 0,"
        " color = {1, 0, 0, 1}, background = {0, 0, 1, 1}, box = {0, 0, 64, 32}}");
    const std::vector<uint32_t> drawn = Pixels(*s);
    ASSERT_FALSE(drawn.empty());
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(TRenderer::Instance()->BeginDraw());
      TRenderer::Instance()->EndDraw();
    }
    Backend()->LoseAllSurfaces();
    s->Render();  // nothing to draw into: it waits for the restore
    EXPECT_TRUE(Pixels(*s).empty());
    // The next frame restores the surfaces (a blank texture comes back empty) and then runs
    // the idle tasks, which draw the text again.
    ASSERT_TRUE(TRenderer::Instance()->BeginDraw());
    TRenderer::Instance()->EndDraw();
    EXPECT_EQ(Pixels(*s), drawn);
  });
}

TEST_F(TextSpriteTest, TheSameTextAgainLeavesTheTextureAsItIsAndANewOneDrawsIt) {
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<QMTextSprite> s =
        Create("{text = 'HH', localize = false, background = {0, 1, 0, 1}, box = {0, 0, 8, 8}}");
    auto mark = [&] {
      uint32_t* px = nullptr;
      int32_t pitch = 0;
      TextureLock lock;
      ASSERT_TRUE(lock.Lock(px, pitch, s->GetTexture().get()));
      px[7 * pitch + 7] = 0;
    };
    mark();
    s->SetText("HH", false);
    EXPECT_EQ(PixelAt(*s, 7, 7), 0u) << "drawn again for the same text";
    s->SetText("HI", false);
    EXPECT_EQ(PixelAt(*s, 7, 7), kGreen);
    mark();
    s->SetText("HH", true);  // a label now: shows another text
    EXPECT_EQ(PixelAt(*s, 7, 7), kGreen);
  });
}
