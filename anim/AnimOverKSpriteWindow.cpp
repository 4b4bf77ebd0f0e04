#include "anim/AnimOverKSpriteWindow.h"

#include "anim/KSpriteWindow.h"
#include "render/TAnimatedTexture.h"
#include "render/TRenderer.h"
#include "window/TButton.h"
#include "window/TWindowManager.h"

void AnimOverKSpriteWindow::PostCreate(TWindowStyle&) {
  SetZOrder(1);
  SetAnimTimer(16, true, true, false);
}

void AnimOverKSpriteWindow::Draw() {
  TRenderer* renderer = TRenderer::Instance();
  if (!renderer) return;
  const bool began = renderer->Begin2d();
  if (mRoot) mRoot->Draw(TSpriteDrawState(), -1);
  if (began) renderer->End2d();
}

void AnimOverKSpriteWindow::AddSprite(const boost::shared_ptr<TSprite>& sprite) {
  mLast = sprite;
  if (!mRoot) mRoot = TAnimatedSprite::Create(0);
  if (sprite) mRoot->AddChild(sprite);
}

bool MapButtonAnimSpider::Process(TWindow* w) {
  if (!w || !WindowCast<TButton>(w) || !w->IsVisible() || w->GetName() == str("map_pause_button"))
    return true;
  const TRect& r = w->GetRect();
  const int h = r.bottom - r.top;
  auto place = [&](const char* texture, float x, float y) {
    boost::shared_ptr<TAnimatedSprite> sprite = TAnimatedSprite::Create(0);
    sprite->SetTexture(TAnimatedTexture::Get(texture, "", ""));
    sprite->GetDrawState().transform(2, 0) = x;
    sprite->GetDrawState().transform(2, 1) = y;
    sprite->Play("LoopAnim");
    mContainer->AddChild(sprite);
  };
  place("anim/mapsparkle.xml", static_cast<float>(r.left),
        static_cast<float>(r.top + (r.bottom - r.top) / 2));
  const int step = static_cast<int>(0.3 * h);
  place("anim/pointer.xml", static_cast<float>(r.right - step), static_cast<float>(r.top + step));
  return true;
}

void KSpriteWindow::ActivateMapButtonAnims() {
  mMapAnimsActive = true;
  TWindowManager* manager = TWindowManager::Instance();
  TWindow* top = manager ? manager->GetTopModal() : nullptr;
  auto* over =
      WindowCast<AnimOverKSpriteWindow>(top ? top->FindChild("map_animation", -1) : nullptr);
  if (!over) return;
  boost::shared_ptr<TAnimatedSprite> container = TAnimatedSprite::Create(0);
  {
    MapButtonAnimSpider spider(this, container);
    ForEachChild(spider, false);
  }
  over->AddSprite(container);
}

void KSpriteWindow::DeActivateMapButtonAnims() {
  TWindowManager* manager = TWindowManager::Instance();
  TWindow* top = manager ? manager->GetTopModal() : nullptr;
  auto* over =
      WindowCast<AnimOverKSpriteWindow>(top ? top->FindChild("map_animation", -1) : nullptr);
  if (over && over->GetRootSprite()) over->GetRootSprite()->RemoveAllChildren();
}
