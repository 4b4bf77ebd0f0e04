// The game's main loop and shutdown pieces, and the Lua text the shell writes itself.
#include <gtest/gtest.h>

#include <memory>

#include "engine/EngineFixture.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/LuaText.h"
#include "game/shell/QMGameManager.h"
#include "script/binding/TWindowScript.h"
#include "support/WindowOwnership.h"
#include "window/TModalWindow.h"
#include "window/TScreen.h"
#include "window/TWindowManager.h"

namespace {

class GameShellTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetGameSettings();
  }
  static TWindowScript* Host() { return TWindowScript::Of(TWindowManager::Instance()); }
};

// Every byte comes back unchanged through the Lua reader, and nothing after the literal runs.
TEST_F(GameShellTest, NamesWrittenIntoLuaTextReadBackExactly) {
  const std::string names[] = {
      "Ann",
      "O'Brien \"the\" \\ bold",
      "a]]..os.exit()..[[b",
      "\nline\r\ttab\x01\x7f",
      "\xC3\xA9l\xC3\xA8ve",
      "\"); gInjected = true; --",
      "",
  };
  Run("--multiple", [&](TPlatform*) {
    for (const std::string& name : names) {
      Host()->DoLuaString("gInjected = false gRead = " + LuaStringLiteral(str(name.c_str())));
      EXPECT_EQ(std::string(Host()->GetGlobalString("gRead").CStr()), name);
      Host()->DoLuaString("gTest = tostring(gInjected)");
      EXPECT_STREQ(Host()->GetGlobalString("gTest").CStr(), "false") << name;
    }
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(GameShellTest, ClosingPopsEveryModalTheScreenIncluded) {
  Run("--multiple", [&](TPlatform* p) {
    TWindowManager* wm = p->GetWindowManager();
    ASSERT_EQ(wm->GetTopModal(), nullptr);
    CloseAllModals(p, wm);  // nothing to pop: returns at once
    EXPECT_EQ(wm->GetTopModal(), nullptr);

    auto* screen = new TScreen();
    wm->SetRoot(std::unique_ptr<TWindow>(screen));
    wm->PushModal(Own(new TModalWindow()));
    wm->PushModal(Own(new TModalWindow()));
    CloseAllModals(p, wm);
    EXPECT_EQ(wm->GetTopModal(), nullptr);
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(GameShellTest, QuitToRestartKeepsTheScreenAndQueuesTheGameWindow) {
  Run("--multiple", [&](TPlatform* p) {
    CreateGameManager();
    TWindowManager* wm = p->GetWindowManager();
    auto* screen = new TScreen();
    wm->SetRoot(std::unique_ptr<TWindow>(screen));
    wm->PushModal(Own(new TModalWindow()));
    Host()->DoLuaString(
        "gPushed = {} PushModal = function(name) table.insert(gPushed, name) end "
        "gCommandQueue = {}");
    QuitToRestart();
    EXPECT_EQ(wm->GetTopModal(), screen);
    Host()->DoLuaString(
        "gTest = gPushed[1] .. '|' .. table.getn(gCommandQueue) .. '|' .. "
        "tostring(gTemporaryFunction == gCommandQueue[1])");
    EXPECT_STREQ(Host()->GetGlobalString("gTest").CStr(), "scripts/qmgamewindow.lua|1|true");
    DestroyGameManager();
  });
  EXPECT_TRUE(sBodyRan);
}

}  // namespace
