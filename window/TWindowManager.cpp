#include "window/TWindowManager.h"

#include <algorithm>
#include <vector>

#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "core/TSettings.h"
#include "core/Timer.h"
#include "render/TRenderer.h"
#include "script/binding/TLuaMessage.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TWindowSpider.h"

namespace {

TWindowManager* gInstance = nullptr;

bool Contains(const TRect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

bool IsAncestorOrSelf(const TWindow* ancestor, const TWindow* w) {
  for (; w; w = w->GetParent())
    if (w == ancestor) return true;
  return false;
}

bool DisplayReady() {
  TPlatform* p = TPlatform::Instance();
  return !p || p->IsDisplayReady();
}

bool PresentDone() {
  TPlatform* p = TPlatform::Instance();
  return !p || p->IsPresentDone();
}

}  // namespace

TWindowManager::TWindowManager() {
  if (!gInstance) gInstance = this;
}

TWindowManager::~TWindowManager() {
  std::list<TMessageListener*> listeners;
  listeners.swap(mListeners);
  for (TMessageListener* l : listeners) delete l;
  mHover.clear();
  while (!mModals.empty()) PopTopModal();
  FlushDeletes();
  std::list<TMessage*> messages;
  messages.swap(mMessages);
  for (TMessage* m : messages) delete m;
  if (mScriptHost) {
    if (TPlatform* p = TPlatform::Instance()) p->RemoveTask(mScriptHost);
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
  if (w && w->IsKindOf(TModalWindow::GetClassId()))
    static_cast<TModalWindow*>(w)->GetClock().Pause();
}

void TWindowManager::StartClock(TWindow* w) {
  if (w && w->IsKindOf(TModalWindow::GetClassId()))
    static_cast<TModalWindow*>(w)->GetClock().Start();
}

void TWindowManager::SetRoot(TWindow* root) {
  if (!root || root == mRoot) return;
  mRoot = root;
  PushModal(root);
  if (TRenderer* r = TRenderer::Existing()) {
    TRect viewport;
    r->GetViewport(viewport);
    root->SetSize(viewport.Width(), viewport.Height());
  }
  root->OnActivate();
}

void TWindowManager::PushModal(TWindow* w) {
  if (!w) return;
  // A leave handler may destroy another window of the list: WindowGone drops it from here.
  mLeaving.splice(mLeaving.end(), mHover);
  while (!mLeaving.empty()) {
    TWindow* h = mLeaving.front();
    mLeaving.pop_front();
    h->OnMouseLeave();
  }
  TWindow* previous = GetTopModal();
  mModals.push_front(w);
  if (previous) {
    previous->AddChild(w, false);
    PauseClock(previous);
  }
  TWindow* old = mFocus;
  mFocus = w;
  w->OnFocus(old);
  if (mScriptHost) mScriptHost->RaiseContextWindow(w);
  w->OnActivate();
  if (w->GetWidth() == 0 && w->GetParent())
    w->SetSize(w->GetParent()->GetWidth(), w->GetParent()->GetHeight());
  Invalidate();
}

void TWindowManager::PopTopModal() {
  if (mModals.empty()) return;
  TWindow* w = mModals.front();
  if (w->GetParent()) w->GetParent()->RemoveChild(w);
  DeleteLater(w);
  mModals.pop_front();
  // The root leaves the stack for good: nothing draws or presses through it afterwards.
  if (w == mRoot) mRoot = nullptr;
  if (w->IsKindOf(TModalWindow::GetClassId())) static_cast<TModalWindow*>(w)->ClearTasks();
  if (!mModals.empty()) {
    TWindow* top = mModals.front();
    if (mScriptHost) mScriptHost->RaiseContextWindow(top);
    TWindow* old = mFocus;
    mFocus = top;
    top->OnFocus(old);
    // Uncovered: its clock runs again, whoever popped the modal above it.
    StartClock(top);
  } else {
    if (mScriptHost) mScriptHost->RaiseContextWindow(nullptr);
    if (mFocus && IsAncestorOrSelf(w, mFocus)) mFocus = nullptr;
  }
  TModalPoppedSpider popped;
  w->ForEachChild(popped, false);
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
  while (!mModals.empty()) {
    TWindow* top = mModals.front();
    bool last = matches(top);
    PopTopModal();
    if (last) break;
  }
  StartClock(GetTopModal());
}

void TWindowManager::SetFocus(TWindow* w) {
  TWindow* previous = mFocus;
  mFocus = w;
  if (w) w->OnFocus(previous);
}

void TWindowManager::AddHoverWindow(TWindow* w) {
  if (!w || IsHoverWindow(w)) return;
  mHover.push_front(w);
}

void TWindowManager::RemoveHoverWindow(TWindow* w) { mHover.remove(w); }

bool TWindowManager::IsHoverWindow(const TWindow* w) const {
  return std::find(mHover.begin(), mHover.end(), w) != mHover.end();
}

namespace {
bool InSubtree(const TWindow* root, const TWindow* w) {
  if (root == w) return true;
  for (const TWindow* c : root->GetChildren())
    if (InSubtree(c, w)) return true;
  return false;
}
}  // namespace

bool TWindowManager::IsWindowAlive(const TWindow* w) const {
  if (!w) return false;
  if (!mModals.empty() && InSubtree(mModals.back(), w)) return true;
  for (const TWindow* d : mDeleteLater)
    if (InSubtree(d, w)) return true;
  return false;
}

void TWindowManager::DeleteLater(TWindow* w) {
  if (!w) return;
  if (std::find(mDeleteLater.begin(), mDeleteLater.end(), w) == mDeleteLater.end())
    mDeleteLater.push_back(w);
  for (TMessage* m : mMessages) {
    if (IsAncestorOrSelf(w, m->GetTarget())) m->SetTarget(nullptr);
  }
  mHover.remove(w);
}

void TWindowManager::FlushDeletes() {
  if (mDeleteLater.empty()) return;
  while (!mDeleteLater.empty()) {
    TWindow* w = mDeleteLater.front();
    mDeleteLater.pop_front();
    // Handed over still linked: a parent that lives on must not keep the freed pointer.
    if (TWindow* parent = w->GetParent()) parent->RemoveChild(w);
    delete w;
  }
  Invalidate();
}

void TWindowManager::WindowGone(TWindow* w) {
  if (mFocus == w) mFocus = nullptr;
  mHover.remove(w);
  mLeaving.remove(w);
  // Deleted some other way than through the list: it must not be deleted twice.
  mDeleteLater.remove(w);
  for (TMessage* m : mMessages) {
    if (m->GetTarget() == w) m->SetTarget(nullptr);
  }
  if (mRoot == w) mRoot = nullptr;
  mModals.remove(w);
  for (TWindow* m = GetTopModal(); m && m->IsKindOf(TModalWindow::GetClassId());
       m = m->GetParent()) {
    TModalWindow* modal = static_cast<TModalWindow*>(m);
    if (modal->GetFocusWindow() == w) modal->SetFocus(nullptr);
  }
  // Modals that are not on the stack's parent chain may still remember it.
  for (TWindow* m : mModals) {
    if (m->IsKindOf(TModalWindow::GetClassId())) static_cast<TModalWindow*>(m)->ForgetWindow(w);
  }
  if (mScriptHost) mScriptHost->ForgetWindow(w);
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

void TWindowManager::AddMessageListener(TMessageListener* listener) {
  if (listener) mListeners.push_back(listener);
}

bool TWindowManager::RemoveMessageListener(TMessageListener* listener) {
  auto it = std::find(mListeners.begin(), mListeners.end(), listener);
  if (it == mListeners.end()) return false;
  mListeners.erase(it);
  return true;
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
    std::vector<TMessageListener*> listeners(mListeners.begin(), mListeners.end());
    for (TMessageListener* l : listeners) {
      // An earlier listener may have removed (and destroyed) this one.
      if (std::find(mListeners.begin(), mListeners.end(), l) == mListeners.end()) continue;
      if (l->OnMessage(MessageToOffer(m))) {
        delete m;
        return;
      }
    }
    target = mFocus ? mFocus : GetTopModal();
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

void TWindowManager::AttachScriptHost(TWindowScript* host) {
  if (host == mScriptHost) return;
  if (mScriptHost) {
    if (TPlatform* p = TPlatform::Instance()) p->RemoveTask(mScriptHost);
    delete mScriptHost;
  }
  mScriptHost = host;
  if (!host) return;
  host->SetFlag(mLocalised);
  if (TWindow* top = GetTopModal()) host->PushContextWindow(top);
  host->BindManager(this);
  BindScriptGlobals(host);
  if (TPlatform* p = TPlatform::Instance()) p->AddTask(host);
}

void TWindowManager::RegisterWindowType(const str& name, TWindow::Creator creator) {
  if (mScriptHost) mScriptHost->RegisterWindowType(name, creator);
}

bool TWindowManager::RunScriptFile(TWindow* w, const str& file) {
  if (!mScriptHost) return false;
  bool pushed = mScriptHost->PushContextWindow(w);
  bool ok = mScriptHost->DoFile(file);
  if (pushed) mScriptHost->PopContextWindow(w);
  return ok;
}

void TWindowManager::RunScriptString(TWindow* w, const str& text) {
  if (!mScriptHost) return;
  bool pushed = mScriptHost->PushContextWindow(w);
  mScriptHost->DoLuaString(text);
  if (pushed) mScriptHost->PopContextWindow(w);
}

bool TWindowManager::SetScriptHostMode(bool localised) {
  bool old = mLocalised;
  mLocalised = localised;
  if (mScriptHost) old = mScriptHost->SetFlag(localised);
  return old;
}

bool TWindowManager::GetScriptHostMode() const { return mLocalised; }

void TWindowManager::HandleEvent(const TPlatformEvent& e) {
  if (e.type == kEventNothing) return;
  FlushDeletes();
  if (mModals.empty()) return;
  TWindow* top = GetTopModal();
  switch (e.type) {
    case kEventIdle:
      if (top->IsKindOf(TModalWindow::GetClassId())) static_cast<TModalWindow*>(top)->RunTasks(0);
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
      (mFocus ? mFocus : top)->DispatchEvent(e, false);
      DrainMessages();
      break;
    case kEventMouseLeave:
      if (!mHover.empty()) {
        std::vector<TWindow*> hover(mHover.begin(), mHover.end());
        for (TWindow* h : hover) {
          if (GetTopModal() != top) break;
          if (IsHoverWindow(h)) h->OnMouseLeave();
        }
      }
      DrainMessages();
      break;
    case kEventLeftDown:
    case kEventOtherButton:
    case kEventLeftUp:
    case kEventMouseMove:
    case kEventMouseHover:
      RouteMouse(e, top);
      DrainMessages();
      break;
    default:
      DrainMessages();
      if (TWindow* t = GetTopModal()) t->DispatchEvent(e, false);
      break;
  }
}

void TWindowManager::RouteMouse(const TPlatformEvent& e, TWindow* top) {
  if (!mHover.empty()) {
    std::vector<TWindow*> hover(mHover.begin(), mHover.end());
    for (TWindow* h : hover) {
      if (GetTopModal() != top) break;
      // An earlier handler may have dropped it; the list then no longer holds it.
      if (!IsHoverWindow(h)) continue;
      TRect r;
      h->GetScreenRect(r);
      if (!Contains(r, e.x, e.y)) {
        h->OnMouseLeave();
        if (!IsHoverWindow(h)) continue;
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
  if (!handled && GetConfigFlag("overlaymouse") && e.type == kEventLeftUp)
    PostMessage(new TMessage(kPressAnyKey, "mouse:up"));
}

void TWindowManager::Frame() {
  mDrawAborted = false;
  if (mFramesSuspended.load() || !mNeedsRedraw || !PresentDone()) return;
  uint32_t interval = kFrameInterval;
  TPlatform* platform = TPlatform::Instance();
  if (platform && !platform->IsForeground() && !HasPqOption()) {
    float scale;
    bool hosted = platform->GetData() && platform->GetData()->GetViewportScale(scale);
    if (!hosted) interval = kBackgroundFrameInterval;
  }
  uint32_t now = GetTimer();
  if (now < mLastFrameTime + interval) return;
  mLastFrameTime = now;
  TWindow* top = GetTopModal();
  if (!top) return;
  if (PresentDone()) {
    if (platform) platform->GetTaskList()->RunTasks(1);
    top = GetTopModal();
    if (top && top->IsKindOf(TModalWindow::GetClassId()))
      static_cast<TModalWindow*>(top)->RunTasks(1);
  }
  TRenderer* r = platform ? TRenderer::Instance() : TRenderer::Existing();
  if (r && !r->BeginDraw()) return;
  mNeedsRedraw = false;
  DrawModals();
  if (r) r->EndDraw();
}

void TWindowManager::DrawModals() {
  if (mDrawAborted || mModals.empty() || !DisplayReady()) return;
  if (mTopModalOnly) {
    mModals.front()->DrawTree();
    return;
  }
  auto start = std::prev(mModals.end());
  for (auto it = mModals.begin(); it != mModals.end(); ++it) {
    TWindow* m = *it;
    if ((m->GetFlags() & kWindowOpaque) && mRoot && m->GetWidth() == mRoot->GetWidth() &&
        m->GetHeight() == mRoot->GetHeight()) {
      start = it;
      break;
    }
  }
  // Draw upward from the start: copy, since a draw may pop a modal (draw aborted then).
  std::vector<TWindow*> order;
  for (auto it = start;; --it) {
    order.push_back(*it);
    if (it == mModals.begin()) break;
  }
  for (TWindow* m : order) {
    if (mDrawAborted || !DisplayReady()) break;
    m->DrawTree();
  }
}
