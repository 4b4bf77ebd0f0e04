// The game's free script functions: run-time settings, the one-shot debug flag, preference
// strings, file checks and the fade of the animation sounds on the top modal's clock.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "engine/EngineFixture.h"
#include "game/shell/GameMain.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/ScriptUtilities.h"
#include "core/EngineLog.h"
#include "script/LuaApi.h"
#include "platform/os/Clock.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSoundManager.h"
#include "support/WindowOwnership.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

namespace {

class ScriptUtilitiesTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetGameSettings();
  }
  static TWindowScript* Host() { return TWindowScript::Of(TWindowManager::Instance()); }
  static std::string Eval(const char* expression) {
    Host()->DoLuaString(str::Format("gTestValue = tostring(%s)", expression));
    return Host()->GetGlobalString("gTestValue").CStr();
  }
};

}  // namespace

TEST_F(ScriptUtilitiesTest, ScriptFunctionsAnswerAsTheGameExpects) {
  std::filesystem::create_directories(mWork + "/assets/scripts");
  WriteAsset("scripts/here.lua", "x = 1");
  Run("--multiple", [&](TPlatform*) {
    CreateGameManager();
    RegisterScriptUtilities(Host()->GetState());
    Host()->DoLuaString("RuntimeSettings({ DisableSave = true, DebugMode = 1 })");
    EXPECT_TRUE(RuntimeSettings().disableSave);
    EXPECT_TRUE(RuntimeSettings().debugMode);
    // Keys left out take their defaults, not their previous values.
    Host()->DoLuaString("RuntimeSettings({})");
    EXPECT_FALSE(RuntimeSettings().disableSave);
    EXPECT_FALSE(RuntimeSettings().debugMode);
    EXPECT_TRUE(RuntimeSettings().disappearingItems);

    Host()->DoLuaString("SetScriptDebugMode(true)");
    EXPECT_EQ(Eval("GetScriptDebugMode()"), "true");
    EXPECT_EQ(Eval("GetScriptDebugMode()"), "false");

    Host()->DoLuaString("SetPreferenceString('lastScene', 'harbor')");
    EXPECT_EQ(Eval("GetPreferenceString('lastScene')"), "harbor");
    EXPECT_EQ(Eval("GetPreferenceString('nothing')"), "");
    EXPECT_EQ(std::string(QMGameManager::Instance()->GetPrefs().GetString("lastScene", "").CStr()),
              "harbor");

    EXPECT_EQ(Eval("fileExists('settings.xml')"), "false");
    EXPECT_EQ(Eval("fileExists('scripts/here.lua')"), "true");
    DestroyGameManager();
  });
}

TEST_F(ScriptUtilitiesTest, DataFilesGiveTheirTableOrALogLine) {
  std::filesystem::create_directories(mWork + "/assets/scripts/tools");
  WriteAsset("scripts/tools/lamp.lua", "return { radius = 40 }");
  WriteAsset("scripts/tools/number.lua", "return 3");
  WriteAsset("scripts/tools/broken.lua", "return { radius = ");
  Run("--multiple", [&](TPlatform*) {
    LuaDataState data;
    ASSERT_TRUE(data.LoadTable("scripts/tools/lamp.lua"));
    lua_State* L = data.GetState();
    lua_pushstring(L, "radius");
    lua_gettable(L, -2);
    EXPECT_EQ(lua_tonumber(L, -1), 40);
    EXPECT_FALSE(data.LoadTable("scripts/tools/number.lua"));
    EXPECT_FALSE(data.LoadTable("scripts/tools/broken.lua"));
    EXPECT_FALSE(data.LoadTable("scripts/tools/missing.lua"));
    std::ifstream in(GetLogFilePath().CStr());
    std::stringstream log;
    log << in.rdbuf();
    for (const char* line : {"Data file scripts/tools/number.lua does not give a table",
                             "Data file scripts/tools/broken.lua not read",
                             "Data file scripts/tools/missing.lua not read"})
      EXPECT_NE(log.str().find(line), std::string::npos) << line << "\n" << log.str();
  });
}

TEST_F(ScriptUtilitiesTest, FadeLowersTheAnimationSoundsOnTheModalClockAndRestoresTheirLevel) {
  Run("--multiple", [&](TPlatform* p) {
    CreateGameManager();
    auto* modal = new TModalWindow();
    TWindowManager::Instance()->PushModal(Own(modal));
    TSoundManager* sound = p->GetSoundManager();
    ASSERT_NE(sound, nullptr);
    sound->SetGroupVolume(QMSoundFader::kGroup, 0.5f);

    QMSoundFader fader(1000);
    EXPECT_TRUE(fader.Animate());  // starts: takes the time and the volume
    platform::os::AdvanceVirtualTime(250);
    EXPECT_TRUE(fader.Animate());
    EXPECT_NEAR(sound->GetVolume(QMSoundFader::kGroup), 0.375f, 1e-4);
    // The fade follows the modal's clock: while it is paused, nothing moves.
    modal->GetClock().Pause();
    platform::os::AdvanceVirtualTime(500);
    EXPECT_TRUE(fader.Animate());
    EXPECT_NEAR(sound->GetVolume(QMSoundFader::kGroup), 0.375f, 1e-4);
    modal->GetClock().Start();
    platform::os::AdvanceVirtualTime(750);
    EXPECT_FALSE(fader.Animate());
    // Back at the player's effects level (750 by default), whatever the fade started from.
    EXPECT_FLOAT_EQ(sound->GetVolume(QMSoundFader::kGroup), 0.75f);

    // A fade without duration ends at once at the nominal level; a silent group is left alone.
    sound->SetGroupVolume(QMSoundFader::kGroup, 0.3f);
    QMSoundFader instant(0);
    EXPECT_FALSE(instant.Animate());
    EXPECT_FLOAT_EQ(sound->GetVolume(QMSoundFader::kGroup), 0.75f);
    sound->SetGroupVolume(QMSoundFader::kGroup, 0.0f);
    QMSoundFader silent(1000);
    EXPECT_FALSE(silent.Animate());
    EXPECT_FLOAT_EQ(sound->GetVolume(QMSoundFader::kGroup), 0.0f);
    DestroyGameManager();
  });
}

TEST_F(ScriptUtilitiesTest, FadeOutlivesItsModal) {
  Run("--multiple", [&](TPlatform* p) {
    auto* modal = new TModalWindow();
    TWindowManager::Instance()->PushModal(Own(modal));
    p->GetSoundManager()->SetGroupVolume(QMSoundFader::kGroup, 1.0f);
    auto fader = std::make_unique<QMSoundFader>(1000);
    EXPECT_TRUE(fader->Animate());
    TWindowHandle alive(modal);
    TWindowManager::Instance()->PopTopModal();
    TWindowManager::Instance()->FlushDeletes();
    ASSERT_FALSE(alive) << "the modal is gone";
    // The modal and its clock are gone: the fade carries on on the platform timer.
    platform::os::AdvanceVirtualTime(2000);
    fader->Ready(0);
    EXPECT_FALSE(fader->Animate());
  });
}
