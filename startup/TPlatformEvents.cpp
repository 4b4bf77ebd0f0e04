// The event pump: native messages and the requests the window procedure left behind become
// one TPlatformEvent per call; with nothing queued the pump does the idle work.
#include <algorithm>

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/Timer.h"
#include "platform/os/Clock.h"
#include "online/PortalHandlers.h"
#include "online/TGameState.h"
#include "render/TDxDisplayHandler.h"
#include "render/TRenderer.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSoundManager.h"
#include "window/TWindowManager.h"

using namespace platform::window;

namespace {
// A click that activated the window is dropped when it ends this soon after.
constexpr uint32_t kClickDropMs = 400;
// How long the pointer must rest before it counts as hovering.
constexpr uint32_t kHoverMs = 400;
// The longest idle wait: a safety net for work that arrives without waking the pump.
constexpr uint32_t kMaxIdleWaitMs = 1000;
// Records from a host window are polled, not signalled.
constexpr uint32_t kHostPollMs = 10;

void SetEvent(TPlatformEvent& e, int32_t type, int32_t code = 0, int32_t x = 0, int32_t y = 0,
              int32_t modifiers = 0) {
  e.type = type;
  e.code = code;
  e.x = x;
  e.y = y;
  e.modifiers = modifiers;
}

// Messages from the host window arrive as messages to the main window.
void ForwardHostRecords(platform::host::IHostWindow* host, IWindow* window) {
  if (!host || !window) return;
  platform::host::Record r;
  while (host->Receive(r)) {
    Message m;
    m.message = r.message;
    m.wParam = r.wParam;
    m.lParam = static_cast<int32_t>(r.lParam);
    window->PostMessage(m);
  }
}

}  // namespace

int TranslateKey(int vk) {
  if (vk < 33 || vk > 222) return vk;
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return '0' + (vk - VK_NUMPAD0);
  switch (vk) {
    case VK_PRIOR: return kKeyPageUp;
    case VK_NEXT: return kKeyPageDown;
    case VK_LEFT: return kKeyLeft;
    case VK_UP: return kKeyUp;
    case VK_RIGHT: return kKeyRight;
    case VK_DOWN: return kKeyDown;
    case VK_INSERT: return kKeyInsert;
    case VK_DELETE: return kKeyDelete;
    case VK_MULTIPLY: return '*';
    case VK_ADD:
    case VK_OEM_PLUS: return '+';
    case VK_SEPARATOR: return 10;
    case VK_SUBTRACT:
    case VK_OEM_MINUS: return '-';
    case VK_DECIMAL:
    case VK_OEM_PERIOD: return '.';
    case VK_DIVIDE:
    case VK_OEM_2: return '/';
    case VK_OEM_1: return ';';
    case VK_OEM_COMMA: return ',';
    case VK_OEM_3: return '`';
    case VK_OEM_4: return '[';
    case VK_OEM_5: return '\\';
    case VK_OEM_6: return ']';
    case VK_OEM_7: return '\'';
    default: return vk;
  }
}

int32_t MouseButtonModifiers(uint64_t wParam) {
  int32_t m = 0;
  if (wParam & MK_SHIFT) m |= kModShift;
  if (wParam & MK_CONTROL) m |= kModCtrl;
  return m;
}

void TPlatform::CurrentMousePosition(int& x, int& y) const {
  x = y = 0;
  if (TDxDisplayHandler* d = TDxDisplayHandler::Instance())
    d->GetMousePosition(x, y);
  else if (IWindow* w = mData->GetWindow())
    w->GetMousePosition(x, y);
}

void TPlatform::GetEvent(TPlatformEvent& event) {
  TPlatformData& p = *mData;
  IWindow* window = p.GetWindow();
  platform::host::IHostWindow* host = p.GetHostWindow();

  if ((IsZylomMode() || HasPqOption()) && host && !host->IsWindow()) {
    SetEvent(event, kEventQuit);
    return;
  }
  if (p.mFirstEventCall) {
    p.mFirstEventCall = false;
    TGameState::GetInstance()->SetIntState("sessionready", 0);
  }
  if (WaitOutHostPause(event)) return;
  if (TakePendingRequest(event)) return;
  ForwardHostMessages();
  PostHoverWhenResting();

  Message m;
  if (!window || !window->PeekMessage(m)) {
    IdleEvent(event);
    return;
  }
  TranslateMessage(m, event);
  // In hosted mode the host's own context menu must not see right clicks on the game.
  bool rightButton = m.message == WM_RBUTTONDOWN || m.message == WM_RBUTTONUP;
  if (!(p.mHosted && rightButton)) WindowProc(m);
}

// While the portal host holds the game paused only the window's messages run; true when a quit
// ended the wait (the event says so).
bool TPlatform::WaitOutHostPause(TPlatformEvent& event) {
  IWindow* window = mData->GetWindow();
  while (TGameState::GetInstance()->QueryHostPause()) {
    platform::os::Sleep(1);
    // The host's resume command arrives through its channel; a host that has gone ends the
    // wait with quit.
    platform::host::IHostWindow* host = mData->GetHostWindow();
    if (host && !host->IsWindow()) {
      SetEvent(event, kEventQuit);
      return true;
    }
    ForwardHostMessages();
    Message m;
    if (window && window->PeekMessage(m)) {
      if (m.message == WM_QUIT) {
        SetEvent(event, kEventQuit);
        return true;
      }
      WindowProc(m);
    }
  }
  return false;
}

// The requests the window procedure left (activation, repaint, close, display reset, the
// pointer leaving) and a lost display, in that order; true when one became the event.
bool TPlatform::TakePendingRequest(TPlatformEvent& event) {
  TPlatformData& p = *mData;
  IWindow* window = p.GetWindow();
  TDxDisplayHandler* display = TDxDisplayHandler::Instance();
  if (p.mActivationChangePending) {
    p.mActivationChangePending = false;
    if (!p.mActive && display) display->ResetWorkingCount();
    SetEvent(event, kEventActivate, p.mActive ? 1 : 0);
    return true;
  }
  bool ready = !display || display->IsReady();
  if (!ready) {
    Message quit;
    if (window && window->PeekMessage(quit, WM_QUIT)) {
      SetEvent(event, kEventQuit);
      return true;
    }
    if (!p.mMinimized && p.mActive) {
      display->Restore();
      SetEvent(event, kEventNothing);
      return true;
    }
  }
  if (p.mDisplayResetRequest) {
    p.mDisplayResetRequest = false;
    SetEvent(event, kEventDisplayReset);
    return true;
  }
  if (p.mPaintRequest) {
    p.mPaintRequest = false;
    if (display && !display->IsReady() && !p.mMinimized) display->Restore();
    SetEvent(event, kEventPaint);
    return true;
  }
  if (p.mActivationRequest) {
    p.mActivationRequest = false;
    SetEvent(event, kEventActivate, p.mAppActive ? 1 : 0);
    return true;
  }
  if (p.mCloseRequest) {
    p.mCloseRequest = false;
    TWindowScript* script = TWindowScript::Of(p.mWindowManager);
    if (script && script->IsMoviePlaying()) script->StopMovie();
    SetEvent(event, kEventCloseRequest);
    return true;
  }
  if (p.mMouseLeftPending) {
    p.mMouseLeftPending = false;
    int x, y;
    CurrentMousePosition(x, y);
    SetEvent(event, kEventMouseLeave, 0, x, y);
    return true;
  }
  return false;
}

// Messages from the host window arrive as messages to the main window.
void TPlatform::ForwardHostMessages() {
  ForwardHostRecords(mData->GetHostWindow(), mData->GetWindow());
}

// The pointer resting long enough over the window counts as hovering.
void TPlatform::PostHoverWhenResting() {
  TPlatformData& p = *mData;
  IWindow* window = p.GetWindow();
  if (!window || !p.mHoverArmed || GetTimer() - p.mHoverSince < kHoverMs) return;
  p.mHoverArmed = false;
  int x, y;
  window->GetMousePosition(x, y);
  Message hover;
  hover.message = WM_MOUSEHOVER;
  hover.lParam = MakeLParam(x, y);
  window->PostMessage(hover);
}

// No message waits: the idle work of a frame, then a short wait for input.
void TPlatform::IdleEvent(TPlatformEvent& event) {
  TPlatformData& p = *mData;
  TDxDisplayHandler* display = TDxDisplayHandler::Instance();
  if (display && display->IsFullScreen() && p.mActive && !p.mActivationChangePending) TopmostFix();
  if (p.mSoundManager) p.mSoundManager->DispatchCallBacks();
  p.mFrameTasks.RunTasks(0);
  SetEvent(event, kEventIdle);
  if (IWindow* window = p.GetWindow()) window->WaitForInput(IdleWaitMs());
}

// The event a window message stands for (kEventNothing for the others).
void TPlatform::TranslateMessage(const Message& m, TPlatformEvent& event) {
  TPlatformData& p = *mData;
  IWindow* window = p.GetWindow();
  SetEvent(event, kEventNothing);
  switch (m.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
    case WM_MOUSEWHEEL: MouseEvent(m, event); break;
    case WM_MOUSEMOVE: {
      int x, y;
      CurrentMousePosition(x, y);
      SetEvent(event, kEventMouseMove, 0, x, y);
      if (!p.mHoverArmed) p.mHoverArmed = true;
      p.mHoverSince = GetTimer();
      p.mLeaveArmed = true;
      break;
    }
    case WM_MOUSEHOVER: {
      p.mHoverArmed = true;
      p.mHoverSince = GetTimer();
      int x, y;
      CurrentMousePosition(x, y);
      SetEvent(event, kEventMouseHover, 0, x, y);
      break;
    }
    case WM_CAPTURECHANGED:
      if (!window || static_cast<uint64_t>(m.lParam) != window->Handle())
        SetEvent(event, kEventMouseLeave);
      break;
    case WM_PAINT:
      p.mHoverArmed = false;
      SetEvent(event, kEventPaint);
      break;
    case WM_QUIT: SetEvent(event, kEventQuit); break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: KeyEvent(m, event); break;
    default: break;
  }
}

uint32_t TPlatform::IdleWaitMs() const {
  TPlatformData& p = *mData;
  uint32_t wait = std::min(kMaxIdleWaitMs, p.mFrameTasks.MsUntilDue());
  if (p.mWindowManager) wait = std::min(wait, p.mWindowManager->MsUntilWork());
  if (p.mHoverArmed) {
    uint32_t rested = GetTimer() - p.mHoverSince;
    wait = std::min(wait, rested < kHoverMs ? kHoverMs - rested : 0);
  }
  if (p.GetHostWindow()) wait = std::min(wait, kHostPollMs);
  // Never a busy loop: work due now still waits the shortest tick.
  return std::max(wait, 1u);
}

void TPlatform::MouseEvent(const Message& m, TPlatformEvent& event) {
  TPlatformData& p = *mData;
  IWindow* window = p.GetWindow();
  bool release = m.message == WM_LBUTTONUP || m.message == WM_RBUTTONUP ||
                 m.message == WM_MBUTTONUP || m.message == WM_XBUTTONUP;
  bool press = !release && m.message != WM_MOUSEWHEEL;
  TWindowManager* wm = p.mWindowManager;

  if (p.mClickDrop && !(wm && wm->mFramesSuspended.load())) {
    bool drop = GetTimer() - p.mClickDropTime < kClickDropMs;
    if (release) p.mClickDrop = false;
    if (drop) return;  // type 2
  }
  if (wm && wm->mMouseBlocked.load()) return;

  if (window) {
    if (press && p.mHosted) window->SetKeyboardFocus();
    if (press) window->SetMouseCapture(true);
    if (release) window->SetMouseCapture(false);
  }
  int x, y;
  CurrentMousePosition(x, y);
  int32_t mods = MouseButtonModifiers(m.wParam);
  switch (m.message) {
    case WM_LBUTTONDOWN: SetEvent(event, kEventLeftDown, 0, x, y, mods); break;
    case WM_LBUTTONUP: SetEvent(event, kEventLeftUp, 0, x, y); break;
    case WM_RBUTTONDOWN: SetEvent(event, kEventOtherButton, kButtonRightDown, x, y, mods); break;
    case WM_RBUTTONUP: SetEvent(event, kEventOtherButton, kButtonRightUp, x, y); break;
    case WM_MBUTTONDOWN: SetEvent(event, kEventOtherButton, kButtonMiddleDown, x, y, mods); break;
    case WM_MBUTTONUP: SetEvent(event, kEventOtherButton, kButtonMiddleUp, x, y); break;
    case WM_XBUTTONDOWN:
      SetEvent(event, kEventOtherButton, HiWord(m.wParam) == 1 ? kButtonX1Down : kButtonX2Down, x,
               y);
      break;
    case WM_MOUSEWHEEL: {
      int delta = static_cast<int16_t>(static_cast<uint16_t>(HiWord(m.wParam)));
      SetEvent(event, kEventOtherButton, delta > 0 ? kWheelForward : kWheelBack, x, y,
               MouseButtonModifiers(LoWord(m.wParam)));
      break;
    }
    default: break;  // X button releases carry no code of their own
  }
}

void TPlatform::KeyEvent(const Message& m, TPlatformEvent& event) {
  TPlatformData& p = *mData;
  IWindow* window = p.GetWindow();
  int vk = static_cast<int>(m.wParam & 0xFFFF);
  auto held = [&]() {
    int32_t mods = 0;
    if (window && window->IsKeyDown(VK_CONTROL)) mods |= kModCtrl;
    if (window && window->IsKeyDown(VK_SHIFT)) mods |= kModShift;
    if (static_cast<uint64_t>(m.lParam) & kKeyExtendedBit) mods |= kModExtended;
    return mods;
  };
  bool alt = (static_cast<uint64_t>(m.lParam) & kKeyAltContextBit) != 0;

  // The Alt key itself only begins a system chord (Alt+Enter, Alt+F1) and its release never
  // reaches the game: its press is no key either, or the chord would also count as any key.
  if (m.message == WM_SYSKEYDOWN && vk == VK_MENU) return;
  if (m.message == WM_KEYDOWN || (m.message == WM_SYSKEYDOWN && !alt)) {
    int32_t mods = held();
    // Insert types only with Shift (the paste chord); alone or with Ctrl it is dropped.
    if (vk == VK_INSERT && (mods & ~kModExtended) != kModShift) return;
    SetEvent(event, kEventKeyDown, TranslateKey(vk) & 0xFFFF, 0, 0, mods);
    return;
  }
  if (m.message == WM_SYSKEYDOWN) {
    if (vk == VK_RETURN) {
      if (p.mHosted && !HasPqOption()) return;
      TDxDisplayHandler* d = TDxDisplayHandler::Instance();
      if (HasPqOption())
        p.mFullScreenWish = !p.mFullScreenWish;
      else if (d)
        d->RefreshDisplay(!d->IsFullScreen());
      SetEvent(event, kEventAltEnter, d && d->IsFullScreen() ? 1 : 0);
      return;
    }
    if (vk == VK_F1) {
      if (TDxDisplayHandler::Instance()) TRenderer::Instance()->ToggleDebugInfo();
      return;
    }
    SetEvent(event, kEventKeyDown, vk, 0, 0, kModAlt | held());
    return;
  }
  if (m.message == WM_KEYUP) {
    SetEvent(event, kEventKeyUp, TranslateKey(vk) & 0xFFFF);
    return;
  }
  // WM_CHAR
  uint32_t c = static_cast<uint32_t>(m.wParam);
  if (!p.mUtf8) {
    SetEvent(event, kEventChar, static_cast<int32_t>(c & 0xFF));
    return;
  }
  c &= 0xFFFF;
  if (c >= 0xD800 && c <= 0xDBFF) {
    p.mHighSurrogate = c;
    return;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) {
    if (p.mHighSurrogate == 0) return;
    c = 0x10000 + ((p.mHighSurrogate - 0xD800) << 10) + (c - 0xDC00);
    p.mHighSurrogate = 0;
  }
  SetEvent(event, kEventUnicodeChar, static_cast<int32_t>(c));
}

void TPlatform::TopmostFix() {
  TPlatformData& p = *mData;
  if (p.mMinimized) {
    platform::os::Sleep(50);
    return;
  }
  IWindow* window = p.GetWindow();
  if (window && !window->IsForeground()) window->SetForeground();
}

void TPlatform::SetActiveState(bool active) {
  TPlatformData& p = *mData;
  if (active == p.mActive) return;
  if (p.mSoundManager) p.mSoundManager->SetActive(active);
  p.mActivationChangePending = !p.mActivationChangePending;
  p.mActive = active;
}

void TPlatform::SetAppActivation(bool active) {
  TPlatformData& p = *mData;
  if (active == p.mAppActive) return;
  SetActiveState(active);
  p.mAppActive = active;
  p.mActivationRequest = true;
  if (p.mSoundManager) p.mSoundManager->SetActive(active);
  if (active) {
    p.mMinimized = false;
  } else if (IsFullScreen()) {
    p.mMinimized = true;
  }
}

int64_t TPlatform::WindowProc(const Message& m) {
  TPlatformData& p = *mData;
  TDxDisplayHandler* display = TDxDisplayHandler::Instance();
  switch (m.message) {
    case WM_DESTROY: PostQuit(0); return 0;
    case WM_SIZE:
      if (m.wParam == 1)
        SetActiveState(false);
      else if (m.wParam <= 3)
        SetActiveState(true);
      return 0;
    case WM_PAINT:
      if (p.mWindowManager) p.mWindowManager->Invalidate();
      p.mPaintRequest = true;
      return 0;
    case WM_CLOSE: p.mCloseRequest = true; return 0;
    case WM_ERASEBKGND: return 1;
    case WM_ACTIVATEAPP: SetAppActivation(m.wParam == 1); return 0;
    case WM_SETCURSOR:
      // Over the client area the display decides which cursor shows.
      if (LoWord(static_cast<uint64_t>(m.lParam)) == 1 && display && display->ApplyCursor())
        return 1;
      return 0;
    case WM_MOUSEACTIVATE:
      if (!p.mHosted) {
        p.mClickDrop = true;
        p.mClickDropTime = GetTimer();
      }
      return 0;
    case WM_WINDOWPOSCHANGED:
      if (m.pos.cx == 0 || m.pos.cy == 0 || m.pos.x < -10000 || m.pos.y < -10000) {
        p.mMinimized = true;
        SetAppActivation(false);
        p.mWasMinimized = true;
      } else {
        p.mMinimized = false;
        if (p.mWasMinimized) {
          SetAppActivation(true);
          p.mWasMinimized = false;
        }
      }
      return 0;
    case WM_DISPLAYCHANGE:
      if (!p.mActive && display) display->UpdateDesktopMode();
      return 0;
    case WM_TIMER: return 0;
    case WM_MOUSEMOVE:
      if (display) {
        display->OnWindowMoved();
        display->DrawCursor(LoSigned(m.lParam), HiSigned(m.lParam));
      }
      return 0;
    case WM_MOUSELEAVE:
      if (display) display->EraseCursor();
      p.mHoverArmed = false;
      p.mMouseLeftPending = true;
      p.mLeaveArmed = false;
      return 0;
    case WM_USER:
      if (TGameState* gs = TGameState::Existing())
        gs->SetIntState("windowmessage", static_cast<int>(m.wParam));
      return 1;
    case WM_USER + 2:
      if (auto* host = p.GetHostWindow()) {
        host->Post(platform::host::Record{m.message, static_cast<uint32_t>(m.wParam),
                                          static_cast<uint32_t>(m.lParam)});
      }
      return 1;
    default: return 0;
  }
}
