// A screen whose picture does not change costs nothing while the player does nothing: over ten
// quiet seconds on the virtual clock at the sample's menu and at "Who is playing?", the main
// script waiting for the screen's messages is not resumed, no frame is presented but for the
// caret's blinks, and the frame tasks tell the event pump that nothing is due (so it sleeps
// instead of polling).
#include <gtest/gtest.h>

#include <filesystem>

#include "core/TPlatform.h"
#include "core/TTaskList.h"
#include "game/GameScreenFixture.h"
#include "game/shell/TChoosePlayer.h"
#include "game/shell/TMainMenu.h"

namespace {

class IdleScreensTest : public GameScreenTest {
protected:
  void SetUp() override {
    GameScreenTest::SetUp();
    UseWholeSample();
    // Straight to the menu.
    std::filesystem::remove(mWork + "/assets/scripts/ui/intro.lua");
  }

  template <typename W>
  static bool Opens(TPlatform* p, const char* name) {
    for (int i = 0; i < 200 && !Find<W>(name); ++i) Tick(p, 16);
    return Find<W>(name) != nullptr;
  }
  static uint64_t Presents() {
    auto* display = dynamic_cast<platform::display::headless::Display*>(
        TDxDisplayHandler::Instance()->GetContext()->GetBackend());
    return display ? display->PresentCount() : 0;
  }

  struct Quiet {
    double waits;
    uint64_t presents;
    uint32_t msUntilDue;
  };
  // Ten seconds without input; every wait of the main script for a message is counted (each
  // resume ends in one).
  static Quiet TenQuietSeconds(TPlatform* p) {
    const uint64_t presents = Presents();
    Host()->DoLuaStringWithoutWaking("gWaitsCounted = 0");
    Tick(p, 10000);
    return {Host()->GetGlobalNumber("gWaitsCounted"), Presents() - presents,
            p->GetTaskList()->MsUntilDue()};
  }
};

TEST_F(IdleScreensTest, TheMenuAndThePlayerChooserRestWhileNothingHappens) {
  RunGame([](TPlatform* p, QMGameManager&) {
    // A fresh installation asks who is playing first: a player is made and picked.
    ASSERT_TRUE(Opens<TChoosePlayer>(p, "chooser")) << Log();
    Tick(p, 64);
    Type(p, "Robin");
    Tick(p, 32);
    ClickOn(p, "create");
    ClickOn(p, "pick");
    HidePointer(p);
    ASSERT_TRUE(Opens<TMainMenu>(p, "mainmenu")) << Log();
    // Counts the script's waits through the sample's own WaitForMessage, which asks the host.
    Host()->DoLuaStringWithoutWaking(
        "local wait = HandleGetMessage\n"
        "gWaitsCounted = 0\n"
        "function HandleGetMessage(...)\n"
        "  gWaitsCounted = gWaitsCounted + 1\n"
        "  return wait(unpack(arg))\n"
        "end");
    Tick(p, 2000);  // the menu's fades and its music's start are over
    const Quiet menu = TenQuietSeconds(p);
    EXPECT_EQ(menu.waits, 0) << Log();
    EXPECT_EQ(menu.presents, 0u);
    EXPECT_GE(menu.msUntilDue, 1000u);

    ClickOn(p, "changeplayer");
    ASSERT_TRUE(Opens<TChoosePlayer>(p, "chooser")) << Log();
    Tick(p, 2000);
    const Quiet chooser = TenQuietSeconds(p);
    EXPECT_EQ(chooser.waits, 0) << Log();
    // Only the name field's caret changes the picture: it shows and hides every 400 ms.
    EXPECT_LE(chooser.presents, 10000u / 400u + 1u);
    EXPECT_GE(chooser.msUntilDue, 1000u);
  });
}

}  // namespace
