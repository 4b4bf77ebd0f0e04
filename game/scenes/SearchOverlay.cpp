#include "game/scenes/SearchOverlay.h"

#include "game/scenes/QMArcadeGame.h"
#include "window/TWindowManager.h"

bool SearchOverlay::OnMouseMove(const TPoint&) {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  QMArcadeGame* game = WindowCast<QMArcadeGame>(top ? top->FindChild("puzzleWindow", -1) : nullptr);
  return game ? game->OnMouseLeave() : false;
}
