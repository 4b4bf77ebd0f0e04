// The main menu, intro, game-over and sprite windows of the game inside the engine on the
// headless platform, on the sample game's screens where it has them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "anim/KAnimProperties.h"
#include "assets/FileLayer.h"
#include "assets/TAssetManager.h"
#include "game/GameScreenFixture.h"
#include "game/shell/QMGameOver.h"
#include "game/shell/QMIntro.h"
#include "game/shell/QMSpriteWindow.h"
#include "game/shell/TMainMenu.h"
#include "render/QMSearchableSprite.h"
#include "render/TTexture.h"
#include "support/Golden.h"
#include "window/TButton.h"
#include "window/TImage.h"
#include "window/TText.h"
#include "window/text/ShownText.h"

namespace {

class MenuWindowsTest : public GameScreenTest {
protected:
  // Starts the sample menu as the game does: its function runs as the main script.
  static TWindow* StartSampleMenu(TPlatform* p) {
    TWindowManager* wm = p->GetWindowManager();
    EXPECT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/menu.lua"));
    Idle(p, 3);
    return wm->GetTopModal();
  }
  static std::string Text(const char* name) {
    TText* t = Find<TText>(name);
    return t ? t->GetText().CStr() : "<none>";
  }
  // What the text window shows, markup escapes undone.
  static std::string Shows(const char* name) {
    TText* t = Find<TText>(name);
    return t && t->GetLayout() ? ShownText(*t->GetLayout()) : "<none>";
  }
};

// With no profile the greeting, the name and the change-player button are hidden; once a
// player exists, "SetWelcomeName" shows all three with the name, and later calls only change
// the text.
TEST_F(MenuWindowsTest, MainMenuGreetsTheCurrentPlayerOnlyWhenThereIsOne) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    StartSampleMenu(p);
    ASSERT_NE(Find<TMainMenu>("mainmenu"), nullptr);
    for (const char* name : {"welcome", "userName", "changeplayer"})
      EXPECT_FALSE(Shown(name)) << name;

    g.SetCurrentUser(g.CreateNewUser("Ann \"the\" \\ Bold"));
    Host()->DoLuaString("SetWelcomeName()");
    for (const char* name : {"welcome", "userName", "changeplayer"})
      EXPECT_TRUE(Shown(name)) << name;
    EXPECT_EQ(Shows("userName"), "Ann \"the\" \\ Bold");
    // A name is shown as typed, whatever markup it spells.
    const std::string markup = "<font size='200'>X<br>y</font>";
    g.SetCurrentUser(g.CreateNewUser(markup.c_str()));
    Host()->DoLuaString("SetWelcomeName()");
    EXPECT_EQ(Shows("userName"), markup);
    TTextLayout* layout = Find<TText>("userName")->GetLayout();
    EXPECT_EQ(layout->GetLineCount(), 1);
    for (const TTextRun& r : layout->GetLines()[0]->runs)
      if (r.last >= r.first) {
        EXPECT_EQ(r.size, 20);
      }

    // Already visible: the text follows, the windows the layout hid themselves stay hidden.
    Host()->DoLuaString("EnableWindow('welcome', false)");
    g.SetCurrentUser(g.CreateNewUser("Bob"));
    Host()->DoLuaString("SetWelcomeName()");
    EXPECT_EQ(Text("userName"), "Bob");
    EXPECT_FALSE(Shown("welcome"));
  });
}

// Deleting the current player in the player dialog leaves no one current: back at the menu
// there is no greeting, only the change-player button; picking the other player greets them.
TEST_F(MenuWindowsTest, MainMenuDropsTheGreetingWhenTheCurrentPlayerIsDeleted) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    g.CreateNewUser("Ann");
    g.SetCurrentUser(g.CreateNewUser("Bob"));
    StartSampleMenu(p);
    EXPECT_EQ(Text("userName"), "Bob");
    ClickOn(p, "changeplayer");
    Idle(p, 3);
    ClickOn(p, "delete");
    Idle(p, 3);
    ASSERT_EQ(g.GetNumUsers(), 1);
    ClickOn(p, "back");
    Idle(p, 3);
    EXPECT_FALSE(Shown("welcome"));
    EXPECT_FALSE(Shown("userName"));
    EXPECT_TRUE(Shown("changeplayer"));

    ClickOn(p, "changeplayer");
    Idle(p, 3);
    ClickOn(p, "button0");
    Idle(p, 3);
    ClickOn(p, "pick");
    Idle(p, 3);
    for (const char* name : {"welcome", "userName", "changeplayer"})
      EXPECT_TRUE(Shown(name)) << name;
    EXPECT_EQ(Text("userName"), "Ann");
  });
}

// The background sound plays looping while the menu is open and stops when it closes; the
// menu's global goes with it. Without "bgAudio" nothing plays; without the cross-sell file the
// more-games button is hidden, with it the layout's visibility stays.
TEST_F(MenuWindowsTest, MainMenuPlaysItsMusicWhileOpenAndHidesMoreGamesWithoutCrossSell) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    StartSampleMenu(p);
    EXPECT_EQ(Playing(), 1u) << "the menu's theme";
    EXPECT_TRUE(Shown("moregames")) << "the sample ships a cross-sell screen";
    ClickOn(p, "quit");
    Idle(p, 3);
    ClickOn(p, "confirmyes");
    Idle(p, 3);
    wm->FlushDeletes();
    EXPECT_EQ(Find<TMainMenu>("mainmenu"), nullptr);
    EXPECT_EQ(Playing(), 0u) << "closing the menu stops its music";
    Host()->DoLuaString("gLeft = tostring(SetWelcomeName)");
    EXPECT_EQ(Global("gLeft"), "nil");

    std::filesystem::remove_all(mWork + "/assets/xsell");
    ForgetIndexedFile("xsell/xsell.xml");
    Build(p,
          "MainMenu({ name = 'plain', x = 0, y = 0, w = 800, h = 600, "
          "Text({ name = 'moregames', label = '#More', x = 0, y = 0, w = 100, h = 20 }), "
          "Text({ name = 'other', label = '#Other', x = 0, y = 30, w = 100, h = 20 }) })");
    EXPECT_EQ(Playing(), 0u) << "no bgAudio, no music";
    EXPECT_FALSE(Shown("moregames"));
    EXPECT_TRUE(Shown("other"));
  });
}

// Play opens the choose-player screen, unless a player was chosen a moment ago; picking a
// player starts the story when the game has one, and only then.
TEST_F(MenuWindowsTest, PlayStartsTheStoryOnceAPlayerIsPicked) {
  // The sample's own story stays out: the test gives the menu a story of its own later.
  std::filesystem::remove(mWork + "/assets/scripts/story.lua");
  RunGame([&](TPlatform* p, QMGameManager& g) {
    TWindowManager* wm = p->GetWindowManager();
    g.SetCurrentUser(g.CreateNewUser("Ann"));
    TWindow* menu = StartSampleMenu(p);
    auto play = [&] {
      ClickOn(p, "play");
      Idle(p, 3);
      EXPECT_NE(Find<TWindow>("chooser"), nullptr) << "Play opens the choose-player screen";
    };
    // Without a story: the screen only, as before.
    play();
    ClickOn(p, "pick");
    Idle(p, 3);
    EXPECT_EQ(wm->GetTopModal(), menu);

    Host()->DoLuaString("gStory = 0 function PlayStory() gStory = gStory + 1 end");
    play();
    ClickOn(p, "back");
    Idle(p, 3);
    EXPECT_EQ(Host()->GetGlobalNumber("gStory"), 0) << "going back starts nothing";
    play();
    ClickOn(p, "pick");
    Idle(p, 3);
    EXPECT_EQ(Host()->GetGlobalNumber("gStory"), 1);
    EXPECT_EQ(wm->GetTopModal(), menu);

    // A player chosen a moment ago with Change player is not asked again; the next Play is.
    ClickOn(p, "changeplayer");
    Idle(p, 3);
    ClickOn(p, "pick");
    Idle(p, 3);
    ClickOn(p, "play");
    Idle(p, 3);
    EXPECT_EQ(Find<TWindow>("chooser"), nullptr) << "the player was just chosen";
    EXPECT_EQ(Host()->GetGlobalNumber("gStory"), 2);
    play();
    ClickOn(p, "back");
    Idle(p, 3);
    EXPECT_EQ(Host()->GetGlobalNumber("gStory"), 2);
  });
}

// The intro's music starts with it and ends when it closes, the first time and when it shows
// again, and the menu's music alone plays on; a name that does not load plays nothing and the
// intro still shows.
TEST_F(MenuWindowsTest, IntroMusicEndsWithTheIntro) {
  std::ofstream(mWork + "/assets/scripts/introthenmenu.lua")
      << "return function() dofile('assets/scripts/ui/intro.lua')() "
         "dofile('assets/scripts/menu.lua')() end\n";
  RunGame([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    Build(p,
          "IntroWindow({ name = 'silent', x = 0, y = 0, w = 800, h = 600 }), "
          "IntroWindow({ name = 'broken', x = 0, y = 0, w = 800, h = 600, "
          "backgroundAudio = 'audio/no such sound.ogg' })");
    ASSERT_NE(Find<QMIntro>("broken"), nullptr);
    EXPECT_TRUE(Shown("broken"));
    EXPECT_EQ(Playing(), 0u);
    wm->DoPopModal("m");

    for (int showing = 1; showing <= 2; ++showing) {
      SCOPED_TRACE(showing);
      ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/introthenmenu.lua"));
      Idle(p, 2);
      ASSERT_NE(Find<QMIntro>("intro"), nullptr);
      EXPECT_EQ(Playing(), 1u);
      Click(p, 400, 300);
      Idle(p, 200);
      wm->FlushDeletes();
      EXPECT_EQ(Find<QMIntro>("intro"), nullptr) << "a click ends the intro";
      ASSERT_NE(FindWindow("changeplayer"), nullptr) << "the menu follows";
      EXPECT_EQ(Playing(), 1u) << "the menu's music alone: the intro's ended with it";
      EXPECT_EQ(TAssetManager::Instance()->FindAsset(str("audio/intro_theme.ogg;0;1001")), nullptr);
      wm->DoPopModal(wm->GetTopModal()->GetIdString());
      Idle(p, 3);
    }
  });
}

// The click that ends the intro is spent there: the menu that opens under the pointer sees
// neither the press nor, on a slow click, the release, so the button beneath stays unpressed.
TEST_F(MenuWindowsTest, TheClickThatEndsTheIntroPressesNothingInTheMenu) {
  std::ofstream(mWork + "/assets/scripts/introthenmenu.lua")
      << "return function() dofile('assets/scripts/ui/intro.lua')() "
         "dofile('assets/scripts/menu.lua')() end\n";
  RunGame([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    for (const bool slow : {false, true}) {
      ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/introthenmenu.lua"));
      Idle(p, 3);
      ASSERT_NE(Find<QMIntro>("intro"), nullptr);
      // Where the menu's "Change player" button will be.
      const TPoint at(400, 293);
      Send(p, kEventMouseMove, at.x, at.y);
      Send(p, kEventLeftDown, at.x, at.y);
      if (slow) Idle(p, 40);
      Send(p, kEventLeftUp, at.x, at.y);
      Idle(p, 40);
      wm->FlushDeletes();
      EXPECT_EQ(Find<QMIntro>("intro"), nullptr) << slow;
      ASSERT_NE(FindWindow("changeplayer"), nullptr) << "the menu is on top, nothing over it";
      TRect r;
      FindWindow("changeplayer")->GetScreenRect(r);
      EXPECT_TRUE(r.left <= at.x && at.x < r.right && r.top <= at.y && at.y < r.bottom)
          << "the click fell on the button";
      wm->DoPopModal(wm->GetTopModal()->GetIdString());
      Idle(p, 3);
    }
  });
}

// "SetGameOverStats" shows the heading, score and level; the high-score button goes only when
// the score is below the player's eligible score, the level only when it is 0 or more outside
// story mode, and story mode blackens the background image while arcade mode leaves it.
TEST_F(MenuWindowsTest, GameOverShowsTheResultAndHidesWhatItDoesNotEarn) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    struct Case {
      int mode;
      int eligible;  // 0: none
      const char* score;
      const char* level;
      bool button, level_shown, black;
    } cases[] = {
        {1, 1500, "1200", "3", false, true, false}, {1, 1500, "1500", "0", true, true, false},
        {1, 0, "5", "-1", true, false, false},      {0, 0, "12", "4", true, false, true},
        {2, 0, "x", "2", true, true, false},
    };
    TWindowManager* wm = p->GetWindowManager();
    int player = 0;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.score) + " level " + c.level);
      g.SetCurrentUser(g.CreateNewUser(str::Format("P%d", ++player)));
      g.SetCurrentGameMode(c.mode);
      if (c.eligible) g.GetHiscores().AddScore(c.eligible, true, "");
      Host()->DoLuaString(
          "dofile('scripts/ui/gameover.lua') PushModal('m') "
          "MakeDialog({ GameOverLayout() })");
      Host()->DoLuaString(
          ("SetGameOverStats('GAMEOVER_WIN', '" + std::string(c.score) + "', '" + c.level + "')")
              .c_str());
      EXPECT_EQ(Text("highscoretext"), "The harbour is tidy again!");
      EXPECT_EQ(Text("scorevalue"), c.score);
      EXPECT_EQ(Shown("highscorebutton"), c.button);
      EXPECT_EQ(Shown("levelvalue"), c.level_shown);
      EXPECT_EQ(Shown("level"), c.level_shown);
      if (c.level_shown) {
        EXPECT_EQ(Text("levelvalue"), c.level);
      }
      auto* back = Find<TImage>("overbackground");
      ASSERT_NE(back, nullptr);
      EXPECT_EQ(back->HasTexture(), c.black);
      if (c.black) {
        EXPECT_EQ(back->GetWidth(), 800);
        uint32_t* px = nullptr;
        int32_t pitch = 0;
        ASSERT_TRUE(back->GetTexture()->Lock(px, pitch));
        EXPECT_EQ(px[599 * pitch + 799], 0xFF000000u);
        back->GetTexture()->Unlock();
      }
      wm->DoPopModal("m");
      wm->FlushDeletes();
    }
    Host()->DoLuaString("gLeft = tostring(SetGameOverStats)");
    EXPECT_EQ(Global("gLeft"), "nil");
  });
}

// The sample's game-over screen in arcade mode, drawn as stored.
TEST_F(MenuWindowsTest, GameOverScreenDrawsAsStored) {
  RunGame([&](TPlatform* p, QMGameManager& g) {
    g.SetCurrentUser(g.CreateNewUser("Ann"));
    g.SetCurrentGameMode(1);
    HidePointer(p);
    Host()->DoLuaString(
        "dofile('scripts/ui/gameover.lua') PushModal('m') "
        "MakeDialog({ Bitmap({ name = 'behind', image = 'images/menu_bg.png' }),"
        " GameOverLayout() }) "
        "SetGameOverStats('GAMEOVER_LOSE', '4250', '7')");
    p->GetWindowManager()->Invalidate();
    Idle(p, 2);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "game/game_over.png"));
    EXPECT_FALSE(Logged("rror")) << Log();
  });
}

// The sprite window builds the table entries of "sprites" under its root, skips the other
// entries, runs their animations on its timer and draws the tree at its origin; without
// "sprites" it draws nothing and its timer still runs.
TEST_F(MenuWindowsTest, SpriteWindowBuildsAnimatesAndDrawsItsSprites) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    Build(p,
          "QMSpriteWindow({ name = 'empty', x = 0, y = 0, w = 100, h = 100 }), "
          "QMSpriteWindow({ name = 'ship', x = 200, y = 100, w = 400, h = 300, sprites = { "
          "  'not a sprite', 7, "
          "  { type = 'image', name = 'harbour', image = 'images/harbour.png', "
          "    position = { 10, 20 }, KAnim = { { type = 'position', from = { 10, 20 }, "
          "    to = { 110, 20 }, duration = 1000 } } }, "
          "  { type = 'image', name = 'star', image = 'images/star.png', "
          "    position = { 300, 200 } } } })");
    auto* ship = Find<QMSpriteWindow>("ship");
    auto* empty = Find<QMSpriteWindow>("empty");
    ASSERT_NE(ship, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->GetRootSprite()->GetChildren().empty());
    EXPECT_NE(empty->GetWindowAnim(), nullptr) << "the timer runs without sprites";
    ASSERT_EQ(ship->GetRootSprite()->GetChildren().size(), 2u) << "only the tables are sprites";
    auto harbour = ship->GetRootSprite()->GetSprite("harbour");
    ASSERT_TRUE(harbour);
    EXPECT_EQ(KGetSpritePosition(*harbour), TVec2(10, 20));
    Idle(p, 40);
    const float x = KGetSpritePosition(*harbour).x;
    EXPECT_GT(x, 10.0f) << "the animation advances on the window's timer";
    EXPECT_LE(x, 110.0f);

    p->GetWindowManager()->Invalidate();
    Idle(p, 1);
    const platform::display::Image frame = Frame();
    ASSERT_EQ(frame.width, 800);
    // The star sits at the window's origin plus its position; the empty window shows the
    // cleared screen.
    const uint32_t star = frame.pixels[size_t(100 + 200 + 9) * 800 + size_t(200 + 300 + 9)];
    EXPECT_GT((star >> 16) & 0xFF, 200u) << std::hex << star;
    EXPECT_EQ(frame.pixels[size_t(50) * 800 + 50] & 0xFFFFFF, 0u);
  });
}

}  // namespace
