// The search scene's tool: the magnifying glass or the flashlight, chosen by the scripts with
// message 1020, fed the scene's item pictures, moved with the pointer and drawn over the scene;
// and the level designer's sprite information under the pointer.
#include "anim/KAnimProperties.h"
#include "game/scenes/IQMSearchTool.h"
#include "game/scenes/QMFlashlight.h"
#include "game/scenes/QMMagnifyGlass.h"
#include "game/scenes/QMPopupNav.h"
#include "game/scenes/QMSearch.h"
#include "game/scenes/SceneCompositor.h"
#include "render/QMSearchableSprite.h"
#include "render/TTexture.h"
#include "window/TText.h"
#include "window/TWindowManager.h"

namespace {

// Full-screen pictures (the backgrounds) are the scene itself, not layers over it.
constexpr int kBackgroundWidth = 800;
// Where a tool chosen before the pointer has moved over the scene first stands, when the
// pointer is not over the scene at all.
const TPoint kFirstToolPoint(650, 300);

// A tool chosen before the pointer moved over the scene (a level opens under the pointer that
// clicked the screen before it) starts under the pointer, not away from it.
TPoint FirstToolPoint(const TWindow& scene) {
  TWindowManager* wm = TWindowManager::Instance();
  TPoint pointer;
  if (!wm || !wm->GetLastPointer(pointer)) return kFirstToolPoint;
  TRect area;
  scene.GetScreenRect(area);
  if (!area.Contains(pointer)) return kFirstToolPoint;
  return TPoint(pointer.x - area.left, pointer.y - area.top);
}

}  // namespace

void QMSearch::ChooseTool(const str& name) {
  if (mTool && mToolName == name) return;
  if (name == "magnify") {
    mTool = std::make_unique<QMMagnifyGlass>(mBackgroundTexture, mBackgroundScale);
  } else if (name == "flashlight") {
    mTool = std::make_unique<QMFlashlight>(mBackgroundTexture, mBackgroundScale);
    // The flashlight darkens the scene itself.
    mSceneSprite->RemoveSpriteByName(kDarkenSpriteName);
  } else {
    return;
  }
  mToolName = name;
  RefreshToolView();
}

void QMSearch::RefreshToolView() {
  if (!mTool) return;
  if (SceneCompositor* compositor = mTool->GetCompositor()) {
    // Also run after the display restored its surfaces: the picture is built again from the
    // background, each item once, rather than composed a second time over itself.
    compositor->Restart(mBackgroundTexture);
    for (const boost::shared_ptr<TSprite>& sprite : mSceneSprite->GetChildren()) {
      const boost::shared_ptr<TTexture> texture = sprite->GetTexture();
      if (!texture || texture->GetWidth() == kBackgroundWidth) continue;
      TRect bounds;
      sprite->GetBounds(bounds, TSpriteDrawState(), 0);
      compositor->AddLayer(texture, KGetSpritePosition(*sprite), bounds);
    }
    compositor->Compose();
  }
  if (mLastMousePos == TPoint(-1, -1)) mLastMousePos = FirstToolPoint(*this);
  mTool->MoveTo(mLastMousePos);
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
}

void QMSearch::RemoveFoundItem(const str& name) {
  const boost::shared_ptr<TSprite> sprite = mSceneSprite->GetSprite(name);
  if (!sprite) return;
  if (mTool) {
    // The layer of this very sprite: of two copies of one picture, the one found.
    if (SceneCompositor* compositor = mTool->GetCompositor())
      compositor->RemoveLayer(sprite->GetTexture(), KGetSpritePosition(*sprite));
    OnMouseMove(mLastMousePos);
  }
  mSceneSprite->RemoveSpriteByName(name);
}

void QMSearch::DrawTool() {
  if (mTool) mTool->Draw();
}

void QMSearch::MoveToolTo(const TPoint& point) {
  if (!mTool) return;
  mTool->MoveTo(point);
  mTool->UpdateSearchCursor(point);
}

void QMSearch::LeaveTool() {
  if (mTool) mTool->UpdateSearchCursor(TPoint(0, 0));
}

bool QMSearch::IsPopUpNavOpen(TWindow* nav) const {
  const QMPopupNav* drawer = WindowCast<QMPopupNav>(nav);
  return drawer && drawer->IsOpen();
}

void QMSearch::ShowDebugSpriteInfo(const TPoint& point) {
  str name;
  boost::shared_ptr<TSprite> hit = mSceneSprite->FindNamedSpriteAt(point, &name);
  if (!hit) {
    name = str();
    hit = mSceneSprite->FindChildAt(point);
  }
  if (!hit) return;
  TText* info = WindowCast<TText>(FindChild("searchSpriteInfo", -1));
  if (!info) return;
  const boost::shared_ptr<TTexture> texture = hit->GetTexture();
  const str file = texture ? texture->GetFileName() : str();
  const TVec2 at = KGetSpritePosition(*hit);
  info->SetText(str::Format("object name = %s, file = %s, location = %f, %f", name.CStr(),
                            file.CStr(), static_cast<double>(at.x), static_cast<double>(at.y)));
}
