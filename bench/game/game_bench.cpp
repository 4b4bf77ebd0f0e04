// The sample game in-process on the headless platform and the virtual clock: the time from the
// program's start to the first frame of the game, the time of a frame of the harbour level (median
// and worst of 600), the heap allocations per frame once the scene has settled, and the memory
// in use after each step of the story (the level and the four puzzles) has been opened and
// closed, three times over; and a whole arcade run of 24 minutes.
// Targets: first frame under 150 ms, a scene frame under 4 ms on one core, no allocation per
// frame in steady state, no memory growth from one round of steps to the next.
#include "bench/support/CountingAllocator.h"

#include <algorithm>
#include <malloc.h>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "core/TPlatform.h"
#include "core/TPlatformEvent.h"
#include "game/scenes/QMArcadeGame.h"
#include "game/shell/GameMain.h"
#include "game/shell/GameRegistration.h"
#include "game/shell/QMGameManager.h"
#include "platform/os/Clock.h"
#include "bench/support/HeadlessEngine.h"
#include "window/TText.h"
#include "window/TWindow.h"
#include "window/TWindowManager.h"

namespace {

using Clock = std::chrono::steady_clock;
// When the program was started (exec), handed over from the run that prepared its assets.
Clock::time_point gStart;

// The steps of the sample's story that can be opened from a script, with the window that shows
// once the step is up.
struct Step {
  const char* name;
  const char* opener;
  const char* window;
};
const std::vector<Step> kSteps = {
    {"harbour level", "dofile('scripts/levels/harbour.lua')()", "searchListWindow"},
    {"word puzzle", "ShowWordPuzzle()", "puzzleWindow"},
    {"sequence puzzle", "ShowSequencePuzzle()", "sequencepuzzle"},
    {"layer puzzle", "ShowLayerPuzzle()", "layerwindow"},
    {"codex", "ShowCodexPuzzle()", "puzzleWindow"}};

// One pass of the main loop, 16 ms later on the virtual clock: events, tasks and a frame.
void Frame(TPlatform* p) {
  platform::os::AdvanceVirtualTime(16);
  TPlatformEvent e;
  p->GetEvent(e);
  p->GetWindowManager()->HandleEvent(e);
}

// What the program holds: the allocator's free memory at the top of its heap goes back to the
// system first, so that the figure does not depend on when the allocator last trimmed it.
long ResidentKiB() {
  malloc_trim(0);
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

bool Shows(TWindowManager* wm, const char* name) {
  TWindow* top = wm->GetTopModal();
  return top && top->FindChild(name, -1) != nullptr;
}

// Pops the modal windows above the menu's.
void CloseTo(TPlatform* p, TWindow* menu) {
  TWindowManager* wm = p->GetWindowManager();
  while (wm->GetTopModal() && wm->GetTopModal() != menu)
    wm->DoPopModal(wm->GetTopModal()->GetIdString());
  for (int i = 0; i < 30; ++i) Frame(p);
  wm->FlushDeletes();
}

int GameBench(TPlatform* p, const char*) {
  TWindowManager* wm = p->GetWindowManager();
  CreateGameManager();
  RegisterGameTypes(wm);
  Frame(p);
  const double firstFrame =
      std::chrono::duration<double, std::milli>(Clock::now() - gStart).count();
  std::printf("%-52s %10.1f ms\n", "start to first frame", firstFrame);

  for (int i = 0; i < 60 && !Shows(wm, "mainmenu"); ++i) Frame(p);
  TWindow* menu = wm->GetTopModal();
  if (!Shows(wm, "mainmenu")) {
    std::printf("the menu did not show\n");
    DestroyGameManager();
    return 1;
  }

  // A scene frame: the harbour level (its three pictures, the drifting clouds, the objects and
  // their covers, the list and the clock), once it has centred itself.
  wm->RunScriptString(wm->GetRoot(), kSteps.front().opener);
  for (int i = 0; i < 200; ++i) Frame(p);
  std::vector<double> times;
  times.reserve(600);
  long allocations = 0, allocatingFrames = 0, mostInAFrame = 0;
  // The level's clock ticks once a second: its script call ("decrementGameTimer()", handed to
  // the waiting level script as a command) and the message with the new time are new objects.
  // Those frames are told apart by the time shown changing.
  const TText* clock = TText::Cast(wm->GetTopModal()->FindChild("timeText", -1));
  std::string shownTime = clock ? clock->GetText().CStr() : "";
  long tickFrames = 0, otherAllocatingFrames = 0;
  for (int i = 0; i < 600; ++i) {
    const long before = bench::Allocations();
    const auto start = Clock::now();
    Frame(p);
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    const long made = bench::Allocations() - before;
    allocations += made;
    allocatingFrames += made > 0;
    mostInAFrame = std::max(mostInAFrame, made);
    const std::string time = clock ? clock->GetText().CStr() : "";
    const bool ticked = time != shownTime;
    shownTime = time;
    tickFrames += ticked;
    otherAllocatingFrames += made > 0 && !ticked;
  }
  std::sort(times.begin(), times.end());
  std::printf("%-52s %10.3f ms\n", "scene frame, median of 600", times[times.size() / 2]);
  std::printf("%-52s %10.3f ms\n", "scene frame, worst of 600", times.back());
  // Every allocation from the heap on any thread (malloc and its kin, operator new and the
  // script interpreter included), not only operator new.
  std::printf("%-52s %10.2f\n", "allocations per frame, steady state", allocations / 600.0);
  std::printf("%-52s %10ld (most in one: %ld)\n", "frames that allocated, of 600", allocatingFrames,
              mostInAFrame);
  std::printf("%-52s %10ld\n", "frames in which the level's clock ticked", tickFrames);
  std::printf("%-52s %10ld\n", "frames that allocated without a clock tick", otherAllocatingFrames);
  CloseTo(p, menu);

  // Memory after each step, three rounds through the steps.
  long afterMenu = ResidentKiB();
  long afterRound[4] = {afterMenu};
  for (int round = 1; round <= 3; ++round) {
    for (const Step& step : kSteps) {
      wm->RunScriptString(wm->GetRoot(), step.opener);
      for (int i = 0; i < 150; ++i) Frame(p);
      const bool shown = Shows(wm, step.window);
      CloseTo(p, menu);
      const long kib = ResidentKiB();
      std::printf("round %d, after the %-34s %10ld KiB%s\n", round, step.name, kib,
                  shown ? "" : " (did not open)");
      afterRound[round] = kib;
    }
  }
  // The first round fills the caches; a level that keeps something would grow every round.
  std::printf("%-52s %10ld KiB\n", "growth over the first round", afterRound[1] - afterRound[0]);
  std::printf("%-52s %10ld KiB\n", "growth from the second round to the third",
              afterRound[3] - afterRound[2]);

  // A whole arcade run on the virtual clock: 24 minutes of play in frames 16 ms apart, until
  // time is up.
  wm->RunScriptString(wm->GetRoot(), "dofile('scripts/arcade.lua')()");
  for (int i = 0; i < 30; ++i) Frame(p);
  auto* arcade = WindowCast<QMArcadeGame>(
      wm->GetTopModal() ? wm->GetTopModal()->FindChild("puzzleWindow", -1) : nullptr);
  if (arcade) {
    const auto start = Clock::now();
    long frames = 0;
    while (!arcade->IsRunOver() && frames < 24 * 60 * 63) {
      Frame(p);
      ++frames;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%-52s %10.1f s for %ld frames (%.1f game minutes)%s\n", "arcade run to its end",
                seconds, frames, frames * 16 / 60000.0, arcade->IsRunOver() ? "" : ", not over");
    CloseTo(p, menu);
  } else {
    std::printf("the arcade run did not open\n");
  }
  DestroyGameManager();
  p->PostQuit(0);
  return 0;
}

}  // namespace

int main(int, char** argv) {
  namespace fs = std::filesystem;
  // The start is timed from the exec of the program a player runs: the assets are copied
  // first, then this program starts itself again, the time taken just before, and the copy is
  // moved into place, which takes no time.
  const char* started = std::getenv("BENCH_GAME_STARTED");
  const char* prepared = std::getenv("BENCH_GAME_ASSETS");
  if (!started || !prepared) {
    std::string folder = "/tmp/game_bench_assets_XXXXXX";
    if (!mkdtemp(folder.data())) return 1;
    std::error_code ec;
    const std::string assets = folder + "/assets";
    fs::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets", assets, fs::copy_options::recursive,
             ec);
    // Straight to the menu: no intro, and without the player chooser ("Who is playing?") the
    // game makes its player itself.
    fs::remove(assets + "/scripts/ui/intro.lua", ec);
    if (!ec) fs::remove(assets + "/scripts/ui/chooseplayer.lua", ec);
    if (ec) {
      fs::remove_all(folder, ec);
      return 1;
    }
    setenv("BENCH_GAME_ASSETS", assets.c_str(), 1);
    setenv("BENCH_GAME_STARTED", std::to_string(Clock::now().time_since_epoch().count()).c_str(),
           1);
    execv("/proc/self/exe", argv);
    std::perror("game_bench: exec");
    fs::remove_all(folder, ec);
    return 1;
  }
  gStart = Clock::time_point(Clock::duration(std::atoll(started)));
  const std::string copy = prepared;
  std::printf("cores: %u\n", std::thread::hardware_concurrency());
  platform::os::UseVirtualClock(true);
  platform::os::SetVirtualTime(50000);
  SetGameSettings();
  const int code = bench::RunHeadlessEngine(
      "game_bench",
      [&copy](const std::string& assets) {
        // The engine's folder holds an empty assets folder, which the copy takes the place of.
        std::error_code ec;
        fs::rename(copy, assets, ec);
        return !ec;
      },
      &GameBench);
  std::error_code ec;
  fs::remove_all(fs::path(copy).parent_path(), ec);
  return code;
}
