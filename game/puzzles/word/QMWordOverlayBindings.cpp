#include "game/puzzles/word/QMWordOverlayBindings.h"

void QMWordOverlayBindings::Reset() {
  auto* overlay = static_cast<KSpriteWindow*>(mOverlay.Get());
  mOverlay = TWindowHandle();
  if (TScript* script = overlay ? overlay->GetScript() : nullptr)
    ResetGlobalBindings(script->GetState(), this);
}
