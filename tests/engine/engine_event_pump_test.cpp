#include "EngineFixture.h"

#include "core/TSettings.h"
#include "core/TTask.h"
#include "online/TGameState.h"
#include "platform/host/headless/HostWindow.h"
#include "platform/window/Messages.h"
#include "platform/display/headless/Display.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "render/TDxTextureData.h"
#include "assets/FileLayer.h"
#include "sound/TSoundManager.h"
#include "window/TWindowManager.h"

#include <sstream>

using namespace platform::window;

namespace {

Message MovedTo(int x, int y, int cx, int cy) {
  Message m;
  m.message = WM_WINDOWPOSCHANGED;
  m.pos = {x, y, cx, cy};
  return m;
}

struct Expected {
  int32_t type, code, x, y, modifiers;
};

// A screen, then every pending request drained, so the next event comes from the queue.
void Settle(TPlatform* p) {
  if (!p->IsDisplayReady()) p->InitScreen(800, 600, false);
  TPlatformEvent e;
  for (int i = 0; i < 20; ++i) {
    p->GetEvent(e);
    if (e.type == kEventIdle) return;
  }
  FAIL() << "the pump never became idle";
}

TPlatformEvent Feed(TPlatform* p, const Message& m) {
  EngineTest::HeadlessWindow(p)->PostMessage(m);
  TPlatformEvent e;
  p->GetEvent(e);
  return e;
}

std::vector<int32_t> Types(TPlatform* p, int n) {
  std::vector<int32_t> out;
  TPlatformEvent e;
  for (int i = 0; i < n; ++i) {
    p->GetEvent(e);
    out.push_back(e.type);
  }
  return out;
}

#define EXPECT_EVENT(e, t, c, ex, ey, m) \
  do {                                   \
    EXPECT_EQ((e).type, t);              \
    EXPECT_EQ((e).code, c);              \
    EXPECT_EQ((e).x, ex);                \
    EXPECT_EQ((e).y, ey);                \
    EXPECT_EQ((e).modifiers, m);         \
  } while (0)

}  // namespace

TEST(TranslateKey, SpecialKeysKeypadAndPunctuation) {
  const std::pair<int, int> cases[] = {
      {8, 8},         {32, 32},       {223, 223},     {0x21, 0xFF85}, {0x22, 0xFF86},
      {0x25, 0xFF82}, {0x26, 0xFF80}, {0x27, 0xFF83}, {0x28, 0xFF81}, {0x2D, 0xFF84},
      {0x2E, 0xFFFF}, {0x60, '0'},    {0x69, '9'},    {0x6A, '*'},    {0x6B, '+'},
      {0xBB, '+'},    {0x6C, 10},     {0x6D, '-'},    {0xBD, '-'},    {0x6E, '.'},
      {0xBE, '.'},    {0x6F, '/'},    {0xBF, '/'},    {0xBA, ';'},    {0xBC, ','},
      {0xC0, '`'},    {0xDB, '['},    {0xDC, '\\'},   {0xDD, ']'},    {0xDE, '\''},
      {'A', 'A'},     {0x70, 0x70},   {0x24, 0x24},
  };
  for (auto [vk, code] : cases) EXPECT_EQ(TranslateKey(vk), code) << "vk " << vk;
  // Read as signed 16-bit, the special keys are the engine's small negative constants.
  EXPECT_EQ(static_cast<int16_t>(TranslateKey(0x21)), -123);
  EXPECT_EQ(static_cast<int16_t>(TranslateKey(0x2E)), -1);
}

TEST_F(EngineTest, NativeMessagesBecomeEventsAsTabled) {
  Run("--multiple", [](TPlatform* p) {
    Settle(p);
    const int64_t at = MakeLParam(40, 30);
    struct Row {
      Message in;
      Expected out;
    };
    const Row rows[] = {
        {MakeMessage(WM_LBUTTONDOWN, MK_SHIFT | MK_CONTROL, at), {5, 0, 40, 30, 3}},
        {MakeMessage(WM_LBUTTONUP, MK_SHIFT, at), {7, 0, 40, 30, 0}},
        {MakeMessage(WM_RBUTTONDOWN, MK_CONTROL, at), {6, 1, 40, 30, 2}},
        {MakeMessage(WM_RBUTTONUP, MK_CONTROL, at), {6, 0, 40, 30, 0}},
        {MakeMessage(WM_MBUTTONDOWN, MK_SHIFT, at), {6, 3, 40, 30, 1}},
        {MakeMessage(WM_MBUTTONUP, 0, at), {6, 2, 40, 30, 0}},
        {MakeMessage(WM_XBUTTONDOWN, MK_SHIFT | (1u << 16), at), {6, 4, 40, 30, 0}},
        {MakeMessage(WM_XBUTTONDOWN, 2u << 16, at), {6, 5, 40, 30, 0}},
        {MakeMessage(WM_MOUSEWHEEL, MK_SHIFT | (120u << 16), at), {6, 6, 40, 30, 1}},
        {MakeMessage(WM_MOUSEWHEEL, 0xFF88u << 16, at), {6, 7, 40, 30, 0}},
        {MakeMessage(WM_MOUSEWHEEL, 0, at), {6, 7, 40, 30, 0}},
        // The position comes from the pointer, signed 16-bit client coordinates.
        {MakeMessage(WM_MOUSEMOVE, 0, MakeLParam(-3, 700)), {8, 0, -3, 700, 0}},
        {MakeMessage(WM_KEYDOWN, 'A'), {11, 'A', 0, 0, 0}},
        {MakeMessage(WM_KEYDOWN, 0x21, kKeyExtendedBit), {11, 0xFF85, 0, 0, 8}},
        {MakeMessage(WM_KEYDOWN, 0x65), {11, '5', 0, 0, 0}},
        {MakeMessage(WM_KEYUP, 0x2E, kKeyExtendedBit), {12, 0xFFFF, 0, 0, 0}},
        {MakeMessage(WM_SYSKEYDOWN, 'A', kKeyAltContextBit), {11, 'A', 0, 0, 4}},
        {MakeMessage(WM_SYSKEYDOWN, 0x21, kKeyAltContextBit | kKeyExtendedBit),
         {11, 0x21, 0, 0, 12}},
        {MakeMessage(WM_SYSKEYDOWN, 0x79), {11, 0x79, 0, 0, 0}},
        // The Alt key alone, with or without its context bit, is no key press of its own.
        {MakeMessage(WM_SYSKEYDOWN, VK_MENU, kKeyAltContextBit), {2, 0, 0, 0, 0}},
        {MakeMessage(WM_SYSKEYDOWN, VK_MENU), {2, 0, 0, 0, 0}},
        {MakeMessage(WM_SYSKEYUP, 'A', kKeyAltContextBit), {2, 0, 0, 0, 0}},
        {MakeMessage(WM_CHAR, 'x'), {13, 'x', 0, 0, 0}},
        {MakeMessage(WM_KEYDOWN, 0x2D), {2, 0, 0, 0, 0}},  // Insert alone
        {MakeMessage(WM_CAPTURECHANGED, 0, 0x7777), {9, 0, 0, 0, 0}},
        {MakeMessage(WM_TIMER), {2, 0, 0, 0, 0}},
        {MakeMessage(WM_QUIT), {4, 0, 0, 0, 0}},
    };
    for (const Row& r : rows) {
      SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << r.in.message);
      TPlatformEvent e = Feed(p, r.in);
      EXPECT_EVENT(e, r.out.type, r.out.code, r.out.x, r.out.y, r.out.modifiers);
    }
    // Capture going to the game's own window is no loss of capture.
    auto* w = HeadlessWindow(p);
    TPlatformEvent e =
        Feed(p, MakeMessage(WM_CAPTURECHANGED, 0, static_cast<int64_t>(w->Handle())));
    EXPECT_EQ(e.type, kEventNothing);
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(EngineTest, HeldKeysGiveModifiersAndInsertNeedsShift) {
  Run("--multiple", [](TPlatform* p) {
    Settle(p);
    TPlatformEvent e = Feed(p, MakeMessage(WM_KEYDOWN, VK_SHIFT));
    EXPECT_EVENT(e, 11, VK_SHIFT, 0, 0, 1);
    e = Feed(p, MakeMessage(WM_KEYDOWN, 0x2D, kKeyExtendedBit));
    EXPECT_EVENT(e, 11, 0xFF84, 0, 0, 9);  // Shift+Insert pastes
    e = Feed(p, MakeMessage(WM_KEYDOWN, VK_CONTROL));
    EXPECT_EVENT(e, 11, VK_CONTROL, 0, 0, 3);
    e = Feed(p, MakeMessage(WM_KEYDOWN, 0x2D));
    EXPECT_EQ(e.type, kEventNothing);  // Ctrl+Shift+Insert is not the paste chord
    Feed(p, MakeMessage(WM_KEYUP, VK_SHIFT));
    e = Feed(p, MakeMessage(WM_KEYDOWN, 0x2D));
    EXPECT_EQ(e.type, kEventNothing);  // Ctrl+Insert
    e = Feed(p, MakeMessage(WM_KEYUP, 'B'));
    EXPECT_EVENT(e, 12, 'B', 0, 0, 0);  // releases never carry modifiers
  });
}

TEST_F(EngineTest, ClickThatActivatesTheWindowIsDropped) {
  Run("--multiple", [](TPlatform* p) {
    Settle(p);
    const int64_t at = MakeLParam(5, 6);
    EXPECT_EQ(Feed(p, MakeMessage(WM_MOUSEACTIVATE)).type, kEventNothing);
    platform::os::AdvanceVirtualTime(399);
    EXPECT_EQ(Feed(p, MakeMessage(WM_LBUTTONDOWN, 0, at)).type, kEventNothing);
    EXPECT_EQ(Feed(p, MakeMessage(WM_LBUTTONUP, 0, at)).type, kEventNothing);
    // The release ended the drop: the next click counts at once.
    EXPECT_EQ(Feed(p, MakeMessage(WM_LBUTTONDOWN, 0, at)).type, kEventLeftDown);
    EXPECT_EQ(Feed(p, MakeMessage(WM_LBUTTONUP, 0, at)).type, kEventLeftUp);

    Feed(p, MakeMessage(WM_MOUSEACTIVATE));
    platform::os::AdvanceVirtualTime(400);
    EXPECT_EQ(Feed(p, MakeMessage(WM_LBUTTONDOWN, 0, at)).type, kEventLeftDown);
    EXPECT_EQ(Feed(p, MakeMessage(WM_LBUTTONUP, 0, at)).type, kEventLeftUp);

    // While the window manager blocks the mouse every button message is dropped.
    p->GetWindowManager()->mMouseBlocked = 1;
    EXPECT_EQ(Feed(p, MakeMessage(WM_RBUTTONDOWN, 0, at)).type, kEventNothing);
    p->GetWindowManager()->mMouseBlocked = 0;
  });
}

TEST_F(EngineTest, AltEnterSwitchesTheDisplayAndAltF1TheOverlay) {
  Run("--multiple", [](TPlatform* p) {
    Settle(p);
    TPlatformEvent e = Feed(p, MakeMessage(WM_SYSKEYDOWN, VK_RETURN, kKeyAltContextBit));
    EXPECT_EVENT(e, kEventAltEnter, 1, 0, 0, 0);
    EXPECT_TRUE(p->IsFullScreen());
    Settle(p);  // the display may report that it was recreated
    e = Feed(p, MakeMessage(WM_SYSKEYDOWN, VK_RETURN, kKeyAltContextBit));
    EXPECT_EVENT(e, kEventAltEnter, 0, 0, 0, 0);
    EXPECT_FALSE(p->IsFullScreen());
    Settle(p);

    bool before = TRenderer::Instance()->IsDebugInfoOn();
    e = Feed(p, MakeMessage(WM_SYSKEYDOWN, 0x70, kKeyAltContextBit));
    EXPECT_EQ(e.type, kEventNothing);
    EXPECT_NE(TRenderer::Instance()->IsDebugInfoOn(), before);
  });
}

TEST_F(EngineTest, SurrogatePairsJoinInUtf8Mode) {
  SetConfig("utf8mode", "1");
  Run("--multiple", [](TPlatform* p) {
    Settle(p);
    EXPECT_EQ(Feed(p, MakeMessage(WM_CHAR, 0xD83D)).type, kEventNothing);
    TPlatformEvent e = Feed(p, MakeMessage(WM_CHAR, 0xDE00));
    EXPECT_EVENT(e, kEventUnicodeChar, 0x1F600, 0, 0, 0);
    EXPECT_EQ(Feed(p, MakeMessage(WM_CHAR, 0xDC00)).type, kEventNothing);  // stray low half
    // A second high half replaces the first; the low half completes the last one.
    Feed(p, MakeMessage(WM_CHAR, 0xD800));
    Feed(p, MakeMessage(WM_CHAR, 0xDBFF));
    e = Feed(p, MakeMessage(WM_CHAR, 0xDFFF));
    EXPECT_EVENT(e, kEventUnicodeChar, 0x10FFFF, 0, 0, 0);
    e = Feed(p, MakeMessage(WM_CHAR, 0xE9));
    EXPECT_EVENT(e, kEventUnicodeChar, 0xE9, 0, 0, 0);
  });
}

TEST_F(EngineTest, MinimiseAndRestoreReportActivation) {
  Run("--multiple", [](TPlatform* p) {
    Settle(p);
    EXPECT_EQ(Feed(p, MovedTo(-32000, -32000, 160, 28)).type, kEventNothing);
    EXPECT_TRUE(p->GetData()->mMinimized);
    EXPECT_FALSE(p->GetSoundManager()->IsActive());
    TPlatformEvent e;
    p->GetEvent(e);
    EXPECT_EVENT(e, kEventActivate, 0, 0, 0, 0);
    p->GetEvent(e);
    EXPECT_EVENT(e, kEventActivate, 0, 0, 0, 0);
    p->GetEvent(e);
    EXPECT_EQ(e.type, kEventIdle);

    EXPECT_EQ(Feed(p, MovedTo(10, 10, 800, 600)).type, kEventNothing);
    EXPECT_FALSE(p->GetData()->mMinimized);
    EXPECT_TRUE(p->GetSoundManager()->IsActive());
    EXPECT_EQ(Types(p, 3), (std::vector<int32_t>{kEventActivate, kEventActivate, kEventIdle}));

    // Losing the foreground: the active-state change, then the application's activation.
    HeadlessWindow(p)->PostMessage(MakeMessage(WM_ACTIVATEAPP, 0));
    HeadlessWindow(p)->PostMessage(MakeMessage(WM_ACTIVATEAPP, 1));
    TPlatformEvent seen[6];
    for (TPlatformEvent& s : seen) p->GetEvent(s);
    const int32_t types[6] = {2, 18, 18, 2, 18, 18};
    const int32_t codes[6] = {0, 0, 0, 0, 1, 1};
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(seen[i].type, types[i]) << i;
      EXPECT_EQ(seen[i].code, codes[i]) << i;
    }
  });
}

TEST_F(EngineTest, CloseRequestLeavesTheWindowAndQuitEnds) {
  Run("--multiple", [](TPlatform* p) {
    Settle(p);
    EXPECT_EQ(Feed(p, MakeMessage(WM_CLOSE)).type, kEventNothing);
    TPlatformEvent e;
    p->GetEvent(e);
    EXPECT_EQ(e.type, kEventCloseRequest);
    EXPECT_NE(p->GetData()->GetWindow(), nullptr);
    p->GetEvent(e);
    EXPECT_EQ(e.type, kEventIdle);

    Feed(p, MakeMessage(WM_PAINT));
    p->GetEvent(e);
    EXPECT_EQ(e.type, kEventPaint);  // the window procedure's paint request

    p->PostQuit(0);
    p->GetEvent(e);
    EXPECT_EQ(e.type, kEventQuit);
  });
}

namespace {
struct CountingTask : TTask {
  int* runs;
  explicit CountingTask(int* r) : runs(r) {}
  bool Ready(int mode) override { return mode == 0; }
  bool DoTask() override {
    ++*runs;
    return true;
  }
};
}  // namespace

TEST_F(EngineTest, IdleRunsFrameTasksAndReportsHoverAndLeave) {
  Run("--multiple", [](TPlatform* p) {
    Settle(p);
    int runs = 0;
    p->AddTask(new CountingTask(&runs));
    TPlatformEvent e;
    p->GetEvent(e);
    EXPECT_EQ(e.type, kEventIdle);
    EXPECT_EQ(runs, 1);

    e = Feed(p, MakeMessage(WM_MOUSEMOVE, 0, MakeLParam(12, 34)));
    EXPECT_EQ(e.type, kEventMouseMove);
    platform::os::AdvanceVirtualTime(399);
    p->GetEvent(e);
    EXPECT_EQ(e.type, kEventIdle);
    platform::os::AdvanceVirtualTime(1);
    p->GetEvent(e);
    EXPECT_EVENT(e, kEventMouseHover, 0, 12, 34, 0);

    EXPECT_EQ(Feed(p, MakeMessage(WM_MOUSELEAVE, 0, MakeLParam(12, 34))).type, kEventNothing);
    p->GetEvent(e);
    EXPECT_EVENT(e, kEventMouseLeave, 0, 12, 34, 0);
  });
}

TEST_F(EngineTest, HostMessagesTravelThroughTheChannel) {
  platform::host::headless::Host host;
  std::string line = "-zylom -wnd=" + (std::ostringstream() << std::hex << host.Handle()).str();
  Run(line, [&](TPlatform* p) {
    Settle(p);
    host.Send(platform::host::Record{WM_USER, 77, 0});
    TPlatformEvent e;
    p->GetEvent(e);
    EXPECT_EQ(e.type, kEventNothing);
    EXPECT_EQ(TGameState::GetInstance()->GetState("windowmessage"), "77");

    platform::host::Record r;
    while (host.TakePosted(r)) {  // the portal handler told the host the session is ready
    }
    Feed(p, MakeMessage(WM_USER + 2, 5, 6));
    ASSERT_TRUE(host.TakePosted(r));
    EXPECT_EQ(r.message, WM_USER + 2u);
    EXPECT_EQ(r.wParam, 5u);
    EXPECT_EQ(r.lParam, 6u);

    // In a portal's mode a host that has gone ends the game.
    host.Close();
    p->GetEvent(e);
    EXPECT_EQ(e.type, kEventQuit);
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(EngineTest, ClipboardWriteReportsWhetherItTook) {
  Run("--multiple", [](TPlatform* p) {
    headless::SetClipboardAvailable(false);
    EXPECT_FALSE(StringToClipboard("lost"));
    EXPECT_EQ(p->GetClipboardText(), "");
    headless::SetClipboardAvailable(true);
    EXPECT_TRUE(StringToClipboard("kept"));
    EXPECT_EQ(p->GetClipboardText(), "kept");
    EXPECT_TRUE(StringToClipboard(""));
    EXPECT_EQ(p->GetClipboardText(), "");
  });
}

TEST_F(EngineTest, TitleAndCursorReachTheWindow) {
  Run("--multiple", [](TPlatform* p) {
    p->SetWindowTitle("Harbour");
    EXPECT_EQ(HeadlessWindow(p)->GetTitle(), "Harbour");
    EXPECT_EQ(p->GetTitle(), "Kiteyard Application");  // the game's name stays
    // Before the display exists the window's own cursor is what shows or hides.
    p->SetCursorVisible(false);
    EXPECT_FALSE(HeadlessWindow(p)->IsCursorVisible());
    p->SetCursorVisible(true);
    EXPECT_TRUE(HeadlessWindow(p)->IsCursorVisible());
    // Once the display draws the cursor, the window shows none of its own.
    Settle(p);
    EXPECT_FALSE(HeadlessWindow(p)->IsCursorVisible());
    EXPECT_TRUE(p->GetData()->IsCursorVisible());
    // Over the client area the display answers the cursor request; elsewhere the system does.
    HeadlessWindow(p)->SetCursorVisible(true);
    EXPECT_EQ(p->WindowProc(MakeMessage(WM_SETCURSOR, 0, 2)), 0);
    EXPECT_TRUE(HeadlessWindow(p)->IsCursorVisible());
    EXPECT_EQ(p->WindowProc(MakeMessage(WM_SETCURSOR, 0, 1)), 1);
    EXPECT_FALSE(HeadlessWindow(p)->IsCursorVisible());
  });
}

TEST_F(EngineTest, PortalQueryModeKeepsTheDisplayWindowed) {
  platform::host::headless::Host host;
  std::string line = "-pq=1 -wnd=" + (std::ostringstream() << std::hex << host.Handle()).str();
  Run(line, [&](TPlatform* p) {
    Settle(p);
    EXPECT_EQ(TGameState::GetInstance()->GetState("sessionready"), "0");
    platform::host::Record r;
    ASSERT_TRUE(host.TakePosted(r));  // the screen's set-up told the page: windowed
    EXPECT_EQ(r.wParam, 0u);
    EXPECT_TRUE(p->SetFullScreen(true));
    EXPECT_TRUE(p->IsFullScreen());
    EXPECT_FALSE(TDxDisplayHandler::Instance()->IsFullScreen());
    ASSERT_TRUE(host.TakePosted(r));  // the portal page is told of the wish
    EXPECT_EQ(r.message, static_cast<uint32_t>(WM_USER));
    EXPECT_EQ(r.wParam, 1u);

    // Alt+Enter flips the wish; the display stays windowed.
    TPlatformEvent e = Feed(p, MakeMessage(WM_SYSKEYDOWN, VK_RETURN, kKeyAltContextBit));
    EXPECT_EVENT(e, kEventAltEnter, 0, 0, 0, 0);
    EXPECT_FALSE(p->IsFullScreen());
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(EngineTest, HostedWithoutPortalQueryIgnoresAltEnter) {
  platform::host::headless::Host host;
  std::string line = "-wnd=" + (std::ostringstream() << std::hex << host.Handle()).str();
  Run(line, [&](TPlatform* p) {
    Settle(p);
    TPlatformEvent e = Feed(p, MakeMessage(WM_SYSKEYDOWN, VK_RETURN, kKeyAltContextBit));
    EXPECT_EQ(e.type, kEventNothing);
    EXPECT_FALSE(p->IsFullScreen());
    // A right click still reaches the game, and a click takes the keyboard focus.
    EXPECT_FALSE(HeadlessWindow(p)->HasKeyboardFocus());
    e = Feed(p, MakeMessage(WM_RBUTTONDOWN, 0, MakeLParam(1, 2)));
    EXPECT_EVENT(e, kEventOtherButton, kButtonRightDown, 1, 2, 0);
    EXPECT_TRUE(HeadlessWindow(p)->HasKeyboardFocus());
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(EngineTest, CursorWithoutImageUsesTheBuiltInOne) {
  Run("--multiple", [](TPlatform* p) {
    Settle(p);
    p->SetCursor(boost::shared_ptr<TTexture>(), 2, 2, false);
    EXPECT_TRUE(FileExists("__systemcursor__.png"));
    ASSERT_TRUE(p->GetData()->mBuiltinCursor);
    EXPECT_EQ(p->GetData()->mBuiltinCursor->GetWidth(), 32u);
    EXPECT_FALSE(p->GetData()->mCursorTexture);  // the stored cursor stays empty

    std::unique_ptr<TDxTextureData> data(p->NewTextureData());
    EXPECT_NE(data, nullptr);

    // Hidden: the image is only remembered.
    p->SetCursorVisible(false);
    p->SetCursor(boost::shared_ptr<TTexture>(), 5, 6, false);
    EXPECT_EQ(p->GetData()->mCursorHotX, 5);
  });
  EXPECT_TRUE(sBodyRan);
}

TEST_F(EngineTest, HostedScreenIsScaledToTheHostsArea) {
  platform::host::headless::Host sized, silent;
  sized.SetClientSize(1200, 900);
  auto hex = [](uint64_t h) { return (std::ostringstream() << std::hex << h).str(); };
  struct Case {
    std::string line;
    bool hosted;
    float scale;
  };
  const Case cases[] = {
      {"--multiple", false, 1.0f},
      {"-wnd=" + hex(sized.Handle()), true, 1.5f},
      {"-wnd=" + hex(silent.Handle()), true, 1.0f},  // a host that gives no size
      {"--multiple --axtest", true, 1.2f},           // its host is the 960 x 720 game window
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Run(c.line, [&](TPlatform* p) {
      ASSERT_TRUE(p->InitScreen(800, 600, true));
      float scale = 0.0f;
      EXPECT_EQ(p->GetData()->GetViewportScale(scale), c.hosted);
      EXPECT_FLOAT_EQ(scale, c.scale);
      EXPECT_FLOAT_EQ(p->GetData()->mViewportScaleY, c.scale);
      // Hosted games always run in a window.
      EXPECT_EQ(p->IsFullScreen(), !c.hosted);
    });
    EXPECT_TRUE(sBodyRan);
  }
}

// Full screen stretches the 800 x 600 frame over the whole desktop: the pointer is taken back
// to the frame's pixels, so a click lands on what is drawn under it.
TEST_F(EngineTest, FullScreenPointerIsTakenBackToTheFramesPixels) {
  Run("--multiple", [](TPlatform* p) {
    ASSERT_TRUE(p->InitScreen(800, 600, true));
    Settle(p);
    ASSERT_TRUE(p->IsFullScreen());
    auto* shown = dynamic_cast<platform::display::headless::Display*>(
        TDxDisplayHandler::Instance()->GetContext()->GetBackend());
    ASSERT_NE(shown, nullptr);
    shown->SetClientSize(1600, 1200);
    TPlatformEvent e = Feed(p, MakeMessage(WM_MOUSEMOVE, 0, MakeLParam(800, 300)));
    EXPECT_EVENT(e, kEventMouseMove, 0, 400, 150, 0);
    e = Feed(p, MakeMessage(WM_LBUTTONDOWN, 0, MakeLParam(1599, 1199)));
    EXPECT_EQ(e.type, kEventLeftDown);
    EXPECT_EQ(e.x, 799);
    EXPECT_EQ(e.y, 599);
    // Shown at the frame's own size nothing is scaled.
    shown->SetClientSize(800, 600);
    e = Feed(p, MakeMessage(WM_MOUSEMOVE, 0, MakeLParam(800, 300)));
    EXPECT_EVENT(e, kEventMouseMove, 0, 800, 300, 0);
  });
}
