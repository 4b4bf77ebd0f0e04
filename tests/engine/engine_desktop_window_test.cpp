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
};

WindowJournal ReadJournal(Display* watcher, XID base, XID mask, Window main) {
  WindowJournal j;
  XSync(watcher, False);
  while (XPending(watcher)) {
    XEvent e;
    XNextEvent(watcher, &e);
    if (e.type == CreateNotify && (e.xcreatewindow.window & ~mask) == base) ++j.created;
    if (e.type == MapNotify && e.xmap.window == main) ++j.mapped;
    if (e.type == UnmapNotify && e.xunmap.window == main) ++j.unmapped;
  }
  return j;
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
    // Every resource a client makes carries its base, so the windows SDL made are known
    // (Xlib keeps the base and the mask in the first two of its opaque identifier fields).
    auto* client = reinterpret_cast<_XPrivDisplay>(info.info.x11.display);
    const XID base = client->private3, mask = client->private4;

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
