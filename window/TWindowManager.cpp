#include "window/TWindowManager.h"

#include <algorithm>
#include <vector>

#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "core/Timer.h"
#include "platform/window/Window.h"
#include "render/TDxDisplayHandler.h"
#include "render/TRenderer.h"
#include "window/IWindowSound.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TWindowSpider.h"

namespace {

TWindowManager* gInstance = nullptr;

bool IsAncestorOrSelf(const TWindow* ancestor, const TWindow* w) {
  for (; w; w = w->GetParent())
    if (w == ancestor) return true;
  return false;
}

bool DisplayReady() {
  if (!TPlatform::Instance()) return true;
  TDxDisplayHandler* d = TDxDisplayHandler::Instance();
  return d && d->IsReady();
}

bool PresentDone() {
  if (!TPlatform::Instance()) return true;
  TDxDisplayHandler* d = TDxDisplayHandler::Instance();
  return !d || d->IsPresentDone();
}

}  // namespace

TWindowManager::TWindowManager() {
  if (!gInstance) gInstance = this;
}

TWindowManager::~TWindowManager() {
  std::list<std::unique_ptr<TMessageListener>> listeners;
  listeners.swap(mListeners);
  listeners.clear();
  mHover.clear();
  while (GetTopModal()) PopTopModal();
  FlushDeletes();
  mOwned.clear();
  std::list<TMessage*> messages;
  messages.swap(mMessages);
  for (TMessage* m : messages) delete m;
  if (mScriptHost) {
    if (TPlatform* p = TPlatform::Instance()) p->RemoveTask(mScriptHost->AsTask());
    delete mScriptHost;
    mScriptHost = nullptr;
  }
  // The host's last collection may have closed windows that posted notices.
  for (TMessage* m : mMessages) delete m;
  mMessages.clear();
  if (gInstance == this) gInstance = nullptr;
}

TWindowManager* TWindowManager::Instance() { return gInstance; }

void TWindowManager::PauseClock(TWindow* w) {
  if (TModalWindow* modal = WindowCast<TModalWindow>(w)) modal->GetClock().Pause();
}

void TWindowManager::StartClock(TWindow* w) {
  if (TModalWindow* modal = WindowCast<TModalWindow>(w)) modal->GetClock().Start();
}

TWindow* TWindowManager::GetTopModal() const {
  for (const TWindowHandle& m : mModals)
    if (TWindow* w = m.Get()) return w;
  return nullptr;
}

std::vector<TWindow*> TWindowManager::GetModalStack() const { return LiveWindows(mModals); }

void TWindowManager::SetRoot(std::unique_ptr<TWindow> owned) {
  TWindow* root = owned.get();
  if (!root) return;
  TWindowHandle alive(root);
  mRoot = alive;
  PushModal(std::move(owned));
  if (!alive) return;
  if (TRenderer* r = TRenderer::Existing()) {
    TRect viewport;
    r->GetViewport(viewport);
    root->SetSize(viewport.Width(), viewport.Height());
  }
  root->OnActivate();
}

void TWindowManager::PushModal(std::unique_ptr<TWindow> owned) {
  TWindow* w = owned.get();
  if (!w) return;
  TWindowHandle alive(w);
  // A leave handler may destroy another window of the list: its handle then reads empty.
  mLeaving.splice(mLeaving.end(), mHover);
  while (!mLeaving.empty()) {
    TWindowHandle h = mLeaving.front();
    mLeaving.pop_front();
    if (h) h->OnMouseLeave();
  }
  TWindow* previous = GetTopModal();
  mModals.push_front(alive);
  if (previous) {
    previous->AddChild(std::move(owned), false);
    PauseClock(previous);
  } else {
    mOwned.push_back(std::move(owned));
  }
  TWindow* old = GetFocus();
  mFocus = alive;
  w->OnFocus(old);
  if (mScriptHost && alive) mScriptHost->RaiseContextWindow(w);
  if (alive) w->OnActivate();
  if (!alive) return;
  if (w->GetWidth() == 0 && w->GetParent())
    w->SetSize(w->GetParent()->GetWidth(), w->GetParent()->GetHeight());
  Invalidate();
}

std::unique_ptr<TWindow> TWindowManager::TakeOwnership(TWindow* w) {
  if (!w) return nullptr;
  if (TWindow* parent = w->GetParent()) return parent->RemoveChild(w);
  for (auto it = mOwned.begin(); it != mOwned.end(); ++it) {
    if (it->get() == w) {
      std::unique_ptr<TWindow> owned = std::move(*it);
      mOwned.erase(it);
      return owned;
    }
  }
  return nullptr;
}

void TWindowManager::PopTopModal() {
  TWindow* w = GetTopModal();
  if (!w) return;
  TWindowHandle popped(w);
  DeleteLater(TakeOwnership(w));
  while (!mModals.front().Refers(w)) mModals.pop_front();
  mModals.pop_front();
  // The root leaves the stack for good: nothing draws or presses through it afterwards.
  if (mRoot.Refers(w)) mRoot = TWindowHandle();
  if (TModalWindow* modal = WindowCast<TModalWindow>(w)) modal->ClearTasks();
  if (TWindow* top = GetTopModal()) {
    if (mScriptHost) mScriptHost->RaiseContextWindow(top);
    TWindow* old = GetFocus();
    mFocus = TWindowHandle(top);
    top->OnFocus(old);
    // Uncovered: its clock runs again, whoever popped the modal above it.
    StartClock(top);
  } else {
    if (mScriptHost) mScriptHost->RaiseContextWindow(nullptr);
    if (IsAncestorOrSelf(w, GetFocus())) mFocus = TWindowHandle();
  }
  // Still alive in the delete-later list, unless a handler flushed it.
  if (TWindow* gone = popped.Get()) {
    TModalPoppedSpider spider;
    gone->ForEachChild(spider, false);
  }
  Invalidate();
  mDrawAborted = true;
}

void TWindowManager::DoPopModal(const str& name) {
  auto matches = [&](const TWindow* w) { return w->GetName() == name || w->GetIdString() == name; };
  bool found = false;
  for (TWindow* w = GetTopModal(); w; w = w->GetParent()) {
    if (matches(w)) {
      found = true;
      break;
    }
  }
  if (!found) return;
  while (TWindow* top = GetTopModal()) {
    bool last = matches(top);
    PopTopModal();
    if (last) break;
  }
  StartClock(GetTopModal());
}

void TWindowManager::SetFocus(TWindow* w) {
  TWindow* previous = GetFocus();
  mFocus = TWindowHandle(w);
  if (w) w->OnFocus(previous);
}

void TWindowManager::AddHoverWindow(TWindow* w) {
  if (!w || IsHoverWindow(w)) return;
  mHover.emplace_front(w);
}

void TWindowManager::RemoveHoverWindow(TWindow* w) {
  mHover.remove_if([w](const TWindowHandle& h) { return h.Refers(w); });
}

bool TWindowManager::IsHoverWindow(const TWindow* w) const {
  return std::any_of(mHover.begin(), mHover.end(),
                     [w](const TWindowHandle& h) { return h.Refers(w); });
}

void TWindowManager::DeleteLater(std::unique_ptr<TWindow> w) {
  if (!w) return;
  TWindow* raw = w.get();
  mDeleteLater.push_back(Doomed{std::move(w), TWindowHandle()});
  DeleteLater(raw);
}

void TWindowManager::DeleteLater(TWindow* w) {
  if (!w) return;
  bool listed = std::any_of(mDeleteLater.begin(), mDeleteLater.end(), [w](const Doomed& d) {
    return d.owned.get() == w || d.linked.Refers(w);
  });
  if (!listed) mDeleteLater.push_back(Doomed{nullptr, TWindowHandle(w)});
  for (TMessage* m : mMessages) {
    if (IsAncestorOrSelf(w, m->GetTarget())) m->SetTarget(nullptr);
  }
  RemoveHoverWindow(w);
}

void TWindowManager::FlushDeletes() {
  if (mDeleteLater.empty()) return;
  while (!mDeleteLater.empty()) {
    Doomed d = std::move(mDeleteLater.front());
    mDeleteLater.pop_front();
    if (!d.owned) d.owned = TakeOwnership(d.linked.Get());
    d.owned.reset();
  }
  Invalidate();
}

void TWindowManager::DropDeadHandles() {
  auto dead = [](const TWindowHandle& h) { return !h; };
  mHover.remove_if(dead);
  mLeaving.remove_if(dead);
  mModals.remove_if(dead);
}

void TWindowManager::WindowGone(TWindow*) {
  // The focus and the hover lists read the window as gone already; what remains is keeping
  // the lists free of dead entries.
  DropDeadHandles();
}

void TWindowManager::PostMessage(TMessage* m) {
  if (m) mMessages.push_back(m);
}

void TWindowManager::DrainMessages() {
  while (!mMessages.empty()) {
    TMessage* m = mMessages.front();
    mMessages.pop_front();
    DeliverMessage(m);
  }
}

void TWindowManager::AddMessageListener(std::unique_ptr<TMessageListener> listener) {
  if (listener) mListeners.push_back(std::move(listener));
}

std::unique_ptr<TMessageListener> TWindowManager::RemoveMessageListener(
    TMessageListener* listener) {
  auto it = std::find_if(mListeners.begin(), mListeners.end(),
                         [listener](const auto& l) { return l.get() == listener; });
  if (it == mListeners.end()) return nullptr;
  std::unique_ptr<TMessageListener> removed = std::move(*it);
  mListeners.erase(it);
  return removed;
}

void TWindowManager::DeliverMessage(TMessage* m) {
  if (!m) return;
  if (m->GetId() == kQuitNow) {
    delete m;
    if (TPlatform* p = TPlatform::Instance()) p->PostQuit(0);
    return;
  }
  TWindow* target = m->GetTarget();
  if (!target) {
    // A listener may destroy any window, the focus window included: both are read afterwards.
    std::vector<TMessageListener*> listeners;
    for (const auto& l : mListeners) listeners.push_back(l.get());
    for (TMessageListener* l : listeners) {
      // An earlier listener may have removed (and destroyed) this one.
      if (std::none_of(mListeners.begin(), mListeners.end(),
                       [l](const auto& registered) { return registered.get() == l; }))
        continue;
      if (l->OnMessage(MessageToOffer(m))) {
        delete m;
        return;
      }
    }
    target = GetFocus() ? GetFocus() : GetTopModal();
    if (!target) {
      delete m;
      return;
    }
  }
  TWindow::HandleMessage(target, m);
}

void TWindowManager::QueueScriptMessage(TMessage* m, TLuaObjectWrapper* command) {
  if (mScriptHost) {
    mScriptHost->HandleMessage(m, command);
  } else {
    delete m;
  }
}

void TWindowManager::AttachScriptHost(IScriptHost* host) {
  if (host == mScriptHost) return;
  if (mScriptHost) {
    if (TPlatform* p = TPlatform::Instance()) p->RemoveTask(mScriptHost->AsTask());
    delete mScriptHost;
  }
  mScriptHost = host;
  if (!host) return;
  host->SetFlag(mLocalised);
  if (TWindow* top = GetTopModal()) host->PushContextWindow(top);
  host->BindManager(this);
  if (TPlatform* p = TPlatform::Instance()) p->AddTask(host->AsTask());
}

void TWindowManager::RegisterWindowType(const str& name, TWindow::Creator creator) {
  if (mScriptHost) mScriptHost->RegisterWindowType(name, creator);
}

bool TWindowManager::RunScriptFile(TWindow* w, const str& file) {
  if (!mScriptHost) return false;
  bool pushed = mScriptHost->PushContextWindow(w);
  bool ok = mScriptHost->RunFile(file);
  if (pushed) mScriptHost->PopContextWindow(w);
  return ok;
}

void TWindowManager::RunScriptString(TWindow* w, const str& text) {
  if (!mScriptHost) return;
  bool pushed = mScriptHost->PushContextWindow(w);
  mScriptHost->RunString(text);
  if (pushed) mScriptHost->PopContextWindow(w);
}

bool TWindowManager::SetScriptHostMode(bool localised) {
  bool old = mLocalised;
  mLocalised = localised;
  if (mScriptHost) old = mScriptHost->SetFlag(localised);
  return old;
}

bool TWindowManager::GetScriptHostMode() const { return mLocalised; }

bool TWindowManager::GetLastPointer(TPoint& out) const {
  if (mPointerSeen) out = mLastPointer;
  return mPointerSeen;
}

void TWindowManager::HandleEvent(const TPlatformEvent& e) {
  if (e.type == kEventNothing) return;
  FlushDeletes();
  TWindow* top = GetTopModal();
  if (!top) return;
  TWindowHandle topHandle(top);
  switch (e.type) {
    case kEventIdle:
      if (TModalWindow* modal = WindowCast<TModalWindow>(top)) modal->RunTasks(0);
      DrainMessages();
      Frame();
      DrainMessages();
      break;
    case kEventPaint:
      mNeedsRedraw = true;
      DrainMessages();
      Frame();
      DrainMessages();
      break;
    case kEventActivate: break;
    case kEventKeyDown:
    case kEventKeyUp:
    case kEventChar:
    case kEventUnicodeChar:
      if (e.type == kEventKeyDown) {
        mKeyDownModal = topHandle;
        mKeyHeld = true;
      } else if (e.type == kEventKeyUp) {
        mKeyHeld = false;
      } else if (mKeyHeld && !mKeyDownModal.Refers(top)) {
        // Escape that ended the intro must not also press the menu's Quit.
        DrainMessages();
        break;
      }
      (GetFocus() ? GetFocus() : top)->DispatchEvent(e, false);
      DrainMessages();
      break;
    case kEventMouseLeave:
      mPointerSeen = false;
      if (!mHover.empty()) {
        std::vector<TWindowHandle> hover(mHover.begin(), mHover.end());
        for (const TWindowHandle& h : hover) {
          if (!topHandle.Refers(GetTopModal())) break;
          if (h && IsHoverWindow(h.Get())) h->OnMouseLeave();
        }
      }
      DrainMessages();
      break;
    case kEventLeftDown:
    case kEventOtherButton:
    case kEventLeftUp:
    case kEventMouseMove:
    case kEventMouseHover:
      mLastPointer = TPoint(e.x, e.y);
      mPointerSeen = true;
      RouteMouse(e, topHandle);
      DrainMessages();
      break;
    default:
      DrainMessages();
      if (TWindow* t = GetTopModal()) t->DispatchEvent(e, false);
      break;
  }
}

void TWindowManager::RouteMouse(const TPlatformEvent& e, const TWindowHandle& topHandle) {
  if (!mHover.empty()) {
    std::vector<TWindowHandle> hover(mHover.begin(), mHover.end());
    for (const TWindowHandle& handle : hover) {
      if (!topHandle.Refers(GetTopModal())) break;
      // An earlier handler may have dropped or destroyed it.
      TWindow* h = handle.Get();
      if (!h || !IsHoverWindow(h)) continue;
      TRect r;
      h->GetScreenRect(r);
      if (!r.Contains(TPoint(e.x, e.y))) {
        h->OnMouseLeave();
        if (!handle || !IsHoverWindow(h)) continue;
      }
      TPlatformEvent c = e;
      TPoint p(e.x, e.y);
      h->ScreenToClient(p);
      c.x = p.x;
      c.y = p.y;
      h->DispatchEvent(c, false);
    }
    return;
  }
  TWindow* top = topHandle.Get();
  if (!top) return;
  TPoint p(e.x, e.y);
  top->ScreenToClient(p);
  TWindow* w = top->FindChildAtPoint(p, -1);
  if (!w) w = top;
  TPoint wp(e.x, e.y);
  w->ScreenToClient(wp);
  TPlatformEvent c = e;
  c.x = wp.x;
  c.y = wp.y;
  bool handled = w->DispatchEvent(c, false);
  if (!handled && GetConfigFlag(kConfigOverlayMouse) && e.type == kEventLeftUp)
    PostMessage(new TMessage(kPressAnyKey, "mouse:up"));
}

void TWindowManager::Frame() {
  mDrawAborted = false;
  if (mFramesSuspended.load() || !mNeedsRedraw || !PresentDone()) return;
  uint32_t now = GetTimer();
  if (now < mLastFrameTime + FrameInterval()) return;
  mLastFrameTime = now;
  TPlatform* platform = TPlatform::Instance();
  TWindow* top = GetTopModal();
  if (!top) return;
  if (PresentDone()) {
    if (platform) platform->GetTaskList()->RunTasks(1);
    top = GetTopModal();
    if (TModalWindow* modal = WindowCast<TModalWindow>(top)) modal->RunTasks(1);
  }
  TRenderer* r = platform ? TRenderer::Instance() : TRenderer::Existing();
  if (r && !r->BeginDraw()) return;
  mNeedsRedraw = false;
  DrawModals();
  if (r) r->EndDraw();
}

uint32_t TWindowManager::FrameInterval() const {
  TPlatform* platform = TPlatform::Instance();
  if (platform && !platform->IsForeground() && !HasPqOption()) {
    float scale;
    bool hosted = platform->GetData() && platform->GetData()->GetViewportScale(scale);
    if (!hosted) return kBackgroundFrameInterval;
  }
  return kFrameInterval;
}

uint32_t TWindowManager::MsUntilWork() const {
  uint32_t wait = TTask::kNoWake;
  TWindow* top = GetTopModal();
  if (top && top->IsKindOf(TModalWindow::GetClassId()))
    wait = static_cast<TModalWindow*>(top)->MsUntilTaskDue();
  if (mNeedsRedraw && !mFramesSuspended.load()) {
    // A present still under way is asked again soon; the frame waits for it.
    uint32_t frame = 1;
    if (PresentDone()) {
      uint32_t due = mLastFrameTime + FrameInterval(), now = GetTimer();
      frame = now < due ? due - now : 0;
    }
    wait = std::min(wait, frame);
  }
  return wait;
}

void TWindowManager::DrawModals() {
  if (mDrawAborted || !DisplayReady()) return;
  // The live modals, top first.
  std::vector<TWindowHandle>& stack = mDrawHandles;
  const size_t base = stack.size();
  for (const TWindowHandle& m : mModals)
    if (m) stack.push_back(m);
  const size_t count = stack.size() - base;
  if (count == 0) return;
  if (mTopModalOnly) {
    TWindow* top = stack[base].Get();
    top->DrawTree(stack);
    stack.erase(stack.begin() + static_cast<std::ptrdiff_t>(base), stack.end());
    return;
  }
  TWindow* root = GetRoot();
  size_t start = count - 1;
  for (size_t i = 0; i < count; ++i) {
    TWindow* m = stack[base + i].Get();
    if ((m->GetFlags() & kWindowOpaque) && root && m->GetWidth() == root->GetWidth() &&
        m->GetHeight() == root->GetHeight()) {
      start = i;
      break;
    }
  }
  // Draw upward from the start through the handles, since a draw may pop a modal (draw aborted
  // then) or destroy one.
  for (size_t i = start + 1; i-- > 0;) {
    if (mDrawAborted || !DisplayReady()) break;
    if (TWindow* m = stack[base + i].Get()) m->DrawTree(stack);
  }
  stack.erase(stack.begin() + static_cast<std::ptrdiff_t>(base), stack.end());
}

void TWindowManager::SetSoundSource(std::unique_ptr<IWindowSoundSource> source) {
  mSoundSource = std::move(source);
}

bool TWindowManager::GetRootSize(int& width, int& height) const {
  const TWindow* root = GetRoot();
  if (!root) return false;
  width = root->GetWidth();
  height = root->GetHeight();
  return true;
}
