// Every script function of a sprite window, reached from its own Lua state: arguments in,
// effect or result out; then every function again with arguments of the wrong types, which
// convert (strings to "", numbers to 0) and never raise or crash.
#include "SpriteWindowFixture.h"

#include <cmath>
#include <functional>

#include "anim/KAnimMultiple.h"
#include "anim/KAnimQueue.h"
#include "engine/render/RenderFixture.h"
#include "render/TTexture.h"
#include "window/TButton.h"

namespace {

class RecordingGame : public ISpriteWindowGame {
public:
  str GetMapString() override { return "level7"; }
  int GetSoundLevel() override { return 500; }
  void BlackenWindow() override { ++blackened; }
  bool GetScriptDebugMode() override {
    bool was = debug;
    debug = false;
    return was;
  }
  int blackened = 0;
  bool debug = false;
};

const char* const kAllFunctions[] = {"_AddTextureSprite",
                                     "_AddSprite",
                                     "_AddColorSprite",
                                     "_AddTextSprite",
                                     "_SetSpriteLocX",
                                     "_SetSpriteLocY",
                                     "_SetSpriteLoc",
                                     "_SetSpriteOpacity",
                                     "_SetSpriteScale",
                                     "_SetSpriteDimmensions",
                                     "_SetSpriteRotationRadians",
                                     "_SetSpriteRotationDegrees",
                                     "_SetSpriteAnchorPoint",
                                     "CenterRegisterInPlace",
                                     "ResetSprite",
                                     "SetSpriteBlur",
                                     "SetSpriteMask",
                                     "IsSpriteExist",
                                     "_RemoveSprite",
                                     "_AddMoveAnim",
                                     "_AddScaleAnim",
                                     "_AddRotationAnim",
                                     "_AddBlendAnim",
                                     "_AddTimer",
                                     "_AddStartSound",
                                     "_AddStopSound",
                                     "StartMulti",
                                     "EndMulti",
                                     "_Start",
                                     "ShowButton",
                                     "HideButton",
                                     "SetButtonPosition",
                                     "CreateButton",
                                     "DoModal",
                                     "CloseWindow",
                                     "BlackenWindow",
                                     "DeactivateWindow",
                                     "ActivateMapButtonAnims",
                                     "DeActivateMapButtonAnims",
                                     "SendGameMessage",
                                     "AddParticleSystem",
                                     "SetParticleLoc",
                                     "StartParticleSystem",
                                     "StopParticleSystem"};

TEST_F(SpriteWindowTest, EveryFunctionTakesItsArgumentsAndActs) {
  WritePng("pic.png", 16, 16, [](int x, int) { return x < 8 ? 0xFF2060C0u : 0xFFC06020u; });
  Script("other.lua", "gOther = (gOther or 0) + 1\n");
  Script("modal.lua", "gModalRan = 1\n");
  RecordingGame game;
  ISpriteWindowGame::Install(&game);
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(320, 240, false);
    TWindowManager* wm = p->GetWindowManager();
    KSpriteWindow* w =
        Open(p, "", ", Button({ name = 'nextButton', x = 10, y = 10, w = 20, h = 20 })");
    ASSERT_NE(w, nullptr);
    TScript* s = w->GetScript();
    lua_State* L = s->GetState();
    auto run = [&](const std::string& text) { s->DoLuaString(text.c_str()); };
    auto number = [&](const char* name) { return s->GetGlobalNumber(name); };
    auto sprite = [&](const char* name) { return w->GetSprite(name); };
    auto m = [&](const char* name) -> TMat3& { return sprite(name)->GetDrawState().transform; };
    auto waiting = [&] { return w->GetQueue()->GetWaitingCount(); };
    EXPECT_EQ(s->GetGlobalString("map_level_string"), str("level7"));
    // The creation hid the navigation button.
    TWindow* next = w->FindChild("nextButton", -1);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->GetFlags() & kWindowShown, 0u);

    struct Case {
      const char* call;
      std::function<void()> check;
    };
    const Case cases[] = {
        {"gR = _AddTextureSprite('tex', 'pic.png', 2, '')",
         [&] {
           EXPECT_EQ(number("gR"), 2);
           ASSERT_TRUE(sprite("tex")->GetTexture());
           EXPECT_EQ(sprite("tex")->GetTexture()->GetWidth(), 16);
         }},
        {"gR = _AddSprite('hero', 4, 'tex')",
         [&] {
           EXPECT_EQ(number("gR"), 4);
           EXPECT_EQ(sprite("hero")->GetParent(), sprite("tex").get());
         }},
        {"gR = _AddColorSprite('clear', 1, 4.9, 3, {1, 0, 0}, '')"
         " gS = _AddColorSprite('red', 1, 4, 3, {1, 0, 0, 1}, '')",
         [&] {
           EXPECT_EQ(number("gR"), 1);
           ASSERT_TRUE(sprite("clear")->GetTexture());
           EXPECT_EQ(sprite("clear")->GetTexture()->GetWidth(), 4);
           EXPECT_EQ(PixelAt(sprite("clear")->GetTexture(), 1, 1) >> 24, 0u);
           EXPECT_EQ(PixelAt(sprite("red")->GetTexture(), 1, 1), 0xFFFF0000u);
         }},
        {"gR = _AddTextSprite('label', {text = 'Hi', localize = false, font = 'sans',"
         " box = {0, 0, 30, 12}}, 9, '')",
         [&] {
           EXPECT_NE(number("gR"), -1);
           EXPECT_TRUE(sprite("label"));
         }},
        {"_SetSpriteLocX('hero', 12) _SetSpriteLocY('hero', 34)",
         [&] {
           EXPECT_FLOAT_EQ(m("hero")(2, 0), 12);
           EXPECT_FLOAT_EQ(m("hero")(2, 1), 34);
         }},
        {"_SetSpriteLoc('hero', 5, 6) _SetSpriteLoc('nobody', 1, 1)",
         [&] {
           EXPECT_FLOAT_EQ(m("hero")(2, 0), 5);
           EXPECT_FLOAT_EQ(m("hero")(2, 1), 6);
         }},
        {"_SetSpriteOpacity('hero', 0.25)",
         [&] { EXPECT_FLOAT_EQ(sprite("hero")->GetDrawState().alpha, 0.25f); }},
        {"_SetSpriteScale('hero', 2, 2) _SetSpriteScale('hero', 2, 2)",
         [&] {
           EXPECT_FLOAT_EQ(m("hero")(0, 0), 4);
           EXPECT_FLOAT_EQ(m("hero")(1, 1), 4);
           EXPECT_FLOAT_EQ(m("hero")(2, 0), 5);
         }},
        {"_SetSpriteRotationDegrees('hero', 0)",
         [&] {
           EXPECT_FLOAT_EQ(m("hero")(0, 0), 1);
           EXPECT_FLOAT_EQ(m("hero")(2, 1), 6);
         }},
        {"_SetSpriteRotationRadians('hero', 1.5707963267948966)",
         [&] {
           EXPECT_NEAR(m("hero")(0, 0), 0, 1e-6);
           EXPECT_NEAR(m("hero")(0, 1), 1, 1e-6);
           EXPECT_NEAR(m("hero")(1, 0), -1, 1e-6);
         }},
        {"_SetSpriteDimmensions('tex', 32, 8) _SetSpriteDimmensions('hero', 32, 8)",
         [&] {
           EXPECT_FLOAT_EQ(m("tex")(0, 0), 2);
           EXPECT_FLOAT_EQ(m("tex")(1, 1), 0.5f);
           EXPECT_NEAR(m("hero")(0, 0), 0, 1e-6);  // no texture: unchanged
         }},
        {"_SetSpriteAnchorPoint('hero', 3, 4)",
         [&] {
           EXPECT_FLOAT_EQ(sprite("hero")->GetDrawState().origin.x, 3);
           EXPECT_NE(sprite("hero")->GetDrawState().flags & 8u, 0u);
         }},
        {"ResetSprite('tex') _SetSpriteLoc('tex', 100, 50) _SetSpriteAnchorPoint('tex', 2, 2)"
         " CenterRegisterInPlace('tex')",
         [&] {
           EXPECT_FLOAT_EQ(sprite("tex")->GetDrawState().origin.x, 8);
           EXPECT_FLOAT_EQ(m("tex")(2, 0), 106);
           EXPECT_FLOAT_EQ(m("tex")(2, 1), 56);
         }},
        {"ResetSprite('hero')",
         [&] {
           EXPECT_FLOAT_EQ(sprite("hero")->GetDrawState().alpha, 1);
           EXPECT_FLOAT_EQ(m("hero")(0, 0), 1);
           EXPECT_FLOAT_EQ(m("hero")(2, 0), 0);
         }},
        {"gBefore = 1 SetSpriteBlur('red', 1)",
         [&] {
           ASSERT_TRUE(sprite("red")->GetTexture());
           EXPECT_EQ(sprite("red")->GetTexture()->GetWidth(), 4);
         }},
        // A mask that is no render target is refused; the sprite keeps its texture.
        {"SetSpriteMask('tex', 'pic.png')",
         [&] { EXPECT_EQ(sprite("tex")->GetTexture()->GetWidth(), 16); }},
        {"gA = IsSpriteExist('hero') gB = IsSpriteExist('nobody')",
         [&] {
           EXPECT_EQ(GlobalText(L, "gA"), "true");
           EXPECT_EQ(GlobalText(L, "gB"), "false");
         }},
        {"_AddSprite('gone', 0, '') gA = _RemoveSprite('gone') gB = _RemoveSprite('gone')",
         [&] {
           EXPECT_EQ(GlobalText(L, "gA"), "true");
           EXPECT_EQ(GlobalText(L, "gB"), "false");
           EXPECT_FALSE(w->IsSpriteExist("gone"));
         }},
        {"_AddMoveAnim('hero', 100, 0, 0, 10, 10, 'sinIn') _AddMoveAnim('nobody', 1, 0, 0, 0, 0,"
         " '')",
         [&] { EXPECT_EQ(waiting(), 1u); }},
        {"_AddScaleAnim('hero', 100, 1, 1, 2, 2, 'powerOut')", [&] { EXPECT_EQ(waiting(), 2u); }},
        {"_AddRotationAnim('hero', 100, 0, 1, 'other')", [&] { EXPECT_EQ(waiting(), 3u); }},
        {"_AddBlendAnim('hero', 100, 1, 0, '')", [&] { EXPECT_EQ(waiting(), 4u); }},
        {"_AddTimer(20)", [&] { EXPECT_EQ(waiting(), 5u); }},
        {"_AddStartSound('', 1, false, false, 10, true)", [&] { EXPECT_EQ(waiting(), 5u); }},
        {"_AddStartSound('sounds/none.ogg', 1, false, false, 10, true)",
         [&] { EXPECT_EQ(waiting(), 8u); }},
        {"_AddStopSound(1, 0, true)", [&] { EXPECT_EQ(waiting(), 10u); }},
        {"StartMulti() StartMulti() _AddTimer(5) _AddTimer(6)",
         [&] {
           ASSERT_NE(w->GetOpenGroup(), nullptr);
           EXPECT_EQ(waiting(), 10u);
         }},
        {"EndMulti() EndMulti()",
         [&] {
           EXPECT_EQ(w->GetOpenGroup(), nullptr);
           EXPECT_EQ(waiting(), 11u);
         }},
        {"_Start()", [&] { EXPECT_TRUE(w->IsStartPending()); }},
        {"ShowButton('nextButton')", [&] { EXPECT_NE(next->GetFlags() & kWindowShown, 0u); }},
        {"HideButton('nextButton')", [&] { EXPECT_EQ(next->GetFlags() & kWindowShown, 0u); }},
        {"SetButtonPosition('nextButton', 40.9, 50)",
         [&] {
           EXPECT_EQ(next->GetRect().left, 40);
           EXPECT_EQ(next->GetRect().top, 50);
         }},
        {"SendGameMessage('quit')", [&] {}},
        {"BlackenWindow()", [&] { EXPECT_EQ(game.blackened, 1); }},
        {"SetParticleLoc(7, 9)",
         [&] {
           EXPECT_FLOAT_EQ(w->GetLocus().GetPoint().x, 7);
           EXPECT_FLOAT_EQ(w->GetLocus().GetPoint().y, 9);
         }},
        {"AddParticleSystem('particles/none.lua', 'hero')",
         [&] {
           EXPECT_EQ(w->GetFollowSprite(), str("hero"));
           EXPECT_EQ(GlobalText(w->GetParticles().GetScript()->GetState(), "gActive"), "true");
         }},
        {"StopParticleSystem()",
         [&] {
           EXPECT_EQ(GlobalText(w->GetParticles().GetScript()->GetState(), "gActive"), "false");
         }},
        {"StartParticleSystem()",
         [&] {
           EXPECT_EQ(GlobalText(w->GetParticles().GetScript()->GetState(), "gActive"), "true");
         }},
        {"ActivateMapButtonAnims() DeActivateMapButtonAnims()",
         [&] { EXPECT_TRUE(w->AreMapAnimsActive()); }},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.call);
      run(c.call);
      c.check();
    }

    // Messages: only the two known texts post.
    size_t queued = wm->GetQueuedMessageCount();
    run("SendGameMessage('enableButtons') SendGameMessage('disableButtons')");
    EXPECT_EQ(wm->GetQueuedMessageCount(), queued + 2);

    // The queue starts on the next tick and the locus follows the sprite.
    run("_SetSpriteLoc('hero', 30, 40)");
    Pump(p, 20);
    EXPECT_FALSE(w->IsStartPending());
    EXPECT_FLOAT_EQ(w->GetLocus().GetPoint().x, 30);

    // RunAnimScript lives in the window system's host and runs the file here; the debug flag
    // is read once.
    game.debug = true;
    wm->RunScriptString(wm->GetRoot(), "RunAnimScript('scripts/other.lua')");
    EXPECT_EQ(number("gOther"), 1);
    EXPECT_EQ(GlobalText(L, "gScriptDebugMode"), "true");
    EXPECT_FALSE(game.debug);

    run("DeactivateWindow()");
    EXPECT_TRUE(w->GetSprites().empty());
    EXPECT_EQ(w->GetFlags() & kWindowShown, 0u);

    run("DoModal('scripts/modal.lua')");
    EXPECT_EQ(wm->GetTopModal()->GetName(), str("scripts/modal.lua"));
    EXPECT_EQ(TWindowScript::Of(wm)->GetGlobalNumber("gModalRan"), 1);

    // Closing pops down to and including the sprite window's modal.
    run("CloseWindow()");
    EXPECT_EQ(wm->GetTopModal(), wm->GetRoot());
    Pump(p, 10);
  });
  ISpriteWindowGame::Install(nullptr);
}

TEST_F(SpriteWindowTest, WrongArgumentTypesConvertAndNeverRaise) {
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(320, 240, false);
    TWindowManager* wm = p->GetWindowManager();
    KSpriteWindow* w = Open(p, "");
    ASSERT_NE(w, nullptr);
    TScript* s = w->GetScript();
    const char* const argumentLists[] = {"", "{}, {}, {}, {}, {}, {}, {}",
                                         "true, false, nil, true, 'x', 'y', {}",
                                         "12, '3', '4', 5, 6, 7, 'sinOut'"};
    for (const char* name : kAllFunctions) {
      // Closing and opening modals are checked above; here they would take the window away.
      if (std::string(name) == "CloseWindow" || std::string(name) == "DoModal") continue;
      for (const char* args : argumentLists) {
        SCOPED_TRACE(std::string(name) + "(" + args + ")");
        s->DoLuaString(str::Format("gOk, gErr = pcall(%s%s%s)", name, *args ? ", " : "", args));
        EXPECT_EQ(GlobalText(s->GetState(), "gOk"), "true") << GlobalText(s->GetState(), "gErr");
      }
    }
    // A number where a name is expected reads as that name's text.
    s->DoLuaString("_AddSprite('12', 0, '')");
    ASSERT_TRUE(w->GetSprite("12"));
    s->DoLuaString("_SetSpriteLocX(12, '7')");
    EXPECT_FLOAT_EQ(w->GetSprite("12")->GetDrawState().transform(2, 0), 7);
    // A table where a number is expected reads as 0.
    s->DoLuaString("gR = _AddSprite('z', {}, '')");
    EXPECT_EQ(s->GetGlobalNumber("gR"), 0);
    Pump(p, 30);
    EXPECT_EQ(wm->GetTopModal()->GetName(), str("map"));
  });
}

}  // namespace
