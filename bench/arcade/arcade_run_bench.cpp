// Replays a whole arcade run of the sample game on the virtual clock: the run is opened from
// the sample's own script, the fade into the first level runs in 16 ms frames, and then the
// clock is advanced one whole second per step (nothing moves on screen) until the run ends on
// the game-over screen. Prints how many steps of each kind it took and the real time.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "core/TPlatform.h"
#include "game/scenes/QMArcadeGame.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/QMGameManager.h"
#include "platform/os/Clock.h"
#include "script/binding/TWindowScript.h"
#include "support/HeadlessEngine.h"
#include "window/TWindowManager.h"

namespace {

constexpr uint32_t kFrameMs = 16;
constexpr uint32_t kQuietStepMs = 1000;

void Step(TWindowManager* wm, uint32_t ms) {
  platform::os::AdvanceVirtualTime(ms);
  TPlatformEvent e;
  e.type = kEventIdle;
  wm->HandleEvent(e);
}

int RunArcade(TPlatform* p, const char*) {
  TWindowManager* wm = p->GetWindowManager();
  TWindowScript::Of(wm)->DoLuaString(
      "function QMSerialized_save() return '' end "
      "function QMSerialized_restore() end function QMGameState_new() end");
  CreateGameManager();
  RegisterGameTypes(wm);
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  if (!wm->RunScriptFile(wm->GetRoot(), "scripts/arcade.lua")) {
    std::printf("the sample's scripts/arcade.lua did not run\n");
    DestroyGameManager();
    return 1;
  }
  auto* game = WindowCast<QMArcadeGame>(wm->GetTopModal()->FindChild("puzzleWindow", -1));
  int frames = 0;
  int quiet = 0;
  while (game && game->GetFadeState() != 3 && frames < 1000) {
    Step(wm, kFrameMs);
    ++frames;
  }
  const float minutes = game ? game->GetTimeLeft() : 0.0f;
  while (game && !game->IsRunOver() && quiet < 5000) {
    Step(wm, kQuietStepMs);
    ++quiet;
  }
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  std::printf(
      "arcade run of %.2f minutes: %d frames of %u ms, then %d steps of %u ms; "
      "run over: %s\n",
      minutes, frames, kFrameMs, quiet, kQuietStepMs, game && game->IsRunOver() ? "yes" : "no");
  std::printf("%-52s %10.1f ms\n", "real time of the whole run", ms);
  std::printf("nproc %u\n", std::thread::hardware_concurrency());
  DestroyGameManager();
  return 0;
}

}  // namespace

int main() {
  platform::os::UseVirtualClock(true);
  platform::os::SetVirtualTime(50000);
  return bench::RunHeadlessEngine(
      "bench_arcade_run",
      [](const std::string& assets) {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets", assets,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        // The run is opened directly rather than through the game flow.
        fs::remove(assets + "/scripts/mainloop.lua", ec);
        return !ec;
      },
      &RunArcade);
}
