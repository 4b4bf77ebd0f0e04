#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "platform/os/Clock.h"
#include "platform/window/Window.h"
#include "platform/window/headless/Window.h"

using namespace platform::window;

TEST(HeadlessWindow, QueueKeepsOrderAndFilterTakesOnlyItsMessage) {
  headless::Window w(WindowDesc{});
  w.PostMessage(MakeMessage(WM_KEYDOWN, 'A'));
  w.PostMessage(MakeMessage(WM_QUIT));
  w.PostMessage(MakeMessage(WM_KEYUP, 'A'));

  Message m;
  ASSERT_TRUE(w.PeekMessage(m, WM_QUIT));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_FALSE(w.PeekMessage(m, WM_QUIT));
  ASSERT_TRUE(w.PeekMessage(m));
  EXPECT_EQ(m.message, WM_KEYDOWN);
  ASSERT_TRUE(w.PeekMessage(m));
  EXPECT_EQ(m.message, WM_KEYUP);
  EXPECT_FALSE(w.PeekMessage(m));
}

TEST(HeadlessWindow, KeyAndMouseStateFollowTakenMessagesOnly) {
  headless::Window w(WindowDesc{});
  w.PostMessage(MakeMessage(WM_KEYDOWN, VK_SHIFT));
  w.PostMessage(MakeMessage(WM_LBUTTONDOWN, 0, MakeLParam(-5, 300)));
  w.PostMessage(MakeMessage(WM_KEYUP, VK_SHIFT));
  // Still queued: nothing is held yet.
  EXPECT_FALSE(w.IsKeyDown(VK_SHIFT));

  Message m;
  w.PeekMessage(m);
  EXPECT_TRUE(w.IsKeyDown(VK_SHIFT));
  w.PeekMessage(m);
  int x = 0, y = 0;
  w.GetMousePosition(x, y);
  EXPECT_EQ(x, -5);  // client coordinates are signed 16-bit
  EXPECT_EQ(y, 300);
  w.PeekMessage(m);
  EXPECT_FALSE(w.IsKeyDown(VK_SHIFT));
}

TEST(HeadlessWindow, MessageBoxAnswersWhatTheTestScripted) {
  int before = headless::MessageBoxCount();
  headless::SetMessageBoxAnswer(IDNO);
  EXPECT_EQ(headless::ShowMessageBox("Error", "No display", MB_YESNO), IDNO);
  EXPECT_EQ(headless::LastMessageBoxTitle(), "Error");
  EXPECT_EQ(headless::LastMessageBoxText(), "No display");
  EXPECT_EQ(headless::MessageBoxCount(), before + 1);
  headless::SetMessageBoxAnswer(IDOK);
}

TEST(HeadlessWindow, ClipboardRefusesWhileUnavailable) {
  headless::ClearClipboard();
  std::string text;
  EXPECT_FALSE(headless::GetClipboardText(text));
  EXPECT_TRUE(headless::SetClipboardText(""));
  EXPECT_TRUE(headless::GetClipboardText(text));
  EXPECT_EQ(text, "");

  headless::SetClipboardAvailable(false);
  EXPECT_FALSE(headless::SetClipboardText("lost"));
  EXPECT_FALSE(headless::GetClipboardText(text));
  headless::SetClipboardAvailable(true);
  ASSERT_TRUE(headless::GetClipboardText(text));
  EXPECT_EQ(text, "");
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const char* value) : mName(name) {
    const char* old = std::getenv(name);
    mHad = old != nullptr;
    if (old) mOld = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (mHad)
      setenv(mName, mOld.c_str(), 1);
    else
      unsetenv(mName);
  }

private:
  const char* mName;
  bool mHad = false;
  std::string mOld;
};

TEST(HeadlessWindow, ChosenOnlyWhenAskedFor) {
  ScopedEnv noX("DISPLAY", nullptr), noWayland("WAYLAND_DISPLAY", nullptr);
  const WindowDesc desc{"Hearthwell", 480, 360, false, false};
  {
    // Not asked for: without a display there is no window, and the reason says so.
    ScopedEnv unset("ENGINE_HEADLESS", nullptr);
    RequestHeadless(false);
    EXPECT_FALSE(IsHeadless());
    std::string why;
    EXPECT_EQ(CreateMainWindow(desc, &why), nullptr);
    EXPECT_NE(why.find("DISPLAY"), std::string::npos) << why;
  }
  {
    ScopedEnv off("ENGINE_HEADLESS", "0");
    EXPECT_FALSE(IsHeadless());
  }
  const std::function<void()> asks[] = {[] { RequestHeadless(true); },
                                        [] { setenv("ENGINE_HEADLESS", "1", 1); }};
  for (const auto& ask : asks) {
    ScopedEnv unset("ENGINE_HEADLESS", nullptr);
    RequestHeadless(false);
    ask();
    EXPECT_TRUE(IsHeadless());
    auto w = CreateMainWindow(desc);
    ASSERT_NE(dynamic_cast<headless::Window*>(w.get()), nullptr);
    EXPECT_EQ(w->GetTitle(), "Hearthwell");
    int cw = 0, ch = 0;
    w->GetClientSize(cw, ch);
    EXPECT_EQ(cw, 480);
    EXPECT_EQ(ch, 360);
  }
  RequestHeadless(true);
}

TEST(HeadlessWindow, EventWaitBlocksUntilAMessageOrTheTimeOut) {
  // Real time on purpose: a headless run on the real clock must wait, not spin a core.
  using Clock = std::chrono::steady_clock;
  platform::os::UseVirtualClock(false);
  headless::Window w(WindowDesc{"Hearthwell", 480, 360, false, false});

  auto start = Clock::now();
  w.WaitForInput(120);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));

  // A message posted from another thread ends the wait long before its time-out.
  start = Clock::now();
  std::thread poster([&] {
    Message m;
    m.message = WM_PAINT;
    w.PostMessage(m);
  });
  w.WaitForInput(60000);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  poster.join();
  Message m;
  EXPECT_TRUE(w.PeekMessage(m));

  // A queued message: no wait at all is needed.
  w.PostMessage(m);
  start = Clock::now();
  w.WaitForInput(60000);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));

  // A wake from another thread ends the wait as a message would; one that came before the
  // wait ends the next wait at once, and is used up by it.
  EXPECT_TRUE(w.PeekMessage(m));
  start = Clock::now();
  std::thread waker([&] { w.Wake(); });
  w.WaitForInput(60000);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  waker.join();
  w.Wake();
  start = Clock::now();
  w.WaitForInput(60000);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  start = Clock::now();
  w.WaitForInput(120);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
  w.PostMessage(m);

  // Under the virtual clock the test moves time, so waiting would only stall it.
  platform::os::UseVirtualClock(true);
  EXPECT_TRUE(w.PeekMessage(m));
  start = Clock::now();
  w.WaitForInput(60000);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  platform::os::UseVirtualClock(false);
}

namespace {
volatile sig_atomic_t gOwnHandlerRan = 0;
void OwnHandler(int) { gOwnHandlerRan = 1; }
}  // namespace

TEST(HeadlessWindow, TerminationSignalsArriveAsCloseWhileTheMainWindowLives) {
  struct sigaction own {
  }, before{};
  own.sa_handler = &OwnHandler;
  sigemptyset(&own.sa_mask);
  sigaction(SIGTERM, &own, &before);
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    headless::Window w(WindowDesc{});
    WindowDesc childDesc;
    childDesc.child = true;
    headless::Window child(childDesc);  // a hosted window takes no signals
    raise(signal);
    Message m;
    ASSERT_TRUE(w.PeekMessage(m));
    EXPECT_EQ(m.message, WM_CLOSE);
    EXPECT_FALSE(w.PeekMessage(m)) << "one request, one close";
    EXPECT_FALSE(child.PeekMessage(m));
  }
  // Gone with the window: the handler that was there before is back.
  gOwnHandlerRan = 0;
  raise(SIGTERM);
  EXPECT_EQ(gOwnHandlerRan, 1);
  sigaction(SIGTERM, &before, nullptr);
}
