// Native window messages: the numbers and parameter layouts of the desktop system the engine
// was designed for, so the event pump reads the same records whichever backend made them.
#pragma once

#include <cstdint>

namespace platform::window {

enum : uint32_t {
  WM_NULL = 0x0000,
  WM_DESTROY = 0x0002,
  WM_SIZE = 0x0005,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_ERASEBKGND = 0x0014,
  WM_ACTIVATEAPP = 0x001C,
  WM_SETCURSOR = 0x0020,
  WM_MOUSEACTIVATE = 0x0021,
  WM_WINDOWPOSCHANGING = 0x0046,
  WM_WINDOWPOSCHANGED = 0x0047,
  WM_DISPLAYCHANGE = 0x007E,
  WM_NCHITTEST = 0x0084,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_SYSKEYDOWN = 0x0104,
  WM_SYSKEYUP = 0x0105,
  WM_TIMER = 0x0113,
  WM_INITMENUPOPUP = 0x0117,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_RBUTTONDBLCLK = 0x0206,
  WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208,
  WM_MBUTTONDBLCLK = 0x0209,
  WM_MOUSEWHEEL = 0x020A,
  WM_XBUTTONDOWN = 0x020B,
  WM_XBUTTONUP = 0x020C,
  WM_XBUTTONDBLCLK = 0x020D,
  WM_CAPTURECHANGED = 0x0215,
  WM_MOUSEHOVER = 0x02A1,
  WM_MOUSELEAVE = 0x02A3,
  WM_USER = 0x0400,
};

// Key flags of mouse messages (low word of wParam).
enum : uint32_t {
  MK_LBUTTON = 0x0001,
  MK_RBUTTON = 0x0002,
  MK_SHIFT = 0x0004,
  MK_CONTROL = 0x0008,
  MK_MBUTTON = 0x0010,
  MK_XBUTTON1 = 0x0020,
  MK_XBUTTON2 = 0x0040,
};

// Virtual-key numbers the engine names.
enum : int {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_CLEAR = 0x0C,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_PAUSE = 0x13,
  VK_CAPITAL = 0x14,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_SNAPSHOT = 0x2C,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_LWIN = 0x5B,
  VK_RWIN = 0x5C,
  VK_NUMPAD0 = 0x60,
  VK_MULTIPLY = 0x6A,
  VK_ADD = 0x6B,
  VK_SEPARATOR = 0x6C,
  VK_SUBTRACT = 0x6D,
  VK_DECIMAL = 0x6E,
  VK_DIVIDE = 0x6F,
  VK_F1 = 0x70,
  VK_F13 = 0x7C,
  VK_NUMLOCK = 0x90,
  VK_SCROLL = 0x91,
  VK_OEM_1 = 0xBA,
  VK_OEM_PLUS = 0xBB,
  VK_OEM_COMMA = 0xBC,
  VK_OEM_MINUS = 0xBD,
  VK_OEM_PERIOD = 0xBE,
  VK_OEM_2 = 0xBF,
  VK_OEM_3 = 0xC0,
  VK_OEM_4 = 0xDB,
  VK_OEM_5 = 0xDC,
  VK_OEM_6 = 0xDD,
  VK_OEM_7 = 0xDE,
};

// Bits of a key message's lParam.
enum : uint32_t {
  kKeyExtendedBit = 1u << 24,
  kKeyAltContextBit = 1u << 29,
  kKeyWasDownBit = 1u << 30,  // an auto-repeated key-down
};

// Position of a window after a move or size (the record WM_WINDOWPOSCHANGED points at).
struct WindowPos {
  int32_t x = 0, y = 0, cx = 0, cy = 0;
};

struct Message {
  uint32_t message = WM_NULL;
  uint64_t wParam = 0;
  int64_t lParam = 0;
  WindowPos pos;  // WM_WINDOWPOSCHANGED only
};

inline Message MakeMessage(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0) {
  Message m;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  return m;
}

inline int64_t MakeLParam(int lo, int hi) {
  return static_cast<int64_t>((static_cast<uint32_t>(hi & 0xFFFF) << 16) |
                              static_cast<uint32_t>(lo & 0xFFFF));
}
// Signed 16-bit halves, as client coordinates are packed.
inline int LoSigned(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF)); }
inline int HiSigned(int64_t v) {
  return static_cast<int16_t>(static_cast<uint16_t>((v >> 16) & 0xFFFF));
}
inline uint32_t LoWord(uint64_t v) { return static_cast<uint32_t>(v & 0xFFFF); }
inline uint32_t HiWord(uint64_t v) { return static_cast<uint32_t>((v >> 16) & 0xFFFF); }

inline bool IsMouseButtonMessage(uint32_t m) {
  return (m >= WM_LBUTTONDOWN && m <= WM_XBUTTONDBLCLK);
}

}  // namespace platform::window
