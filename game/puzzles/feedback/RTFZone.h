// An invisible rectangle of a feedback window that plays the window's animation when the player
// moves over it, clicks it, or the puzzle reports the zone's hook; it retires after its count of
// plays.
#pragma once

#include <cstdint>

#include "window/TWindow.h"
#include "window/TWindowSpider.h"

enum RTFTrigger : int32_t {
  kTriggerNone = 0,
  kMouseClick = 1,
  kMouseOver = 2,
  kFunctionHook = 3,
};

enum RTFAction : int32_t {
  kActionNone = 0,
  kScriptedAnimation = 2,
};

class RTFZone : public TWindow {
  T_WINDOW_CLASS(RTFZone, TWindow)

public:
  // Reads "trigger", "hook", "action", "actionString" and "count"; a function-hook zone arms
  // its puzzle's hook slot here, so the puzzle window must already exist.
  void Init(TWindowStyle& style) override;
  bool OnMouseDown(const TPoint&) override;
  bool OnMouseMove(const TPoint&) override;
  // A blue outline while developer cheats are on; nothing otherwise.
  void Draw() override;

  // Plays through the parent feedback window and counts the play; a used-up zone hides and
  // gives its hook slot back.
  void Fire();
  void ReleaseHook();

  RTFTrigger GetTrigger() const { return mTrigger; }
  RTFAction GetAction() const { return mAction; }
  const str& GetActionString() const { return mActionString; }
  const str& GetHookName() const { return mHookName; }
  int32_t GetCount() const { return mCount; }

private:
  RTFTrigger mTrigger = kTriggerNone;
  RTFAction mAction = kActionNone;
  str mActionString;
  str mHookName;
  int32_t mCount = 1;
};

// Fires the first zone of a walk whose trigger and hook name match, and stops there.
class RTFTriggerSpider : public TWindowSpider {
public:
  RTFTriggerSpider(RTFTrigger trigger, const str& hook) : mTrigger(trigger), mHookName(hook) {}
  bool Process(TWindow* w) override;

private:
  RTFTrigger mTrigger;
  str mHookName;
};
