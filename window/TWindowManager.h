// The window manager: owns the window tree at run time (root, modal stack, focus, hover list,
// windows waiting to be deleted, posted messages and their listeners) and the script host. It
// turns platform events into calls on windows and runs frames at a fixed rate.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "core/TPlatformEvent.h"
#include "core/str.h"
#include "render/IRenderHost.h"
#include "window/IScriptHost.h"
#include "window/TWindow.h"

class IWindowSoundSource;
class TLuaObjectWrapper;
class TMessage;
class TMessageListener;
class TScreen;

class TWindowManager : public IRenderHost {
public:
  static constexpr uint32_t kFrameInterval = 12;
  static constexpr uint32_t kBackgroundFrameInterval = 200;

  TWindowManager();
  ~TWindowManager() override;
  TWindowManager(const TWindowManager&) = delete;
  TWindowManager& operator=(const TWindowManager&) = delete;

  // The first manager made and still alive.
  static TWindowManager* Instance();

  // The root is pushed as the first modal and sized to the renderer's viewport.
  void SetRoot(std::unique_ptr<TWindow> root);
  TWindow* GetRoot() const { return mRoot.Get(); }

  // The modal becomes a child of the top modal, or the manager's own when there is none.
  void PushModal(std::unique_ptr<TWindow> w);
  TWindow* GetTopModal() const;
  // Top first.
  std::vector<TWindow*> GetModalStack() const;
  void PopTopModal();
  void DoPopModal(const str& name);

  void HandleEvent(const TPlatformEvent& e);
  void Frame();
  // How long the event pump may wait before the manager has work again: the next frame when a
  // redraw is wanted, or the next due task of the top modal; TTask::kNoWake for neither.
  uint32_t MsUntilWork() const;
  void DrawModals();
  uint32_t GetLastFrameTime() const { return mLastFrameTime; }

  // Sets the focus and tells the new focus window; SetFocusWindow only sets it.
  void SetFocus(TWindow* w);
  void SetFocusWindow(TWindow* w) { mFocus = TWindowHandle(w); }
  TWindow* GetFocus() const { return mFocus.Get(); }

  void Invalidate() override { mNeedsRedraw = true; }
  bool AreFramesSuspended() const override { return mFramesSuspended.load() != 0; }
  bool GetRootSize(int& width, int& height) const override;
  bool NeedsRedraw() const { return mNeedsRedraw; }
  void SetTopModalOnly(bool on) { mTopModalOnly = on; }

  void AddHoverWindow(TWindow* w);
  void RemoveHoverWindow(TWindow* w);
  bool IsHoverWindow(const TWindow* w) const;
  // Where the pointer was last seen over the game's window, in screen coordinates: false
  // before any mouse event and after the pointer left the window.
  bool GetLastPointer(TPoint& out) const;

  // The window is deleted at the next flush; until then handlers may still use it.
  void DeleteLater(std::unique_ptr<TWindow> w);
  // The same for a window still in the tree: the flush first takes it from its parent (or
  // from the manager). A window that neither owns is left to whoever does.
  void DeleteLater(TWindow* w);
  void FlushDeletes();
  // A window is being destroyed: the lists that name it forget it. Handles already read it
  // as gone; this only keeps the lists short.
  void WindowGone(TWindow* w);

  // The manager owns posted messages until delivery.
  void PostMessage(TMessage* m);
  void DrainMessages();
  size_t GetQueuedMessageCount() const { return mMessages.size(); }
  // The manager owns its listeners.
  void AddMessageListener(std::unique_ptr<TMessageListener> listener);
  // Hands the listener back to the caller; null when it was not registered.
  std::unique_ptr<TMessageListener> RemoveMessageListener(TMessageListener* listener);
  void DeliverMessage(TMessage* m);
  // Hands the message (owned) and a command (not owned) to the script host.
  void QueueScriptMessage(TMessage* m, TLuaObjectWrapper* command = nullptr);

  // The manager owns the host from here on.
  void AttachScriptHost(IScriptHost* host);
  void SetScriptHost(IScriptHost* host) { AttachScriptHost(host); }
  IScriptHost* GetScriptHost() const { return mScriptHost; }
  IScriptHost* GetScript() const { return mScriptHost; }
  // Sets the scripts' window-manager globals (the host calls it when it is bound; defined
  // with the bindings, above the window library).
  void BindScriptGlobals(IScriptHost* host);
  void RegisterWindowType(const str& name, TWindow::Creator creator);
  bool RunScriptFile(TWindow* w, const str& file);
  void RunScriptString(TWindow* w, const str& text);
  // Whether text windows translate their labels; returns the previous value.
  bool SetScriptHostMode(bool localised);
  bool GetScriptHostMode() const;

  // Where buttons get their sounds; the manager owns it. None: buttons play nothing.
  void SetSoundSource(std::unique_ptr<IWindowSoundSource> source);
  IWindowSoundSource* GetSoundSource() const { return mSoundSource.get(); }

  // Read without a lock by the presentation thread.
  std::atomic<uint8_t> mFramesSuspended{0};
  std::atomic<uint8_t> mMouseBlocked{0};

private:
  // A window waiting for the flush: owned, or (handed over still linked) a handle on it.
  struct Doomed {
    std::unique_ptr<TWindow> owned;
    TWindowHandle linked;
  };

  void RouteMouse(const TPlatformEvent& e, const TWindowHandle& top);
  static void PauseClock(TWindow* w);
  static void StartClock(TWindow* w);
  // Takes w from its parent or from the manager's own windows; null when neither has it.
  std::unique_ptr<TWindow> TakeOwnership(TWindow* w);
  void DropDeadHandles();

  TWindowHandle mRoot;
  bool mDrawAborted = false;
  // Frames come this often: less often while the game is in the background.
  uint32_t FrameInterval() const;

  uint32_t mLastFrameTime = 0;
  TPoint mLastPointer;
  bool mPointerSeen = false;
  // Windows without a parent that the manager owns: the root, and a modal pushed on an empty
  // stack. Every other modal is owned by the modal below it.
  std::list<std::unique_ptr<TWindow>> mOwned;
  std::list<TWindowHandle> mModals;
  std::list<Doomed> mDeleteLater;
  bool mTopModalOnly = false;
  bool mNeedsRedraw = true;
  // The draw walk's scratch list of handles (the modals to draw, then their windows' children),
  // empty between frames; its storage is kept so that a frame does not allocate.
  std::vector<TWindowHandle> mDrawHandles;
  std::list<TWindowHandle> mHover;
  // The hover list taken over by PushModal while its windows are told to leave.
  std::list<TWindowHandle> mLeaving;
  TWindowHandle mFocus;
  // The modal on top when the key now held went down: the characters that key types belong
  // to it, not to a screen its key-down opened.
  TWindowHandle mKeyDownModal;
  bool mKeyHeld = false;
  IScriptHost* mScriptHost = nullptr;
  std::list<TMessage*> mMessages;
  std::list<std::unique_ptr<TMessageListener>> mListeners;
  bool mLocalised = false;
  std::unique_ptr<IWindowSoundSource> mSoundSource;
};
