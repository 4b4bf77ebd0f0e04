// A hint in the search scene: it is counted, a wide scene pans to the background that holds the
// item, the hint animation pulses over it and its list entry flashes; at the end the scripts are
// asked to withdraw it, and their answer (message 1007) removes it.
#include <algorithm>

#include "anim/KAnimBias.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimQueue.h"
#include "anim/KAnimSound.h"
#include "anim/KAnimSteps.h"
#include "anim/KSpriteWindow.h"
#include "game/scenes/QMSearch.h"
#include "game/shell/LuaText.h"
#include "online/TGameState.h"
#include "render/TAnimatedSprite.h"
#include "script/binding/TScript.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

constexpr int32_t kHintLayer = 2147483647;

}  // namespace

void QMSearch::ShowHint(QMSearchHintMessage* m) {
  if (!m) return;
  if (TGameState* state = TGameState::GetInstance()) state->SetIntState("++LevelHintsUsed", 0);
  if (mHintSprite) return;

  TClock* clock = GetAnimClock();
  TScript* global = TWindowScript::Of(TWindowManager::Instance());
  const str name = m->GetName();
  auto* queue = new KAnimQueue();
  auto* bias = new KEaseInEaseOutSineBias();

  // Only a panorama that moves needs its scrolling switched on again at the end.
  const size_t steps = queue->GetWaitingCount();
  const int32_t target = PanToBackgroundAt(m->first, queue, bias);
  const bool panned = queue->GetWaitingCount() > steps;

  if (mAnimWindow) {
    if (TScript* script = mAnimWindow->GetScript())
      script->SetGlobalString("selected_sprite_name",
                              name.Find("_mult") >= 0 ? name + "_hint" : name);
    mAnimWindow->RunAnimScript("scripts/panels/common/hintanimation.lua");
  }

  mHintSprite = TAnimatedSprite::Create(-1);
  mHintSprite->SetTexture(mHintAnim);
  KSetSpritePosition(*mHintSprite,
                     TVec2(static_cast<float>(m->first + target), static_cast<float>(m->second)));
  mHintSprite->GetDrawState().alpha = 0;
  mHintSprite->Play("DoAnim");
  if (!mHintLayer) mHintLayer = TSprite::Create(kHintLayer);
  mHintLayer->AddChild(mHintSprite);

  KSpritePtr hint = mHintSprite;
  KAppendStep(queue, new KAnimLuaCommand(global, "gGameState.hintActive = true"));
  KAppendStep(queue, new KAnimSound(mHintSound, false, str()));
  for (auto [from, to] : {std::pair{0.0f, 1.0f}, std::pair{1.0f, 0.0f}}) {
    auto* fade = new KAnimOpacity<KSpritePtr>(hint, from, to);
    fade->SetDuration(mFullItemFadeInDuration);
    fade->SetBias(bias);
    if (clock) fade->SetClock(clock);
    KAppendStep(queue, fade);
  }
  KReleaseRef(bias);

  if (KAnimQueue* pulse =
          AnimateListLabel(name, mHintHilightColor, mHintDuration, mLabelHintNumScales, nullptr)) {
    mAnimations.Run(pulse);
    KReleaseRef(pulse);
  }
  KAppendStep(queue, new KAnimLuaCommand(
                         global, str("PostMessage(CreateNamedMessage(kQMMessage.HideHint, ") +
                                     LuaStringLiteral(name) + ") )"));
  KAppendStep(queue, new KAnimLuaCommand(global, "gGameState.hintActive = false"));
  if (panned) KAppendStep(queue, new KAnimMessageNotifier<2016, QMSearch, str>(this, str()));
  mAnimations.Run(queue);
  KReleaseRef(queue);
}

void QMSearch::HideHint() {
  if (!mHintSprite) return;
  if (mHintLayer) mHintLayer->RemoveChild(mHintSprite);
  mHintSprite.reset();
}
