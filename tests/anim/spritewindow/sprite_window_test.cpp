// Sprite windows in the engine on the headless display: the script runs as a coroutine with
// the start handshake, moves sprites through the queue, answers navigation messages, and an
// error stops only that window's script; functions outliving the window are refused.
#include "SpriteWindowFixture.h"

#include "anim/KAnimQueue.h"

namespace {

TEST_F(SpriteWindowTest, ScriptBuildsSpritesRunsTheQueueAndWaitsForIt) {
  Script("map.lua",
         "return function()\n"
         "  gLayer = _AddSprite('hero', 3, '')\n"
         "  gMissing = _AddSprite('ghost', 1, 'nobody')\n"
         "  _AddMoveAnim('hero', 100, 0, 0, 50, 20, '')\n"
         "  _Start()\n"
         "  gScriptPauseCoRoutine = gScriptPauseCoRoutine + 1\n"
         "  while gScriptPauseCoRoutine > 0 do coroutine.yield() end\n"
         "  gDone = 1\n"
         "end\n");
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

}  // namespace
