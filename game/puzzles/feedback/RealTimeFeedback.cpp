#include "game/puzzles/feedback/RealTimeFeedback.h"

#include "anim/KSpriteWindow.h"
#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "script/binding/TScript.h"

namespace {

const char kAnimationGlobal[] = "RTFZoneAnimation";

// Lies over the whole puzzle, so every click passes through it on its way to the zones and the
// puzzle: it must not count them as the player's clicks on a sprite window of its own.
class RTFAnimationWindow : public KSpriteWindow {
public:
  bool OnMouseDown(const TPoint&) override { return false; }
};

}  // namespace

RealTimeFeedback::RealTimeFeedback() {
  auto animation = std::make_unique<RTFAnimationWindow>();
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
  if (!s->GetGlobalString(kAnimationGlobal).IsEmpty()) {
    // The playing script clears the mark when it ends; one that ended in an error cannot, and
    // without this no zone would play again.
    if (s->IsCoroutineActive() || s->GetWaitingCount() > 0 || !s->HasCoroutineFailed())
      return false;
    s->SetGlobalString(kAnimationGlobal, str());
  }
  if (!FileExists(script)) {
    EngineLog("Feedback %s: no animation script '%s'; the zone plays nothing", GetName().CStr(),
              script.CStr());
    return false;
  }
  s->SetGlobalString(kAnimationGlobal, script);
  s->NoteError(str());
  mAnimation->RunAnimScript(script);
  mAnimation->StartQueue();
  if (!s->GetLastError().IsEmpty() && !s->IsCoroutineActive()) {
    // It failed before it could play: no play, and no mark left behind.
    s->SetGlobalString(kAnimationGlobal, str());
    return false;
  }
  return true;
}
