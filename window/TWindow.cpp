#include "window/TWindow.h"

#include <algorithm>
#include <cstdint>

#include "core/TSettings.h"
#include "render/TRenderer.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TWindowAnim.h"
#include "window/TWindowManager.h"
#include "window/TWindowSpider.h"
#include "window/TWindowStyle.h"

namespace {

uint32_t gNextWindowId = 0;

constexpr int kPosMax = 40000;
constexpr int kCentreMax = 106666;
constexpr int kSizeMax = 80000;
constexpr int kCentre = 80000;
constexpr int kFar = 160000;
// Rectangles stay well inside int range so that widths, screen offsets and the layout sums of
// script-given values can never overflow.
constexpr int64_t kCoordMax = int64_t{1} << 28;
constexpr int64_t kScreenMax = int64_t{1} << 29;

int Clamp64(int64_t v, int64_t limit) { return static_cast<int>(std::clamp(v, -limit, limit)); }
int ClampCoord(int64_t v) { return Clamp64(v, kCoordMax); }
int Saturate(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

bool IsMouseType(int32_t type) {
  return (type >= kEventLeftDown && type <= kEventMouseMove) || type == kEventMouseHover;
}

// Shown when it and its ancestors up to the first modal carry the shown flag.
bool ShownUpToModal(const TWindow* w) {
  for (; w; w = w->GetParent()) {
    if (!(w->GetFlags() & kWindowShown)) return false;
    if (w->GetFlags() & kWindowModal) return true;
  }
  return true;
}

}  // namespace

TWindow::TWindow() : mId(gNextWindowId++), mLife(std::make_shared<TWindowLife>(this)) {}

TWindow::~TWindow() {
  // From here on every handle reads null: no callback below can reach this window through one.
  mLife->window = nullptr;
  MarkRedraw();
  NotifyOpaque(true);
  ReleaseGlobals();
  std::list<std::unique_ptr<TWindow>> children;
  children.swap(mChildren);
  for (std::unique_ptr<TWindow>& child : children) {
    child->mParent = nullptr;
    child.reset();
  }
  if (TWindowManager* wm = TWindowManager::Instance()) wm->WindowGone(this);
}

TWindowHandle::TWindowHandle(const TWindow* w) {
  if (w) mLife = w->mLife;
}

bool TWindowHandle::Refers(const TWindow* w) const { return w && Get() == w; }

void TWindow::MarkRedraw() {
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
}

namespace {

template <typename List>
auto FindChildEntry(List& children, const TWindow* child) {
  return std::find_if(children.begin(), children.end(),
                      [child](const std::unique_ptr<TWindow>& c) { return c.get() == child; });
}

}  // namespace

bool TWindow::HasChild(const TWindow* child) const {
  return child && FindChildEntry(mChildren, child) != mChildren.end();
}

std::vector<TWindow*> TWindow::GetChildren() const {
  std::vector<TWindow*> out;
  out.reserve(mChildren.size());
  for (const std::unique_ptr<TWindow>& c : mChildren) out.push_back(c.get());
  return out;
}

std::vector<TWindowHandle> TWindow::ChildHandles(bool backwards) const {
  std::vector<TWindowHandle> out;
  out.reserve(mChildren.size());
  for (const std::unique_ptr<TWindow>& c : mChildren) out.emplace_back(c.get());
  if (backwards) std::reverse(out.begin(), out.end());
  return out;
}

void TWindow::GetScreenRect(TRect& out) const {
  int64_t dx = 0, dy = 0;
  for (const TWindow* p = mParent; p; p = p->mParent) {
    dx += p->mRect.left;
    dy += p->mRect.top;
  }
  out = TRect(Clamp64(dx + mRect.left, kScreenMax), Clamp64(dy + mRect.top, kScreenMax),
              Clamp64(dx + mRect.right, kScreenMax), Clamp64(dy + mRect.bottom, kScreenMax));
}

void TWindow::GetClientRect(TRect& out) const { out = TRect(0, 0, GetWidth(), GetHeight()); }

void TWindow::ClientToScreen(TPoint& p) const {
  TRect r;
  GetScreenRect(r);
  p.x += r.left;
  p.y += r.top;
}

void TWindow::ScreenToClient(TPoint& p) const {
  TRect r;
  GetScreenRect(r);
  p.x -= r.left;
  p.y -= r.top;
}

void TWindow::ClientToParent(TPoint& p) const {
  p.x += mRect.left;
  p.y += mRect.top;
}

void TWindow::ParentToClient(TPoint& p) const {
  p.x -= mRect.left;
  p.y -= mRect.top;
}

void TWindow::SetPosition(int x, int y) {
  int64_t w = int64_t{mRect.right} - mRect.left, h = int64_t{mRect.bottom} - mRect.top;
  int left = ClampCoord(x), top = ClampCoord(y);
  mRect = TRect(left, top, ClampCoord(left + w), ClampCoord(top + h));
  MarkRedraw();
}

void TWindow::SetSize(int w, int h) {
  mRect.right = ClampCoord(int64_t{mRect.left} + w);
  mRect.bottom = ClampCoord(int64_t{mRect.top} + h);
  MarkRedraw();
  NotifyOpaque(false);
}

void TWindow::SetFlags(uint32_t flags) {
  uint32_t old = mFlags;
  mFlags = (flags & 0xFF00u) | (old & 0xFFu);
  if ((old ^ mFlags) & kWindowShown) MarkRedraw();
  NotifyOpaque(false);
}

void TWindow::NotifyOpaque(bool removing) {
  TModalWindow* m = GetModalParent();
  if (!m) return;
  bool opaque = !removing && (mFlags & kWindowOpaque) && GetWidth() == m->GetWidth() &&
                GetHeight() == m->GetHeight();
  m->SetOpaqueWindow(this, opaque);
}

TModalWindow* TWindow::GetModalParent() const {
  for (TWindow* p = mParent; p; p = p->mParent) {
    if (p->mFlags & kWindowModal) {
      return WindowCast<TModalWindow>(p);
    }
  }
  return nullptr;
}

bool TWindow::IsVisible() const {
  for (const TWindow* w = this; w; w = w->mParent) {
    if (!(w->mFlags & kWindowShown)) return false;
    if (w->mFlags & kWindowModal) return true;
  }
  return false;
}

str TWindow::GetIdString() const { return str::Format("%8x", mId); }

TWindow* TWindow::FindChild(const str& name, int depth) {
  if (mName == name) return this;
  if (depth == 0) return nullptr;
  for (const std::unique_ptr<TWindow>& child : mChildren) {
    if (TWindow* hit = child->FindChild(name, depth - 1)) return hit;
  }
  return nullptr;
}

TWindow* TWindow::FindChildAtPoint(const TPoint& p, int depth) {
  if (depth == 0) return nullptr;
  for (const std::unique_ptr<TWindow>& entry : mChildren) {
    TWindow* child = entry.get();
    if (child->mRect.Contains(p) && ShownUpToModal(child)) {
      TPoint q = p;
      child->ParentToClient(q);
      TWindow* hit = child->FindChildAtPoint(q, depth - 1);
      return hit ? hit : child;
    }
  }
  return this;
}

bool TWindow::ForEachChild(TWindowSpider& spider, bool backwards) {
  bool result = true;
  // A spider may remove or destroy any child, the visited one included: a child that is gone
  // or has left this window by its turn is skipped.
  for (const TWindowHandle& h : ChildHandles(backwards)) {
    TWindow* w = h.Get();
    if (!w || w->mParent != this) continue;
    result = spider.Process(w);
    if (!result) break;
  }
  return result;
}

void TWindow::FitToChildren() {
  GetLargest largest(GetWidth(), GetHeight());
  ForEachChild(largest, false);
  SetSize(largest.mRight, largest.mBottom);
}

void TWindow::DeleteChildren() {
  ChildrenDelete spider(this, TWindowManager::Instance());
  ForEachChild(spider, false);
}

void TWindow::SetZOrder(int mode) {
  if (!mParent) return;
  auto& list = mParent->mChildren;
  auto it = FindChildEntry(list, this);
  if (it == list.end()) return;
  switch (mode) {
    case 0: list.splice(list.end(), list, it); break;
    case 1: list.splice(list.begin(), list, it); break;
    case 2:
      if (it != list.begin()) std::iter_swap(std::prev(it), it);
      break;
    case 3: {
      auto next = std::next(it);
      if (next != list.end()) std::iter_swap(next, it);
      break;
    }
    default: break;
  }
  MarkRedraw();
}

void TWindow::PlaceAbove(TWindow* sibling) {
  if (!mParent || sibling == this) return;
  auto& list = mParent->mChildren;
  auto it = FindChildEntry(list, this);
  if (it == list.end()) return;
  auto at = sibling ? FindChildEntry(list, sibling) : list.end();
  list.splice(at, list, it);
  MarkRedraw();
}

TWindowAnim* TWindow::GetWindowAnim() {
  if (mAnim) return mAnim;
  TModalWindow* modal = WindowCast<TModalWindow>(this);
  if (!modal) modal = GetModalParent();
  // Outside any modal there is no task list to run it: no task.
  if (!modal) return nullptr;
  mAnim = new TWindowAnim(this);
  modal->AddTask(mAnim);
  mAnim->SetClock(&modal->GetClock());
  return mAnim;
}

void TWindow::SetAnimTimer(uint32_t ms, bool repeat, bool absolute, bool catchUp) {
  if (TWindowAnim* a = GetWindowAnim()) a->SetTimer(ms, repeat, absolute, catchUp);
}

TWindowAnim* TWindow::DetachAnim() {
  TWindowAnim* a = mAnim;
  if (a) a->ClearOwner();
  mAnim = nullptr;
  return a;
}

bool TWindow::AddChild(std::unique_ptr<TWindow>&& child, bool activate) {
  if (!child) return false;
  TWindow* w = child.get();
  // A window under itself would make a cycle that every walk of the tree follows forever.
  for (const TWindow* p = this; p; p = p->mParent)
    if (p == w) return false;
  mChildren.push_front(std::move(child));
  w->mParent = this;
  if (!activate) return true;
  TWindowHandle added(w);
  if (w->OnActivate()) return true;
  // Refused: the caller keeps it, detached.
  if (!added || w->mParent != this) return false;
  w->mParent = nullptr;
  auto it = FindChildEntry(mChildren, w);
  child = std::move(*it);
  mChildren.erase(it);
  w->SetSize(w->GetWidth(), w->GetHeight());
  return false;
}

std::unique_ptr<TWindow> TWindow::RemoveChild(TWindow* child) {
  auto it = FindChildEntry(mChildren, child);
  if (!child || it == mChildren.end()) return nullptr;
  MarkRedraw();
  std::unique_ptr<TWindow> owned = std::move(*it);
  mChildren.erase(it);
  // Opaque windows anywhere in the subtree stop covering the modal they leave.
  if (TModalWindow* m = child->GetModalParent()) m->ForgetOpaqueWithin(child);
  child->mParent = nullptr;
  return owned;
}

void TWindow::Init(TWindowStyle& style) {
  mName = style.GetString("name", str());
  ApplyLayout(style);
}

void TWindow::PostCreate(TWindowStyle& style) {
  if (style.GetBool("fit", false)) FitToChildren();
  ApplyLayout(style);
}

bool TWindow::DrawTree() {
  std::vector<TWindowHandle> handles;
  return DrawTree(handles);
}

bool TWindow::DrawTree(std::vector<TWindowHandle>& handles) {
  if (!(mFlags & kWindowShown)) return false;
  TRenderer* r = TRenderer::Existing();
  TRect screen;
  GetScreenRect(screen);
  if (r) {
    TRect clip, both;
    r->GetClipRect(clip);
    both.SetIntersection(clip, screen);
    if (both.left >= both.right || both.top >= both.bottom) return true;
    r->PushViewport(screen);
    r->PushClipRect(both);
  }
  Draw();
  // Back first, through handles, since a draw may remove or destroy any child.
  const size_t first = handles.size();
  for (auto c = mChildren.rbegin(); c != mChildren.rend(); ++c) handles.emplace_back(c->get());
  const size_t end = handles.size();
  for (size_t i = first; i < end; ++i) {
    TWindow* child = handles[i].Get();
    if (child && !(child->mFlags & kWindowModal)) child->DrawTree(handles);
  }
  handles.erase(handles.begin() + static_cast<std::ptrdiff_t>(first), handles.end());
  PostDraw();
  if (r) {
    r->PopViewport();
    r->PopClipRect();
  }
  return true;
}

bool TWindow::DispatchEvent(const TPlatformEvent& event, bool focusTaken) {
  // A handler may destroy this window; the event then ends with it.
  TWindowHandle self(this);
  TPoint p(event.x, event.y);
  bool handled = false;
  switch (event.type) {
    case kEventLeftDown: handled = OnMouseDown(p); break;
    case kEventOtherButton: handled = OnMouseButton(p, event.code); break;
    case kEventLeftUp: handled = OnMouseUp(p); break;
    case kEventMouseMove: handled = OnMouseMove(p); break;
    case kEventMouseHover: handled = OnMouseHover(p); break;
    case kEventKeyDown:
      handled = OnKeyDown(static_cast<unsigned char>(event.code & 0xFF), event.modifiers);
      break;
    case kEventKeyUp: handled = OnKeyUp(static_cast<unsigned char>(event.code & 0xFF)); break;
    case kEventChar: handled = OnChar(static_cast<unsigned char>(event.code & 0xFF)); break;
    case kEventUnicodeChar: {
      str text = str::FromCodePoint(static_cast<uint32_t>(event.code));
      handled = OnWideChar(text);
      if (!handled && text.Length() <= 1)
        handled = OnChar(static_cast<unsigned char>(event.code & 0xFF));
      break;
    }
    default: break;
  }
  if (!self) return true;

  if (event.type == kEventLeftDown && !focusTaken) {
    for (TWindow* w = this; w; w = w->mParent) {
      if (w->mFlags & kWindowFocusable) {
        if (TWindowManager* wm = TWindowManager::Instance()) wm->SetFocus(w);
        focusTaken = true;
        break;
      }
    }
  }
  if (handled || !self) return true;

  if (!(mFlags & kWindowModal)) {
    bool mouse = IsMouseType(event.type);
    TPlatformEvent e = event;
    if (mouse) {
      e.x = Saturate(int64_t{e.x} + mRect.left);
      e.y = Saturate(int64_t{e.y} + mRect.top);
    }
    if (!mParent) return false;
    // Keys carry no point: only mouse events look for a window beneath this one.
    if (mouse) {
      TPoint pp(e.x, e.y);
      auto& siblings = mParent->mChildren;
      auto it = FindChildEntry(siblings, this);
      if (it != siblings.end()) {
        for (++it; it != siblings.end(); ++it) {
          TWindow* s = it->get();
          if (!s->mRect.Contains(pp) || !ShownUpToModal(s)) continue;
          TPoint sp = pp;
          s->ParentToClient(sp);
          TWindow* target = s->FindChildAtPoint(sp, -1);
          TPoint screen = pp;
          mParent->ClientToScreen(screen);
          target->ScreenToClient(screen);
          TPlatformEvent te = e;
          te.x = screen.x;
          te.y = screen.y;
          return target->DispatchEvent(te, focusTaken);
        }
      }
    }
    return mParent->DispatchEvent(e, focusTaken);
  }

  if (!GetConfigFlag(kConfigOverlayMouse)) {
    TWindowManager* wm = TWindowManager::Instance();
    if (wm && event.type == kEventLeftUp) {
      wm->PostMessage(new TMessage(kPressAnyKey, "mouse:up"));
    } else if (wm && event.type == kEventKeyDown) {
      str name("raw:");
      name += static_cast<char>(event.code & 0xFF);
      wm->PostMessage(new TMessage(kPressAnyKey, name));
    }
  }
  return false;
}

void TWindow::HandleMessage(TWindow* w, TMessage* m) {
  TWindowHandle at(w);
  while (TWindow* cur = at.Get()) {
    // A window that destroys itself while handling the message leaves it to its parent.
    TWindowHandle parent(cur->mParent);
    if (cur->OnMessage(m)) {
      delete m;
      return;
    }
    if (!at) {
      at = parent;
      continue;
    }
    if (cur->mFlags & kWindowModal) {
      TModalWindow* modal = WindowCast<TModalWindow>(cur);
      TWindow* focus = modal ? modal->GetFocusWindow() : nullptr;
      if (focus && focus->OnMessage(MessageToOffer(m))) {
        delete m;
        return;
      }
      if (TWindowManager* wm = TWindowManager::Instance()) {
        wm->QueueScriptMessage(m);
      } else {
        delete m;
      }
      return;
    }
    at = TWindowHandle(cur->mParent);
  }
  delete m;
}

namespace {

int64_t ResolvePosition64(int64_t pos, int64_t extent, int64_t size, bool alignGiven) {
  if (pos > kCentreMax) return pos + extent - kFar;
  if (pos > kPosMax) return extent / 2 - size / 2 + pos - kCentre;
  if (pos < 0 && !alignGiven) return pos + extent;
  return pos;
}

}  // namespace

int TWindow::ResolvePosition(int pos, int extent, int size, bool alignGiven) {
  return Saturate(ResolvePosition64(pos, extent, size, alignGiven));
}

// Script-given values may sit anywhere in int range: the sums are taken in 64 bits.
void TWindow::ResolveCoordinates(int& posRef, int& sizeRef, int extentIn, bool hasParent,
                                 bool centre, bool farEdge, bool alignGiven) {
  int64_t pos = posRef, size = sizeRef, extent = extentIn;
  auto store = [&] {
    posRef = Saturate(pos);
    sizeRef = Saturate(size);
  };
  if (pos < kPosMax || pos > kCentreMax) {
    if (centre) {
      pos -= size / 2;
    } else if (farEdge) {
      pos -= size;
    }
    if (size == 0) return store();
  }
  if (!hasParent) return store();
  int64_t s = size;
  auto combined = [&](int64_t sz) {
    int64_t q = pos > kCentreMax ? pos + extent - kFar : pos - kCentre;
    if (q >= 0) {
      size = sz + extent - 2 * q - kFar;
      pos = 2 * q;
    } else {
      size = sz + extent + 2 * q - kFar;
      pos = 0;
    }
  };
  if (s > kSizeMax) {
    if (pos > kPosMax) {
      combined(s);
    } else {
      pos = ResolvePosition64(pos, extent, s, alignGiven);
      size = s + (extent - pos) - kFar;
    }
  } else if (s >= 0) {
    pos = ResolvePosition64(pos, extent, s, alignGiven);
  } else {
    size = -s;
    if (-s <= kSizeMax) {
      pos = ResolvePosition64(pos, extent, -s, alignGiven);
      pos -= size;
    } else if (pos > kPosMax) {
      combined(-s);
    } else {
      // An encoding without a settled meaning: the size takes the resolved position.
      int64_t resolved = ResolvePosition64(pos, extent, -s, alignGiven);
      size = resolved;
      pos = kFar - resolved;
    }
  }
  store();
}

void TWindow::ApplyLayout(TWindowStyle& style) {
  int x = style.GetInt("x", 0);
  int y = style.GetInt("y", 0);
  int w = style.GetInt("w", GetWidth());
  int h = style.GetInt("h", GetHeight());
  auto encoded = [](int pos, int size) {
    return pos < 0 || pos > kPosMax || size < 0 || size > kSizeMax;
  };
  if (mParent) {
    if (encoded(x, w) && mParent->GetWidth() == 0) return;
    if (encoded(y, h) && mParent->GetHeight() == 0) return;
  }
  if ((x < 0 || x > kPosMax) && w == 0) return;
  if ((y < 0 || y > kPosMax) && h == 0) return;
  int align = style.GetInt("align", -1);
  bool alignGiven = align != -1;
  if (!alignGiven) align = 0;
  int pw = mParent ? mParent->GetWidth() : 0;
  int ph = mParent ? mParent->GetHeight() : 0;
  ResolveCoordinates(x, w, pw, mParent != nullptr, align & 1, align & 2, alignGiven);
  ResolveCoordinates(y, h, ph, mParent != nullptr, align & 4, align & 8, alignGiven);
  SetPosition(mRect.left != 0 ? mRect.left : x, mRect.top != 0 ? mRect.top : y);
  SetSize(GetWidth() != 0 ? GetWidth() : w, GetHeight() != 0 ? GetHeight() : h);
}
