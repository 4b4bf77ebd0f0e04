#include "game/scenes/QMPuzzleWindow.h"

#include "anim/KLuaFloats.h"
#include "core/TVec.h"
#include "game/shell/SoundGroups.h"
#include "render/TRenderer.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TWindowStyle.h"

namespace {

const char kSearchListName[] = "searchListWindow";

}  // namespace

QMPuzzleWindow::QMPuzzleWindow() = default;
QMPuzzleWindow::~QMPuzzleWindow() = default;

void QMPuzzleWindow::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  const str music = style.GetString("backgroundAudio", str());
  mBackgroundAudio.reset();
  if (!music.IsEmpty()) mBackgroundAudio = TSound::Get(music, false, kMusicGroup);
  mSolved = style.GetBool("solved", false);
}

bool QMPuzzleWindow::OnMessage(TMessage* m) {
  switch (m->GetId()) {
    case kQMShowHint:
      // Another class with the same id (a hint for the scripts) is not this window's.
      if (QMSearchHintMessage* hint = QMSearchHintMessage::Cast(m)) {
        ShowHint(hint);
        return true;
      }
      return false;
    case kQMHideHint: HideHint(); return true;
    case kQMStartPlay: Start(); return true;
    case kQMRunLua: RunLuaString(m->GetName()); return true;
    default: return false;
  }
}

void QMPuzzleWindow::ShowHint(QMSearchHintMessage*) {}
void QMPuzzleWindow::HideHint() {}

void QMPuzzleWindow::Start() {
  if (!mSolved) {
    if (QMSearchList* list = FindSearchListWindow(this, kSearchListName)) {
      list->StartGameTimer();
      list->StartHintTimer();
    }
  }
  if (!mStarted && mBackgroundAudio) mBackgroundAudio->Play(true);
  mPlayStopwatch.Mark();
  mStarted = true;
}

boost::shared_ptr<TTexture> QMPuzzleWindow::RenderToTexture() {
  const TRect& r = GetRect();
  boost::shared_ptr<TTexture> texture = TTexture::Create(r.right - r.left, r.bottom - r.top, false);
  // Without a scene sprite (or a texture to draw into) the picture stays blank.
  if (!texture || !mSceneSprite) return texture;
  TRenderer* renderer = TRenderer::Instance();
  if (!renderer || !renderer->BeginRenderTarget(texture, 1)) return texture;
  const bool in2d = renderer->Begin2d();
  mSceneSprite->Draw(TDrawParams(TVec2(0.0f, 0.0f), 1.0f, 1.0f, 0), 0);
  if (in2d) renderer->End2d();
  renderer->EndRenderTarget();
  return texture;
}
