#include "game/scenes/QMSearch.h"

#include <algorithm>

#include "anim/KAnimProperties.h"
#include "anim/KFilter.h"
#include "anim/KSpriteWindow.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "game/scenes/IQMSearchTool.h"
#include "game/scenes/QMAmbientScroll.h"
#include "game/shell/ScriptUtilities.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

namespace {

constexpr int kScreenWidth = 800;
const char kAnimWindowName[] = "QMSearchAnimWindow";

boost::shared_ptr<TSound> SceneSound(TWindowStyle& style, const char* key) {
  const str name = style.GetString(key, str());
  return name.IsEmpty() ? boost::shared_ptr<TSound>() : TSound::Get(name, true, 1000);
}

// Lies over the whole scene, so every click passes through it on its way to the scene: it must
// not count them as the player's clicks on a sprite window of its own.
class SearchAnimationWindow : public KSpriteWindow {
public:
  bool OnMouseDown(const TPoint&) override { return false; }
};

}  // namespace

QMSearch::QMSearch()
    : mSceneSprite(new QMSearchableSprite(0)), mOverlaySprite(new QMSearchableSprite(0)) {
  auto anim = std::make_unique<SearchAnimationWindow>();
  mAnimWindow = anim.get();
  mAnimWindow->SetName(kAnimWindowName);
  if (!AddChild(std::move(anim), true)) mAnimWindow = nullptr;
  BindScriptFunctions();
}

QMSearch::~QMSearch() {
  if (mBackgroundAudio) mBackgroundAudio->StopAll();
  // A find or hint cut short never reaches its last step, which gives the game its hints back;
  // scripts that keep their game state past the scene would have none for the session.
  const bool running = mAnimations.GetRunningCount() > 0;
  mAnimations.CancelAll();
  if (running)
    if (TWindowScript* host = TWindowScript::Of(TWindowManager::Instance()))
      host->DoLuaString("if gGameState then gGameState.hintActive = false end");
  if (mTextureRefresher) {
    if (TPlatform* p = TPlatform::Instance()) p->RemoveIdleTask(mTextureRefresher.get());
    mTextureRefresher.reset();
  }
  mAmbientScrolls.clear();
}

void QMSearch::Init(TWindowStyle& style) {
  // The window's own name; its place and size come with PostCreate.
  SetName(style.GetString("name", str()));
  if (mAnimWindow) {
    mAnimWindow->Init(style);
    // The sprite window reads the same table: it keeps a name of its own, so that the scene
    // alone answers to the layout's name.
    mAnimWindow->SetName(kAnimWindowName);
    mAnimWindow->SetSize(800, 600);
    mAnimWindow->SetZOrder(1);
    BindAnimWindowFunctions();
  }
  mButtonParticles.Load("gameobjects/common/over_button_particle.lua");
}

void QMSearch::PostCreate(TWindowStyle& style) {
  const bool magnify = style.GetString("tool", str()) == str("magnify");
  TWindow::PostCreate(style);

  std::vector<float> offset{0, 0};
  GetStyleFloats(&style, "inventoryContainerOffset", offset);
  mInventoryContainerOffset = TVec2(offset[0], offset[1]);
  mPlacedItemFadeInDuration = static_cast<float>(style.GetNumber("placedItemFadeInDuration", 2000));
  mPlacedItemFadeOutDuration =
      static_cast<float>(style.GetNumber("placedItemFadeOutDuration", 2000));
  mFullItemFadeInDuration = static_cast<float>(style.GetNumber("fullItemFadeInDuration", 2000));
  mInventoryMoveToCenterDuration =
      static_cast<float>(style.GetNumber("inventoryMoveToCenterDuration", 2000));
  mTallyRewardDelay = style.GetInt("tallyRewardDelay", 3000);
  mDefaultItemColor =
      GetStyleColor(&style, "defaultItemColor", TColor(110.0f / 255.0f, 1, 140.0f / 255.0f, 1));
  mFoundColor = GetStyleColor(&style, "foundColor", TColor(1, 1, 1, 0.5f));
  mFoundHilightColor = GetStyleColor(&style, "foundHilightColor", TColor(1, 0, 0, 1));
  mHintHilightColor = GetStyleColor(&style, "hintHilightColor", TColor(1, 1, 0, 0));
  const float longerFade = std::max(mPlacedItemFadeOutDuration, mFullItemFadeInDuration);
  mHintDuration = static_cast<float>(style.GetNumber("hintDuration", 2.0 * longerFade));
  mLabelFoundNumScales = style.GetInt("labelFoundNumScales", 5);
  mLabelHintNumScales = style.GetInt("labelHintNumScales", 5);
  // A layout is input: a negative count means none, and a huge one would hold the scene's
  // creation in texture lookups for hours.
  mBackgroundCount = std::max(style.GetInt("backgroundCount", 1), 0);
  if (mBackgroundCount > kMostBackgrounds) {
    EngineLog("QMSearch: backgroundCount %d is more than a scene holds; %d are read",
              mBackgroundCount, kMostBackgrounds);
    mBackgroundCount = kMostBackgrounds;
  }
  mSceneType = style.GetString("type", str());

  mItemBackGroundAnim =
      TAnimatedTexture::Get(style.GetString("itemBackGroundAnimation", "anim/behind.xml"));
  mItemForeGroundAnim =
      TAnimatedTexture::Get(style.GetString("itemForeGroundAnimation", "anim/above.xml"));
  mHintAnim = TAnimatedTexture::Get(style.GetString("hintAnim", "anim/hint.xml"));
  const str music = style.GetString("backgroundAudio", str());
  if (!music.IsEmpty()) mBackgroundAudio = TSound::Get(music, false, 1001);
  mFoundSound = SceneSound(style, "foundsfx");
  mSpecialFoundSound = SceneSound(style, "specialfoundsfx");
  mFoundAgainSound = SceneSound(style, "foundAgainSFX");
  mAllFoundSound = SceneSound(style, "allfoundsfx");
  mHintSound = SceneSound(style, "hintSFX");
  mSolved = style.GetBool("solved", false);

  LoadBackgrounds(style, magnify);
  ReadAmbientAnims(style);
  if (TWindow* parent = GetParent()) {
    if (TWindow* overlay = parent->FindChild("overlaywindow", -1))
      overlay->SetFlags(overlay->GetFlags() & ~kWindowShown);
  }
  if (magnify) MakeScaledBackground();
  const double darken = style.GetNumber("darken", 0);
  if (darken > 0) MakeDarkenSprite(static_cast<float>(darken));

  if (TModalWindow* modal = GetModalParent()) {
    modal->SetFocus(this);
    // The animation window took the focus as it was set up; the keys are the scene's.
    TWindowManager* wm = TWindowManager::Instance();
    if (wm && mAnimWindow && wm->GetFocus() == mAnimWindow) wm->SetFocusWindow(this);
  }
  SetAnimTimer(16, true, true, false);
  SetCursorImage(kArrowCursor);
  MakeScrollArrows();
}

void QMSearch::LoadBackgrounds(TWindowStyle& style, bool magnify) {
  const str path = style.GetString("bgPath", str());
  if (path.IsEmpty()) return;
  int32_t x = 0;
  for (int i = 0; i < mBackgroundCount; ++i) {
    str name = i == 0 ? path : str::Format("%s%i", path.CStr(), i);
    if (magnify) {
      if (i == 0) name = name + "?slow";
      mBackgroundTexture = TTexture::GetWithMask(name, "backgrounds/bgmask", false);
      continue;
    }
    boost::shared_ptr<TTexture> picture = TTexture::Get(name);
    if (!picture) continue;
    boost::shared_ptr<TSprite> sprite = TSprite::Create(0, picture);
    AnchorTopLeft(*sprite);
    KSetSpritePosition(*sprite, TVec2(static_cast<float>(x), 0));
    mSceneSprite->AddChild(sprite);
    mBackgroundOffsets.push_back(picture->GetWidth());
    x += picture->GetWidth();
  }
  if (x > kScreenWidth) {
    mPanorama.target = mSceneSprite.get();
    mPanorama.maxPos = 0;
    mPanorama.minPos = kScreenWidth - x;
    if (std::unique_ptr<TLuaTable> props{style.GetTable("scrollProps")}) {
      mPanorama.acceleration = static_cast<float>(props->GetNumber("acceleration", 0.225));
      mPanorama.maxVelocity = static_cast<float>(props->GetNumber("maxVelocity", 20));
      mPanorama.dampen = static_cast<float>(props->GetNumber("dampen", 0.9));
    }
  }
}

void QMSearch::ReadAmbientAnims(TWindowStyle& style) {
  std::unique_ptr<TLuaTable> anims{style.GetTable("ambientAnims")};
  if (!anims) return;
  TLuaObjectWrapper* key = nullptr;
  while (TLuaObjectWrapper* value = anims->Next(key)) {
    std::unique_ptr<TLuaObjectWrapper> held(value);
    if (!value->IsTable()) continue;
    TLuaTable entry(*value);
    const str type = entry.GetString("type", str());
    if (type == str("sprite")) {
      AddAmbientSprite(&entry);
    } else if (type == str("pano")) {
      boost::shared_ptr<TSprite> parent = TSprite::Create(1);
      mSceneSprite->AddChild(parent);
      mAmbientScrolls.push_back(
          boost::shared_ptr<QMAmbientScroll>(new QMAmbientScroll(&entry, GetAnimClock(), parent)));
    }
  }
  delete key;
}

void QMSearch::AddAmbientSprite(TLuaTable* entry) {
  if (!entry) return;
  const str path = entry->GetString("path", str());
  if (path.IsEmpty()) return;
  boost::shared_ptr<TAnimatedTexture> texture = TAnimatedTexture::Get(path);
  if (!texture) return;
  boost::shared_ptr<TAnimatedSprite> sprite = TAnimatedSprite::Create(1);
  KSetSpritePosition(*sprite, TVec2(static_cast<float>(entry->GetNumber("x", 0)),
                                    static_cast<float>(entry->GetNumber("y", 0))));
  sprite->SetTexture(texture);
  mSceneSprite->AddChild(sprite);
  sprite->Play("DoAnim");
}

void QMSearch::MakeScaledBackground() {
  if (!mBackgroundTexture) return;
  const int texW = mBackgroundTexture->GetWidth(), texH = mBackgroundTexture->GetHeight();
  if (texW <= 0 || texH <= 0) return;
  // A picture of the window's size is shown as it is (as the arcade's magnifier scenes are):
  // without a sprite of its own the scene would show its items on the bare backdrop.
  boost::shared_ptr<TTexture> shown = mBackgroundTexture;
  if (texW != GetWidth() || texH != GetHeight()) {
    mBackgroundScale = TVec2(static_cast<float>(GetWidth()) / static_cast<float>(texW),
                             static_cast<float>(GetHeight()) / static_cast<float>(texH));
    KScale scale(std::max(mBackgroundScale.x, mBackgroundScale.y), 0);
    shown = scale.ScaleTexture(mBackgroundTexture);
    if (!shown) return;
    mTextureRefresher = std::make_unique<TextureRefresher>(this, shown);
    if (TPlatform* p = TPlatform::Instance()) p->AddIdleTask(mTextureRefresher.get());
  }
  boost::shared_ptr<TSprite> sprite = TSprite::Create(0, shown);
  AnchorTopLeft(*sprite);
  mSceneSprite->AddChild(sprite);
}

void QMSearch::MakeDarkenSprite(float darken) {
  boost::shared_ptr<TTexture> shade = TTexture::Create(GetWidth(), GetHeight(), true);
  if (!shade) return;
  if (TRenderer* r = TRenderer::Instance())
    r->FillRect(TRect(0, 0, GetWidth(), GetHeight()), TColor(0, 0, 0, darken), shade);
  boost::shared_ptr<TSprite> sprite = TSprite::Create(2, shade);
  mSceneSprite->AddSprite(sprite, kDarkenSpriteName);
  KSetSpritePosition(*sprite, TVec2(static_cast<float>(GetWidth()) * 0.5f,
                                    static_cast<float>(GetHeight()) * 0.5f));
}

void QMSearch::MakeScrollArrows() {
  struct Arrow {
    boost::shared_ptr<TAnimatedSprite>& sprite;
    const char* file;
    int x, y;
  };
  for (const Arrow& a : {Arrow{mScrollLeftArrow, "codex/scrollanim_left.xml", 12, 452},
                         Arrow{mScrollRightArrow, "codex/scrollanim_right.xml", 750, 453}}) {
    a.sprite = TAnimatedSprite::Create(10);
    boost::shared_ptr<TAnimatedTexture> texture = TAnimatedTexture::Get(a.file);
    a.sprite->SetTexture(texture);
    const TAnimatedTexture::Frame* first = texture ? texture->GetFrame(0) : nullptr;
    const int w = first ? first->w : 0, h = first ? first->h : 0;
    KSetSpritePosition(*a.sprite,
                       TVec2(static_cast<float>(w / 2 + a.x), static_cast<float>(h / 2 + a.y)));
  }
}

TClock* QMSearch::GetAnimClock() const {
  TModalWindow* modal = GetModalParent();
  return modal ? &modal->GetClock() : nullptr;
}

boost::shared_ptr<TTexture> QMSearch::RenderToTexture() {
  return RenderSpriteToTexture(mSceneSprite.get(), GetWidth(), GetHeight());
}

boost::shared_ptr<TTexture> RenderSpriteToTexture(TSprite* sprite, int width, int height) {
  boost::shared_ptr<TTexture> texture = TTexture::Create(width, height, true);
  // A window without a scene has nothing to draw: the texture stays as made.
  if (!texture || !sprite) return texture;
  TRenderer* r = TRenderer::Instance();
  if (!r || !r->BeginRenderTarget(texture, 1)) return texture;
  const bool began = r->Begin2d();
  sprite->Draw(TDrawParams(TVec2(0, 0), 1, 1, 0), -1);
  if (began) r->End2d();
  r->EndRenderTarget();
  return texture;
}

bool QMSearch::TextureRefresher::DoTask() {
  const TVec2& scale = mOwner->mBackgroundScale;
  if ((scale.x != 1 || scale.y != 1) && mOwner->mBackgroundTexture && mTexture) {
    KScale scaler(std::max(scale.x, scale.y), 0);
    if (boost::shared_ptr<TTexture> scaled = scaler.ScaleTexture(mOwner->mBackgroundTexture))
      scaled->CopyRect(0, 0, nullptr, mTexture);
  }
  mOwner->RefreshToolView();
  return true;
}
