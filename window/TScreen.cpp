#include "window/TScreen.h"

#include "render/TRenderer.h"
#include "window/TWindowManager.h"

TScreen::TScreen() : mBackground(0.0f, 0.0f, 0.0f, 0.0f) {
  mFlags |= kWindowOpaque;
  SetName("_screen_");
}

void TScreen::Draw() {
  TWindowManager* wm = TWindowManager::Instance();
  TRenderer* r = TRenderer::Existing();
  if (!wm || !r || wm->GetTopModal() != this) return;
  TRect viewport;
  r->GetViewport(viewport);
  r->FillRect(viewport, mBackground);
}
