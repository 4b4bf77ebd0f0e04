#include "platform/window/sdl/Window.h"

#include <SDL.h>

#include <cstring>

namespace platform::window::sdl {
namespace {

uint32_t MouseKeyFlags() {
  uint32_t buttons = SDL_GetMouseState(nullptr, nullptr);
  SDL_Keymod mod = SDL_GetModState();
  uint32_t flags = 0;
  if (buttons & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
  if (buttons & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
  if (buttons & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
  if (buttons & SDL_BUTTON_X1MASK) flags |= MK_XBUTTON1;
  if (buttons & SDL_BUTTON_X2MASK) flags |= MK_XBUTTON2;
  if (mod & KMOD_SHIFT) flags |= MK_SHIFT;
  if (mod & KMOD_CTRL) flags |= MK_CONTROL;
  return flags;
}

bool IsExtendedKey(SDL_Keycode k) {
  switch (k) {
    case SDLK_INSERT:
    case SDLK_DELETE:
    case SDLK_HOME:
    case SDLK_END:
    case SDLK_PAGEUP:
    case SDLK_PAGEDOWN:
    case SDLK_LEFT:
    case SDLK_RIGHT:
    case SDLK_UP:
    case SDLK_DOWN:
    case SDLK_RCTRL:
    case SDLK_RALT:
    case SDLK_KP_ENTER:
    case SDLK_KP_DIVIDE:
    case SDLK_NUMLOCKCLEAR:
    case SDLK_PRINTSCREEN:
    case SDLK_LGUI:
    case SDLK_RGUI: return true;
    default: return false;
  }
}

bool gVideoUp = false;

bool InitVideo() {
  if (gVideoUp) return true;
  // Lets SDL_Quit release the session-bus connection instead of leaving it to process exit.
  SDL_SetHint("SDL_SHUTDOWN_DBUS_ON_QUIT", "1");
  // The display draws frames in memory and copies them into the window surface. Left to
  // itself SDL would try an OpenGL test window first and, on some drivers, re-create the game's
  // window for a texture-backed surface: the window flickers away and back, and the new one
  // shows the system pointer.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  gVideoUp = true;
  return true;
}

}  // namespace

int VirtualKeyFromSdl(int k, bool numLock) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
  if (k >= SDLK_F13 && k <= SDLK_F24) return VK_F13 + (k - SDLK_F13);
  if (!numLock) {
    // SDL names keypad keys alike whatever Num Lock says; the desktop system does not.
    static const int kNavigation[9] = {VK_END,   VK_DOWN, VK_NEXT, VK_LEFT, VK_CLEAR,
                                       VK_RIGHT, VK_HOME, VK_UP,   VK_PRIOR};
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return kNavigation[k - SDLK_KP_1];
    if (k == SDLK_KP_0) return VK_INSERT;
    if (k == SDLK_KP_PERIOD) return VK_DELETE;
  }
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (k - SDLK_KP_1);
  switch (k) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_CLEAR: return VK_CLEAR;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
  }
}

std::unique_ptr<Window> Window::Create(const WindowDesc& desc, std::string* why) {
  if (!InitVideo()) {
    if (why) *why = std::string("the desktop's video system did not start: ") + SDL_GetError();
    return nullptr;
  }
  Uint32 flags = desc.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  SDL_Window* w = SDL_CreateWindow(desc.title.c_str(), SDL_WINDOWPOS_CENTERED,
                                   SDL_WINDOWPOS_CENTERED, desc.width, desc.height, flags);
  if (!w) {
    if (why) *why = std::string("the window could not be opened: ") + SDL_GetError();
    return nullptr;
  }
  SDL_StartTextInput();
  return std::unique_ptr<Window>(new Window(w, desc.unicode, desc.child, desc.width, desc.height));
}

Window::~Window() {
  SDL_StopTextInput();
  SDL_DestroyWindow(mWindow);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  gVideoUp = false;
  // The last subsystem out releases what SDL holds for the whole process.
  if (SDL_WasInit(0) == 0) SDL_Quit();
}

uint64_t Window::Handle() const { return SDL_GetWindowID(mWindow); }
void Window::SetTitle(const std::string& utf8) { SDL_SetWindowTitle(mWindow, utf8.c_str()); }
std::string Window::GetTitle() const { return SDL_GetWindowTitle(mWindow); }
void Window::SetClientSize(int width, int height) {
  mFrameWidth = width;
  mFrameHeight = height;
  SDL_SetWindowSize(mWindow, width, height);
  // A window that changes size (back from full screen, say) is centred on the desktop again.
  if (!(SDL_GetWindowFlags(mWindow) & SDL_WINDOW_FULLSCREEN))
    SDL_SetWindowPosition(mWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}
void Window::GetClientSize(int& width, int& height) const {
  SDL_GetWindowSize(mWindow, &width, &height);
}
void Window::Show() { SDL_ShowWindow(mWindow); }
bool Window::IsForeground() const {
  return (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_INPUT_FOCUS) != 0;
}
void Window::SetForeground() { SDL_RaiseWindow(mWindow); }
void Window::SetCursorVisible(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }
void Window::SetMouseCapture(bool capture) { SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE); }
void Window::SetKeyboardFocus() { SDL_SetWindowInputFocus(mWindow); }
void Window::WaitForInput(uint32_t ms) {
  // A wake that came before the wait began ends it at once; one during it arrives as an event.
  if (TakeWake()) return;
  SDL_WaitEventTimeout(nullptr, static_cast<int>(ms));
  TakeWake();
}

void Window::Interrupt() {
  // The window's own thread looks at its queue before it waits; only other threads must break
  // into SDL's wait. SDL's queue takes events from any thread; this one is dropped.
  if (std::this_thread::get_id() == mOwner) return;
  SDL_Event e{};
  e.type = SDL_USEREVENT;
  SDL_PushEvent(&e);
}

void Window::Pump() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) Translate(e);
}

void Window::ToFrame(int& x, int& y) const {
  // Full screen has the display take the pointer back to the frame's pixels, and a host's
  // child the engine's viewport scale.
  if (mChild || (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_FULLSCREEN)) return;
  // A window the window manager has resized shows the frame stretched over its new size.
  int width = 0, height = 0;
  SDL_GetWindowSize(mWindow, &width, &height);
  if (width <= 0 || height <= 0 || mFrameWidth <= 0 || mFrameHeight <= 0) return;
  if (width == mFrameWidth && height == mFrameHeight) return;
  x = static_cast<int>(int64_t{x} * mFrameWidth / width);
  y = static_cast<int>(int64_t{y} * mFrameHeight / height);
}

void Window::PostWindowPos(bool minimized) {
  Message m;
  m.message = WM_WINDOWPOSCHANGED;
  if (minimized) {
    m.pos = {-32000, -32000, 0, 0};
  } else {
    SDL_GetWindowPosition(mWindow, &m.pos.x, &m.pos.y);
    SDL_GetWindowSize(mWindow, &m.pos.cx, &m.pos.cy);
  }
  PostMessage(m);
}

void Window::Translate(const SDL_Event& e) {
  Message m;
  switch (e.type) {
    case SDL_QUIT:
      m.message = WM_CLOSE;
      PostMessage(m);
      break;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          m.message = WM_CLOSE;
          PostMessage(m);
          break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:  // the frame is stretched over the new size
          m.message = WM_PAINT;
          PostMessage(m);
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          m.message = WM_ACTIVATEAPP;
          m.wParam = 1;
          PostMessage(m);
          // A click that brings the window forward arrives with its button already down.
          if (SDL_GetMouseState(nullptr, nullptr) != 0) {
            Message a;
            a.message = WM_MOUSEACTIVATE;
            PostMessage(a);
          }
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          m.message = WM_ACTIVATEAPP;
          m.wParam = 0;
          PostMessage(m);
          break;
        case SDL_WINDOWEVENT_MINIMIZED: PostWindowPos(true); break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MOVED: PostWindowPos(false); break;
        case SDL_WINDOWEVENT_LEAVE: {
          m.message = WM_MOUSELEAVE;
          int x = 0, y = 0;
          SDL_GetMouseState(&x, &y);
          ToFrame(x, y);
          m.lParam = MakeLParam(x, y);
          PostMessage(m);
          break;
        }
        default: break;
      }
      break;
    case SDL_MOUSEMOTION: {
      m.message = WM_MOUSEMOVE;
      m.wParam = MouseKeyFlags();
      int x = e.motion.x, y = e.motion.y;
      ToFrame(x, y);
      m.lParam = MakeLParam(x, y);
      PostMessage(m);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      bool down = e.type == SDL_MOUSEBUTTONDOWN;
      m.wParam = MouseKeyFlags();
      int x = e.button.x, y = e.button.y;
      ToFrame(x, y);
      m.lParam = MakeLParam(x, y);
      switch (e.button.button) {
        case SDL_BUTTON_LEFT: m.message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case SDL_BUTTON_RIGHT: m.message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        case SDL_BUTTON_MIDDLE: m.message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        case SDL_BUTTON_X1:
        case SDL_BUTTON_X2:
          m.message = down ? WM_XBUTTONDOWN : WM_XBUTTONUP;
          m.wParam |= static_cast<uint64_t>(e.button.button == SDL_BUTTON_X1 ? 1 : 2) << 16;
          break;
        default: return;
      }
      PostMessage(m);
      break;
    }
    case SDL_MOUSEWHEEL: {
      int y = e.wheel.y;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
      if (y == 0) break;
      m.message = WM_MOUSEWHEEL;
      m.wParam = MouseKeyFlags() | (static_cast<uint64_t>(static_cast<uint16_t>(y * 120)) << 16);
      int x = 0, my = 0;
      SDL_GetMouseState(&x, &my);
      ToFrame(x, my);
      m.lParam = MakeLParam(x, my);
      PostMessage(m);
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      int vk = VirtualKeyFromSdl(e.key.keysym.sym, (e.key.keysym.mod & KMOD_NUM) != 0);
      if (vk == 0) break;
      bool down = e.type == SDL_KEYDOWN;
      bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
      uint32_t lp = 1u | (static_cast<uint32_t>(e.key.keysym.scancode & 0xFF) << 16);
      if (IsExtendedKey(e.key.keysym.sym)) lp |= kKeyExtendedBit;
      if (alt) lp |= kKeyAltContextBit;
      if (down && e.key.repeat) lp |= kKeyWasDownBit;
      if (!down) lp |= 0xC0000000u;
      if (alt || vk == VK_MENU)
        m.message = down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
      else
        m.message = down ? WM_KEYDOWN : WM_KEYUP;
      m.wParam = static_cast<uint64_t>(vk);
      m.lParam = lp;
      PostMessage(m);
      // Keys that type a control character do so on the desktop system as well.
      if (down && !alt && (vk == VK_RETURN || vk == VK_BACK || vk == VK_TAB || vk == VK_ESCAPE)) {
        Message c;
        c.message = WM_CHAR;
        c.wParam = static_cast<uint64_t>(vk);
        c.lParam = lp;
        PostMessage(c);
      }
      break;
    }
    case SDL_TEXTINPUT: {
      // Left Alt with a key is a system key there and types nothing; AltGr still types.
      SDL_Keymod held = SDL_GetModState();
      if ((held & KMOD_LALT) && !(held & KMOD_CTRL)) break;
      const unsigned char* p = reinterpret_cast<const unsigned char*>(e.text.text);
      size_t n = std::strlen(e.text.text);
      size_t i = 0;
      while (i < n) {
        uint32_t cp = p[i];
        int len = 1;
        if (cp >= 0xF0) {
          len = 4;
          cp &= 0x07;
        } else if (cp >= 0xE0) {
          len = 3;
          cp &= 0x0F;
        } else if (cp >= 0xC0) {
          len = 2;
          cp &= 0x1F;
        }
        if (i + static_cast<size_t>(len) > n) break;
        for (int k = 1; k < len; ++k) cp = (cp << 6) | (p[i + k] & 0x3F);
        i += static_cast<size_t>(len);
        // Past the last code point no surrogate pair could carry it.
        if (cp > 0x10FFFF) cp = 0xFFFD;
        Message c;
        c.message = WM_CHAR;
        if (!mUnicode) {
          c.wParam = cp < 256 ? cp : '?';
          PostMessage(c);
        } else if (cp >= 0x10000) {
          cp -= 0x10000;
          c.wParam = 0xD800 + (cp >> 10);
          PostMessage(c);
          c.wParam = 0xDC00 + (cp & 0x3FF);
          PostMessage(c);
        } else {
          c.wParam = cp;
          PostMessage(c);
        }
      }
      break;
    }
    default: break;
  }
}

bool GetScreenSize(int& width, int& height) {
  if (!InitVideo()) return false;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
  width = mode.w;
  height = mode.h;
  return true;
}

int ShowMessageBox(const std::string& title, const std::string& text, int flags) {
  SDL_MessageBoxButtonData buttons[2];
  const int count = 2;
  if (flags == MB_YESNO) {
    buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"};
    buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"};
  } else if (flags == MB_OKCANCEL) {
    buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"};
    buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"};
  } else {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(), text.c_str(), nullptr);
    return IDOK;
  }
  SDL_MessageBoxData data = {
      SDL_MESSAGEBOX_INFORMATION, nullptr, title.c_str(), text.c_str(), count, buttons, nullptr};
  int answer = 0;
  if (SDL_ShowMessageBox(&data, &answer) != 0 || answer < 0) {
    // No box could be shown: the only answer left is the one that does nothing.
    return buttons[1].buttonid;
  }
  return answer;
}

bool SetClipboardText(const std::string& text) {
  if (!InitVideo()) return false;
  return SDL_SetClipboardText(text.c_str()) == 0;
}

bool GetClipboardText(std::string& out) {
  if (!InitVideo() || !SDL_HasClipboardText()) return false;
  char* t = SDL_GetClipboardText();
  if (!t) return false;
  out = t;
  SDL_free(t);
  return true;
}

}  // namespace platform::window::sdl
