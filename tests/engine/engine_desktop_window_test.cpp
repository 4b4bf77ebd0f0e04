#include "EngineFixture.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

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

namespace {

// What the X server saw of the windows one client made, watched from a connection of our own.
struct WindowJournal {
  int created = 0;  // windows of the client's own, hidden helpers included
  int mapped = 0;   // maps of the main window
  int unmapped = 0;
  // The main window's size when it was first mapped: what the player first saw of it.
  int firstMapWidth = 0, firstMapHeight = 0;
};

WindowJournal ReadJournal(Display* watcher, XID base, XID mask, Window main) {
  WindowJournal j;
  int width = 0, height = 0;
  XSync(watcher, False);
  while (XPending(watcher)) {
    XEvent e;
    XNextEvent(watcher, &e);
    if (e.type == CreateNotify && (e.xcreatewindow.window & ~mask) == base) ++j.created;
    if (e.type == CreateNotify && e.xcreatewindow.window == main) {
      width = e.xcreatewindow.width;
      height = e.xcreatewindow.height;
    }
    if (e.type == ConfigureNotify && e.xconfigure.window == main) {
      width = e.xconfigure.width;
      height = e.xconfigure.height;
    }
    if (e.type == MapNotify && e.xmap.window == main && j.mapped++ == 0) {
      j.firstMapWidth = width;
      j.firstMapHeight = height;
    }
    if (e.type == UnmapNotify && e.xunmap.window == main) ++j.unmapped;
  }
  return j;
}

// The X identity of the game's window and the base and mask of the resources its client makes
// (Xlib keeps those in the first two of its opaque identifier fields).
struct ClientIds {
  Window window = 0;
  XID base = 0, mask = 0;
};

ClientIds IdsOf(platform::window::sdl::Window* w) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(w->SdlWindow(), &info) || info.subsystem != SDL_SYSWM_X11) return {};
  auto* client = reinterpret_cast<_XPrivDisplay>(info.info.x11.display);
  return {info.info.x11.window, client->private3, client->private4};
}

// True when the pointer's current image shows nothing (every pixel fully transparent).
bool PointerImageIsEmpty(Display* watcher) {
  XFixesCursorImage* image = XFixesGetCursorImage(watcher);
  if (!image) return false;
  bool empty = true;
  for (int i = 0; i < image->width * image->height; ++i)
    if ((image->pixels[i] >> 24) & 0xFF) empty = false;
  XFree(image);
  return empty;
}

}  // namespace

TEST_F(EngineTest, DesktopWindowIsMadeOnceAndHidesTheSystemPointerFromTheFirstFrame) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no X display";
  Display* watcher = XOpenDisplay(nullptr);
  ASSERT_NE(watcher, nullptr);
  int fixesEvent = 0, fixesError = 0;
  if (!XFixesQueryExtension(watcher, &fixesEvent, &fixesError)) {
    XCloseDisplay(watcher);
    GTEST_SKIP() << "the X server cannot show the pointer's image";
  }
  const Window root = DefaultRootWindow(watcher);
  XSelectInput(watcher, root, SubstructureNotifyMask);
  // The pointer rests where the window will open: the middle of the screen.
  XWarpPointer(watcher, None, root, 0, 0, 0, 0, DisplayWidth(watcher, 0) / 2,
               DisplayHeight(watcher, 0) / 2);
  XSync(watcher, False);

  platform::window::RequestHeadless(false);
  WindowJournal journal;
  bool pointerHidden = false, pointerOverWindow = false;
  Run("--multiple", [&](TPlatform* p) {
    auto* w = dynamic_cast<platform::window::sdl::Window*>(p->GetData()->GetWindow());
    ASSERT_NE(w, nullptr);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(w->SdlWindow(), &info));
    ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
    // Every resource a client makes carries its base, so the windows SDL made are known.
    const ClientIds ids = IdsOf(w);
    const XID base = ids.base, mask = ids.mask;

    p->InitScreen(800, 600, false);  // the first frame
    XSync(info.info.x11.display, False);
    // Other tests may share this X server: keep their windows from coming between.
    XRaiseWindow(watcher, info.info.x11.window);
    XSync(watcher, False);
    Window under = 0, child = 0;
    int rx, ry, wx, wy;
    unsigned buttons;
    XQueryPointer(watcher, info.info.x11.window, &under, &child, &rx, &ry, &wx, &wy, &buttons);
    int cw = 0, ch = 0;
    w->GetClientSize(cw, ch);
    pointerOverWindow = wx >= 0 && wy >= 0 && wx < cw && wy < ch;
    pointerHidden = PointerImageIsEmpty(watcher);

    // A few turns of the pump do not change it.
    TPlatformEvent e;
    for (int i = 0; i < 20; ++i) p->GetEvent(e);
    pointerHidden = pointerHidden && PointerImageIsEmpty(watcher);
    journal = ReadJournal(watcher, base, mask, info.info.x11.window);
  });
  platform::window::RequestHeadless(true);
  XCloseDisplay(watcher);
  EXPECT_TRUE(sBodyRan);
  EXPECT_EQ(journal.created, 1) << "windows the game made while starting";
  EXPECT_EQ(journal.mapped, 1);
  EXPECT_EQ(journal.unmapped, 0);
  EXPECT_TRUE(pointerOverWindow);
  EXPECT_TRUE(pointerHidden);
}

// The window shows first in the mode the game starts in: never small and then stretched over
// the desktop, which costs a resize and a move before the first frame.
TEST_F(EngineTest, DesktopWindowFirstShowsInTheScreensMode) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no X display";
  Display* watcher = XOpenDisplay(nullptr);
  ASSERT_NE(watcher, nullptr);
  XSelectInput(watcher, DefaultRootWindow(watcher), SubstructureNotifyMask);
  XSync(watcher, False);
  const int desktopWidth = DisplayWidth(watcher, 0), desktopHeight = DisplayHeight(watcher, 0);
  struct Case {
    bool fullScreen;
    int width, height;
  };
  for (const Case c : {Case{true, desktopWidth, desktopHeight}, Case{false, 800, 600}}) {
    platform::window::RequestHeadless(false);
    WindowJournal journal;
    bool hiddenBeforeScreen = false;
    Run("--multiple", [&](TPlatform* p) {
      auto* w = dynamic_cast<platform::window::sdl::Window*>(p->GetData()->GetWindow());
      ASSERT_NE(w, nullptr);
      hiddenBeforeScreen = (SDL_GetWindowFlags(w->SdlWindow()) & SDL_WINDOW_HIDDEN) != 0;
      const ClientIds ids = IdsOf(w);
      ASSERT_NE(ids.window, 0u);
      p->InitScreen(800, 600, c.fullScreen);
      XSync(watcher, False);
      // The game's own connection has sent everything by the time the screen is made.
      int cw = 0, ch = 0;
      w->GetClientSize(cw, ch);
      EXPECT_EQ(cw, c.width);
      EXPECT_EQ(ch, c.height);
      journal = ReadJournal(watcher, ids.base, ids.mask, ids.window);
    });
    platform::window::RequestHeadless(true);
    SCOPED_TRACE(c.fullScreen ? "full screen" : "windowed");
    EXPECT_TRUE(sBodyRan);
    EXPECT_TRUE(hiddenBeforeScreen);
    EXPECT_EQ(journal.mapped, 1);
    EXPECT_EQ(journal.firstMapWidth, c.width);
    EXPECT_EQ(journal.firstMapHeight, c.height);
  }
  XCloseDisplay(watcher);
}
