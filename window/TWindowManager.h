// The window manager: owns the window tree at run time (root, modal stack, focus, hover list,
// windows waiting to be deleted, posted messages and their listeners) and the script host. It
// turns platform events into calls on windows and runs frames at a fixed rate.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>

#include "core/TPlatformEvent.h"
#include "core/str.h"
#include "window/TWindow.h"

class TLuaObjectWrapper;
class TMessage;
class TMessageListener;
class TScreen;
class TWindowScript;

class TWindowManager {
public:
  static constexpr uint32_t kFrameInterval = 12;
  static constexpr uint32_t kBackgroundFrameInterval = 200;

  TWindowManager();
  virtual ~TWindowManager();
  TWindowManager(const TWindowManager&) = delete;
  TWindowManager& operator=(const TWindowManager&) = delete;

  // The first manager made and still alive.
  static TWindowManager* Instance();

  // The root is pushed as the first modal and sized to the renderer's viewport.
  void SetRoot(TWindow* root);
  TWindow* GetRoot() const { return mRoot; }

  void PushModal(TWindow* w);
  TWindow* GetTopModal() const { return mModals.empty() ? nullptr : mModals.front(); }
  const std::list<TWindow*>& GetModalStack() const { return mModals; }
  void PopTopModal();
  void DoPopModal(const str& name);

  void HandleEvent(const TPlatformEvent& e);
  void Frame();
  void DrawModals();
  uint32_t GetLastFrameTime() const { return mLastFrameTime; }

  // Sets the focus and tells the new focus window; SetFocusWindow only sets it.
  void SetFocus(TWindow* w);
  void SetFocusWindow(TWindow* w) { mFocus = w; }
  TWindow* GetFocus() const { return mFocus; }

  void Invalidate() { mNeedsRedraw = true; }
  bool NeedsRedraw() const { return mNeedsRedraw; }
  void SetTopModalOnly(bool on) { mTopModalOnly = on; }

  void AddHoverWindow(TWindow* w);
  void RemoveHoverWindow(TWindow* w);
  bool IsHoverWindow(const TWindow* w) const;

  // Whether w is a window of the tree or waits to be deleted (compares addresses only).
  bool IsWindowAlive(const TWindow* w) const;
  void DeleteLater(TWindow* w);
  void FlushDeletes();
  // A window is being destroyed: every reference to it is dropped.
  void WindowGone(TWindow* w);

  // The manager owns posted messages until delivery.
  void PostMessage(TMessage* m);
  void DrainMessages();
  size_t GetQueuedMessageCount() const { return mMessages.size(); }
  void AddMessageListener(TMessageListener* listener);
  bool RemoveMessageListener(TMessageListener* listener);
  void DeliverMessage(TMessage* m);
  // Hands the message (owned) and a command (not owned) to the script host.
  void QueueScriptMessage(TMessage* m, TLuaObjectWrapper* command = nullptr);

  // The manager owns the host from here on.
  void AttachScriptHost(TWindowScript* host);
  void SetScriptHost(TWindowScript* host) { AttachScriptHost(host); }
  TWindowScript* GetScriptHost() const { return mScriptHost; }
  TWindowScript* GetScript() const { return mScriptHost; }
  void RegisterWindowType(const str& name, TWindow::Creator creator);
  bool RunScriptFile(TWindow* w, const str& file);
  void RunScriptString(TWindow* w, const str& text);
  // Whether text windows translate their labels; returns the previous value.
  bool SetScriptHostMode(bool localised);
  bool GetScriptHostMode() const;

  // Read without a lock by the presentation thread.
  std::atomic<uint8_t> mFramesSuspended{0};
  std::atomic<uint8_t> mMouseBlocked{0};

private:
  void RouteMouse(const TPlatformEvent& e, TWindow* top);
  void BindScriptGlobals(TWindowScript* host);
  static void PauseClock(TWindow* w);
  static void StartClock(TWindow* w);

  TWindow* mRoot = nullptr;
  bool mDrawAborted = false;
  uint32_t mLastFrameTime = 0;
  std::list<TWindow*> mModals;
  std::list<TWindow*> mDeleteLater;
  bool mTopModalOnly = false;
  bool mNeedsRedraw = true;
  std::list<TWindow*> mHover;
  // The hover list taken over by PushModal while its windows are told to leave.
  std::list<TWindow*> mLeaving;
  TWindow* mFocus = nullptr;
  TWindowScript* mScriptHost = nullptr;
  std::list<TMessage*> mMessages;
  std::list<TMessageListener*> mListeners;
  bool mLocalised = false;
};
