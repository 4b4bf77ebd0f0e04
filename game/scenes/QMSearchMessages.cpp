// The scene's messages, the start of play (message 1010 or "StartSearch") with the centring of
// a wide panorama, and the items the scene scripts place through "AddSprite".
#include "anim/KAnimBias.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimQueue.h"
#include "anim/KLuaFloats.h"
#include "game/scenes/QMSearch.h"
#include "game/scenes/QMSearchList.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/ScriptUtilities.h"
#include "render/TAnimatedSprite.h"
#include "render/TTexture.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TImage.h"
#include "window/TMessage.h"

namespace {

bool IsScrollButton(const str& name) {
  return name == str("scrollRight") || name == str("scrollLeft");
}

}  // namespace

bool QMSearch::OnMessage(TMessage* m) {
  if (!m) return false;
  const str name = m->GetName();
  switch (m->GetId()) {
    case kButtonPress:
    case kQMButtonRelease:
      if (IsScrollButton(name)) mPanorama.StopAccelerating();
      return false;
    case kQMButtonPress:
      if (name == str("scrollRight")) {
        ScrollRight();
        return true;
      }
      if (name == str("scrollLeft")) {
        ScrollLeft();
        return true;
      }
      return false;
    case kQMItemFound:
    case kQMItemFoundMultiple:
    case kQMItemFoundSpecial:
      if (!m->IsKindOf(QMItemFoundMessage::GetClassId())) return false;
      OnItemFound(static_cast<QMItemFoundMessage*>(m));
      return true;
    case kQMShowHint:
      if (QMSearchHintMessage* hint = QMSearchHintMessage::Cast(m)) {
        ShowHint(hint);
        return true;
      }
      return false;
    case kQMHideHint: HideHint(); return false;
    case kQMStartPlay: {
      TWindowHandle alive(this);
      StartSearch();
      if (alive)
        if (QMGameManager* game = QMGameManager::Instance()) game->CheckForFirstUndoPoint();
      return true;
    }
    case kQMRunLua: RunLuaString(name); return true;
    case kQMChooseTool: ChooseTool(name); return true;
    case kQMSearchNotifier: RemoveFoundItem(name); return true;
    default: return false;
  }
}

bool QMSearch::PresentScrollButton(const char* name, TPoint& restingPos,
                                   const boost::shared_ptr<TAnimatedSprite>& arrow, bool& shown) {
  TWindow* button = FindChild(name, -1);
  if (!button) return false;
  restingPos = TPoint(button->GetRect().left, button->GetRect().top);
  if (TImage* image = WindowCast<TImage>(button->FindChild("image0", -1))) image->SetAlpha(0);
  if (arrow) mOverlaySprite->AddChild(arrow);
  shown = true;
  return true;
}

void QMSearch::StartSearch() {
  if (PresentScrollButton("scrollRight", mScrollRightButtonPos, mScrollLeftArrow,
                          mScrollLeftArrowShown))
    mPanorama.onReachedMax = &QMSearch::OnPanoramaAtLeftEnd;
  if (PresentScrollButton("scrollLeft", mScrollLeftButtonPos, mScrollRightArrow,
                          mScrollRightArrowShown))
    mPanorama.onReachedMin = &QMSearch::OnPanoramaAtRightEnd;
  if (mScrollLeftArrow && mScrollRightArrow) {
    mScrollLeftArrow->Play("DoAnim");
    mScrollRightArrow->Play("DoAnim");
    CenterPanorama();
  }
  BeginPlay();
}

void QMSearch::CenterPanorama() {
  int32_t total = 0;
  for (int32_t width : mBackgroundOffsets) total += width;
  const int32_t middle = total / 2;
  auto* queue = new KAnimQueue();
  auto* bias = new KEaseInEaseOutSineBias();
  PanToBackgroundAt(middle, queue, bias);
  auto* enable = new KAnimMessageNotifier<2016, QMSearch, str>(this, str());
  queue->Add(enable);
  KReleaseRef(enable);
  KReleaseRef(bias);
  mAnimations.Run(queue);
  KReleaseRef(queue);
}

int32_t QMSearch::PanToBackgroundAt(int32_t x, KAnimQueue* queue, KAnimBias* bias) {
  if (mBackgroundOffsets.size() <= 1) return 0;
  int32_t before = 0;
  for (int32_t width : mBackgroundOffsets) {
    if (before + width > x) break;
    before += width;
  }
  const int32_t target = std::max(-before, mPanorama.minPos);
  const TVec2 from = KGetSpritePosition(*mSceneSprite);
  if (static_cast<float>(target) == from.x) return target;
  mPanorama.Disable();
  mPanorama.position = static_cast<float>(target);
  auto* move =
      new KAnimMove<TSprite&>(*mSceneSprite, from, TVec2(static_cast<float>(target), from.y));
  move->SetDuration(mInventoryMoveToCenterDuration);
  move->SetTimer(10, true, true, false);
  move->SetBias(bias);
  if (TClock* clock = GetAnimClock()) move->SetClock(clock);
  queue->Add(move);
  KReleaseRef(move);
  return target;
}

void QMSearch::BeginPlay() {
  if (!mSolved) {
    if (QMSearchList* list = FindSearchListWindow(this, "searchListWindow")) {
      list->StartGameTimer();
      list->StartHintTimer();
    }
  }
  if (!mStarted && mBackgroundAudio) mBackgroundAudio->Play(true);
  mClickStopwatch.Mark();
  mStarted = true;
}

void QMSearch::AddSpriteFromLua(TLuaTable* table, bool searchable, str name) {
  if (!table) return;
  const str image = table->GetString("image", str());
  if (image.IsEmpty()) return;
  boost::shared_ptr<TTexture> texture = TTexture::Get(image);
  if (!texture) return;
  boost::shared_ptr<TSprite> sprite =
      TSprite::Create(NumberToInt(table->GetNumber("layer", 1)), texture);
  if (searchable) {
    mSceneSprite->AddSprite(sprite, name);
  } else {
    mSceneSprite->AddChild(sprite);
  }
  if (RuntimeSettings().searchSprites)
    DrawTextureBorder(texture, searchable ? 0xFFFF0000u : 0xFF0000FFu, 2);
  const TVec2 position = GetTableVec2(*table, "position", TVec2(0, 0));
  const float w = static_cast<float>(texture->GetWidth());
  const float h = static_cast<float>(texture->GetHeight());
  KSetSpritePosition(*sprite, TVec2(position.x + mBackgroundScale.x * w * 0.5f,
                                    position.y + mBackgroundScale.y * h * 0.5f));
  sprite->SetVisible(true);
  sprite->GetDrawState().transform.Scale(mBackgroundScale.x, mBackgroundScale.y);
  // The script learns the picture's size through its own table.
  lua_State* L = table->GetState();
  table->Push();
  lua_pushstring(L, "size");
  lua_newtable(L);
  lua_pushnumber(L, texture->GetWidth());
  lua_rawseti(L, -2, 1);
  lua_pushnumber(L, texture->GetHeight());
  lua_rawseti(L, -2, 2);
  lua_settable(L, -3);
  lua_pop(L, 1);
}
