#include <gtest/gtest.h>

#include "platform/window/Window.h"
#include "platform/window/headless/Window.h"

using namespace platform::window;

namespace {
Message Msg(uint32_t id, uint64_t w = 0, int64_t l = 0) {
  Message m;
  m.message = id;
  m.wParam = w;
  m.lParam = l;
  return m;
}
}  // namespace

TEST(HeadlessWindow, QueueKeepsOrderAndFilterTakesOnlyItsMessage) {
  headless::Window w(WindowDesc{});
  w.PostMessage(Msg(WM_KEYDOWN, 'A'));
  w.PostMessage(Msg(WM_QUIT));
  w.PostMessage(Msg(WM_KEYUP, 'A'));

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
  w.PostMessage(Msg(WM_KEYDOWN, VK_SHIFT));
  w.PostMessage(Msg(WM_LBUTTONDOWN, 0, MakeLParam(-5, 300)));
  w.PostMessage(Msg(WM_KEYUP, VK_SHIFT));
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

TEST(HeadlessWindow, ChosenWhenAskedForOrWithoutDisplay) {
  RequestHeadless(true);
  EXPECT_TRUE(IsHeadless());
  auto w = CreateMainWindow(WindowDesc{"Hearthwell", 480, 360, false, false});
  ASSERT_NE(dynamic_cast<headless::Window*>(w.get()), nullptr);
  EXPECT_EQ(w->GetTitle(), "Hearthwell");
  int cw = 0, ch = 0;
  w->GetClientSize(cw, ch);
  EXPECT_EQ(cw, 480);
  EXPECT_EQ(ch, 360);
}
