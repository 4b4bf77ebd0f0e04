// Once a scene has settled, its frames allocate nothing: the sample's harbour level, with its
// drifting clouds, animated scroll arrows, covers, list and sound, and the codex with its tips
// (feedback zones that ask in every frame whether cheats are on) draw frame after frame
// without taking memory from the heap or from the script interpreter. Counted on the main
// thread, where the frames are drawn, through a replaced operator new and a counting script
// allocator; the level's clock is stopped first, since its once-a-second tick rewrites the time
// shown (a new text and its layout) and the frames are what is checked here.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <thread>

#include "game/scenes/QMSearchList.h"
#include "platform/display/Image.h"
#include "platform/display/headless/Display.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "script/LuaApi.h"
#include "support/GameFixture.h"

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

class SteadyFramesTest : public GameTest {
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

  static bool Shows(TWindowManager* wm, const char* name) {
    TWindow* top = wm->GetTopModal();
    return top && top->FindChild(name, -1) != nullptr;
  }
  static platform::display::Image Shown() {
    auto* display = dynamic_cast<platform::display::headless::Display*>(
        TDxDisplayHandler::Instance()->GetContext()->GetBackend());
    return display ? display->Frame() : platform::display::Image();
  }

  static bool AtTheMenu(TPlatform* p) {
    TWindowManager* wm = p->GetWindowManager();
    for (int i = 0; i < 60 && !Shows(wm, "mainmenu"); ++i) Tick(p, 16);
    return Shows(wm, "mainmenu");
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

TEST_F(SteadyFramesTest, TheHarbourLevelDrawsItsFramesWithoutAllocating) {
  RunGame([](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    ASSERT_TRUE(AtTheMenu(p));
    wm->RunScriptString(wm->GetRoot(), "dofile('scripts/levels/harbour.lua')()");
    Tick(p, 160 * 16);  // the scene centres itself and every buffer has its size
    auto* list = WindowCast<QMSearchList>(wm->GetTopModal()->FindChild("searchListWindow", -1));
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->IsGameTimerRunning());
    list->StopGameTimer();
    Tick(p, 16 * 16);

    const platform::display::Image before = Shown();
    CountedFrames(p);
    // The frames were drawn: the clouds have moved on.
    const platform::display::Image after = Shown();
    ASSERT_GT(before.width, 0);
    EXPECT_NE(before.pixels, after.pixels);
    EXPECT_EQ(gHeapAllocations.load(), 0);
    // The level runs as a command of the host script: stepping the waiting command each frame
    // takes nothing from the interpreter either.
    EXPECT_EQ(gScriptAllocations.load(), 0);
  });
}

TEST_F(SteadyFramesTest, TheCodexDrawsItsFramesWithoutAllocating) {
  RunGame([](TPlatform* p, QMGameManager&) {
    TWindowManager* wm = p->GetWindowManager();
    ASSERT_TRUE(AtTheMenu(p));
    // The puzzle runs as the level does, as a command of the waiting host script.
    wm->RunScriptString(wm->GetRoot(), "ShowCodexPuzzle()");
    Tick(p, 160 * 16);  // the clue's fade and the tips' first showing are over
    ASSERT_TRUE(Shows(wm, "puzzleWindow"));
    ASSERT_TRUE(Shows(wm, "tipfirstcheck"));

    CountedFrames(p);
    // Each feedback zone asks in its Draw whether cheats are on.
    EXPECT_EQ(gHeapAllocations.load(), 0);
    EXPECT_EQ(gScriptAllocations.load(), 0);
  });
}

}  // namespace
