// The sample game ships every file the program loads by a fixed name and defines every script
// function the program calls by name. What is missing shows as one list. Files and functions
// that a piece of the game still on its way brings are listed with that piece in
// kExpectedMissing: they may be missing now, and once they are there the test asks for their
// line to go, so the table only ever shrinks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/QMGameManager.h"
#include "script/binding/TWindowScript.h"
#include "support/GameFixture.h"
#include "window/TWindowManager.h"

namespace {

// Files under the sample's assets folder that the program opens by a fixed name (images and
// animations without their extension are looked up as ".png").
const std::vector<std::string> kFiles = {
    // Start-up, saved games, quitting and restarting.
    "settings.xml", "strings.xml", "scripts/mainloop.lua", "scripts/quitverify.lua",
    "scripts/classes/qmserialized.lua", "scripts/qmgamewindow.lua", "cursor/cursor.png",
    // Menus, high scores, other games.
    "scripts/ui/hiscoresubmit.lua", "xsell/xsell.xml", "audio/sfx/sfx_testSound.ogg",
    // The map screen.
    "anim/pointer.xml", "anim/mapsparkle.xml",
    // The search levels: their clock, list and found items.
    "scripts/common/timer_penalty.lua", "scripts/common/timer_bonus.lua",
    "gameobjects/strikeout.png", "gameobjects/common/over_button_particle.lua", "anim/above.xml",
    "anim/behind.xml", "anim/hint.xml", "codex/scrollanim_left.xml", "codex/scrollanim_right.xml",
    "scripts/panels/common/hintanimation.lua",
    // The search tools and the pause screen.
    "scripts/ui/pause.lua", "scripts/tools/flashlight.lua", "scripts/tools/magnifying_glass.lua",
    // The puzzles.
    "scripts/common/round_begin.lua", "scripts/common/round_end_modal.lua",
    "scripts/common/layer/qm_layer_hint_anim.lua", "scripts/common/layer/qm_layer_hint_anim_02.lua",
    "scripts/common/sequence/round_end_modal.lua", "scripts/common/word/word_letter_anim.lua",
    "scripts/common/word/round_end_modal.lua", "scripts/common/word/round_end_default.lua",
    "word/blank_glow.xml", "word/letter_down.png", "word/letter_over.png", "fonts/comic.mvec",
    "codex/wordblank.xml", "fonts/euro_ex_bold.mvec",
    "scripts/common/codex/codex_complete_modal.lua",
    "gameobjects/common/over_codexgrid_particle.lua",
    // The arcade run.
    "scripts/searchhelper.lua", "scripts/multiples.lua", "scripts/runpause.lua",
    "scripts/gameover.lua", "anim/hint3.xml", "anim/behind2.xml", "audio/sfx/found_object.ogg",
    "audio/sfx/sfx_incorrect.ogg", "audio/sfx/sfx_incorrect2.ogg", "audio/sfx/sfx_button_hint.ogg",
    "audio/sfx/sfx_bonus_loss.ogg", "audio/sfx/sfx_bonus_gain_alt_2.ogg",
    "audio/sfx/sfx_find_all_objects_alt.ogg", "audio/music/spanish_loop_1.ogg",
    "audio/music/mellow_rock_loop_1.ogg", "audio/music/mellow_bass_loop_2.ogg",
    "audio/music/contemp_loop_1.ogg", "audio/music/contemp_loop_2.ogg",
    "audio/music/contemp_loop_3.ogg"};

// Script functions the program calls by name once the game has started (the search level's
// callbacks while a level plays).
const std::vector<std::string> kFunctions = {
    "QMSerialized_save", "QMSerialized_restore", "QMGameState_new", "PlayStory",
    "searchItemFound",   "reportBadClick",       "showOptions",     "modifyGameTimer",
    "puzzleComplete",    "decrementGameTimer",   "bumpHintLevel"};

// What may be missing for now, by the piece of the game that brings it.
const std::map<std::string, std::string> kExpectedMissing = {};

// The names that are missing without an excuse, and those excused that are there after all.
struct Findings {
  std::vector<std::string> missing, noLongerMissing;
};

Findings Check(const std::vector<std::string>& names,
               const std::function<bool(const std::string&)>& there) {
  Findings f;
  for (const std::string& name : names) {
    const bool excused = kExpectedMissing.count(name) != 0;
    if (!there(name) && !excused) f.missing.push_back(name);
    if (there(name) && excused)
      f.noLongerMissing.push_back(name + " (" + kExpectedMissing.at(name) + ")");
  }
  return f;
}

std::string Lines(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) out += "\n  " + name;
  return out;
}

TEST(SampleContentsTest, EveryFileLoadedByAFixedNameIsInTheSample) {
  const std::filesystem::path assets = std::filesystem::path(ENGINE_SOURCE_DIR) / "sample/assets";
  const Findings f = Check(kFiles, [&](const std::string& name) {
    return std::filesystem::is_regular_file(assets / name);
  });
  EXPECT_TRUE(f.missing.empty()) << "missing from sample/assets:" << Lines(f.missing);
  EXPECT_TRUE(f.noLongerMissing.empty())
      << "now in the sample: take them out of kExpectedMissing" << Lines(f.noLongerMissing);
}

// Every object of the arcade's scene catalogue has its picture and the found picture that the
// run shows when the object is picked up ("_full"), in the scene's folder.
TEST(SampleContentsTest, EveryArcadeObjectHasItsPictureAndItsFoundPicture) {
  const std::filesystem::path assets = std::filesystem::path(ENGINE_SOURCE_DIR) / "sample/assets";
  std::ifstream in(assets / "scripts/searchhelper.lua");
  ASSERT_TRUE(in.good());
  const std::regex sceneLine(R"(^\s*_(\w+)_gameback\s*=\s*\{\s*$)");
  const std::regex objectLine(R"(^\s*(\w+)\s*=\s*\{\s*position\b)");
  std::string line, folder;
  std::vector<std::string> names;
  while (std::getline(in, line)) {
    std::smatch m;
    if (std::regex_search(line, m, sceneLine)) {
      folder = m[1];
    } else if (!folder.empty() && std::regex_search(line, m, objectLine)) {
      for (const char* suffix : {"_gameobj.png", "_gameobj_full.png"})
        names.push_back("gameobjects/" + folder + "/" + m[1].str() + suffix);
    }
  }
  ASSERT_GT(names.size(), 40u) << "the catalogue lists the three scenes' objects";
  const Findings f = Check(names, [&](const std::string& name) {
    return std::filesystem::is_regular_file(assets / name);
  });
  EXPECT_TRUE(f.missing.empty()) << "missing from sample/assets:" << Lines(f.missing);
}

class SampleFunctionsTest : public GameTest {};

TEST_F(SampleFunctionsTest, EveryFunctionTheProgramCallsIsDefinedOnceTheGameHasStarted) {
  UseWholeSample();
  Findings f;
  Run("--multiple", [&](TPlatform* p) {
    CreateGameManager();
    RegisterGameTypes(p->GetWindowManager());
    // A search level installs its callbacks from kSearchCallbacks while it plays.
    f = Check(kFunctions, [](const std::string& name) {
      Host()->DoLuaString(("gDefined = type(" + name + ") if gDefined ~= 'function' and " +
                           "kSearchCallbacks then gDefined = type(kSearchCallbacks." + name +
                           ") end")
                              .c_str());
      return std::string(Host()->GetGlobalString("gDefined").CStr()) == "function";
    });
    DestroyGameManager();
  });
  ASSERT_TRUE(sBodyRan);
  EXPECT_TRUE(f.missing.empty()) << "not defined by the sample's scripts:" << Lines(f.missing);
  EXPECT_TRUE(f.noLongerMissing.empty())
      << "now defined: take them out of kExpectedMissing" << Lines(f.noLongerMissing);
}

}  // namespace
