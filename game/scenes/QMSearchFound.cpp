// A find in the search scene: the item's copy fades in over it (with an animation behind and
// one above), may fly to the middle of the screen, the item leaves the painting, the list entry
// pulses and is struck out. The last find also completes the level: the metrics go out at
// once, and "puzzleComplete()" runs at the end of the sequence after the tally pause.
#include <algorithm>

#include "anim/KAnimBias.h"
#include "anim/KAnimMultiple.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimQueue.h"
#include "anim/KAnimSound.h"
#include "anim/KAnimSteps.h"
#include "core/EngineLog.h"
#include "game/scenes/QMSearch.h"
#include "game/scenes/QMSearchItem.h"
#include "game/scenes/QMSearchList.h"
#include "game/shell/ScriptUtilities.h"
#include "online/TGameState.h"
#include "render/TAnimatedSprite.h"
#include "render/TTexture.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TText.h"
#include "window/TWindowManager.h"

namespace {

constexpr float kScreenMiddleX = 400;
constexpr float kScreenMiddleY = 300;

TScript* GlobalScript() { return TWindowScript::Of(TWindowManager::Instance()); }

KAnimProcess* LuaStep(const char* text) { return new KAnimLuaCommand(GlobalScript(), text); }

// A driver of the scene's animation clock, eased by the sequence's shared curve.
template <class Driver>
Driver* OnClock(Driver* driver, float duration, KAnimBias* bias, TClock* clock,
                bool tenMsTicks = false) {
  driver->SetDuration(duration);
  if (bias) driver->SetBias(bias);
  if (tenMsTicks) driver->SetTimer(10, true, true, false);
  if (clock) driver->SetClock(clock);
  return driver;
}

KAnimProcess* Fade(const KSpritePtr& sprite, float from, float to, float duration, KAnimBias* bias,
                   TClock* clock, bool tenMsTicks = false) {
  return OnClock(new KAnimOpacity<KSpritePtr>(sprite, from, to), duration, bias, clock, tenMsTicks);
}

KAnimProcess* Pause(uint32_t ms, TClock* clock) {
  auto* timer = new KAnimTimer<>(ms);
  if (clock) timer->SetClock(clock);
  return timer;
}

// The level metrics in the order the metrics session declares them; a scavenger group also
// reports its screen switches.
void SendLevelMetrics(TGameState* state, bool scavenger) {
  const char* names = scavenger ? "ScavengerLevelCompleteNames" : "SingleLevelCompleteNames";
  const char* status = scavenger ? "ScavengerLevelComplete" : "SingleLevelComplete";
  struct Entry {
    const char* kind;
    const char* key;
  };
  static const Entry kValues[] = {
      {"add-value", "LevelNumber"},         {"add-value", "LevelPlayTime"},
      {"add-value", "LevelEndState"},       {"add-value", "LevelObjectsFound"},
      {"add-value", "LevelTotalClicks"},    {"add-value", "LevelHintsUsed"},
      {"add-value", "LevelScreenSwitches"}, {"add-value", "LevelEndTime"}};
  static const Entry kStates[] = {
      {"add-state", "LevelNumber"},         {"add-timer", "LevelPlayTime"},
      {"add-state", "LevelEndState"},       {"add-state", "LevelObjectsFound"},
      {"add-state", "LevelTotalClicks"},    {"add-state", "LevelHintsUsed"},
      {"add-state", "LevelScreenSwitches"}, {"add-state", "LevelEndTime"}};
  auto block = [&](const char* name, const Entry* entries) {
    state->SetState("begin-status", name);
    for (size_t i = 0; i < 8; ++i) {
      if (!scavenger && str(entries[i].key) == str("LevelScreenSwitches")) continue;
      state->SetState(entries[i].kind, entries[i].key);
    }
    state->SetState("end-status", name);
  };
  block(names, kValues);
  block(status, kStates);
}

}  // namespace

KAnimQueue* QMSearch::AnimateListLabel(const str& label, const TColor& color, float duration,
                                       int32_t scales, const TColor* finalColor) {
  QMSearchList* list = FindSearchListWindow(this, "searchListWindow");
  QMSearchItem* entry = list ? list->FindItem(label) : nullptr;
  TText* text = entry ? entry->GetItemText() : nullptr;
  if (!text) return nullptr;
  auto* bias = new KEaseInEaseOutSineBias();
  KAnimQueue* pulse =
      MakeTextColorFlash(text, color, duration, static_cast<uint32_t>(std::max(scales, 0)),
                         finalColor, bias, GetAnimClock());
  KReleaseRef(bias);
  return pulse;
}

void QMSearch::AppendLevelCompletion(KAnimQueue* queue) {
  if (mAllFoundSound) KAppendStep(queue, new KAnimSound(mAllFoundSound, false, str()));
  KAppendStep(queue, Pause(static_cast<uint32_t>(std::max(mTallyRewardDelay, 0)), GetAnimClock()));
  QMSearch* current = FindCurrent();
  const bool scavenger = current && current->mSceneType == str("QMScavengerGroup");
  if (TGameState* state = TGameState::GetInstance()) {
    SendLevelMetrics(state, scavenger);
    state->SetIntState("LevelObjectsFound", 0);
    state->SetIntState("LevelTotalClicks", 0);
  }
  KAppendStep(queue, LuaStep("puzzleComplete()"));
  if (QMSearchList* list = FindSearchListWindow(this, "searchListWindow")) list->StopGameTimer();
}

void QMSearch::OnItemFound(QMItemFoundMessage* m) {
  if (!m) return;
  if (!m->newFind) {
    if (mFoundAgainSound) mFoundAgainSound->Play(false);
    return;
  }
  const str name = m->GetName();
  KSpritePtr placed = mSceneSprite->GetSprite(name);
  if (!placed) {
    // The scripts named an item this scene does not hold (or holds no longer): there is
    // nothing to carry away. When it was the last find the level still ends; only the item's
    // animation is left out.
    EngineLog("SearchWindow %s: found item \"%s\" is not in the scene", GetName().CStr(),
              name.CStr());
    if (!m->searchSolved || mSolved) return;
    mSolved = true;
    auto* queue = new KAnimQueue();
    AppendLevelCompletion(queue);
    mAnimations.Run(queue);
    KReleaseRef(queue);
    return;
  }
  const int32_t id = m->GetId();
  const bool disappearing = RuntimeSettings().disappearingItems;
  mSolved = m->searchSolved;
  if (mSolved)
    if (QMSearchList* list = FindSearchListWindow(this, "searchListWindow")) list->StopGameTimer();

  TClock* clock = GetAnimClock();
  KSpritePtr full = TSprite::Create(0);
  mOverlaySprite->AddSprite(full, name);
  auto* queue = new KAnimQueue();
  KAppendStep(queue, LuaStep("gGameState.hintActive = true"));
  boost::shared_ptr<TTexture> icon = TTexture::Get(m->itemIconPath);
  full->SetTexture(icon);
  full->GetDrawState().alpha = 0;
  for (auto [layer, anim] :
       {std::pair{-1, mItemBackGroundAnim}, std::pair{2, mItemForeGroundAnim}}) {
    boost::shared_ptr<TAnimatedSprite> glow = TAnimatedSprite::Create(layer);
    glow->SetTexture(anim);
    glow->Play("DoAnim");
    full->AddChild(glow);
  }
  const TVec2 at = KGetSpritePosition(*placed);
  const TVec2 from(at.x + static_cast<float>(m->playOffsetX) + KGetSpritePosition(*mSceneSprite).x,
                   at.y + static_cast<float>(m->playOffsetY));
  KSetSpritePosition(*full, from);

  const boost::shared_ptr<TSound>& sound = m->specialFind ? mSpecialFoundSound : mFoundSound;
  if (sound)
    if (boost::shared_ptr<TSoundInstance> playing = sound->Play(false))
      playing->HoldSoundUntilEnd();

  auto* bias = new KEaseInEaseOutSineBias();
  auto* first = new KAnimMultiple();
  KAppendStep(first, Fade(full, 0, 1, mFullItemFadeInDuration, bias, clock));
  KAppendStep(first, Fade(placed, 1, 0, mPlacedItemFadeOutDuration, bias, clock));
  KSpritePtr backpack;
  if (id == kQMItemFoundMultiple) {
    if (boost::shared_ptr<TTexture> bag = TTexture::Get("gameobjects/inventory_container")) {
      const float w = static_cast<float>(bag->GetWidth()), h = static_cast<float>(bag->GetHeight());
      backpack = TSprite::Create(-1, bag);
      backpack->GetDrawState().origin = TVec2(w / 2, h / 2);
      backpack->GetDrawState().flags |= TDrawParams::kUseOrigin;
      KSetSpritePosition(*backpack, TVec2(kScreenMiddleX - w / 2 + mInventoryContainerOffset.x,
                                          kScreenMiddleY - h / 2 + mInventoryContainerOffset.y));
      backpack->GetDrawState().alpha = 0;
      // One bag at a time: the last find's has faded out, and would stay behind unseen.
      mOverlaySprite->RemoveSpriteByName("backpacksprite");
      mOverlaySprite->AddSprite(backpack, "backpacksprite");
      KAppendStep(first, Fade(backpack, 0, 1, mInventoryMoveToCenterDuration, bias, clock, true));
    }
  }
  if (id == kQMItemFoundMultiple || id == kQMItemFoundSpecial) {
    const float w = icon ? static_cast<float>(icon->GetWidth()) : 0;
    const float h = icon ? static_cast<float>(icon->GetHeight()) : 0;
    const TVec2 middle(kScreenMiddleX - w / 2, kScreenMiddleY - h / 2);
    KAppendStep(first, OnClock(new KAnimMove<KSpritePtr>(full, from, middle),
                               mInventoryMoveToCenterDuration, bias, clock, true));
  }
  KAppendStep(queue, first);
  if (id != kQMItemFound || disappearing)
    KAppendStep(queue, new KAnimMessageNotifier<2001, QMSearch, str>(this, name));

  auto* second = new KAnimMultiple();
  KAppendStep(second, Fade(full, 1, 0, mFullItemFadeInDuration, bias, clock));
  if (backpack) {
    auto* later = new KAnimQueue();
    KAppendStep(later, Pause(static_cast<uint32_t>(mFullItemFadeInDuration) / 2, clock));
    KAppendStep(later, Fade(backpack, 1, 0, mFullItemFadeInDuration, bias, clock));
    KAppendStep(second, later);
  }
  if (!disappearing && id == kQMItemFound)
    KAppendStep(second, Fade(placed, 0, 1, mPlacedItemFadeInDuration, bias, clock));
  KAppendStep(queue, second);
  KAppendStep(queue, new KAnimMessageNotifier<2002, QMSearch, str>(this, name));
  KReleaseRef(bias);

  QMSearchList* list = FindSearchListWindow(this, "searchListWindow");
  if (QMSearchItem* entry = list ? list->FindItem(m->itemLabel) : nullptr) {
    // An entry of several copies stays open until the last copy is found.
    const bool done = !(m->isMultiple && !m->multipleSolved);
    const TColor finalColor = done ? mFoundColor : mDefaultItemColor;
    const float longer = std::max(mFullItemFadeInDuration, mPlacedItemFadeOutDuration);
    if (KAnimQueue* pulse = AnimateListLabel(m->itemLabel, mFoundHilightColor, 2 * longer,
                                             mLabelFoundNumScales, &finalColor)) {
      if (m->isMultiple)
        KAppendStep(pulse,
                    new KAnimMessageNotifier<2004, QMSearchItem, str>(entry, m->multipleLabel));
      if (done) KAppendStep(pulse, new KAnimMessageNotifier<2020, QMSearchItem, str>(entry, str()));
      mAnimations.Run(pulse);
      KReleaseRef(pulse);
    }
  }

  if (mSolved) AppendLevelCompletion(queue);
  KAppendStep(queue, LuaStep("gGameState.hintActive = false"));
  mAnimations.Run(queue);
  KReleaseRef(queue);
}
