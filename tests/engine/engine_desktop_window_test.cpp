#include "EngineFixture.h"

#include <SDL.h>

#include "platform/window/sdl/Window.h"

// The session bus library keeps one block until the process ends; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

TEST_F(EngineTest, DesktopWindowOpensAndEndsOnCloseRequest) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no X display";
  platform::window::RequestHeadless(false);
  bool closed = false;
  Run("--multiple", [&](TPlatform* p) {
    auto* w = dynamic_cast<platform::window::sdl::Window*>(p->GetData()->GetWindow());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetTitle(), "Hearthwell");
    p->SetWindowTitle("Harbor of Lost Things");
    EXPECT_EQ(w->GetTitle(), "Harbor of Lost Things");
    p->InitScreen(640, 480, false);
    int cw = 0, ch = 0;
    w->GetClientSize(cw, ch);
    EXPECT_EQ(cw, 640);
    EXPECT_EQ(ch, 480);

    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(w->SdlWindow());
    ASSERT_EQ(SDL_PushEvent(&close), 1);
    TPlatformEvent e;
    for (int i = 0; i < 1000 && !closed; ++i) {
      p->GetEvent(e);
      closed = e.type == kEventCloseRequest;
    }
  });
  platform::window::RequestHeadless(true);
  EXPECT_TRUE(sBodyRan);
  EXPECT_TRUE(closed);
}
