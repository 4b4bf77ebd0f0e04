#include "game/scenes/ArcadeGameTimer.h"

#include "game/scenes/QMArcadeGame.h"

ArcadeGameTimer::ArcadeGameTimer(QMArcadeGame* game) : mGame(game) {
  SetTimer(kPeriod, true, true, false);
}

bool ArcadeGameTimer::Animate() {
  if (auto* game = WindowCast<QMArcadeGame>(mGame.Get())) game->TimerTick();
  return true;
}
