#include "anim/KSpriteWindow.h"

#include "anim/IQMPuzzleWindow.h"
#include "anim/ISpriteWindowGame.h"
#include "anim/KAnimMultiple.h"
#include "anim/KAnimQueue.h"
#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "online/TGameState.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "script/binding/LuaWindowBinding.h"
#include "script/binding/TScript.h"
#include "window/IScriptHost.h"
#include "window/TButton.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TWindowHandle.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

// Listens to the window's queue on its behalf. The queue holds listeners by count and may be
// held by others past the window's end; this object then simply tells nobody.
class KSpriteWindowListener : public IKAnimListener {
public:
  explicit KSpriteWindowListener(KSpriteWindow* window) : mWindow(window) {}
  void OnProcessFinished(KAnimProcess*) override {
    if (auto* window = static_cast<KSpriteWindow*>(mWindow.Get())) window->OnQueueFinished();
  }

private:
  TWindowHandle mWindow;
};

namespace {

const char* const kHiddenButtons[] = {"nextButton", "prevButton", "closeButton", "comicButton",
                                      "map_pause_button"};

}  // namespace

KSpriteWindow::KSpriteWindow()
    : mScript(std::make_unique<TScript>()), mRoot(TSprite::Create(0)), mQueue(new KAnimQueue()) {
  mListener = new KSpriteWindowListener(this);
  // Without a platform there is no game state to report to.
  if (TGameState* state = TGameState::GetInstance()) {
    state->SetState("MapDisplayTime", "restart");
    state->SetIntState("MapEndState", 2);
    state->SetIntState("MapTotalClicks", 0);
  }
}

KSpriteWindow::~KSpriteWindow() {
  if (TWindowManager* manager = TWindowManager::Instance())
    manager->PostMessage(new TMessage(kSpriteWindowGone, ""));
  mQueue->RemoveListener(mListener);
  mSprites.clear();
  mRoot->RemoveAllChildren();
  // The steps stop with the window: their targets are its sprites.
  if (mGroup) {
    mGroup->Cancel();
    KReleaseRef(mGroup);
    mGroup = nullptr;
  }
  mQueue->Cancel();
  KReleaseRef(mQueue);
  KReleaseRef(mListener);
  // The script's own bindings die with its state; those in the window system's host are reset
  // by the window part.
  ReleaseGlobals();
  mScript.reset();
}

void KSpriteWindow::Init(TWindowStyle&) {
  // The script functions first, so that the binding left remembered for the window is the one
  // in the shared host, which outlives this window.
  mScript->SetGlobalNumber("gScriptPauseCoRoutine", 0);
  BindScriptFunctions();
  if (TWindowManager* manager = TWindowManager::Instance()) {
    if (IScriptHost* host = manager->GetScript())
      BindWindowMethod(host->ScriptState(), "RunAnimScript", this, &KSpriteWindow::RunAnimScript);
  }
  SetAnimTimer(16, true, true, false);
  if (TModalWindow* modal = GetModalParent()) modal->SetFocus(this);
  str map = ISpriteWindowGame::Get()->GetMapString();
  if (!map.IsEmpty()) mScript->SetGlobalString("map_level_string", map);
  if (TScript* particles = mParticles.GetScript()) particles->DoLuaString("gActive = false");
}

void KSpriteWindow::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  mScriptFile = style.GetString("runfile", "");
  if (!mScriptFile.IsEmpty()) RunAnimScript(mScriptFile);
  for (const char* name : kHiddenButtons) HideNamedButton(name);
}

void KSpriteWindow::HideNamedButton(const str& name) {
  if (TButton* button = WindowCast<TButton>(FindChild(name, -1))) {
    button->SetFlags(button->GetFlags() & ~kWindowShown);
    button->OnMouseLeave();
  }
}

void KSpriteWindow::RunAnimScript(str file) {
  if (ISpriteWindowGame::Get()->GetScriptDebugMode()) mScript->DoLuaString("gScriptDebugMode=true");
  // Compile and run errors are logged on the way; a missing file would otherwise say nothing.
  if (!mScript->DoFile(file) && !FileExists(file))
    EngineLog("Sprite window \"%s\": cannot find script \"%s\"", GetName().CStr(), file.CStr());
}

bool KSpriteWindow::Animate() {
  TWindowHandle alive(this);
  if (mScript->IsYielded()) mScript->Resume(0);
  // The script may have closed this window.
  if (!alive.Get()) return true;
  if (TWindowManager* manager = TWindowManager::Instance()) manager->Invalidate();
  if (mStartPending) {
    mStartPending = false;
    mQueue->AddListener(mListener);
    mQueue->Start();
    if (!alive.Get()) return true;
  }
  if (!mFollowSprite.IsEmpty()) {
    if (boost::shared_ptr<TSprite> sprite = GetSprite(mFollowSprite)) {
      const TMat3& m = sprite->GetDrawState().transform;
      mLocus.SetPoint(TVec2(m(2, 0), m(2, 1)));
    }
  }
  mParticles.Update(16);
  return true;
}

void KSpriteWindow::OnQueueFinished() { ResumeStep(); }

void KSpriteWindow::ResumeStep() {
  mScript->SetGlobalNumber("gScriptPauseCoRoutine",
                           mScript->GetGlobalNumber("gScriptPauseCoRoutine") - 1);
  if (mScript->IsYielded()) mScript->Resume(0);
}

bool KSpriteWindow::OnMessage(TMessage* msg) {
  if (!msg) return false;
  switch (msg->GetId()) {
    case kSpriteWindowPrevious:
    case kSpriteWindowPreviousAlt:
      mScript->DoLuaStringWithoutWaking("gButtonClicked='previous'");
      break;
    case kSpriteWindowNext: mScript->DoLuaStringWithoutWaking("gButtonClicked='next'"); break;
    case kSpriteWindowNamedButton: {
      // The name goes in as a Lua string value, never as code.
      lua_State* L = mScript->GetState();
      lua_pushstring(L, "gButtonClicked");
      lua_pushstring(L, msg->GetName().CStr());
      lua_settable(L, LUA_GLOBALSINDEX);
      break;
    }
    default: return false;
  }
  ResumeStep();
  return true;
}

bool KSpriteWindow::OnMouseDown(const TPoint&) {
  if (TGameState* state = TGameState::GetInstance()) state->SetIntState("++LevelTotalClicks", 0);
  return false;
}

bool KSpriteWindow::OnKeyDown(unsigned char, int) { return true; }

void KSpriteWindow::Draw() {
  TRenderer* renderer = TRenderer::Instance();
  if (!renderer) return;
  const bool began = renderer->Begin2d();
  // Sprite positions are screen positions: undo the window's own offset, which the window
  // system gives through the viewport.
  TRect viewport;
  renderer->GetViewport(viewport);
  TSpriteDrawState state;
  state.transform(2, 0) = static_cast<float>(-viewport.left);
  state.transform(2, 1) = static_cast<float>(-viewport.top);
  if (mRoot) mRoot->Draw(state, -1);
  mParticles.Draw(TVec3(static_cast<float>(-viewport.left), static_cast<float>(-viewport.top), 0));
  if (began) renderer->End2d();
}

boost::shared_ptr<TSprite> KSpriteWindow::GetSprite(const str& name) const {
  auto it = mSprites.find(name);
  return it == mSprites.end() ? boost::shared_ptr<TSprite>() : it->second;
}

int KSpriteWindow::AddSprite(const boost::shared_ptr<TSprite>& sprite, const str& name, int,
                             const str& parentName) {
  if (!sprite) return -1;
  boost::shared_ptr<TSprite> parent = parentName.IsEmpty() ? mRoot : GetSprite(parentName);
  if (!parent) return -1;
  // A second sprite under a name in use could never be found again by its name.
  if (mSprites.count(name)) {
    EngineLog(
        "Sprite window \"%s\": a sprite named \"%s\" is already there; the new one is "
        "not added",
        GetName().CStr(), name.CStr());
    return -1;
  }
  parent->AddChild(sprite);
  mSprites.emplace(name, sprite);
  return sprite->GetLayer();
}

boost::shared_ptr<TSprite> KSpriteWindow::RemoveSprite(const str& name) {
  auto it = mSprites.find(name);
  if (it == mSprites.end()) return boost::shared_ptr<TSprite>();
  boost::shared_ptr<TSprite> sprite = it->second;
  mRoot->RemoveChild(sprite);
  mSprites.erase(it);
  return sprite;
}

boost::shared_ptr<TTexture> KSpriteWindow::LoadSpriteTexture(const str& name) {
  if (name.Substr(0, 7) == str("window:")) {
    TWindowManager* manager = TWindowManager::Instance();
    TWindow* root = manager ? manager->GetRoot() : nullptr;
    TWindow* puzzle = root ? root->FindChild("puzzleWindow", -1) : nullptr;
    if (auto* snapshot = dynamic_cast<IQMPuzzleWindow*>(puzzle)) return snapshot->RenderToTexture();
    return boost::shared_ptr<TTexture>();
  }
  return TTexture::Get(name, 2);
}
