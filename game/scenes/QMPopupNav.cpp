#include "game/scenes/QMPopupNav.h"

#include <memory>

#include "anim/KAnimBias.h"
#include "anim/KAnimProperties.h"
#include "core/TPlatformEvent.h"
#include "game/scenes/QMMessages.h"
#include "game/scenes/QMSearch.h"
#include "game/shell/ChildWindows.h"
#include "game/shell/LuaText.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/ScriptUtilities.h"
#include "online/TGameState.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TButton.h"
#include "window/TMessage.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

namespace {

// The drawer's part in the manager's listener list: it only forwards, and it reads the
// drawer through a handle, so a listener outliving its drawer takes nothing.
class PopupNavListener : public TMessageListener {
public:
  explicit PopupNavListener(QMPopupNav* nav) : mNav(nav) {}
  bool OnMessage(TMessage* message) override {
    TWindow* nav = mNav.Get();
    return nav && static_cast<QMPopupNav*>(nav)->OnMessage(message);
  }

private:
  TWindowHandle mNav;
};

// Whether the window is a search scene of the scavenger group.
bool IsScavengerScene(TWindow* w) {
  const QMSearch* scene = WindowCast<QMSearch>(w);
  return scene && scene->GetSceneType() == QMPopupNav::kScavengerGroup;
}

}  // namespace

QMPopupNav::QMPopupNav() = default;

QMPopupNav::~QMPopupNav() {
  Detach();
  if (KAnimProcess* slide = mSlide) {
    mSlide = nullptr;
    slide->Cancel();
    KReleaseRef(slide);
  }
}

str QMPopupNav::MapKey(const str& modalName, bool scavenger) {
  const int slash = modalName.Find('/');
  if (scavenger) return slash < 0 ? modalName : modalName.Substr(0, static_cast<unsigned>(slash));
  str key = modalName.Substr(static_cast<unsigned>(slash + 1));
  if (modalName.Find("repeat") >= 0) key += "_repeat";
  return key;
}

str QMPopupNav::SwitchScript(const str& statement) {
  const str tabs("\t\t\t\t\t\t\t\t\t\t\t");
  const str locals = "local dcurLevel = gGameState:getCurrentLevel()" + tabs +
                     "local dcurGroup = dcurLevel:getCurrentGroup()" + tabs +
                     "local dcurPuzzle = dcurGroup:getCurrentPuzzle()" + tabs;
  return "gTempFunction = function()" + tabs + locals +
         "local dbadclickpromptcount = dcurPuzzle:getBadClickPromptCount()" + tabs + statement +
         " " + tabs + locals + "if (dcurPuzzle ~= nil) then" + tabs +
         "dcurPuzzle:setBadClickPromptCount(dbadclickpromptcount)" + tabs + "end" + tabs + "end" +
         tabs + "table.insert(gCommandQueue,gTempFunction)";
}

void QMPopupNav::PostCreate(TWindowStyle& style) {
  mClosedY = static_cast<float>(style.GetNumber("y", 0));
  mOpenY = static_cast<float>(style.GetNumber("openY", 0));
  mX = static_cast<float>(style.GetNumber("x", 0));
  mDuration = static_cast<float>(style.GetNumber("duration", 500));
  mSlideInAudio = style.GetString("slideInAudio", str());
  mSlideOutAudio = style.GetString("slideOutAudio", str());
  ShowButtons(false);

  TWindow* top = TopModal();
  const bool scavenger = top && IsScavengerScene(top->FindChild("puzzleWindow", -1));
  const str key = MapKey(top ? top->GetName() : str(), scavenger);
  if (TWindowScript* host = TWindowScript::Current()) {
    host->SetGlobalString("map_scav_hunt_string", scavenger ? key : str());
    const str states = str::Format("map_%s_states", key.CStr());
    host->SetGlobalString("map_level_string", states);
    if (QMGameManager* game = QMGameManager::Instance()) game->SetMapString(states);
  }
  if (TWindowManager* wm = TWindowManager::Instance()) {
    auto listener = std::make_unique<PopupNavListener>(this);
    mListener = listener.get();
    wm->AddMessageListener(std::move(listener));
  }
}

void QMPopupNav::Detach() {
  if (mUnregistered) return;
  mUnregistered = true;
  TWindowManager* wm = TWindowManager::Instance();
  if (!wm) return;
  // Kept until the drawer goes: a detach message reaches the drawer through this very
  // listener, which must outlive its own call.
  if (mListener) mDetachedListener = wm->RemoveMessageListener(mListener);
  mListener = nullptr;
  if (mOpen) wm->RemoveHoverWindow(this);
}

bool QMPopupNav::OnMessage(TMessage* m) {
  switch (m->GetId()) {
    case kQMNavigationPing: return true;
    case kQMDetachNavigation: Detach(); return true;
    case kQMButtonPress:
      if (!mPendingScript.IsEmpty()) {
        const str script = mPendingScript;
        mPendingScript = str();
        if (TWindowScript* host = TWindowScript::Current()) host->DoLuaString(script);
        if (TGameState* state = TGameState::GetInstance())
          state->SetIntState("++LevelScreenSwitches", 1);
      }
      return true;
    case kQMButtonRelease: PrepareSwitch(m->GetName()); return true;
    default: return false;
  }
}

void QMPopupNav::PrepareSwitch(const str& buttonName) {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* root = wm ? wm->GetRoot() : nullptr;
  if (!root || !IsScavengerScene(root->FindChild("puzzleWindow", -1))) return;
  TWindowScript* host = TWindowScript::Current();
  if (!host) return;
  host->SetGlobalNumber("gScriptPauseCoRoutine",
                        host->GetGlobalNumber("gScriptPauseCoRoutine") - 1);
  // The switch itself is the level script's: it is told which button the player chose.
  mPendingScript = SwitchScript("PopUpNavSwitch(" + LuaStringLiteral(buttonName) + ")");
}

void QMPopupNav::ShowButtons(bool shown) {
  for (TWindow* child : GetChildren()) {
    if (!child->IsKindOf(TButton::GetClassId())) continue;
    const uint32_t flags = child->GetFlags();
    child->SetFlags(shown ? (flags | kWindowShown) : (flags & ~uint32_t(kWindowShown)));
  }
}

void QMPopupNav::PlaySound(const str& name) {
  if (name.IsEmpty()) return;
  boost::shared_ptr<TSound> sound = TSound::Get(name, true, 1001);
  if (!sound) return;
  // No one keeps the sound: the playing instance holds it to its end.
  if (boost::shared_ptr<TSoundInstance> playing = sound->Play(false)) playing->HoldSoundUntilEnd();
}

void QMPopupNav::Toggle() {
  if (KAnimProcess* old = mSlide) {
    mSlide = nullptr;
    old->Cancel();
    KReleaseRef(old);
  }
  const TVec2 closed(mX, mClosedY), open(mX, mOpenY);
  auto* move = mOpen ? new KAnimMove<TImage&>(*this, open, closed)
                     : new KAnimMove<TImage&>(*this, closed, open);
  auto* bias = new KEaseInEaseOutSineBias();
  move->SetBias(bias);
  KReleaseRef(bias);
  move->SetDuration(mDuration);
  move->SetTimer(10, true, true, false);
  TWindowManager* wm = TWindowManager::Instance();
  if (!mOpen) {
    PlaySound(mSlideInAudio);
    ShowButtons(true);
    // The manager tells the drawer when the pointer leaves it, which closes it again.
    if (wm && !mUnregistered) wm->AddHoverWindow(this);
  } else {
    PlaySound(mSlideOutAudio);
    ShowButtons(false);
    if (wm) wm->RemoveHoverWindow(this);
  }
  mSlide = move;
  move->Start();
  mOpen = !mOpen;
}

bool QMPopupNav::PassOn(const TPlatformEvent& event, const TPoint& point) {
  if (mForwarding) return false;
  TWindow* root = this;
  while (root->GetParent()) root = root->GetParent();
  TPoint screen = point;
  ClientToScreen(screen);
  TWindow* under = root->FindChildAtPoint(screen, -1);
  if (!under || under == this) return false;
  // While the drawer is open the manager hands mouse events to its hover windows only; one
  // of them (a button of the drawer under the pointer) already has this event.
  TWindowManager* wm = TWindowManager::Instance();
  if (wm && wm->IsHoverWindow(under)) return false;
  TPoint local = screen;
  under->ScreenToClient(local);
  TPlatformEvent e = event;
  e.x = local.x;
  e.y = local.y;
  mForwarding = true;
  TWindowHandle self(this);
  under->DispatchEvent(e, false);
  if (self) mForwarding = false;
  return true;
}

bool QMPopupNav::OnMouseDown(const TPoint& point) {
  TPlatformEvent e{};
  e.type = kEventLeftDown;
  PassOn(e, point);
  return false;
}

bool QMPopupNav::OnMouseUp(const TPoint& point) {
  TPlatformEvent e{};
  e.type = kEventLeftUp;
  return PassOn(e, point);
}

bool QMPopupNav::OnMouseMove(const TPoint& point) {
  SetCursorImage(kArrowCursor);
  if (!mOpen && !mForwarding) {
    Toggle();
    return true;
  }
  TPlatformEvent e{};
  e.type = kEventMouseMove;
  return PassOn(e, point);
}

bool QMPopupNav::OnMouseLeave() {
  if (!mOpen) return false;
  Toggle();
  return true;
}
