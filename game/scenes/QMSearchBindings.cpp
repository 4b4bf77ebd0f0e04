#include "anim/KSpriteWindow.h"
#include "game/scenes/QMSearch.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TScript.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

// Bound in the animation window's own Lua state: the scene's animation scripts change the
// level clock through the game's script.
void AnimModifyGameTimer(int seconds) {
  if (TWindowScript* host = TWindowScript::Of(TWindowManager::Instance()))
    host->DoLuaString(str::Format("modifyGameTimer(%d)", seconds));
}

}  // namespace

// The last scene built receives the calls; each global is reset to nil when its scene dies,
// so a script between scenes cannot reach a closed one.
void QMSearch::BindScriptFunctions() {
  TWindowScript* host = TWindowScript::Of(TWindowManager::Instance());
  if (!host) return;
  lua_State* L = host->GetState();
  BindWindowMethod(L, "StartSearch", this, &QMSearch::StartSearch);
  BindWindowMethod(L, "AddSprite", this, &QMSearch::AddSpriteFromLua);
  BindWindowMethod(L, "TimerPenalty", this, &QMSearch::TimerPenalty);
  BindWindowMethod(L, "TimerBonus", this, &QMSearch::TimerBonus);
}

void QMSearch::BindAnimWindowFunctions() {
  if (!mAnimWindow || !mAnimWindow->GetScript()) return;
  BindFunction(mAnimWindow->GetScript()->GetState(), "AnimModifyGameTimer", &AnimModifyGameTimer);
}

void QMSearch::TimerPenalty() {
  if (mAnimWindow) mAnimWindow->RunAnimScript("scripts/common/timer_penalty.lua");
}

void QMSearch::TimerBonus(int amount) {
  if (!mAnimWindow) return;
  if (TScript* script = mAnimWindow->GetScript())
    script->SetGlobalNumber("global_timer_bonus_amount", amount);
  mAnimWindow->RunAnimScript("scripts/common/timer_bonus.lua");
}
