// The arcade clock's task: every 16 ms of the platform timer it runs the arcade window's clock
// tick. It lives in the task list of the modal window that holds the arcade window, so it
// stands still while another modal window (the pause panel, the game-over screen) is on top.
#pragma once

#include "core/TAnimTask.h"
#include "window/TWindowHandle.h"

class QMArcadeGame;

class ArcadeGameTimer : public TAnimTask {
public:
  static constexpr uint32_t kPeriod = 16;

  explicit ArcadeGameTimer(QMArcadeGame* game);
  bool Animate() override;

private:
  // The window may go before the modal's task list lets the task go.
  TWindowHandle mGame;
};
