// Once a step of the sample has settled, its frames allocate nothing: the harbour level, with
// its drifting clouds, animated scroll arrows, covers, list and sound; the study and the cellar
// with the magnifying glass and the flashlight over the scene; the word, sequence and layer
// puzzles; the codex with its tips (feedback zones that ask in every frame whether cheats are
// on); and an arcade run, whose clock ticks on. Each draws frame after frame without taking
// memory from the heap or from the script interpreter. Counted on the main thread, where the
// frames are drawn, through a replaced operator new and a counting script allocator; a search
// level's clock is stopped first, since its once-a-second tick runs a script command that
// rewrites the time shown, and the frames are what is checked here.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <ostream>
#include <string>
#include <thread>

#include "game/scenes/QMSearch.h"
#include "game/scenes/QMSearchList.h"
#include "platform/display/Image.h"
#include "platform/display/headless/Display.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "script/LuaApi.h"
#include "support/GameFixture.h"
#include "window/TText.h"
#include "window/WindowTestSupport.h"

namespace {

std::atomic<bool> gCounting{false};
std::thread::id gCountedThread;
std::atomic<long> gHeapAllocations{0};
std::atomic<long> gScriptAllocations{0};
lua_Alloc gScriptAlloc = nullptr;

bool Counted() { return gCounting.load() && std::this_thread::get_id() == gCountedThread; }

void* CountedNew(std::size_t n) {
  if (Counted()) ++gHeapAllocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}

// Every request that takes memory; the default allocator then runs without its block cache, so
// a block the interpreter recycles counts as well.
void* CountingScriptAlloc(void* ud, void* block, size_t oldsize, size_t newsize, int a, int hint) {
  if (newsize > 0 && Counted()) ++gScriptAllocations;
  return gScriptAlloc(ud, block, oldsize, newsize, a, hint);
}

}  // namespace

void* operator new(std::size_t n) { return CountedNew(n); }
void* operator new[](std::size_t n) { return CountedNew(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  if (Counted()) ++gHeapAllocations;
  return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  if (Counted()) ++gHeapAllocations;
  return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// The level's clock: a search list's, the arcade run's, or none.
enum StepClock { kNoClock, kListClock, kArcadeClock };
// A step of the sample as its script opens it from the menu, and what shows it has settled.
struct Step {
  const char* name;
  const char* script;
  const char* window;  // a window of the step's modal
  StepClock clock;
  int shows;  // kClouds, kTool
};
// What a step shows: clouds that drift across the scene, so frames differ; a search tool.
enum : int { kStill = 0, kClouds = 1, kTool = 2 };

void PrintTo(const Step& step, std::ostream* out) { *out << step.name; }

// clang-format off
const Step kSteps[] = {
    {"harbour", "dofile('scripts/levels/harbour.lua')()", "searchListWindow", kListClock, kClouds},
    {"study", "dofile('scripts/levels/study.lua')()", "searchListWindow", kListClock, kTool},
    {"cellar", "dofile('scripts/levels/cellar.lua')()", "searchListWindow", kListClock, kTool},
    {"word", "ShowWordPuzzle()", "wordback", kNoClock, kStill},
    {"sequence", "ShowSequencePuzzle()", "sequencepuzzle", kListClock, kStill},
    {"layer", "ShowLayerPuzzle()", "layerwindow", kNoClock, kStill},
    {"codex", "ShowCodexPuzzle()", "tipfirstcheck", kNoClock, kStill},
    {"arcade", "dofile('assets/scripts/arcade.lua')()", "arcadetimer", kArcadeClock, kClouds},
};
// clang-format on

// Where the pointer rests: over the scene, where the study's glass and the cellar's light
// follow it.
const TPoint kPointer(400, 260);

class SteadyFramesTest : public GameTest, public testing::WithParamInterface<Step> {
protected:
  void SetUp() override {
    GameTest::SetUp();
    UseWholeSample();
    // Straight to the menu: no intro, and without a player chooser the game makes its player.
    std::filesystem::remove(mWork + "/assets/scripts/ui/intro.lua");
    std::filesystem::remove(mWork + "/assets/scripts/ui/chooseplayer.lua");
    mSaved = *lua_settings();
    gScriptAlloc = mSaved.alloc;
    lua_settings()->alloc = CountingScriptAlloc;
  }
  void TearDown() override {
    *lua_settings() = mSaved;
    GameTest::TearDown();
  }

  static TWindow* Find(const char* name) {
    TWindow* top = TWindowManager::Instance()->GetTopModal();
    return top ? top->FindChild(name, -1) : nullptr;
  }
  static platform::display::Image Shown() {
    auto* display = dynamic_cast<platform::display::headless::Display*>(
        TDxDisplayHandler::Instance()->GetContext()->GetBackend());
    return display ? display->Frame() : platform::display::Image();
  }
  static bool AtTheMenu(TPlatform* p) {
    for (int i = 0; i < 60 && !Find("mainmenu"); ++i) Tick(p, 16);
    return Find("mainmenu") != nullptr;
  }
  // Stops the search list's clock, whose once-a-second tick rewrites the time shown (a new
  // text and its layout). The arcade run's clock is part of its frames and keeps running: a
  // minute of it, in whole seconds, has every figure drawn once, so the frames counted draw
  // none for the first time.
  static void StopClock(TPlatform* p, StepClock clock) {
    if (clock == kArcadeClock) {
      TPlatformEvent e;
      for (int s = 0; s < 60; ++s) {
        platform::os::AdvanceVirtualTime(1000);
        p->GetEvent(e);
        p->GetWindowManager()->HandleEvent(e);
      }
      Tick(p, 16 * 16);
    }
    if (clock != kListClock) return;
    auto* list = WindowCast<QMSearchList>(Find("searchListWindow"));
    EXPECT_TRUE(list && list->IsGameTimerRunning());
    if (list) list->StopGameTimer();
    Tick(p, 16 * 16);
  }
  static std::string ArcadeClock() {
    TText* time = TText::Cast(Find("arcadetimer"));
    return time ? time->GetText().CStr() : "<no clock>";
  }
  // 120 frames, their allocations on this thread counted from zero.
  static void CountedFrames(TPlatform* p) {
    gHeapAllocations = 0;
    gScriptAllocations = 0;
    gCountedThread = std::this_thread::get_id();
    gCounting = true;
    Tick(p, 120 * 16);
    gCounting = false;
  }

  lua_Settings mSaved{};
};

// Each step runs as a command of the waiting host script; once its banners, flights and fades
// are over, its frames take nothing from the heap nor from the interpreter.
TEST_P(SteadyFramesTest, ASettledStepDrawsItsFramesWithoutAllocating) {
  const Step& step = GetParam();
  RunGame([&](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    ASSERT_TRUE(AtTheMenu(p));
    wm->RunScriptString(wm->GetRoot(), step.script);
    wm->HandleEvent(MakeEvent(kEventMouseMove, kPointer.x, kPointer.y));
    Tick(p, 200 * 16);  // the scene has centred itself, banners and first flights are over
    ASSERT_NE(Find(step.window), nullptr) << step.name;
    if (step.shows & kTool) {
      auto* scene = WindowCast<QMSearch>(Find("puzzleWindow"));
      ASSERT_TRUE(scene && scene->HasTool()) << "the level hands the player its tool";
    }
    StopClock(p, step.clock);

    auto* display = dynamic_cast<platform::display::headless::Display*>(
        TDxDisplayHandler::Instance()->GetContext()->GetBackend());
    ASSERT_NE(display, nullptr);
    const uint64_t presents = display->PresentCount();
    const platform::display::Image before = Shown();
    const std::string time = ArcadeClock();
    CountedFrames(p);
    if (step.shows & kClouds) {
      EXPECT_NE(before.pixels, Shown().pixels) << "the clouds have moved on";
    }
    if (step.clock == kArcadeClock) {
      EXPECT_NE(time, ArcadeClock()) << "the run's clock has ticked, rewriting the time shown";
    }
    EXPECT_GE(display->PresentCount(), presents + 60) << "the frames were drawn";
    EXPECT_EQ(gHeapAllocations.load(), 0) << step.name;
    EXPECT_EQ(gScriptAllocations.load(), 0) << step.name;
  });
}

INSTANTIATE_TEST_SUITE_P(SampleSteps, SteadyFramesTest, testing::ValuesIn(kSteps),
                         [](const testing::TestParamInfo<Step>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
