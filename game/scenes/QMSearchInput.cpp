// Clicks, pointer moves and keys in the search scene. The scene does not judge a click: it
// names the item under the pointer to the scripts (searchItemFound) or reports a bad click.
#include "game/scenes/QMSearch.h"
#include "game/shell/LuaText.h"
#include "game/shell/ScriptUtilities.h"
#include "online/TGameState.h"
#include "script/binding/TWindowScript.h"
#include "window/TWindowManager.h"

namespace {

constexpr uint32_t kClickGuardMs = 1000;
constexpr uint32_t kKeyGuardMs = 100;
constexpr unsigned char kEscape = 27;

// The low byte of a key code is what the window system hands on.
constexpr unsigned char LowByte(int code) { return static_cast<unsigned char>(code & 0xFF); }

void RunLua(const str& text) {
  if (TWindowScript* host = TWindowScript::Of(TWindowManager::Instance())) host->DoLuaString(text);
}

// Whether more than ms have passed since the stopwatch's mark; once they have, the stopwatch
// remembers it until it is marked again.
bool GuardPassed(QMStopwatch& watch, uint32_t ms) {
  if (!watch.IsPassed() && watch.GetClock().GetTime() > watch.GetMark() + ms) watch.SetPassed(true);
  return watch.IsPassed();
}

bool Contains(TWindow* w, const TPoint& p) {
  const TRect& r = w->GetRect();
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}  // namespace

bool QMSearch::IsItemInOverlay(const str& name) const {
  return static_cast<bool>(mOverlaySprite->GetSprite(name));
}

bool QMSearch::OnMouseDown(const TPoint& point) {
  if (TGameState* state = TGameState::GetInstance()) state->SetIntState("++LevelTotalClicks", 0);
  if (!mStarted || mSolved) return false;
  if (!GuardPassed(mClickStopwatch, kClickGuardMs)) return false;
  str name;
  // The veil of a darkened scene covers every object but is none: clicks go through it.
  boost::shared_ptr<TSprite> hit = mSceneSprite->FindNamedSpriteAt(point, &name, kDarkenSpriteName);
  if (!hit) {
    RunLua("reportBadClick()");
    return true;
  }
  if (IsItemInOverlay(name)) return true;
  if (RuntimeSettings().searchSprites && hit->GetTexture())
    DrawTextureBorder(hit->GetTexture(), 0xFFFFFF00u, 2);
  // The name goes into the call as a Lua string literal, whatever characters it holds.
  RunLua(str::Format("%s(%s)", "searchItemFound", LuaStringLiteral(name).CStr()));
  return true;
}

bool QMSearch::OnMouseMove(const TPoint& point) {
  if (TWindow* parent = GetParent()) {
    if (TWindow* nav = parent->FindChild("searchPopUpNav", -1)) {
      if (IsPopUpNavOpen(nav)) return true;
    }
  }
  if (HasTool()) {
    if (TWindowManager* wm = TWindowManager::Instance()) wm->AddHoverWindow(this);
    MoveToolTo(point);
  }
  if (RuntimeSettings().debugMode) ShowDebugSpriteInfo(point);
  mHoverPoint = TPoint(-1, -1);
  for (const char* name : {"scrollRight", "scrollLeft"}) {
    TWindow* button = FindChild(name, -1);
    if (button && Contains(button, point)) mHoverPoint = point;
  }
  mLastMousePos = point;
  return false;
}

bool QMSearch::OnMouseLeave() {
  if (!HasTool()) return false;
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  ResetCursor();
  return true;
}

void QMSearch::ResetCursor() {
  if (HasTool()) LeaveTool();
}

bool QMSearch::OnKeyDown(unsigned char key, int) {
  if (!mInKeyDown && GuardPassed(mKeyStopwatch, kKeyGuardMs)) {
    mInKeyDown = true;
    TWindowHandle alive(this);
    if (key == LowByte(kKeyRight)) {
      ScrollRight();
    } else if (key == LowByte(kKeyLeft)) {
      ScrollLeft();
    } else if (key == kEscape) {
      if (TWindowManager* wm = TWindowManager::Instance())
        wm->RunScriptString(this, "showOptions();");
    }
    // The options script may have closed the scene.
    if (!alive) return false;
  }
  mKeyStopwatch.Mark();
  mInKeyDown = false;
  return false;
}

bool QMSearch::OnKeyUp(unsigned char) {
  mPanorama.StopAccelerating();
  return false;
}
