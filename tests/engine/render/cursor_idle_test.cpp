// An idle game presents nothing: with the mouse at rest and nothing drawing, a second of the
// game's loop shows no frame and no cursor redraw; a redraw or a mouse move shows again.
#include "RenderFixture.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>

#include "core/TPlatformData.h"
#include "window/TWindowManager.h"

namespace {
// Counts the heap allocations of the whole program while counting is on.
std::atomic<bool> gCounting{false};
std::atomic<uint64_t> gAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (gCounting.load()) ++gAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr uint32_t kStepMs = 4;

void PostMouseMove(TPlatform* p, int x, int y) {
  platform::window::Message m;
  m.message = platform::window::WM_MOUSEMOVE;
  m.lParam = platform::window::MakeLParam(x, y);
  EngineTest::HeadlessWindow(p)->PostMessage(m);
}

class IdleTest : public RenderTest {
protected:
  // Runs the game's loop for ms of virtual time with the presentation thread's cursor pass
  // every 16 ms; answers how many times the screen changed meanwhile.
  static uint64_t PresentsOver(TPlatform* p, uint32_t ms) {
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    uint64_t before = Backend()->PresentCount();
    TPlatformEvent e;
    for (uint32_t t = 0; t < ms; t += kStepMs) {
      platform::os::AdvanceVirtualTime(kStepMs);
      p->GetEvent(e);
      p->GetWindowManager()->HandleEvent(e);
      if (t % 16 == 0) d->DrawCursor(-1, -1);
    }
    return Backend()->PresentCount() - before;
  }

  // A screen with an 8x8 white cursor whose hot spot is (hot, hot).
  void RunWithCursor(int hot, std::function<void(TPlatform*)> body, bool ownPasses = true) {
    WritePng("cursor.png", 8, 8, [](int, int) { return kWhite; });
    RunScreen([&](TPlatform* p) {
      // The test makes the thread's passes itself, on the virtual clock.
      if (ownPasses) p->GetData()->StopPresentationThread();
      boost::shared_ptr<TTexture> cursor = TTexture::GetSimple("cursor.png");
      ASSERT_TRUE(cursor);
      p->SetCursor(cursor, hot, hot, false);
      body(p);
    });
  }
};

}  // namespace

TEST_F(IdleTest, AQuietSecondPresentsNothingUntilSomethingDrawsOrTheMouseMoves) {
  RunWithCursor(0, [&](TPlatform* p) {
    PostMouseMove(p, 40, 40);
    EXPECT_GT(PresentsOver(p, 200), 0u);  // the first frame and the cursor
    EXPECT_EQ(Frame().At(41, 41), kWhite);

    EXPECT_EQ(PresentsOver(p, 1000), 0u);

    p->GetWindowManager()->Invalidate();
    EXPECT_GT(PresentsOver(p, 100), 0u);
    EXPECT_EQ(Frame().At(41, 41), kWhite);  // the new frame carries the cursor
    EXPECT_EQ(PresentsOver(p, 1000), 0u);

    PostMouseMove(p, 80, 60);
    EXPECT_GT(PresentsOver(p, 100), 0u);
    EXPECT_EQ(Frame().At(81, 61), kWhite);
    EXPECT_EQ(Frame().At(41, 41), kBlack);  // the old place was wiped
    EXPECT_EQ(PresentsOver(p, 1000), 0u);
  });
}

TEST_F(IdleTest, ACursorThatCannotBeDrawnAsksForNoFrames) {
  // At (0, 0) the hot spot puts the cursor's corner off the desktop, so it is not drawn.
  RunWithCursor(2, [&](TPlatform* p) {
    PresentsOver(p, 200);
    EXPECT_EQ(PresentsOver(p, 1000), 0u);
    // Moved where it fits, it shows again.
    PostMouseMove(p, 40, 40);
    EXPECT_GT(PresentsOver(p, 100), 0u);
    EXPECT_EQ(Frame().At(40, 40), kWhite);
  });
}

TEST_F(IdleTest, TheEventWaitLastsUntilTheNextFrameOnlyWhileARedrawIsWanted) {
  RunScreen([&](TPlatform* p) {
    p->GetData()->StopPresentationThread();
    TWindowManager* wm = p->GetWindowManager();
    PresentsOver(p, 200);
    EXPECT_EQ(wm->MsUntilWork(), TTask::kNoWake);
    wm->Invalidate();
    uint32_t wait = wm->MsUntilWork();
    EXPECT_LE(wait, TWindowManager::kFrameInterval);
    platform::os::AdvanceVirtualTime(TWindowManager::kFrameInterval);
    EXPECT_EQ(wm->MsUntilWork(), 0u);  // the frame is due
  });
}

TEST_F(IdleTest, AMoveTooSoonAfterTheLastDrawIsDrawnByThePresentationThread) {
  RunWithCursor(
      0,
      [&](TPlatform* p) {
        TPlatformEvent e;
        PostMouseMove(p, 40, 40);
        PresentsOver(p, 200);
        PostMouseMove(p, 60, 50);
        p->GetEvent(e);  // drawn at once
        PostMouseMove(p, 80, 60);
        p->GetEvent(e);  // within 16 ms of the last draw: put off
        EXPECT_NE(Frame().At(81, 61), kWhite);
        platform::os::AdvanceVirtualTime(16);
        // The main thread does nothing more; the presentation thread catches up on its own.
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Frame().At(81, 61) != kWhite && std::chrono::steady_clock::now() < until)
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(Frame().At(81, 61), kWhite);
        EXPECT_EQ(Frame().At(61, 51), kBlack);
      },
      false);
}

TEST_F(IdleTest, CursorRedrawsAndPresentsAllocateNothing) {
  RunWithCursor(0, [&](TPlatform* p) {
    PostMouseMove(p, 40, 40);
    PresentsOver(p, 200);
    TDxDisplayHandler* d = TDxDisplayHandler::Instance();
    TDXContext* context = d->GetContext();
    uint64_t before = Backend()->PresentCount();
    gAllocations = 0;
    gCounting = true;
    for (int i = 0; i < 20; ++i) {
      platform::os::AdvanceVirtualTime(16);
      d->DrawCursor(40 + i, 40);
      context->Present();
    }
    gCounting = false;
    EXPECT_EQ(gAllocations.load(), 0u);
    EXPECT_GE(Backend()->PresentCount() - before, 40u);  // the work really happened
    EXPECT_EQ(Frame().At(41, 41), kWhite);               // presents draw it at the mouse
  });
}
