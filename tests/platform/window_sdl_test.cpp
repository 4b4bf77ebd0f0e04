#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/window/sdl/Window.h"

using namespace platform::window;

// The session bus library keeps one block until the process ends; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

void PushKey(Uint32 type, SDL_Keycode sym, Uint16 mod) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.sym = sym;
  e.key.keysym.mod = mod;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

Message Take(IWindow& w, uint32_t id) {
  Message m;
  EXPECT_TRUE(w.PeekMessage(m, id)) << "no message 0x" << std::hex << id;
  return m;
}

}  // namespace

TEST(SdlWindow, SdlInputBecomesNativeMessages) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no X display";
  WindowDesc desc;
  desc.title = "Hearthwell";
  desc.unicode = true;
  auto w = sdl::Window::Create(desc);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->GetTitle(), "Hearthwell");

  PushKey(SDL_KEYDOWN, SDLK_LEFT, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_a, KMOD_LALT);
  PushKey(SDL_KEYUP, SDLK_KP_5, KMOD_NUM);
  PushKey(SDL_KEYDOWN, SDLK_SEMICOLON, KMOD_NONE);
  Message m = Take(*w, WM_KEYDOWN);
  EXPECT_EQ(m.wParam, static_cast<uint64_t>(VK_LEFT));
  EXPECT_NE(m.lParam & kKeyExtendedBit, 0);
  m = Take(*w, WM_SYSKEYDOWN);
  EXPECT_EQ(m.wParam, static_cast<uint64_t>('A'));
  EXPECT_NE(m.lParam & kKeyAltContextBit, 0);
  m = Take(*w, WM_KEYUP);
  EXPECT_EQ(m.wParam, static_cast<uint64_t>(VK_NUMPAD0 + 5));
  m = Take(*w, WM_KEYDOWN);
  EXPECT_EQ(m.wParam, static_cast<uint64_t>(VK_OEM_1));

  // Typed text arrives as UTF-16 units, the pair of a character past U+FFFF in order.
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  SDL_strlcpy(text.text.text, "\xC3\xA9\xF0\x9F\x98\x80", sizeof text.text.text);
  ASSERT_EQ(SDL_PushEvent(&text), 1);
  EXPECT_EQ(Take(*w, WM_CHAR).wParam, 0xE9u);
  EXPECT_EQ(Take(*w, WM_CHAR).wParam, 0xD83Du);
  EXPECT_EQ(Take(*w, WM_CHAR).wParam, 0xDE00u);
  // A lead byte past the last code point becomes the replacement character.
  SDL_strlcpy(text.text.text, "\xF7\xBF\xBF\xBF", sizeof text.text.text);
  ASSERT_EQ(SDL_PushEvent(&text), 1);
  EXPECT_EQ(Take(*w, WM_CHAR).wParam, 0xFFFDu);

  // Left Alt with a letter is a system key and types nothing; AltGr (Ctrl+Alt) still types.
  const std::pair<Uint16, bool> altCases[] = {
      {KMOD_LALT, false}, {KMOD_RALT, true}, {KMOD_LALT | KMOD_LCTRL, true}};
  for (auto [mod, types] : altCases) {
    SDL_SetModState(static_cast<SDL_Keymod>(mod));
    SDL_strlcpy(text.text.text, "q", sizeof text.text.text);
    ASSERT_EQ(SDL_PushEvent(&text), 1);
    Message typed;
    EXPECT_EQ(w->PeekMessage(typed, WM_CHAR), types) << "modifiers " << mod;
  }
  SDL_SetModState(KMOD_NONE);

  // A held key's repeats say that the key was down already.
  SDL_Event repeat{};
  repeat.type = SDL_KEYDOWN;
  repeat.key.keysym.sym = SDLK_b;
  repeat.key.repeat = 1;
  ASSERT_EQ(SDL_PushEvent(&repeat), 1);
  EXPECT_NE(Take(*w, WM_KEYDOWN).lParam & kKeyWasDownBit, 0);

  SDL_Event button{};
  button.type = SDL_MOUSEBUTTONDOWN;
  button.button.button = SDL_BUTTON_X2;
  button.button.x = 10;
  button.button.y = 20;
  ASSERT_EQ(SDL_PushEvent(&button), 1);
  m = Take(*w, WM_XBUTTONDOWN);
  EXPECT_EQ(HiWord(m.wParam), 2u);
  EXPECT_EQ(LoSigned(m.lParam), 10);
  EXPECT_EQ(HiSigned(m.lParam), 20);

  SDL_Event wheel{};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = -1;
  ASSERT_EQ(SDL_PushEvent(&wheel), 1);
  m = Take(*w, WM_MOUSEWHEEL);
  EXPECT_EQ(static_cast<int16_t>(HiWord(m.wParam)), -120);

  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  close.window.windowID = static_cast<Uint32>(w->Handle());
  ASSERT_EQ(SDL_PushEvent(&close), 1);
  Take(*w, WM_CLOSE);
}

// A window the window manager resized shows the frame stretched over it: pointer positions
// are taken back to the frame's pixels, until the engine sets the window's size itself.
TEST(SdlWindow, PointerOnAResizedWindowLandsOnTheStretchedFrame) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no X display";
  WindowDesc desc;
  desc.width = 800;
  desc.height = 600;
  auto w = sdl::Window::Create(desc);
  ASSERT_NE(w, nullptr);
  auto press = [](int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = x;
    e.button.y = y;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  };
  struct Case {
    const char* what;
    int windowWidth, windowHeight;  // as the window manager left it
    int x, y, frameX, frameY;
  };
  const Case cases[] = {
      {"as made", 800, 600, 400, 300, 400, 300},
      {"shrunk", 640, 480, 320, 240, 400, 300},
      {"widened only", 1600, 600, 1599, 599, 799, 599},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SDL_SetWindowSize(w->SdlWindow(), c.windowWidth, c.windowHeight);
    int width = 0, height = 0;
    SDL_GetWindowSize(w->SdlWindow(), &width, &height);
    ASSERT_EQ(width, c.windowWidth);
    ASSERT_EQ(height, c.windowHeight);
    press(c.x, c.y);
    Message m = Take(*w, WM_LBUTTONDOWN);
    EXPECT_EQ(LoSigned(m.lParam), c.frameX);
    EXPECT_EQ(HiSigned(m.lParam), c.frameY);
  }
  // (Motion is not checked here: the X server's own pointer moves arrive as the window resizes.)
  // The engine setting the size makes that the frame's size: nothing is scaled then.
  w->SetClientSize(640, 480);
  press(320, 240);
  Message m = Take(*w, WM_LBUTTONDOWN);
  EXPECT_EQ(LoSigned(m.lParam), 320);
  EXPECT_EQ(HiSigned(m.lParam), 240);
}

TEST(SdlWindow, EveryKeyAGameUsesHasItsVirtualKeyNumber) {
  const std::pair<SDL_Keycode, int> cases[] = {
      {SDLK_a, 'A'},
      {SDLK_z, 'Z'},
      {SDLK_0, '0'},
      {SDLK_9, '9'},
      {SDLK_F1, 0x70},
      {SDLK_F12, 0x7B},
      {SDLK_F13, 0x7C},
      {SDLK_F24, 0x87},
      {SDLK_UP, VK_UP},
      {SDLK_DOWN, VK_DOWN},
      {SDLK_LEFT, VK_LEFT},
      {SDLK_RIGHT, VK_RIGHT},
      {SDLK_INSERT, VK_INSERT},
      {SDLK_DELETE, VK_DELETE},
      {SDLK_HOME, VK_HOME},
      {SDLK_END, VK_END},
      {SDLK_PAGEUP, VK_PRIOR},
      {SDLK_PAGEDOWN, VK_NEXT},
      {SDLK_RETURN, VK_RETURN},
      {SDLK_KP_ENTER, VK_RETURN},
      {SDLK_ESCAPE, VK_ESCAPE},
      {SDLK_BACKSPACE, VK_BACK},
      {SDLK_TAB, VK_TAB},
      {SDLK_SPACE, VK_SPACE},
      {SDLK_LSHIFT, VK_SHIFT},
      {SDLK_RSHIFT, VK_SHIFT},
      {SDLK_LCTRL, VK_CONTROL},
      {SDLK_RCTRL, VK_CONTROL},
      {SDLK_LALT, VK_MENU},
      {SDLK_RALT, VK_MENU},
      {SDLK_CAPSLOCK, VK_CAPITAL},
      {SDLK_PAUSE, VK_PAUSE},
      {SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
      {SDLK_SCROLLLOCK, VK_SCROLL},
      {SDLK_PRINTSCREEN, VK_SNAPSHOT},
      {SDLK_LGUI, VK_LWIN},
      {SDLK_KP_0, VK_NUMPAD0},
      {SDLK_KP_9, VK_NUMPAD0 + 9},
      {SDLK_KP_MULTIPLY, VK_MULTIPLY},
      {SDLK_KP_PLUS, VK_ADD},
      {SDLK_KP_MINUS, VK_SUBTRACT},
      {SDLK_KP_PERIOD, VK_DECIMAL},
      {SDLK_KP_DIVIDE, VK_DIVIDE},
      {SDLK_EQUALS, VK_OEM_PLUS},
      {SDLK_MINUS, VK_OEM_MINUS},
      {SDLK_QUOTE, VK_OEM_7},
      {SDLK_BACKQUOTE, VK_OEM_3},
      // Keys the engine has no number for are left out.
      {SDLK_APPLICATION, 0},
  };
  for (auto [sym, vk] : cases) EXPECT_EQ(sdl::VirtualKeyFromSdl(sym), vk) << "SDL key " << sym;

  // With Num Lock off the keypad moves the caret, as on the desktop system.
  const std::pair<SDL_Keycode, int> navigation[] = {
      {SDLK_KP_8, VK_UP},          {SDLK_KP_2, VK_DOWN},  {SDLK_KP_4, VK_LEFT},
      {SDLK_KP_6, VK_RIGHT},       {SDLK_KP_7, VK_HOME},  {SDLK_KP_1, VK_END},
      {SDLK_KP_9, VK_PRIOR},       {SDLK_KP_3, VK_NEXT},  {SDLK_KP_0, VK_INSERT},
      {SDLK_KP_PERIOD, VK_DELETE}, {SDLK_KP_5, VK_CLEAR}, {SDLK_KP_PLUS, VK_ADD},
      {SDLK_KP_ENTER, VK_RETURN},
  };
  for (auto [sym, vk] : navigation)
    EXPECT_EQ(sdl::VirtualKeyFromSdl(sym, false), vk) << "SDL key " << sym << " without Num Lock";
}

TEST(SdlWindow, AWakeFromAnotherThreadEndsTheEventWait) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no X display";
  auto w = sdl::Window::Create(WindowDesc{});
  ASSERT_NE(w, nullptr);
  Message m;
  while (w->PeekMessage(m)) {}
  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    w->Wake();
  });
  w->WaitForInput(60000);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  waker.join();
  // The wake leaves no message behind.
  EXPECT_FALSE(w->PeekMessage(m));

  // So does a message posted from another thread.
  start = Clock::now();
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Message close;
    close.message = WM_CLOSE;
    w->PostMessage(close);
  });
  w->WaitForInput(60000);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  poster.join();
  EXPECT_TRUE(w->PeekMessage(m, WM_CLOSE));
}
