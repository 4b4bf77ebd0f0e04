// The game's menu screens run inside the engine on the headless platform: the name entry with
// its typing sounds, the choose-player screen and the options screen, driven by injected clicks
// and typing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/EngineFixture.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/TCustomTextEdit.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSoundManager.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"
#include "window/WindowTestSupport.h"

namespace {

class MenuScreensTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    namespace fs = std::filesystem;
    fs::create_directories(mWork + "/assets/audio/sfx");
    const std::string sfx = std::string(ENGINE_SOURCE_DIR) + "/sample/assets/audio/sfx/";
    for (const auto& entry : fs::directory_iterator(sfx))
      fs::copy_file(entry.path(), mWork + "/assets/audio/sfx/" + entry.path().filename().string());
    SetGameSettings();
  }

  // Runs body in the engine with the game object and the game's window types.
  void RunGame(std::function<void(TPlatform*, QMGameManager&)> body) {
    Run("--multiple", [&](TPlatform* p) {
      Host()->DoLuaString(
          "function QMSerialized_save() return '' end "
          "function QMSerialized_restore() end function QMGameState_new() end");
      CreateGameManager();
      RegisterGameTypes(p->GetWindowManager());
      body(p, *QMGameManager::Instance());
      DestroyGameManager();
    });
    EXPECT_TRUE(sBodyRan);
  }

  static TWindowScript* Host() { return TWindowScript::Of(TWindowManager::Instance()); }
  static std::string Global(const char* name) { return Host()->GetGlobalString(name).CStr(); }
  static void Build(TPlatform* p, const std::string& windows) {
    TWindowManager* wm = p->GetWindowManager();
    wm->RunScriptString(wm->GetRoot(), ("PushModal('m') MakeDialog({ " + windows + " })").c_str());
  }
  static void Send(TPlatform* p, int type, int x, int y, int code = 0) {
    p->GetWindowManager()->HandleEvent(MakeEvent(type, x, y, code, 0));
  }
  static void Click(TPlatform* p, int x, int y) {
    Send(p, kEventMouseMove, x, y);
    Send(p, kEventLeftDown, x, y);
    Send(p, kEventLeftUp, x, y);
  }
  static void Type(TPlatform* p, const std::string& text) {
    for (unsigned char c : text) Send(p, kEventChar, 0, 0, c);
  }
  template <typename W>
  static W* Find(const char* name) {
    TWindow* top = TWindowManager::Instance()->GetTopModal();
    TWindow* w = top ? top->FindChild(name, -1) : nullptr;
    return w && w->IsKindOf(W::GetClassId()) ? static_cast<W*>(w) : nullptr;
  }
  static bool Shown(const char* name) {
    TWindow* w = TWindowManager::Instance()->GetTopModal()->FindChild(name, -1);
    return w && (w->GetFlags() & kWindowShown) != 0;
  }
  static size_t Playing() { return TSoundManager::Instance()->GetStreamCount(); }
};

// The layout's initial text goes at the first key, each taken character plays one typing
// sound, and the OK partner shows only while the field holds text.
TEST_F(MenuScreensTest, TypingANamePlaysTypingSoundsAndShowsOkWhileTheFieldHoldsText) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    Build(p,
          "TextEdit({ name = 'entry', x = 0, y = 0, w = 200, h = 20, length = 4, "
          "label = 'Your name', clearinitial = true, enablewindow = 'ok' }), "
          "TextEdit({ name = 'plain', x = 0, y = 30, w = 200, h = 20, label = 'keep' }), "
          "Text({ name = 'ok', x = 0, y = 60, w = 40, h = 20, label = 'OK' })");
    auto* entry = Find<TCustomTextEdit>("entry");
    ASSERT_NE(entry, nullptr) << "layouts' text edits are the game's own";
    EXPECT_EQ(entry->GetText(), str("Your name"));
    TWindow* ok = TWindowManager::Instance()->GetTopModal()->FindChild("ok", -1);
    ok->SetFlags(ok->GetFlags() & ~kWindowShown);

    Click(p, 5, 5);
    EXPECT_EQ(entry->GetText(), str("")) << "the first click clears the initial text";
    EXPECT_EQ(Playing(), 0u);
    EXPECT_FALSE(Shown("ok"));

    Type(p, "Z");
    EXPECT_EQ(entry->GetText(), str("Z"));
    EXPECT_EQ(Playing(), 1u);
    EXPECT_TRUE(Shown("ok"));
    Type(p, "oeXY");  // length 4 takes three characters; the refused ones play nothing
    EXPECT_EQ(entry->GetText(), str("Zoe"));
    EXPECT_EQ(Playing(), 3u);
    Type(p, "\b\b");
    EXPECT_TRUE(Shown("ok"));
    Type(p, "\b");
    EXPECT_EQ(entry->GetText(), str(""));
    EXPECT_FALSE(Shown("ok")) << "backspacing the last character hides the partner";
    EXPECT_EQ(Playing(), 3u);

    // Without "clearinitial" the layout's text stays and typing adds to it.
    Click(p, 5, 35);
    Type(p, "s");
    EXPECT_EQ(Find<TCustomTextEdit>("plain")->GetText(), str("keeps"));
    EXPECT_EQ(Playing(), 4u);
  });
}

}  // namespace
