#include "game/puzzles/feedback/RTFZone.h"

#include "core/TColor.h"
#include "game/puzzles/feedback/RTFHooks.h"
#include "game/puzzles/feedback/RealTimeFeedback.h"
#include "game/shell/QMGameManager.h"
#include "render/TRenderer.h"
#include "script/binding/LuaBinding.h"
#include "window/TWindowStyle.h"

namespace {

RTFTrigger ReadTrigger(const str& value) {
  // Tested in this order: a value naming both mouse triggers is a mouse-over zone.
  if (value.Contains("mouseover")) return kMouseOver;
  if (value.Contains("mouseclick")) return kMouseClick;
  if (value.Contains("functionhook")) return kFunctionHook;
  return kTriggerNone;
}

}  // namespace

void RTFZone::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mTrigger = ReadTrigger(style.GetString("trigger", str()));
  if (mTrigger == kFunctionHook) {
    if (TWindow* puzzle = FindRTFPuzzleWindow()) {
      const str hook = style.GetString("hook", str());
      // The value as written is kept: one that merely contains a hook name arms the slot but
      // never matches a hook call.
      if (const char* name = MatchRTFHookName(hook))
        if (ArmRTFHook(puzzle, name)) mHookName = hook;
    }
  }
  mAction = style.GetString("action", str()).Contains("scriptedAnimation") ? kScriptedAnimation
                                                                           : kActionNone;
  mActionString = style.GetString("actionString", str());
  mCount = NumberToInt(style.GetNumber("count", 1));
}

bool RTFZone::OnMouseDown(const TPoint&) {
  if (mTrigger == kMouseClick) Fire();
  return false;
}

bool RTFZone::OnMouseMove(const TPoint&) {
  if (mTrigger == kMouseOver) Fire();
  return false;
}

void RTFZone::Draw() {
  TScoped2d in2d;
  QMGameManager* game = QMGameManager::Instance();
  if (!in2d.Ok() || !game || !game->CheatsEnabled()) return;
  TRenderer* r = TRenderer::Existing();
  if (!r) return;
  TRect c;
  GetClientRect(c);
  const TColor blue(0, 0, 1, 1);
  r->FillRect(TRect(c.left, c.top, c.left + 2, c.bottom), blue);
  r->FillRect(TRect(c.left, c.top, c.right, c.top + 2), blue);
  r->FillRect(TRect(c.right - 2, c.top, c.right, c.bottom), blue);
  r->FillRect(TRect(c.left, c.bottom - 2, c.right, c.bottom), blue);
}

void RTFZone::Fire() {
  if (mAction != kScriptedAnimation) return;
  auto* feedback = WindowCast<RealTimeFeedback>(GetParent());
  if (!feedback) return;
  // A play dropped while another animation runs is not counted.
  if (!feedback->PlayZoneAnimation(mActionString)) return;
  // A count of 0 or less never reaches exactly 0: such a zone never retires.
  if (--mCount != 0) return;
  SetFlags(GetFlags() & ~kWindowShown);
  if (mTrigger == kFunctionHook) ReleaseHook();
}

void RTFZone::ReleaseHook() {
  TWindow* puzzle = FindRTFPuzzleWindow();
  if (!puzzle) return;
  if (!ReleaseRTFHook(puzzle, mHookName)) return;
  mHookName = str();
}

bool RTFTriggerSpider::Process(TWindow* w) {
  auto* zone = WindowCast<RTFZone>(w);
  if (!zone) return true;
  if (zone->GetTrigger() != mTrigger || !(zone->GetHookName() == mHookName)) return true;
  zone->Fire();
  return false;
}
