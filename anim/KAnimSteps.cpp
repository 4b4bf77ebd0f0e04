#include "anim/KAnimSteps.h"

#include <cstring>

#include "render/QMSearchableSprite.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "script/binding/TScript.h"
#include "window/TImage.h"
#include "window/TWindowManager.h"

void KAnimLuaCommand::Start() {
  if (mHost) mHost->DoLuaString(mCommand);
  Finish();
}

KAnimMessageWaiter::~KAnimMessageWaiter() {
  if (!mWaiting) return;
  mWaiting = false;
  NotifyListeners();
}

void KAnimMessageWaiter::Finish() {
  mWaiting = false;
  KAnimProcess::Finish();
}

void KAnimMessageWaiter::Cancel() {
  mWaiting = false;
  KAnimProcess::Cancel();
}

bool KAnimMessageWaiter::OnMessage(int32_t id) {
  if (id != mId) return false;
  Finish();
  return true;
}

KSpriteRemover::KSpriteRemover(TSprite* parent, boost::shared_ptr<TSprite> sprite, uint32_t count)
    : mSprite(std::move(sprite)), mCount(count) {
  if (parent) mParent = parent->weak_from_this();
}

KSpriteRemover::~KSpriteRemover() {
  const boost::shared_ptr<TSprite> parent = mParent.lock();
  if (parent && mSprite) {
    if (parent->IsKindOf(QMSearchableSprite::GetClassId()))
      static_cast<QMSearchableSprite*>(parent.get())->RemoveSprite(mSprite);
    else
      parent->RemoveChild(mSprite);
  }
  mSprite.reset();
}

void KSpriteRemover::Start() {
  if (mCount > 0) --mCount;
  if (mCount == 0) Finish();
}

void QMClearWindow::Start() {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* root = wm ? wm->GetRoot() : nullptr;
  TWindow* w = root ? root->FindChild(mWindowName, -1) : nullptr;
  if (w) {
    if (w->IsKindOf(TImage::GetClassId())) {
      auto blank = TTexture::Create(w->GetWidth(), w->GetHeight(), true);
      uint32_t* pixels = nullptr;
      int32_t pitch = 0;
      TextureLock lock;
      if (blank && lock.Lock(pixels, pitch, blank.get())) {
        for (int y = 0; y < blank->GetHeight(); ++y)
          std::memset(pixels + static_cast<size_t>(y) * pitch, 0,
                      sizeof(uint32_t) * static_cast<size_t>(blank->GetWidth()));
      }
      static_cast<TImage*>(w)->SetTexture(blank, 1.0f);
    }
    w->DeleteChildren();
  }
  Finish();
}

KAnimRelease::KAnimRelease(KRefCountedObject* held) : mHeld(held) { KAddRef(mHeld); }

KAnimRelease::~KAnimRelease() {
  KRefCountedObject* held = mHeld;
  mHeld = nullptr;
  KReleaseRef(held);
}

void KAnimRelease::OnProcessFinished(KAnimProcess*) {
  KRefCountedObject* held = mHeld;
  mHeld = nullptr;
  KReleaseRef(held);
}
