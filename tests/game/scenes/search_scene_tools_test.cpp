// The search scene with its tools: message 1020 chooses the magnifying glass or the flashlight
// by name, the glass is fed the scene's item pictures and loses a found item's picture with the
// item, the flashlight takes the scene's own darkening away, and an open navigation drawer
// keeps the pointer from the scene.
#include <filesystem>
#include <string>

#include "game/GameScreenFixture.h"

#include "engine/render/RenderFixture.h"

#include "anim/KAnimProperties.h"
#include "game/scenes/QMFlashlight.h"
#include "game/scenes/QMMagnifyGlass.h"
#include "game/scenes/QMMessages.h"
#include "game/scenes/QMPopupNav.h"
#include "game/scenes/QMSearch.h"
#include "game/scenes/SceneCompositor.h"
#include "game/shell/ScriptUtilities.h"
#include "render/QMSearchableSprite.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "window/TText.h"

namespace {

class SearchSceneToolsTest : public GameScreenTest {
protected:
  // A picture of one colour in the test's assets.
  void WritePicture(const std::string& name, int w, int h, uint32_t colour) {
    platform::display::Image image;
    image.width = w;
    image.height = h;
    image.pixels.assign(size_t(w) * size_t(h), colour);
    const std::filesystem::path path = mWork + "/assets/" + name;
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(image.SavePng(path.string()));
  }
  // The mask a magnifiable scene's background is loaded with: all opaque.
  void WriteBackgroundMask(int w = 800, int h = 600) {
    WritePicture("backgrounds/bgmask.png", w, h, 0xFFFFFFFFu);
  }

  // A magnifiable scene of the sample's study with its key and cup, begun.
  static QMSearch* BuildStudy(TPlatform* p, const char* extra = "",
                              const char* background = "images/tools/study.png") {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(
        wm->GetRoot(),
        (std::string("PushModal('m') MakeDialog({ SearchWindow({ name = 'puzzleWindow', x = 0, "
                     "y = 0, w = 800, h = 600, tool = 'magnify', darken = 0.3, bgPath = '") +
         background + "' " + extra + "}) })")
            .c_str());
    Host()->DoLuaString(
        "function searchItemFound(n) end function reportBadClick() end "
        "AddSprite({ image = 'images/tools/key.png', position = { 590, 470 } }, true, 'key') "
        "AddSprite({ image = 'images/tools/cup.png', position = { 626, 476 } }, true, 'cup') "
        "StartSearch()");
    return Find<QMSearch>("puzzleWindow");
  }
  static void Tell(QMSearch* scene, int32_t id, const char* name) {
    TMessage m(id, name);
    EXPECT_TRUE(scene->OnMessage(&m));
  }
};

TEST_F(SearchSceneToolsTest, GlassIsChosenOnceFedTheItemsAndLosesAFoundOne) {
  WriteBackgroundMask();
  RunGame([&](TPlatform* p, QMGameManager&) {
    QMSearch* scene = BuildStudy(p);
    ASSERT_NE(scene, nullptr) << Log();
    EXPECT_FALSE(scene->HasTool());
    Tell(scene, kQMChooseTool, "magnify");
    auto* glass = dynamic_cast<QMMagnifyGlass*>(scene->GetTool());
    ASSERT_NE(glass, nullptr);
    Tell(scene, kQMChooseTool, "magnify");
    EXPECT_EQ(scene->GetTool(), glass) << "the tool in use is kept";
    Tell(scene, kQMChooseTool, "telescope");
    EXPECT_EQ(scene->GetTool(), glass) << "an unknown tool leaves the current one";
    EXPECT_EQ(glass->GetCompositor()->GetLayerCount(), 2u) << "the key and the cup";
    EXPECT_FLOAT_EQ(KGetSpritePosition(*glass->GetLensSprite()).x, 650)
        << "before the pointer moved";

    Send(p, kEventMouseMove, 620, 476);
    EXPECT_FLOAT_EQ(KGetSpritePosition(*glass->GetLensSprite()).x, 620);
    Tell(scene, kQMSearchNotifier, "cup");
    EXPECT_EQ(glass->GetCompositor()->GetLayerCount(), 1u);
    EXPECT_FALSE(scene->GetSceneSprite().GetSprite("cup")) << "gone from the scene too";
    Tell(scene, kQMSearchNotifier, "cup");  // already gone: nothing more happens
    EXPECT_EQ(glass->GetCompositor()->GetLayerCount(), 1u);
  });
}

// A level opens under the pointer that clicked the screen before it: the scene has not seen
// the pointer move, yet its tool starts under the pointer.
TEST_F(SearchSceneToolsTest, AToolChosenBeforeThePointerMovedOverTheSceneStartsUnderThePointer) {
  WriteBackgroundMask();
  RunGame([&](TPlatform* p, QMGameManager&) {
    QMSearch* scene = BuildStudy(p);
    ASSERT_NE(scene, nullptr) << Log();
    Host()->DoLuaString("PushModal('cover')");
    Send(p, kEventMouseMove, 300, 200);
    Host()->DoLuaString("PopModal('cover')");
    Idle(p, 2);
    Tell(scene, kQMChooseTool, "magnify");
    auto* glass = dynamic_cast<QMMagnifyGlass*>(scene->GetTool());
    ASSERT_NE(glass, nullptr);
    EXPECT_FLOAT_EQ(KGetSpritePosition(*glass->GetLensSprite()).x, 300);
    EXPECT_FLOAT_EQ(KGetSpritePosition(*glass->GetLensSprite()).y, 200);
  });
}

TEST_F(SearchSceneToolsTest, FlashlightTakesTheScenesDarkeningAwayForGood) {
  WriteBackgroundMask();
  RunGame([&](TPlatform* p, QMGameManager&) {
    QMSearch* scene = BuildStudy(p);
    ASSERT_NE(scene, nullptr) << Log();
    ASSERT_TRUE(scene->GetSceneSprite().GetSprite("_qmDarkenSprtie"));
    Tell(scene, kQMChooseTool, "flashlight");
    ASSERT_NE(dynamic_cast<QMFlashlight*>(scene->GetTool()), nullptr);
    EXPECT_FALSE(scene->GetSceneSprite().GetSprite("_qmDarkenSprtie"));
    Tell(scene, kQMChooseTool, "magnify");
    EXPECT_NE(dynamic_cast<QMMagnifyGlass*>(scene->GetTool()), nullptr);
    EXPECT_FALSE(scene->GetSceneSprite().GetSprite("_qmDarkenSprtie"));
    EXPECT_EQ(scene->GetToolName(), str("magnify"));
  });
}

// A scene whose background is shown scaled: the glass works on a copy of the loaded picture.
// An item found while the flashlight was in use is not in the next glass, and the scene's own
// picture, scaled again when the display restores its surfaces, never shows the items.
TEST_F(SearchSceneToolsTest, GlassAfterTheFlashlightShowsNoItemFoundMeanwhile) {
  const uint32_t kGrey = 0xFF808080u;
  WritePicture("images/tools/half.png", 400, 300, kGrey);  // shown at scale (2, 2)
  WriteBackgroundMask(400, 300);
  // Pixels of the area that are not the background's grey.
  auto marked = [&](const boost::shared_ptr<TTexture>& t, const TRect& area) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) n += PixelAt(t, x, y) != kGrey;
    return n;
  };
  RunGame([&](TPlatform* p, QMGameManager&) {
    QMSearch* scene = BuildStudy(p, "", "images/tools/half.png");
    ASSERT_NE(scene, nullptr) << Log();
    ASSERT_EQ(scene->GetBackgroundScale().x, 2.0f);
    const boost::shared_ptr<TTexture> picture =
        TTexture::GetWithMask("images/tools/half.png?slow", "backgrounds/bgmask", false);
    ASSERT_TRUE(picture);
    // The key (48 x 24, placed at (590, 470)) lies over (295, 235)-(343, 259) of the glass's
    // picture, which has the background's size; the cup covers it from x = 313 on.
    const TRect keyOnly(295, 235, 313, 259);
    Tell(scene, kQMChooseTool, "magnify");
    SceneCompositor* first = scene->GetTool()->GetCompositor();
    ASSERT_NE(first, nullptr);
    ASSERT_GT(marked(first->GetWorkTexture(), keyOnly), 0) << "the key is in the glass";
    EXPECT_EQ(marked(picture, TRect(295, 235, 343, 259)), 0) << "the loaded picture is bare";

    Tell(scene, kQMChooseTool, "flashlight");
    Tell(scene, kQMSearchNotifier, "key");
    Tell(scene, kQMChooseTool, "magnify");
    SceneCompositor* second = scene->GetTool()->GetCompositor();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetLayerCount(), 1u) << "only the cup is left";
    EXPECT_EQ(marked(second->GetWorkTexture(), keyOnly), 0) << "the found key is gone";

    p->RunIdleTasks();  // as after the display restored its surfaces
    boost::shared_ptr<TTexture> shown;
    for (const boost::shared_ptr<TSprite>& sprite : scene->GetSceneSprite().GetChildren())
      if (sprite->GetTexture() && sprite->GetTexture()->GetWidth() == 800)
        shown = sprite->GetTexture();
    ASSERT_TRUE(shown);
    EXPECT_EQ(marked(shown, TRect(590, 470, 686, 518)), 0) << "the scene's background is bare";
    EXPECT_EQ(marked(second->GetWorkTexture(), keyOnly), 0);
  });
}

// With the drawer open the scene leaves the pointer alone; with the designer's aid on, the
// text window names the sprite under the pointer.
TEST_F(SearchSceneToolsTest, OpenDrawerKeepsThePointerAndTheAidNamesTheSpriteUnderIt) {
  WriteBackgroundMask();
  RunGame([&](TPlatform* p, QMGameManager&) {
    QMSearch* scene = BuildStudy(p,
                                 ", darken = 0, Text({ name = 'searchSpriteInfo', x = 0, y = 0, w "
                                 "= 400, h = 20, label = '#' }) ");
    ASSERT_NE(scene, nullptr) << Log();
    RuntimeSettings().debugMode = true;
    scene->OnMouseMove(TPoint(614, 482));
    auto* info = Find<TText>("searchSpriteInfo");
    ASSERT_NE(info, nullptr);
    const std::string text = info->GetText().CStr();
    EXPECT_EQ(text.find("object name = key, file = images/tools/key"), 0u) << text;
    EXPECT_NE(text.find("location = 614.000000, 482.000000"), std::string::npos) << text;
    RuntimeSettings().debugMode = false;

    Tell(scene, kQMChooseTool, "flashlight");
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(wm->GetTopModal(),
                        "MakeDialog({ PopUpNavWindow({ name = 'searchPopUpNav', x = 100, "
                        "y = 560, openY = 490, image = 'images/panels/drawer.png' }) })");
    auto* nav = Find<QMPopupNav>("searchPopUpNav");
    ASSERT_NE(nav, nullptr) << Log();
    scene->OnMouseMove(TPoint(300, 200));
    auto* light = static_cast<QMFlashlight*>(scene->GetTool());
    EXPECT_FLOAT_EQ(KGetSpritePosition(*light->GetLightSprite()).x, 300);
    nav->Toggle();
    EXPECT_TRUE(scene->OnMouseMove(TPoint(100, 100))) << "taken, and nothing else done";
    EXPECT_FLOAT_EQ(KGetSpritePosition(*light->GetLightSprite()).x, 300);
  });
}

}  // namespace

// A darkened scene's veil covers the whole scene: a click passes through it to the object
// under it, and a click beside every object is a bad click, not a find of the veil.
TEST_F(SearchSceneToolsTest, ClicksGoThroughTheVeilOfADarkenedScene) {
  WriteBackgroundMask();
  RunGame([&](TPlatform* p, QMGameManager&) {
    QMSearch* scene = BuildStudy(p);
    ASSERT_NE(scene, nullptr) << Log();
    ASSERT_TRUE(scene->GetSceneSprite().GetSprite(QMSearch::kDarkenSpriteName));
    Host()->DoLuaString(
        "gCalls = '' function searchItemFound(n) gCalls = gCalls .. n .. ' ' end "
        "function reportBadClick() gCalls = gCalls .. 'bad ' end");
    Idle(p, 70);  // past the first second of play
    boost::shared_ptr<TSprite> key = scene->GetSceneSprite().GetSprite("key");
    ASSERT_TRUE(key);
    TRect r;
    key->GetBounds(r, TSpriteDrawState(), -1);
    Click(p, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Click(p, 100, 100);
    EXPECT_EQ(Global("gCalls"), "key bad ");
  });
}
