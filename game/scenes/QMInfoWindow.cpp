#include "game/scenes/QMInfoWindow.h"

#include <algorithm>

#include "anim/KAnimQueue.h"
#include "anim/KAnimSteps.h"
#include "core/TPlatformEvent.h"
#include "game/scenes/QMMessages.h"
#include "render/QMSearchableSprite.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "script/LuaApi.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

namespace {

constexpr const char* kButtonNames[] = {"nextButton", "prevButton", "closeButton", "comicButton"};
constexpr uint32_t kKeyRepeatMs = 100;
constexpr unsigned char kEscape = 27;

}  // namespace

QMInfoWindow::QMInfoWindow() = default;

QMInfoWindow::~QMInfoWindow() {
  DropCurrent();
  GetOverlays().clear();
  mRoot.reset();
}

boost::shared_ptr<TSprite> QMInfoWindow::GetCurrentSprite() const {
  return mCurrent ? mCurrent->GetSprite() : boost::shared_ptr<TSprite>();
}

void QMInfoWindow::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  GetWindowAnim();
  const str sound = style.GetString("openSFX", str());
  if (!sound.IsEmpty()) mOpenSound = TSound::Get(sound, true, 1001);

  if (std::unique_ptr<TLuaTable> overlay{style.GetTable("overlay")}) {
    mRoot = boost::shared_ptr<TSprite>(new QMSearchableSprite(0));
    lua_State* L = overlay->GetState();
    const int top = lua_gettop(L);
    overlay->Push();
    const int table = lua_gettop(L);
    for (int i = 1;; ++i) {
      lua_rawgeti(L, table, i);
      if (lua_isnil(L, -1)) {
        lua_pop(L, 1);
        break;
      }
      if (lua_istable(L, -1))
        mPageList.push_back(std::make_unique<TLuaTable>(L));  // pops the page
      else
        lua_pop(L, 1);
    }
    lua_settop(L, top);
    ParsePages(0);
    NextPage();
    if (TModalWindow* modal = GetModalParent()) modal->SetFocus(this);
    SetAnimTimer(16, true, false, false);
  }
  if (mOpenSound)
    if (boost::shared_ptr<TSoundInstance> playing = mOpenSound->Play(false))
      playing->HoldSoundUntilEnd();
}

void QMInfoWindow::ParsePages(size_t first) {
  TModalWindow* modal = GetModalParent();
  QMOverlayParser parser(modal ? &modal->GetClock() : nullptr, &mRoot, this);
  for (size_t i = first; i < mPageList.size(); ++i) parser.Parse(*mPageList[i], 0);
}

void QMInfoWindow::Draw() {
  if (!mRoot) return;
  TScoped2d in2d;
  if (!in2d.Ok()) return;
  mRoot->Draw(TDrawParams(TVec2(0, 0), 1.0f, 1.0f, 0), -1);
}

bool QMInfoWindow::Animate() {
  if (!mRoot) return false;
  if (mAdvancePending) {
    mAdvancePending = false;
    NextPage();
  }
  KAnimMessageWaiter* waiter = mButtonsShown ? nullptr : CurrentWaiter();
  if (waiter) {
    // The page waits: its buttons show, except one whose message the page would not take.
    SetButtonsVisible(true);
    const int32_t id = waiter->GetId();
    auto hide = [this](const char* name) {
      if (TWindow* w = FindChild(name, -1)) w->SetFlags(w->GetFlags() & ~uint32_t(kWindowShown));
    };
    if (id != kQMInfoContinue && id != kQMInfoContinueSprite) hide("nextButton");
    if (id != kQMInfoBack || mPagesShown <= 1) hide("prevButton");
  }
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
  return true;
}

void QMInfoWindow::SetButtonsVisible(bool visible) {
  mButtonsShown = visible;
  for (const char* name : kButtonNames) {
    TWindow* button = FindChild(name, -1);
    if (!button) continue;
    const uint32_t flags = button->GetFlags();
    button->SetFlags(visible ? (flags | kWindowShown) : (flags & ~uint32_t(kWindowShown)));
  }
}

KAnimMessageWaiter* QMInfoWindow::CurrentWaiter() const {
  KAnimQueue* queue = mCurrent ? mCurrent->GetQueue() : nullptr;
  auto* waiter = queue ? dynamic_cast<KAnimMessageWaiter*>(queue->GetCurrent()) : nullptr;
  return waiter && waiter->IsWaiting() ? waiter : nullptr;
}

void QMInfoWindow::DropCurrent() {
  mAdvancePending = false;
  if (!mCurrent) return;
  std::unique_ptr<OverlayItem> page = std::move(mCurrent);
  if (KAnimQueue* queue = page->GetQueue()) {
    // Its end must not reach a window that has let it go.
    queue->RemoveListener(this);
    queue->Cancel();
  }
}

void QMInfoWindow::StartCurrent() {
  SetButtonsVisible(false);
  KAnimQueue* queue = mCurrent ? mCurrent->GetQueue() : nullptr;
  if (!queue) return;
  queue->AddListener(this);
  KAddRef(queue);
  queue->Start();
  KReleaseRef(queue);
}

void QMInfoWindow::NextPage() {
  SetButtonsVisible(false);
  std::deque<OverlayItem>& pending = GetOverlays();
  DropCurrent();
  if (pending.empty()) return;
  mCurrent = std::make_unique<OverlayItem>(pending.front());
  pending.pop_front();
  ++mPagesShown;
  StartCurrent();
}

bool QMInfoWindow::ContinuePage(TMessage* m) {
  KAnimMessageWaiter* waiter = CurrentWaiter();
  if (!waiter || !waiter->OnMessage(m->GetId())) return false;
  SetButtonsVisible(false);
  if (mPagesShown >= mPageList.size()) DropCurrent();
  return true;
}

bool QMInfoWindow::PreviousPage(TMessage* m) {
  if (mPagesShown <= 1) return false;
  KAnimMessageWaiter* waiter = CurrentWaiter();
  if (!waiter || waiter->GetId() != m->GetId()) return false;
  const unsigned shown = mPagesShown;
  const auto back =
      static_cast<unsigned>(std::max(0.0, mPageList[shown - 1]->GetNumber("back", 1)));
  mPagesShown = shown - std::min(back, shown - 1);
  // The page gone back to is built afresh, and so is every page after it, so that going on
  // from there shows them again.
  DropCurrent();
  GetOverlays().clear();
  ParsePages(mPagesShown - 1);
  std::deque<OverlayItem>& pending = GetOverlays();
  if (pending.empty()) return true;
  mCurrent = std::make_unique<OverlayItem>(pending.front());
  pending.pop_front();
  StartCurrent();
  return true;
}

void QMInfoWindow::ApplyWindowProps(TMessage* message) {
  auto* props = static_cast<QMWindowPropsMessage*>(message);
  TWindow* w = FindChild(props->GetName(), -1);
  if (!w) return;
  if (props->width >= 0 || props->height >= 0)
    // A part given as -1 keeps its size rather than turning it negative.
    w->SetSize(props->width >= 0 ? props->width : w->GetWidth(),
               props->height >= 0 ? props->height : w->GetHeight());
  const TRect& r = w->GetRect();
  const int left = props->x >= 0 ? props->x : r.left;
  if (props->y >= 0)
    w->SetPosition(left, props->y);
  else if (props->x >= 0)
    w->SetPosition(props->x, r.top);
}

bool QMInfoWindow::OnMessage(TMessage* m) {
  switch (m->GetId()) {
    case kQMInfoNextPage: NextPage(); return true;
    case kQMInfoContinue:
    case kQMInfoContinueSprite: return ContinuePage(m);
    case kQMInfoBack: return PreviousPage(m);
    case kQMWindowProps:
      if (!m->IsKindOf(QMWindowPropsMessage::GetClassId())) return false;
      ApplyWindowProps(m);
      return true;
    default: return false;
  }
}

void QMInfoWindow::OnProcessFinished(KAnimProcess* process) {
  if (!mRoot) {
    if (TWindowManager* wm = TWindowManager::Instance()) wm->DoPopModal("infoPanel");
    return;
  }
  if (mCurrent && process == mCurrent->GetQueue()) mAdvancePending = true;
}

bool QMInfoWindow::OnKeyDown(unsigned char key, int) {
  if (!mInKeyHandler) {
    if (!mKeyWatch.IsPassed() && mKeyWatch.GetElapsed() > kKeyRepeatMs) mKeyWatch.SetPassed(true);
    if (mKeyWatch.IsPassed()) {
      mInKeyHandler = true;
      if (key == kEscape)
        if (TWindowManager* wm = TWindowManager::Instance())
          wm->RunScriptString(this, "DoModal(\"scripts/ui/pause.lua\");");
    }
  }
  mKeyWatch.Mark();
  mInKeyHandler = false;
  return false;
}
