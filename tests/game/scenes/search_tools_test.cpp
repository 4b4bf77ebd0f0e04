// The search tools on the headless display: the scene compositor's blending and layer removal,
// the magnifying glass's lens copy and clipping, the flashlight's darkness panels, the cursor
// switch at the play area's border, and the tools' description files, good and broken.
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "anim/FilterTestSupport.h"
#include "engine/render/RenderFixture.h"

#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "game/scenes/QMFlashlight.h"
#include "game/scenes/QMMagnifyGlass.h"
#include "game/scenes/SceneCompositor.h"
#include "game/shell/ScriptUtilities.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "support/Golden.h"

namespace {

boost::shared_ptr<TTexture> Plain(int w, int h, uint32_t colour) {
  return MakeTexture(w, h, [=](int, int) { return colour; });
}

TVec2 Position(const TSprite& s) {
  const TMat3& m = s.GetDrawState().transform;
  return TVec2(m(2, 0), m(2, 1));
}

// Display scale (2, 2) keeps the working picture at the source's own size and every layer
// picture as it is: layer corners are position / 2 - size / 2.
const TVec2 kNoFilter(2, 2);

class SearchToolsTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    UseSample({"cursor"});
    std::filesystem::create_directories(mWork + "/assets/scripts/tools");
  }

  // The sample game's folders of these names, into the test's assets.
  void UseSample(std::initializer_list<const char*> folders) {
    namespace fs = std::filesystem;
    for (const char* folder : folders) {
      fs::create_directories(fs::path(mWork + "/assets/" + folder).parent_path());
      fs::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets/" + folder,
               mWork + "/assets/" + folder, fs::copy_options::recursive);
    }
  }
  void Tools(std::function<void(TPlatform*)> body) { RunScreen(body, 800, 600); }

  // The sample's study scene, its tools' description files and pictures.
  void UseSampleTools() { UseSample({"images/tools", "scripts/tools"}); }

  // Draws the sprites, then the tool, on a cleared screen and answers the frame.
  static platform::display::Image Draw(const std::vector<boost::shared_ptr<TSprite>>& sprites,
                                       IQMSearchTool& tool) {
    TRenderer* r = TRenderer::Instance();
    EXPECT_TRUE(r->BeginDraw());
    {
      TScoped2d in2d;
      for (const auto& s : sprites) s->Draw(TSpriteDrawState(), -1);
      tool.Draw();
    }
    r->EndDraw();
    return Frame();
  }

  static boost::shared_ptr<TSprite> At(const char* image, float x, float y) {
    boost::shared_ptr<TSprite> s = TSprite::Create(0, TTexture::Get(image));
    EXPECT_NE(s->GetTexture(), nullptr) << image;
    s->GetDrawState().transform.m[2].x = x;
    s->GetDrawState().transform.m[2].y = y;
    return s;
  }

  static std::string Cursor(TPlatform* p) {
    const auto& t = p->GetData()->mCursorTexture;
    return t ? std::string(t->GetFileName().CStr()) : std::string();
  }
};

TEST_F(SearchToolsTest, LayersBlendByTheirAlphaOverTheWorkPicture) {
  Tools([&](TPlatform*) {
    auto source = Plain(64, 32, 0x80640000u);  // alpha 128, red 100
    SceneCompositor c(source, kNoFilter);
    // Three one-pixel layers side by side at corners (10, 10), (12, 10), (14, 10).
    auto half = Plain(1, 1, 0x80C80000u);    // alpha 128, red 200
    auto full = Plain(1, 1, 0xFF0000FFu);    // alpha 255: replaces the alpha too
    auto almost = Plain(1, 1, 0xFE00FF00u);  // alpha 254: keeps the work pixel's alpha
    c.AddLayer(half, TVec2(21, 21), TRect(10, 10, 11, 11));
    c.AddLayer(full, TVec2(25, 21), TRect(12, 10, 13, 11));
    c.AddLayer(almost, TVec2(29, 21), TRect(14, 10, 15, 11));
    // A layer hanging over the right edge is blended only where it lies inside.
    auto edge = Plain(8, 2, 0xFF00FF00u);
    c.AddLayer(edge, TVec2(2 * 62, 2 * 20), TRect(58, 19, 66, 21));
    ASSERT_TRUE(c.Compose());
    const boost::shared_ptr<TTexture> work = c.GetWorkTexture();
    ASSERT_NE(work, nullptr);
    ASSERT_NE(work, source) << "composed into a copy of its own";
    EXPECT_EQ(PixelAt(source, 12, 10), 0x80640000u) << "the caller's texture is not drawn on";

    EXPECT_EQ(PixelAt(work, 10, 10), 0x80950000u) << "(200*128 + 100*127) >> 8 = 149";
    EXPECT_EQ(PixelAt(work, 12, 10), 0xFF0000FFu);
    const uint32_t g = (255 * 254) >> 8;
    EXPECT_EQ(PixelAt(work, 14, 10), 0x80000000u | (g << 8) | ((100 * 1) >> 8) << 16);
    EXPECT_EQ(PixelAt(work, 63, 19), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(work, 57, 19), 0x80640000u);
  });
}

TEST_F(SearchToolsTest, CompositorWithoutSourceComposesNothing) {
  Tools([&](TPlatform*) {
    SceneCompositor c(boost::shared_ptr<TTexture>(), kNoFilter);
    EXPECT_TRUE(c.AddLayer(Plain(2, 2, kRed), TVec2(4, 4), TRect(1, 1, 3, 3)));
    EXPECT_FALSE(c.Compose());
    EXPECT_EQ(c.GetWorkTexture(), nullptr);
  });
}

TEST_F(SearchToolsTest, SceneShownAtItsOwnSizeIsKeptAtTwiceItsSize) {
  Tools([&](TPlatform*) {
    auto source = MakeTexture(40, 30, [](int x, int) { return x < 20 ? kRed : kBlue; });
    SceneCompositor c(source, TVec2(1, 1));
    EXPECT_EQ(c.GetScale().x, 0.5f);
    auto layer = Plain(32, 16, kGreen);
    c.AddLayer(layer, TVec2(100, 50), TRect(84, 42, 116, 58));
    ASSERT_TRUE(c.Compose());
    auto work = c.GetWorkTexture();
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->GetWidth(), 80);
    EXPECT_EQ(work->GetHeight(), 60);
    // Corner (100 / 0.5 - 32, 50 / 0.5 - 16) = (168, 84): outside this small picture, so the
    // corner rule is checked directly, and the scaled scene is untouched.
    EXPECT_EQ(SceneCompositor::LayerTopLeft(TVec2(100, 50), 64, 32, c.GetScale()), TPoint(168, 84));
    EXPECT_EQ(PixelAt(work, 39, 10), kRed);
    EXPECT_EQ(PixelAt(work, 40, 10), kBlue);
    EXPECT_EQ(PixelAt(source, 0, 0), kRed) << "the caller's texture is not drawn on";
  });
}

// Three layers over one spot: removing the first restores its background and blends back the
// ones it touched, in the order added, including a layer lying exactly where it lay.
TEST_F(SearchToolsTest, RemovingALayerRestoresItsPlaceAndBlendsItsNeighboursAgain) {
  Tools([&](TPlatform*) {
    auto source = Plain(40, 20, kWhite);
    SceneCompositor c(source, kNoFilter);
    auto a = Plain(4, 4, kRed);
    auto twin = MakeTexture(4, 4, [](int x, int) { return x < 2 ? 0u : kBlue; });
    auto b = Plain(4, 4, 0x80008000u);  // half green, over a's right column and beyond
    auto far = Plain(2, 2, kBlack);
    const TRect rectA(10, 5, 14, 9);
    c.AddLayer(a, TVec2(24, 14), rectA);
    c.AddLayer(twin, TVec2(24, 14), rectA);
    c.AddLayer(b, TVec2(30, 14), TRect(13, 5, 17, 9));
    c.AddLayer(far, TVec2(60, 14), TRect(29, 6, 31, 8));
    ASSERT_TRUE(c.Compose());
    const boost::shared_ptr<TTexture> work = c.GetWorkTexture();
    const uint32_t overBlue = PixelAt(work, 13, 6);
    const uint32_t overWhite = PixelAt(work, 15, 6);
    ASSERT_EQ(PixelAt(work, 10, 6), kRed);

    EXPECT_EQ(c.RemoveLayer(a), TPoint(24, 14));
    EXPECT_EQ(c.GetLayerCount(), 3u);
    EXPECT_EQ(PixelAt(work, 10, 6), kWhite) << "a's background is back";
    EXPECT_EQ(PixelAt(work, 12, 6), kBlue) << "the twin in a's exact place is blended again";
    EXPECT_EQ(PixelAt(work, 13, 6), overBlue) << "then b over it, in the order added";
    EXPECT_EQ(PixelAt(work, 15, 6), overWhite) << "b is blended once, not twice";
    EXPECT_EQ(PixelAt(work, 29, 6), kBlack);

    EXPECT_EQ(c.RemoveLayer(Plain(4, 4, kRed)), TPoint(0, 0)) << "never added";
    EXPECT_EQ(c.GetLayerCount(), 3u);
    EXPECT_EQ(PixelAt(work, 12, 6), kBlue);
  });
}

// The same texture as several layers (copies of one item) comes out one record at a time:
// the first one added, or the one at a given position.
TEST_F(SearchToolsTest, CopiesOfOneLayerComeOutOneRecordAtATime) {
  Tools([&](TPlatform*) {
    auto source = Plain(40, 20, kWhite);
    SceneCompositor c(source, kNoFilter);
    auto item = Plain(2, 2, kRed);
    c.AddLayer(item, TVec2(10, 10), TRect(4, 4, 6, 6));
    c.AddLayer(item, TVec2(50, 10), TRect(24, 4, 26, 6));
    c.AddLayer(item, TVec2(70, 10), TRect(34, 4, 36, 6));
    ASSERT_TRUE(c.Compose());
    const boost::shared_ptr<TTexture> work = c.GetWorkTexture();
    EXPECT_EQ(c.RemoveLayer(item, TVec2(50, 10)), TPoint(50, 10)) << "the copy found";
    EXPECT_EQ(PixelAt(work, 24, 4), kWhite);
    EXPECT_EQ(PixelAt(work, 4, 4), kRed);
    EXPECT_EQ(c.RemoveLayer(item, TVec2(50, 10)), TPoint(0, 0)) << "already out";
    EXPECT_EQ(c.RemoveLayer(item), TPoint(10, 10));
    EXPECT_EQ(PixelAt(work, 4, 4), kWhite);
    EXPECT_EQ(PixelAt(work, 34, 4), kRed);
    EXPECT_EQ(c.RemoveLayer(item), TPoint(70, 10));
    EXPECT_EQ(PixelAt(work, 34, 4), kWhite);
  });
}

// A layer past the left and top edges is blended from its eleventh column on, and taking it
// out puts back exactly the pixels it covered.
TEST_F(SearchToolsTest, ALayerPastTheEdgeIsBlendedAndRestoredInPlace) {
  Tools([&](TPlatform*) {
    auto source = MakeTexture(30, 20, [](int x, int y) { return 0xFF000000u | (x << 8) | y; });
    const uint32_t before00 = PixelAt(source, 0, 0), before53 = PixelAt(source, 5, 3);
    SceneCompositor c(source, kNoFilter);
    auto layer = MakeTexture(20, 8, [](int x, int) { return 0xFF000000u | (uint32_t(x) << 16); });
    // Corner (-10, -2).
    c.AddLayer(layer, TVec2(0, 4), TRect(-10, -2, 10, 6));
    ASSERT_TRUE(c.Compose());
    const boost::shared_ptr<TTexture> work = c.GetWorkTexture();
    EXPECT_EQ(PixelAt(work, 0, 0), 0xFF000000u | (10u << 16));
    EXPECT_EQ(PixelAt(work, 9, 5), 0xFF000000u | (19u << 16));
    c.RemoveLayer(layer);
    EXPECT_EQ(PixelAt(work, 0, 0), before00);
    EXPECT_EQ(PixelAt(work, 5, 3), before53);
  });
}

TEST_F(SearchToolsTest, LensSpansAreCutAtBothEndsOfTheWorkPicture) {
  struct Case {
    int limit, start, count;
    int wantStart, wantCount, wantSkip;
  };
  const Case cases[] = {
      {1600, 200, 128, 200, 128, 0},    // inside
      {1600, -20, 128, 0, 108, 20},     // past the near end
      {1600, 1500, 128, 1500, 100, 0},  // past the far end: up to the last column
      {50, -20, 128, 0, 50, 20},        // past both ends of a narrow picture
      {50, 60, 128, 60, 0, 0},          // wholly past the far end
      {50, -200, 128, 0, 0, 200},       // wholly before the near end
  };
  for (const Case& k : cases) {
    int start = k.start, count = k.count, skip = 0;
    QMMagnifyGlass::ClipSpan(k.limit, start, count, skip);
    EXPECT_EQ(start, k.wantStart) << k.limit << " " << k.start;
    EXPECT_EQ(count, k.wantCount) << k.limit << " " << k.start;
    EXPECT_EQ(skip, k.wantSkip) << k.limit << " " << k.start;
  }
}

// A 4 x 4 lens whose mask clears its left column: the lens shows the composed scene under the
// pointer one texel per pixel, red 0 in the mask clears only the alpha.
TEST_F(SearchToolsTest, LensCopiesTheComposedSceneUnderThePointerThroughItsMask) {
  WritePng("lensmask.png", 4, 4, [](int x, int) { return x == 0 ? 0xFF00FFFFu : 0xFF010000u; });
  WritePng("frame.png", 8, 8, [](int, int) { return 0x80FFFFFFu; });
  WriteAsset("scripts/tools/magnifying_glass.lua",
             "return { mask = 'lensmask.png', image = 'frame.png', offset = { 1, 2 }, "
             "unknown = 'ignored' }");
  Tools([&](TPlatform*) {
    auto scene = MakeTexture(20, 10, [](int x, int y) { return 0xFF000000u | (x << 8) | y; });
    QMMagnifyGlass glass(scene, TVec2(1, 1));
    EXPECT_EQ(glass.GetSize().x, 4);
    EXPECT_EQ(glass.GetOffset().y, 2);
    ASSERT_NE(glass.GetCompositor(), nullptr);
    ASSERT_TRUE(glass.GetCompositor()->Compose());

    // Working scale 0.5: the window starts at (5 / 0.5 - 1, 3 / 0.5 - 2) = (9, 4) of the
    // doubled scene, whose pixel (x, y) is the scene's (x / 2, y / 2).
    ASSERT_TRUE(glass.MoveTo(TPoint(5, 3)));
    auto lens = glass.GetLensSprite()->GetTexture();
    ASSERT_NE(lens, nullptr);
    for (int y = 0; y < 4; ++y)
      for (int x = 1; x < 4; ++x)
        EXPECT_EQ(PixelAt(lens, x, y), 0xFF000000u | (uint32_t((9 + x) / 2) << 8) | ((4 + y) / 2))
            << x << "," << y;
    EXPECT_EQ(PixelAt(lens, 0, 0) >> 24, 0u) << "the mask's red 0 clears the lens";
    EXPECT_EQ(Position(*glass.GetLensSprite()).x, 5);
    EXPECT_EQ(glass.GetLensSprite()->GetDrawState().origin.x, 1) << "the offset is on the pointer";

    // At the right edge only what is left of the picture is copied; the rest keeps its pixels.
    ASSERT_TRUE(glass.MoveTo(TPoint(19, 3)));  // window from x = 37 of 40
    EXPECT_EQ(PixelAt(lens, 2, 0), 0xFF000000u | (19u << 8) | 2u);
    EXPECT_EQ(PixelAt(lens, 3, 0), 0xFF000000u | (6u << 8) | 2u) << "left from the last copy";
  });
}

TEST_F(SearchToolsTest, FlashlightPanelsSurroundItsSpotAndFollowThePointer) {
  WritePng("spot.png", 200, 201, [](int, int) { return 0u; });
  WriteAsset("scripts/tools/flashlight.lua",
             "return { mask = 'spot.png', darken = 0.75, offset = { 10.7, -3.2 } }");
  Tools([&](TPlatform*) {
    QMFlashlight light(Plain(800, 600, kWhite), TVec2(1, 1));
    const auto& root = light.GetLightSprite();
    EXPECT_FLOAT_EQ(root->GetDrawState().alpha, 0.75f);
    EXPECT_EQ(light.GetCompositor(), nullptr);
    const auto& kids = root->GetChildren();
    ASSERT_EQ(kids.size(), 7u);
    ASSERT_NE(kids[0]->GetTexture(), nullptr);
    EXPECT_EQ(kids[0]->GetTexture()->GetHeight(), 201);
    // Relative to the light: four 800 x 600 panels, then two 200 x (600 - 100) columns; an odd
    // mask height of 201 counts as 100 and 50 in its halves and quarters.
    const TVec2 want[] = {{500, 300}, {-500, -300}, {500, -300}, {-500, 300}, {0, 350}, {0, -350}};
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(Position(*kids[i + 1]).x, want[i].x) << i;
      EXPECT_EQ(Position(*kids[i + 1]).y, want[i].y) << i;
      const int w = i < 4 ? 800 : 200, h = i < 4 ? 600 : 500;
      EXPECT_EQ(kids[i + 1]->GetTexture()->GetWidth(), w) << i;
      EXPECT_EQ(kids[i + 1]->GetTexture()->GetHeight(), h) << i;
      EXPECT_EQ(PixelAt(kids[i + 1]->GetTexture(), w / 2, h / 2) & 0xFFFFFFu, 0u) << i;
    }
    EXPECT_TRUE(light.MoveTo(TPoint(100, 100)));
    EXPECT_EQ(Position(*root).x, 110);
    EXPECT_EQ(Position(*root).y, 97);
  });
}

// A description file that is missing, broken or gives no table leaves the tool at its
// defaults, says so in the log, and the tool still works as far as it can.
TEST_F(SearchToolsTest, BrokenDescriptionFilesLeaveTheToolsAtTheirDefaults) {
  WriteAsset("scripts/tools/flashlight.lua", "return 42");
  WriteAsset("scripts/tools/magnifying_glass.lua", "return { mask = ");
  Tools([&](TPlatform*) {
    {
      QMFlashlight light(Plain(80, 60, kWhite), TVec2(1, 1));
      EXPECT_EQ(light.GetDarken(), 0.0f);
      EXPECT_EQ(light.GetOffset().x, 0.0f);
      EXPECT_EQ(light.GetLightSprite()->GetChildren().front()->GetTexture(), nullptr);
      EXPECT_TRUE(light.MoveTo(TPoint(3, 4)));
    }
    EXPECT_TRUE(Logged("scripts/tools/flashlight.lua does not give a table")) << Log();
    QMMagnifyGlass glass(Plain(80, 60, kWhite), TVec2(1, 1));
    EXPECT_TRUE(Logged("scripts/tools/magnifying_glass.lua not read")) << Log();
    EXPECT_EQ(glass.GetSize().x, 0.0f);
    ASSERT_TRUE(glass.GetCompositor()->Compose());
    EXPECT_FALSE(glass.MoveTo(TPoint(10, 10))) << "no mask, nothing to show";
    glass.Draw();
  });
}

// A damaged mask picture is named in the log; the glass then shows nothing, as without a mask.
TEST_F(SearchToolsTest, DamagedLensMaskIsLoggedAndShowsNothing) {
  WriteAsset("broken.png", "\x89PNG\r\n\x1a\n but not really");
  WriteAsset("scripts/tools/magnifying_glass.lua",
             "return { mask = 'broken.png', offset = {1, 1} }");
  Tools([&](TPlatform*) {
    QMMagnifyGlass glass(Plain(80, 60, kWhite), TVec2(1, 1));
    EXPECT_TRUE(Logged("broken.png")) << Log();
    EXPECT_EQ(glass.GetSize().x, 0.0f);
    ASSERT_TRUE(glass.GetCompositor()->Compose());
    EXPECT_FALSE(glass.MoveTo(TPoint(10, 10)));
  });
}

TEST_F(SearchToolsTest, CursorIsACrosshairInsideThePlayAreaOnly) {
  Tools([&](TPlatform* p) {
    struct Case {
      TPoint point;
      bool withSize;
      bool crosshair;
    };
    const Case cases[] = {
        {{0, 100}, false, false}, {{800, 100}, false, false}, {{100, 520}, false, false},
        {{1, 1}, false, true},    {{799, 519}, false, true},  {{790, 100}, true, false},
        {{780, 100}, true, true},
    };
    const TVec2 size(20, 10);
    {
      QMFlashlight tool(Plain(8, 8, kWhite), TVec2(1, 1));
      for (const Case& k : cases) {
        tool.UpdateSearchCursor(k.point, k.withSize ? &size : nullptr);
        EXPECT_EQ(!tool.IsNormalCursor(), k.crosshair) << k.point.x << "," << k.point.y;
        EXPECT_NE(Cursor(p).find(k.crosshair ? "crosshair" : "cursor/cursor"), std::string::npos)
            << k.point.x << "," << k.point.y << ": " << Cursor(p);
      }
      tool.UpdateSearchCursor(TPoint(50, 50));
    }
    EXPECT_NE(Cursor(p).find("cursor/cursor"), std::string::npos)
        << "deleting the tool over the crosshair brings the arrow back";

    SetCursorImage("cursor/crosshair");
    { QMFlashlight quiet(Plain(8, 8, kWhite), TVec2(1, 1)); }
    EXPECT_NE(Cursor(p).find("crosshair"), std::string::npos)
        << "a tool that never showed the crosshair leaves the cursor alone";
    SetCursorImage(kArrowCursor);
  });
}

// The sample's study with a key and a cup on the desk; the cup has been found and left the
// scene: the lens shows the desk twice as large around the pointer, the key in it, no cup.
TEST_F(SearchToolsTest, MagnifyingGlassShowsTheSceneEnlargedWithoutFoundItems) {
  UseSampleTools();
  Tools([&](TPlatform*) {
    auto scene = At("images/tools/study.png", 400, 300);
    auto keySprite = At("images/tools/key.png", 590, 470);
    auto cupSprite = At("images/tools/cup.png", 626, 476);
    QMMagnifyGlass glass(scene->GetTexture(), TVec2(1, 1));
    EXPECT_EQ(glass.GetSize().x, 128);
    SceneCompositor* c = glass.GetCompositor();
    for (const auto& item : {keySprite, cupSprite}) {
      TRect bounds;
      item->GetBounds(bounds, TSpriteDrawState(), 0);
      c->AddLayer(
          item->GetTexture(),
          TVec2(item->GetDrawState().transform.m[2].x, item->GetDrawState().transform.m[2].y),
          bounds);
    }
    ASSERT_TRUE(c->Compose());
    EXPECT_EQ(c->RemoveLayer(cupSprite->GetTexture()), TPoint(626, 476));
    ASSERT_TRUE(glass.MoveTo(TPoint(604, 472)));
    const platform::display::Image frame = Draw({scene, keySprite}, glass);
    // Under the pointer the lens shows what lies there: the key's bit, at (38, 14) of the key.
    EXPECT_EQ(frame.At(604, 472) & 0xFFFFFF, PixelAt(keySprite->GetTexture(), 38, 14) & 0xFFFFFF);
    EXPECT_TRUE(golden::MatchesGolden(frame, "tools/magnifying_glass.png", 2));
  });
}

TEST_F(SearchToolsTest, FlashlightDarkensTheSceneOutsideItsSpot) {
  UseSampleTools();
  Tools([&](TPlatform*) {
    auto scene = At("images/tools/study.png", 400, 300);
    QMFlashlight light(scene->GetTexture(), TVec2(1, 1));
    EXPECT_FLOAT_EQ(light.GetDarken(), 0.85f);
    ASSERT_TRUE(light.MoveTo(TPoint(190, 180)));
    const platform::display::Image frame = Draw({scene}, light);
    const uint32_t lit = frame.At(150, 140), dark = frame.At(600, 150), far = frame.At(10, 590);
    auto sum = [](uint32_t p) { return ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF); };
    EXPECT_GT(sum(lit), 4 * sum(dark)) << std::hex << lit << " " << dark;
    EXPECT_GT(sum(lit), 4 * sum(far)) << std::hex << lit << " " << far;
    EXPECT_TRUE(golden::MatchesGolden(frame, "tools/flashlight.png", 2));
  });
}

}  // namespace
