// The search level's panels on the headless display, built by the game's window types from
// Lua layouts: the pop-up navigation drawer sliding open under the pointer and shut when the
// pointer leaves, passing clicks on its empty area to the scene beneath and publishing the
// level's map state; and the info window paging through its panels.
#include <memory>
#include <string>

#include "game/GameScreenFixture.h"
#include "game/scenes/QMInfoWindow.h"
#include "game/scenes/QMMessages.h"
#include "game/scenes/QMPopupNav.h"
#include "game/shell/QMGameManager.h"
#include "online/TGameState.h"
#include "render/TSprite.h"
#include "support/Golden.h"
#include "window/TButton.h"
#include "window/TMessage.h"
#include "window/TWindowManager.h"

namespace {

// Counts the posted messages of one id that reach it, without taking them.
class IdCounter : public TMessageListener {
public:
  IdCounter(int32_t id, int& count) : mId(id), mCount(count) {}
  bool OnMessage(TMessage* m) override {
    if (m->GetId() == mId) ++mCount;
    return false;
  }

private:
  int32_t mId;
  int& mCount;
};

// A scene stand-in that counts the presses reaching it.
class ClickRecorder : public TWindow {
  T_WINDOW_CLASS(ClickRecorder, TWindow)

public:
  bool OnMouseDown(const TPoint&) override {
    ++sPresses;
    return true;
  }
  static inline int sPresses = 0;
};

class PanelsTest : public GameScreenTest {
protected:
  // Frames on the virtual clock, 16 ms apart.
  static void Tick(TPlatform* p, int ms) { Idle(p, (ms + 15) / 16); }

  // A level named "levels/beach" with a button under the drawer's board and the drawer, closed
  // at y 560 (its tab and the board's top showing), open at y 490.
  static void BuildLevel(TPlatform* p) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RegisterWindowType("ClickRecorder", &ClickRecorder::Create);
    ClickRecorder::sPresses = 0;
    wm->RunScriptString(
        wm->GetRoot(),
        "PushModal('levels/beach') MakeDialog({ "
        "ClickRecorder({ name = 'under', x = 100, y = 500, w = 200, h = 100 }), "
        "PopUpNavWindow({ name = 'nav', image = 'images/panels/drawer.png', x = 100, y = 560, "
        "                 openY = 490, duration = 400, slideInAudio = 'audio/click.ogg', "
        "                 slideOutAudio = 'audio/rollover.ogg', "
        "  KButton({ name = 'toMenu', x = 320, y = 40, w = 120, h = 44, "
        "            graphics = { 'images/button_normal.png' } }) }) })");
  }
};

TEST_F(PanelsTest, DrawerPublishesTheLevelsMapStateAndStartsClosedWithoutButtons) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    BuildLevel(p);
    auto* nav = Find<QMPopupNav>("nav");
    ASSERT_NE(nav, nullptr) << Log();
    EXPECT_FALSE(nav->IsOpen());
    EXPECT_FALSE(Shown("toMenu"));
    EXPECT_EQ(Global("map_level_string"), "map_beach_states");
    EXPECT_EQ(Global("map_scav_hunt_string"), "");
    EXPECT_STREQ(QMGameManager::Instance()->GetMapString().CStr(), "map_beach_states");

    struct Case {
      const char* modal;
      bool scavenger;
      const char* key;
    };
    const Case cases[] = {{"levels/beach", false, "beach"},
                          {"levels/beach_repeat", false, "beach_repeat_repeat"},
                          {"plain", false, "plain"},
                          {"hunt/beach", true, "hunt"},
                          {"hunt", true, "hunt"}};
    for (const Case& k : cases)
      EXPECT_STREQ(QMPopupNav::MapKey(k.modal, k.scavenger).CStr(), k.key) << k.modal;
  });
}

TEST_F(PanelsTest, DrawerOpensUnderThePointerAndClosesWhenThePointerLeaves) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    int buttonDowns = 0;
    // Offered the drawer's button presses before the drawer is.
    p->GetWindowManager()->AddMessageListener(
        std::make_unique<IdCounter>(kQMButtonPress, buttonDowns));
    BuildLevel(p);
    auto* nav = Find<QMPopupNav>("nav");
    ASSERT_NE(nav, nullptr) << Log();
    EXPECT_FALSE(nav->OnMouseLeave()) << "leaving the closed drawer does nothing";
    EXPECT_FALSE(nav->IsOpen());

    Send(p, kEventMouseMove, 400, 570);  // on the tab
    EXPECT_TRUE(nav->IsOpen());
    EXPECT_TRUE(Shown("toMenu"));
    Tick(p, 200);
    EXPECT_LT(nav->GetRect().top, 560);
    EXPECT_GT(nav->GetRect().top, 490);
    Tick(p, 240);
    EXPECT_EQ(nav->GetRect().top, 490);
    EXPECT_EQ(nav->GetRect().left, 100);

    // Moving over the open drawer keeps it open; a click on its empty board reaches the
    // scene's button beneath.
    Send(p, kEventMouseMove, 150, 560);
    EXPECT_TRUE(nav->IsOpen());
    Click(p, 150, 560);
    EXPECT_EQ(ClickRecorder::sPresses, 1);
    EXPECT_TRUE(nav->IsOpen());

    // Its own buttons take presses while it is open.
    Click(p, 100 + 380, 490 + 62);
    EXPECT_EQ(buttonDowns, 1);
    EXPECT_EQ(ClickRecorder::sPresses, 1);

    Send(p, kEventMouseMove, 400, 200);
    EXPECT_FALSE(nav->IsOpen());
    EXPECT_FALSE(Shown("toMenu"));
    Tick(p, 440);
    EXPECT_EQ(nav->GetRect().top, 560);
  });
}

TEST_F(PanelsTest, DrawerTakesNavigationPingsUntilDetachedOnce) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    BuildLevel(p);
    TWindowManager* wm = p->GetWindowManager();
    auto* nav = Find<QMPopupNav>("nav");
    ASSERT_NE(nav, nullptr);
    int pings = 0;
    wm->AddMessageListener(std::make_unique<IdCounter>(kQMNavigationPing, pings));
    wm->PostMessage(new TMessage(kQMNavigationPing, "ping"));
    wm->DrainMessages();
    EXPECT_EQ(pings, 0) << "the drawer takes the ping";

    // A press with no switch prepared counts no screen switch.
    wm->PostMessage(new TMessage(kQMButtonPress, "toMenu"));
    wm->DrainMessages();
    EXPECT_STREQ(TGameState::GetInstance()->GetState("LevelScreenSwitches").CStr(), "");
    // Without a scavenger scene a release prepares nothing.
    wm->PostMessage(new TMessage(kQMButtonRelease, "toMenu"));
    wm->DrainMessages();
    EXPECT_TRUE(nav->GetPendingScript().IsEmpty());

    wm->PostMessage(new TMessage(kQMDetachNavigation, "nav"));
    wm->PostMessage(new TMessage(kQMDetachNavigation, "nav"));
    wm->PostMessage(new TMessage(kQMNavigationPing, "ping"));
    wm->DrainMessages();
    EXPECT_EQ(pings, 1) << "a detached drawer leaves pings to the others";
  });
}

// The switch a drawer button prepares runs later from the command queue and leaves the
// current puzzle's bad-click prompt count as it found it.
TEST_F(PanelsTest, PreparedSwitchKeepsThePuzzlesBadClickPromptCount) {
  RunGame([&](TPlatform*, QMGameManager&) {
    Host()->DoLuaString(
        "local puzzle = { count = 3 } "
        "function puzzle:getBadClickPromptCount() return self.count end "
        "function puzzle:setBadClickPromptCount(n) self.count = n end "
        "local group = { getCurrentPuzzle = function() return puzzle end } "
        "local level = { getCurrentGroup = function() return group end } "
        "gGameState = { getCurrentLevel = function() return level end } "
        "gPuzzle = puzzle gCommandQueue = {}");
    const str script = QMPopupNav::SwitchScript(
        "gSwitched = 1 gGameState:getCurrentLevel():getCurrentGroup():getCurrentPuzzle()"
        ":setBadClickPromptCount(0)");
    EXPECT_EQ(script.Find("\t\t\t\t\t\t\t\t\t\t\t"), script.Find('\t'));
    Host()->DoLuaString(script);
    EXPECT_EQ(Global("gSwitched"), "") << "queued, not yet run";
    Host()->DoLuaString("gCommandQueue[1]()");
    EXPECT_EQ(Global("gSwitched"), "1");
    Host()->DoLuaString("gCount = gPuzzle.count");
    EXPECT_EQ(Host()->GetGlobalNumber("gCount"), 3);
  });
}

// The sample's guide: two pages that fade in and wait, the first for Next, the second for
// Back; the buttons show only while a page waits and only those the page would take.
TEST_F(PanelsTest, GuidePagesOnAndBackAndShowsTheButtonsEachPageTakes) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/ui/guide.lua")) << Log();
    auto* guide = Find<QMInfoWindow>("guide");
    ASSERT_NE(guide, nullptr) << Log();
    EXPECT_EQ(wm->GetTopModal()->GetName(), str("infoPanel"));
    EXPECT_EQ(guide->GetPageCount(), 2u);
    EXPECT_EQ(guide->GetPagesShown(), 1u);
    EXPECT_EQ(wm->GetFocus(), guide);
    for (const char* b : {"nextButton", "prevButton", "closeButton"}) EXPECT_FALSE(Shown(b)) << b;

    Tick(p, 480);
    EXPECT_TRUE(Shown("nextButton"));
    EXPECT_TRUE(Shown("closeButton"));
    EXPECT_FALSE(Shown("prevButton")) << "the first page waits for Next only";
    TMessage back(kQMInfoBack, "");
    EXPECT_FALSE(guide->OnMessage(&back)) << "nothing before the first page";
    EXPECT_EQ(guide->GetPagesShown(), 1u);

    auto next = [&] {
      wm->PostMessage(new TMessage(kQMInfoContinue, ""));
      wm->DrainMessages();
    };
    next();
    EXPECT_FALSE(Shown("nextButton"));
    Tick(p, 300);  // the first page fades out
    EXPECT_EQ(guide->GetPagesShown(), 2u);
    Tick(p, 480);  // the second fades in and waits
    EXPECT_TRUE(Shown("prevButton"));
    EXPECT_FALSE(Shown("nextButton"));
    ASSERT_NE(guide->GetCurrentSprite(), nullptr);
    EXPECT_FLOAT_EQ(guide->GetCurrentSprite()->GetDrawState().alpha, 1.0f);
    // Without the cursor, whose image depends on what ran before in this process.
    HidePointer(p);
    Tick(p, 16);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "panels/info_page2.png", 2));
    p->SetCursorVisible(true);

    // Back to the first page and on again: the second page comes back.
    EXPECT_TRUE(guide->OnMessage(&back));
    EXPECT_EQ(guide->GetPagesShown(), 1u);
    Tick(p, 480);
    EXPECT_TRUE(Shown("nextButton"));
    next();
    Tick(p, 800);
    EXPECT_EQ(guide->GetPagesShown(), 2u);
    EXPECT_TRUE(guide->HasCurrentPage());
    EXPECT_TRUE(Shown("prevButton"));

    TMessage nextPage(kQMInfoNextPage, "");
    EXPECT_TRUE(guide->OnMessage(&nextPage));
    EXPECT_FALSE(guide->HasCurrentPage()) << "no page left to show";
    Tick(p, 32);
    EXPECT_FALSE(Shown("closeButton"));
  });
}

// The guide's drawer, slid up under the pointer, leaves the page's caption and the guide's
// buttons in sight, its own button on the screen.
TEST_F(PanelsTest, GuideDrawerSlidUpCoversNoneOfTheGuidesButtons) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/ui/guide.lua")) << Log();
    auto* drawer = Find<QMPopupNav>("drawer");
    ASSERT_NE(drawer, nullptr) << Log();
    Tick(p, 480);
    TRect closed;
    drawer->GetScreenRect(closed);
    Send(p, kEventMouseMove, 400, closed.top + 8);  // on the tab
    ASSERT_TRUE(drawer->IsOpen());
    Tick(p, 400);
    TRect open;
    drawer->GetScreenRect(open);
    EXPECT_LT(open.top, closed.top);
    EXPECT_GE(open.top, 444) << "the page's caption ends at 444";
    for (const char* name : {"nextButton", "prevButton", "closeButton"}) {
      TWindow* button = FindWindow(name);
      ASSERT_NE(button, nullptr) << name;
      TRect r, both;
      button->GetScreenRect(r);
      both.SetIntersection(r, open);
      EXPECT_TRUE(both.Width() <= 0 || both.Height() <= 0)
          << name << " (" << r.left << ", " << r.top << ") lies under the open drawer";
    }
    TWindow* toMenu = FindWindow("toMenu");
    ASSERT_NE(toMenu, nullptr);
    EXPECT_TRUE(Shown("toMenu"));
    TRect r;
    toMenu->GetScreenRect(r);
    EXPECT_LE(r.bottom, 600) << "the drawer's button shows whole";
  });
}

// The guide is not play: Escape closes it, and no pause screen comes up to take its clicks.
TEST_F(PanelsTest, EscapeClosesTheGuideWithoutAPauseScreen) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/ui/guide.lua")) << Log();
    ASSERT_NE(Find<QMInfoWindow>("guide"), nullptr) << Log();
    Tick(p, 160);
    Send(p, kEventKeyDown, 0, 0, 27);
    Tick(p, 32);
    EXPECT_EQ(Find<TButton>("resume"), nullptr) << "no pause screen";
    EXPECT_EQ(Find<QMInfoWindow>("guide"), nullptr) << "the guide is closed\n" << Log();
    EXPECT_EQ(wm->GetTopModal(), wm->GetRoot());
  });
}

TEST_F(PanelsTest, InfoWindowOpensThePauseScreenOnEscapeButNotOnAHeldKey) {
  WriteAsset("scripts/ui/pause.lua", "gPauses = (gPauses or 0) + 1");
  RunGame([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(wm->GetRoot(),
                        "PushModal('infoPanel') MakeDialog({ InfoWindow({ name = 'info', "
                        "x = 0, y = 0, w = 800, h = 600, overlay = { { name = 'p', "
                        "KAnim = { { type = 'wait', message = 1021 } } } } }) })");
    auto* info = Find<QMInfoWindow>("info");
    ASSERT_NE(info, nullptr) << Log();
    // The pause screen takes the keys once it is up, so the keys go to the window itself.
    auto escape = [&](int after) {
      Tick(p, after);
      info->OnKeyDown(27, 0);
      return Host()->GetGlobalNumber("gPauses");
    };
    EXPECT_EQ(escape(160), 1) << Log();
    EXPECT_EQ(escape(48), 1) << "48 ms after the last press: a held key";
    EXPECT_EQ(escape(64), 1) << "64 ms after the last press";
    EXPECT_EQ(escape(112), 2);
    EXPECT_FALSE(info->OnKeyDown('a', 0));
    EXPECT_EQ(escape(16), 2) << "any key counts as the last press";
  });
}

TEST_F(PanelsTest, WindowPropsMoveAndSizeANamedChildOfTheInfoWindow) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(wm->GetRoot(),
                        "PushModal('infoPanel') MakeDialog({ InfoWindow({ name = 'info', "
                        "x = 0, y = 0, w = 800, h = 600, "
                        "Bitmap({ name = 'pic', x = 20, y = 30, w = 40, h = 50 }) }) })");
    auto* info = Find<QMInfoWindow>("info");
    ASSERT_NE(info, nullptr) << Log();
    TWindow* pic = info->FindChild("pic", -1);
    ASSERT_NE(pic, nullptr);
    struct Case {
      int x, y, w, h;
      TRect want;
    };
    const Case cases[] = {
        {-1, -1, -1, -1, TRect(20, 30, 60, 80)},      {100, -1, -1, -1, TRect(100, 30, 140, 80)},
        {-1, 200, -1, -1, TRect(100, 200, 140, 250)}, {5, 6, 70, -1, TRect(5, 6, 75, 56)},
        {-1, -1, 10, 20, TRect(5, 6, 15, 26)},
    };
    for (const Case& k : cases) {
      QMWindowPropsMessage m("pic", k.x, k.y, k.w, k.h);
      EXPECT_TRUE(info->OnMessage(&m));
      EXPECT_EQ(pic->GetRect(), k.want) << k.x << " " << k.y << " " << k.w << " " << k.h;
    }
    QMWindowPropsMessage nobody("nobody", 1, 1, 1, 1);
    EXPECT_TRUE(info->OnMessage(&nobody));
    EXPECT_EQ(pic->GetRect(), TRect(5, 6, 15, 26));
    TMessage plain(kQMWindowProps, "pic");
    EXPECT_FALSE(info->OnMessage(&plain)) << "window props only from their own message class";
    TMessage other(kQMItemFound, "pic");
    EXPECT_FALSE(info->OnMessage(&other));
  });
}

}  // namespace
