#include "game/puzzles/feedback/RealTimeFeedback.h"

#include "anim/KSpriteWindow.h"
#include "script/binding/TScript.h"

namespace {
const char kAnimationGlobal[] = "RTFZoneAnimation";
}

RealTimeFeedback::RealTimeFeedback() {
  auto animation = std::make_unique<KSpriteWindow>();
  animation->SetName("RTF Animation Window");
  mAnimation = animation.get();
  AddChild(std::move(animation));
}

void RealTimeFeedback::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mAnimation->Init(style);
  mAnimation->SetSize(800, 600);
  mAnimation->SetZOrder(1);
}

bool RealTimeFeedback::PlayZoneAnimation(const str& script) {
  TScript* s = mAnimation->GetScript();
  if (!s) return false;
  if (!s->GetGlobalString(kAnimationGlobal).IsEmpty()) return false;
  s->SetGlobalString(kAnimationGlobal, script);
  mAnimation->RunAnimScript(script);
  mAnimation->StartQueue();
  return true;
}
