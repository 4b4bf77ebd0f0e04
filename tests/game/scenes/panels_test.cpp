// The search level's panels on the headless display, built by the game's window types from
// Lua layouts: the pop-up navigation drawer sliding open under the pointer and shut when the
// pointer leaves, passing clicks on its empty area to the scene beneath and publishing the
// level's map state; and the info window paging through its panels.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "engine/render/RenderFixture.h"

#include "game/scenes/QMMessages.h"
#include "game/scenes/QMPopupNav.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/QMGameManager.h"
#include "online/TGameState.h"
#include "script/binding/TWindowScript.h"
#include "support/Golden.h"
#include "window/TButton.h"
#include "window/TMessage.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

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

class PanelsTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    namespace fs = std::filesystem;
    const std::string sample = std::string(ENGINE_SOURCE_DIR) + "/sample/assets/";
    for (const char* folder : {"audio", "fonts", "images", "cursor", "scripts/ui"}) {
      fs::create_directories(mWork + "/assets/" + folder);
      fs::copy(sample + folder, mWork + "/assets/" + folder,
               fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    SetGameSettings();
  }

  // Runs the body on an 800 x 600 screen with the game object and the game's window types.
  void RunGame(std::function<void(TPlatform*)> body) {
    RunScreen(
        [&](TPlatform* p) {
          Host()->DoLuaString(
              "function QMSerialized_save() return '' end "
              "function QMSerialized_restore() end function QMGameState_new() end");
          CreateGameManager();
          RegisterGameTypes(p->GetWindowManager());
          body(p);
          DestroyGameManager();
        },
        800, 600, "--multiple");
    EXPECT_TRUE(sBodyRan);
  }

  static TWindowScript* Host() { return TWindowScript::Of(TWindowManager::Instance()); }
  static std::string Global(const char* name) { return Host()->GetGlobalString(name).CStr(); }
  static void Send(TPlatform* p, int type, int x, int y, int code = 0) {
    p->GetWindowManager()->HandleEvent(MakeEvent(type, x, y, code, 0));
  }
  static void Click(TPlatform* p, int x, int y) {
    Send(p, kEventMouseMove, x, y);
    Send(p, kEventLeftDown, x, y);
    Send(p, kEventLeftUp, x, y);
  }
  // Frames on the virtual clock, 16 ms apart.
  static void Tick(TPlatform* p, int ms) {
    TPlatformEvent e;
    for (int t = 0; t < ms; t += 16) {
      platform::os::AdvanceVirtualTime(16);
      p->GetEvent(e);
      p->GetWindowManager()->HandleEvent(e);
    }
  }
  template <typename W>
  static W* Find(const char* name) {
    TWindow* top = TWindowManager::Instance()->GetTopModal();
    return WindowCast<W>(top ? top->FindChild(name, -1) : nullptr);
  }
  static bool Shown(const char* name) {
    TWindow* w = TWindowManager::Instance()->GetTopModal()->FindChild(name, -1);
    return w && (w->GetFlags() & kWindowShown) != 0;
  }
  // Instances of a scene effect loaded the way the panels load theirs.

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
  RunGame([&](TPlatform* p) {
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
  RunGame([&](TPlatform* p) {
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
  RunGame([&](TPlatform* p) {
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

}  // namespace
