// The game inside the engine on the headless platform: the sample game's asset folders a test
// names, the game's settings, and a run with the game object and the game's window types.
#pragma once

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>

#include "engine/EngineFixture.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/QMGameManager.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

class GameTest : public EngineTest {
protected:
  // Copies the sample game's folders (under assets/) into the test's assets.
  void UseSampleAssets(std::initializer_list<const char*> folders) {
    namespace fs = std::filesystem;
    const std::string sample = std::string(ENGINE_SOURCE_DIR) + "/sample/assets/";
    for (const char* folder : folders) {
      fs::create_directories(mWork + "/assets/" + folder);
      fs::copy(sample + folder, mWork + "/assets/" + folder, fs::copy_options::recursive);
    }
    SetGameSettings();
  }

  // Copies the whole sample game (its assets/ folder) into the test's assets.
  void UseWholeSample() {
    std::filesystem::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets", mWork + "/assets",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
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
};
