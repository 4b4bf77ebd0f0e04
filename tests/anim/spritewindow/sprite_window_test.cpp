// Sprite windows in the engine on the headless display: the script runs as a coroutine with
// the start handshake, moves sprites through the queue, answers navigation messages, and an
// error stops only that window's script; functions outliving the window are refused. Also
// clicks and keys, the newest window's RunAnimScript, made buttons and "window:" textures.
#include "SpriteWindowFixture.h"

#include <cmath>
#include <filesystem>

#include "anim/IQMPuzzleWindow.h"
#include "anim/KAnimQueue.h"
#include "online/TGameState.h"
#include "render/TTexture.h"
#include "sound/TSoundManager.h"
#include "window/TButton.h"

namespace {

// The start handshake: start the queue, raise the counter, wait until the window has counted
// it down, then mark the end.
const char* const kStartAndWait =
    "  _Start()\n"
    "  gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1\n"
    "  while gScriptPauseCoRoutine > 0 do coroutine.yield() end\n"
    "  gDone = 1\n"
    "end\n";

TEST_F(SpriteWindowTest, ScriptBuildsSpritesRunsTheQueueAndWaitsForIt) {
  Script("map.lua",
         "return function()\n"
         "  gLayer = _AddSprite('hero', 3, '')\n"
         "  gMissing = _AddSprite('ghost', 1, 'nobody')\n"
         "  _AddMoveAnim('hero', 100, 0, 0, 50, 20, '')\n" +
             std::string(kStartAndWait));
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    KSpriteWindow* w = Open(p, "scripts/map.lua");
    ASSERT_NE(w, nullptr);
    TScript* s = w->GetScript();
    Pump(p, 40);
    EXPECT_EQ(s->GetGlobalNumber("gLayer"), 3);
    EXPECT_EQ(s->GetGlobalNumber("gMissing"), -1);
    EXPECT_FALSE(w->IsSpriteExist("ghost"));
    EXPECT_EQ(s->GetGlobalNumber("gDone"), 0);
    Pump(p, 200);
    EXPECT_EQ(s->GetGlobalNumber("gDone"), 1);
    EXPECT_EQ(s->GetGlobalNumber("gScriptPauseCoRoutine"), 0);
    const TMat3& m = w->GetSprite("hero")->GetDrawState().transform;
    EXPECT_FLOAT_EQ(m(2, 0), 50);
    EXPECT_FLOAT_EQ(m(2, 1), 20);

    // Navigation messages set the clicked button and count down, also below zero.
    TMessage next(kSpriteWindowNext, "");
    EXPECT_TRUE(w->OnMessage(&next));
    EXPECT_EQ(s->GetGlobalString("gButtonClicked"), str("next"));
    TMessage named(kSpriteWindowNamedButton, "it's");
    EXPECT_TRUE(w->OnMessage(&named));
    EXPECT_EQ(s->GetGlobalString("gButtonClicked"), str("it's"));
    EXPECT_EQ(s->GetGlobalNumber("gScriptPauseCoRoutine"), -2);
    TMessage other(5000, "");
    EXPECT_FALSE(w->OnMessage(&other));
    EXPECT_TRUE(w->OnKeyDown('a', 0));
  });
}

TEST_F(SpriteWindowTest, ScriptErrorIsLoggedWithFileAndLineAndStopsOnlyThatScript) {
  Script("bad.lua", "return function()\n  coroutine.yield()\n  local t = nil\n  x = t.y\nend\n");
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    KSpriteWindow* w = Open(p, "scripts/bad.lua");
    ASSERT_NE(w, nullptr);
    Pump(p, 40);
    EXPECT_FALSE(w->GetScript()->IsYielded());
    EXPECT_TRUE(Logged("scripts/bad.lua:4:")) << Log();
    // The window and the game go on.
    EXPECT_EQ(w->AddEmptySprite("after", 0, ""), 0);
    Pump(p, 20);
  });
}

TEST_F(SpriteWindowTest, FunctionsKeptPastTheWindowAreRefusedAndItsEndIsPosted) {
  Script("keep.lua", "return function() gKeep = _AddSprite end\n");
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    TWindowManager* wm = p->GetWindowManager();
    KSpriteWindow* w = Open(p, "scripts/keep.lua");
    ASSERT_NE(w, nullptr);
    lua_State* host = TWindowScript::Of(wm)->GetState();
    // The host's RunAnimScript belongs to this window; keep a copy of it.
    lua_dostring(host, "gRun = RunAnimScript");
    // Someone else still holds the window's queue past the window's end.
    KAnimQueue* queue = w->GetQueue();
    KAddRef(queue);
    // Popping a modal posts notices of its own; the sprite window adds exactly one.
    auto postedByPop = [&] {
      const size_t before = wm->GetQueuedMessageCount();
      wm->PopTopModal();
      wm->FlushDeletes();
      return wm->GetQueuedMessageCount() - before;
    };
    const size_t withWindow = postedByPop();
    wm->RunScriptString(wm->GetRoot(), "PushModal('plain')");
    EXPECT_EQ(withWindow, postedByPop() + 1);
    // Its finish tells nobody: the window is gone.
    queue->Finish();
    KReleaseRef(queue);
    lua_dostring(host, "gType = type(RunAnimScript) gOk, gErr = pcall(gRun, 'x')");
    EXPECT_EQ(GlobalText(host, "gType"), "nil");
    EXPECT_NE(GlobalText(host, "gErr").find("window is gone"), std::string::npos);
    Pump(p, 20);
  });
}

TEST_F(SpriteWindowTest, MissingScriptsAreLoggedAndADialogThatCannotBeBuiltGoesAgain) {
  Script("opens.lua", "return function() DoModal('scripts/nodialog.lua') gAfter = 1 end\n");
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    TWindowManager* wm = p->GetWindowManager();
    ASSERT_NE(Open(p, "scripts/noscript.lua"), nullptr);
    EXPECT_TRUE(Logged("Sprite window \"sw\": cannot find script \"scripts/noscript.lua\""))
        << Log();
    wm->PopTopModal();
    wm->FlushDeletes();
    KSpriteWindow* w = Open(p, "scripts/opens.lua");
    ASSERT_NE(w, nullptr);
    Pump(p, 20);
    EXPECT_EQ(w->GetScript()->GetGlobalNumber("gAfter"), 1);
    EXPECT_TRUE(Logged("cannot find dialog script \"scripts/nodialog.lua\"")) << Log();
    // The map is on top again: no empty dialog is left over it.
    EXPECT_EQ(wm->GetTopModal()->GetName(), str("map"));
  });
}

TEST_F(SpriteWindowTest, CloseWindowClosesTheScreenAlsoFromInsideAPlainWindow) {
  Script("closes.lua", "return function() coroutine.yield() CloseWindow() end\n");
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    TWindowManager* wm = p->GetWindowManager();
    RegisterAnimWindowTypes(TWindowScript::Of(wm));
    wm->RunScriptString(wm->GetRoot(),
                        "PushModal('screen') MakeDialog({ Window({ name = 'frame', x = 0, y = 0,"
                        " w = 320, h = 240, SpriteWindow({ name = 'sw', x = 0, y = 0, w = 320,"
                        " h = 240, runfile = 'scripts/closes.lua' }) }) })");
    ASSERT_EQ(wm->GetTopModal()->GetName(), str("screen"));
    Pump(p, 40);
    EXPECT_EQ(wm->GetTopModal(), wm->GetRoot());
  });
}

TEST_F(SpriteWindowTest, SoundsStartedWithOrWithoutAFadePlayAtThePlayersLevels) {
  std::filesystem::create_directories(mWork + "/assets/sounds");
  std::filesystem::copy_file(
      std::string(ENGINE_SOURCE_DIR) + "/sample/assets/word/letter_click.ogg",
      mWork + "/assets/sounds/click.ogg");
  Script("sounds.lua",
         "return function()\n"
         "  _AddStartSound('sounds/click.ogg', 1, true, false, 0, false)\n"
         "  _AddStartSound('sounds/click.ogg', 2, true, true, 0, false)\n"
         "  _AddStartSound('sounds/click.ogg', 3, true, true, 100, false)\n"
         "  _Start()\n"
         "end\n");
  struct Levels : ISpriteWindowGame {
    int sound = 0, music = 0;
    int GetSoundLevel() override { return sound; }
    int GetMusicLevel() override { return music; }
  } levels;
  ISpriteWindowGame::Install(&levels);
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    TSoundManager* sm = TSoundManager::Instance();
    ASSERT_NE(sm, nullptr);
    // A muted player's level of zero is a level too, not a fade to silence that stops the
    // group and gives it back its full volume.
    for (const auto& [sound, music] : {std::pair{400, 600}, std::pair{0, 0}}) {
      levels.sound = sound;
      levels.music = music;
      for (int group : {1004, 1005, 1006}) sm->SetGroupVolume(group, 1.0f);
      ASSERT_NE(Open(p, "scripts/sounds.lua"), nullptr);
      Pump(p, 200);
      // What every stream of a group plays at.
      const float master = sm->GetMasterVolume();
      EXPECT_FLOAT_EQ(sm->GetVolume(1004), sound / 1000.0f * master) << sound;
      EXPECT_FLOAT_EQ(sm->GetVolume(1005), music / 1000.0f * master) << music;
      EXPECT_FLOAT_EQ(sm->GetVolume(1006), music / 1000.0f * master) << "after its fade";
    }
  });
  ISpriteWindowGame::Install(nullptr);
}

TEST_F(SpriteWindowTest, ASoundFadeOutlivesTheModalItRanOnAndEndsOnThePlatformTimer) {
  // The music fades out without waiting, and the screen closes during the fade.
  Script("fade.lua", "return function() _AddStopSound(1, 400, false) _Start() end\n");
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    TWindowManager* wm = p->GetWindowManager();
    TSoundManager* sm = TSoundManager::Instance();
    ASSERT_NE(sm, nullptr);
    sm->SetGroupVolume(1004, 1.0f);
    ASSERT_NE(Open(p, "scripts/fade.lua"), nullptr);
    Pump(p, 100);
    const float midway = sm->GetVolume(1004);
    EXPECT_LT(midway, 1.0f) << "the fade runs";
    wm->PopTopModal();
    wm->FlushDeletes();
    Pump(p, 60, 10);
    // Faded to silence: the group's sounds stopped and its volume is whole again.
    EXPECT_FLOAT_EQ(sm->GetVolume(1004), 1.0f);
  });
}

}  // namespace

namespace {

// A scene window that hands out a snapshot of itself.
class Snapshotting : public TWindow, public IQMPuzzleWindow {
  T_WINDOW_CLASS(Snapshotting, TWindow)

public:
  boost::shared_ptr<TTexture> RenderToTexture() override {
    ++taken;
    return TTexture::Create(24, 12, true);
  }
  static inline int taken = 0;
};

TEST_F(SpriteWindowTest, ClicksAreCountedKeysKeptAndTheGameStateToldOfTheMap) {
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    KSpriteWindow* w = Open(p, "");
    ASSERT_NE(w, nullptr);
    TGameState* state = TGameState::GetInstance();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->GetState("MapDisplayTime"), str("restart"));
    EXPECT_EQ(state->GetState("MapEndState"), str("2"));
    EXPECT_EQ(state->GetState("MapTotalClicks"), str("0"));
    const int before = atoi(state->GetState("LevelTotalClicks").CStr());
    EXPECT_FALSE(w->OnMouseDown(TPoint(5, 5)));
    EXPECT_FALSE(w->OnMouseDown(TPoint(6, 5)));
    EXPECT_EQ(atoi(state->GetState("LevelTotalClicks").CStr()), before + 2);
    EXPECT_TRUE(w->OnKeyDown(27, 0));
  });
}

TEST_F(SpriteWindowTest, TheNewestWindowOwnsRunAnimScriptAndMakesButtons) {
  Script("mark.lua", "gMarked = 1\n");
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    TWindowManager* wm = p->GetWindowManager();
    KSpriteWindow* first = Open(p, "");
    KSpriteWindow* second = Open(p, "");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    wm->RunScriptString(wm->GetRoot(), "RunAnimScript('scripts/mark.lua')");
    EXPECT_EQ(second->GetScript()->GetGlobalNumber("gMarked"), 1);
    EXPECT_EQ(first->GetScript()->GetGlobalNumber("gMarked"), 0);

    // The button is made in the top modal from the host's table, then moved into the window.
    wm->RunScriptString(wm->GetRoot(), "gMade = { x = 5, y = 6, w = 20, h = 10 }");
    second->GetScript()->DoLuaString("CreateButton('gMade', 'made')");
    TWindow* made = second->FindChild("made", 1);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(WindowCast<TButton>(made));
    EXPECT_EQ(made->GetParent(), second);
  });
}

TEST_F(SpriteWindowTest, WindowTexturesAreSnapshotsOfThePuzzleWindow) {
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    TWindowManager* wm = p->GetWindowManager();
    KSpriteWindow* w = Open(p, "");
    ASSERT_NE(w, nullptr);
    // Without a puzzle window the sprite comes without a texture.
    w->GetScript()->DoLuaString("gR = _AddTextureSprite('shot0', 'window:anything', 1, '')");
    EXPECT_EQ(w->GetScript()->GetGlobalNumber("gR"), 1);
    EXPECT_FALSE(w->GetSprite("shot0")->GetTexture());

    auto puzzle = std::make_unique<Snapshotting>();
    puzzle->SetName("puzzleWindow");
    wm->GetRoot()->AddChild(std::move(puzzle));
    w->GetScript()->DoLuaString("_AddTextureSprite('shot', 'window:whatever follows', 1, '')");
    ASSERT_TRUE(w->GetSprite("shot")->GetTexture());
    EXPECT_EQ(w->GetSprite("shot")->GetTexture()->GetWidth(), 24);
    EXPECT_EQ(Snapshotting::taken, 1);
  });
}

}  // namespace

namespace {

TEST_F(SpriteWindowTest, SpritesDrawAtScreenPositionsInLayerOrder) {
  Script("draw.lua",
         "return function()\n"
         "  _AddColorSprite('back', 0, 40, 20, {0, 0, 1, 1}, '')\n"
         "  _SetSpriteAnchorPoint('back', 0, 0) _SetSpriteLoc('back', 30, 40)\n"
         "  _AddColorSprite('front', 0, 10, 10, {1, 0, 0, 1}, 'back')\n"
         "  _SetSpriteAnchorPoint('front', 0, 0) _SetSpriteLoc('front', 5, 5)\n"
         "end\n");
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    TWindowManager* wm = p->GetWindowManager();
    // The window sits away from the screen's corner; its sprites still draw at screen places.
    const std::string text =
        "PushModal('map') MakeDialog({ SpriteWindow({ name = 'sw', x = 20, y = 10, w = 100,"
        " h = 100, runfile = 'scripts/draw.lua' }) })";
    RegisterAnimWindowTypes(TWindowScript::Of(wm));
    wm->RunScriptString(wm->GetRoot(), text.c_str());
    Pump(p, 40);
    const platform::display::Image frame = Frame();
    ASSERT_FALSE(frame.Empty());
    EXPECT_EQ(frame.At(31, 41) & 0xFFFFFFu, 0x0000FFu);
    EXPECT_EQ(frame.At(69, 59) & 0xFFFFFFu, 0x0000FFu);
    // The child is placed in its parent's coordinates and drawn over it.
    EXPECT_EQ(frame.At(36, 46) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_NE(frame.At(71, 41) & 0xFFFFFFu, 0x0000FFu);
  });
}

}  // namespace

namespace {

TEST_F(SpriteWindowTest, AGroupRunsItsStepsTogetherBeforeTheNextStep) {
  Script("group.lua",
         "return function()\n"
         "  _AddSprite('a', 0, '') _AddSprite('b', 0, '')\n"
         "  StartMulti()\n"
         "  _AddMoveAnim('a', 100, 0, 0, 100, 0, '')\n"
         "  _AddBlendAnim('b', 100, 1, 0, 'sinOut')\n"
         "  EndMulti()\n"
         "  _AddMoveAnim('b', 100, 0, 0, 0, 50, '')\n" +
             std::string(kStartAndWait));
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    KSpriteWindow* w = Open(p, "scripts/group.lua");
    ASSERT_NE(w, nullptr);
    Pump(p, 70, 2);  // 140 ms: the group is done, the last move half way
    EXPECT_FLOAT_EQ(w->GetSprite("a")->GetDrawState().transform(2, 0), 100);
    EXPECT_FLOAT_EQ(w->GetSprite("b")->GetDrawState().alpha, 0);
    const float y = w->GetSprite("b")->GetDrawState().transform(2, 1);
    EXPECT_GT(y, 0);
    EXPECT_LT(y, 50);
    EXPECT_EQ(w->GetScript()->GetGlobalNumber("gDone"), 0);
    Pump(p, 60, 2);
    EXPECT_FLOAT_EQ(w->GetSprite("b")->GetDrawState().transform(2, 1), 50);
    EXPECT_EQ(w->GetScript()->GetGlobalNumber("gDone"), 1);
  });
}

TEST_F(SpriteWindowTest, AGroupThatGotNoStepsDoesNotStopTheScript) {
  Script("empty.lua",
         "return function()\n"
         "  _AddSprite('a', 0, '')\n"
         "  StartMulti()\n"
         "  _AddMoveAnim('A', 100, 0, 0, 100, 0, '')\n"
         "  EndMulti()\n" +
             std::string(kStartAndWait));
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    KSpriteWindow* w = Open(p, "scripts/empty.lua");
    ASSERT_NE(w, nullptr);
    Pump(p, 40);
    EXPECT_EQ(w->GetScript()->GetGlobalNumber("gDone"), 1);
    EXPECT_EQ(w->GetScript()->GetGlobalNumber("gScriptPauseCoRoutine"), 0);
  });
}

TEST_F(SpriteWindowTest, ASpritePopsInFromNothing) {
  // "shrunk" was scaled to nothing first; "fresh" stands at its own size when the step starts.
  Script("pop.lua",
         "return function()\n"
         "  _AddSprite('shrunk', 0, '')\n"
         "  _SetSpriteScale('shrunk', 0, 0)\n"
         "  _AddSprite('fresh', 0, '')\n"
         "  StartMulti()\n"
         "  _AddScaleAnim('shrunk', 100, 0, 0, 1, 1, '')\n"
         "  _AddScaleAnim('fresh', 100, 0, 0, 1, 1, '')\n"
         "  EndMulti()\n" +
             std::string(kStartAndWait));
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    KSpriteWindow* w = Open(p, "scripts/pop.lua");
    ASSERT_NE(w, nullptr);
    const char* const names[] = {"shrunk", "fresh"};
    // Until its step starts, "fresh" shows at its own size.
    float last[] = {0, 0};
    bool growing[] = {false, false};
    for (int i = 0; i < 12; ++i) {
      Pump(p, 10);
      for (int k = 0; k < 2; ++k) {
        const TMat3& m = w->GetSprite(names[k])->GetDrawState().transform;
        const float scale = std::hypot(m(0, 0), m(0, 1));
        ASSERT_TRUE(std::isfinite(scale)) << names[k] << " after " << (i + 1) * 10 << " ms";
        if (growing[k]) EXPECT_GE(scale, last[k]) << names[k];
        growing[k] = growing[k] || scale < 0.5f;
        EXPECT_LE(scale, 1.0f + 1e-4f) << names[k] << " after " << (i + 1) * 10 << " ms";
        last[k] = scale;
      }
    }
    for (int k = 0; k < 2; ++k) {
      EXPECT_NEAR(last[k], 1.0f, 1e-4) << names[k];
      EXPECT_NEAR(w->GetSprite(names[k])->GetDrawState().transform(1, 1), 1.0f, 1e-4) << names[k];
    }
    EXPECT_EQ(w->GetScript()->GetGlobalNumber("gDone"), 1);
  });
}

TEST_F(SpriteWindowTest, FunctionsGivenANameThatFindsNoSpriteSaySo) {
  const char* const calls[][2] = {
      {"_AddMoveAnim('Hero', 100, 0, 0, 1, 1, '')", "_AddMoveAnim"},
      {"_AddScaleAnim('Hero', 100, 0, 0, 1, 1, '')", "_AddScaleAnim"},
      {"_AddRotationAnim('Hero', 100, 0, 1, '')", "_AddRotationAnim"},
      {"_AddBlendAnim('Hero', 100, 0, 1, '')", "_AddBlendAnim"},
      {"_SetSpriteLoc('Hero', 1, 2)", "_SetSpriteLoc"},
      {"_SetSpriteRotationDegrees('Hero', 90)", "_SetSpriteRotationDegrees"},
      {"ResetSprite('Hero')", "ResetSprite"},
  };
  std::string body = "return function()\n  _AddSprite('hero', 0, '')\n";
  for (const auto& call : calls) body += std::string("  ") + call[0] + "\n";
  body += "  _SetSpriteLoc('hero', 1, 2)\nend\n";
  Script("typo.lua", body);
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    ASSERT_NE(Open(p, "scripts/typo.lua"), nullptr);
    Pump(p, 40);
    for (const auto& call : calls)
      EXPECT_EQ(CountLogged(std::string("Sprite window \"sw\": ") + call[1] +
                            ": no sprite named \"Hero\""),
                1u)
          << Log();
    EXPECT_FALSE(Logged("\"hero\"")) << "a sprite that exists is not reported";
  });
}

}  // namespace
