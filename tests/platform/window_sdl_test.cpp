#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>

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
  PushKey(SDL_KEYUP, SDLK_KP_5, KMOD_NONE);
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

TEST(SdlWindow, KeysWithoutANumberAreLeftOut) {
  EXPECT_EQ(sdl::VirtualKeyFromSdl(SDLK_F12), 0x7B);
  EXPECT_EQ(sdl::VirtualKeyFromSdl(SDLK_QUOTE), VK_OEM_7);
  EXPECT_EQ(sdl::VirtualKeyFromSdl(SDLK_KP_ENTER), VK_RETURN);
  EXPECT_EQ(sdl::VirtualKeyFromSdl(SDLK_APPLICATION), 0);
}
