#include "game/shell/QMSpriteWindow.h"

#include "anim/KAnimProcess.h"
#include "render/QMSearchableSprite.h"
#include "render/TRenderer.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

QMSpriteWindow::QMSpriteWindow() : mRoot(new QMSearchableSprite(0)) {}

QMSpriteWindow::~QMSpriteWindow() { VisitOverlayQueues(&KAnimProcess::Cancel); }

void QMSpriteWindow::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  if (std::unique_ptr<TLuaTable> sprites{style.GetTable("sprites")}) {
    TModalWindow* modal = GetModalParent();
    {
      OverlayBuildContext context(mRoot, modal ? &modal->GetClock() : nullptr, this);
      context.BuildItems(*sprites);
    }
    // The context queues the list's own animation as it ends; everything starts together.
    VisitOverlayQueues(&KAnimProcess::Start);
  }
  SetAnimTimer(16, true, true, false);
}

void QMSpriteWindow::Draw() {
  TRenderer* renderer = TRenderer::Instance();
  const bool opened = !renderer->IsIn2d() && renderer->Begin2d();
  mRoot->Draw(TSpriteDrawState(), -1);
  if (opened) renderer->End2d();
}

bool QMSpriteWindow::Animate() {
  // The sprites move, fade and refilter on every tick; without a redraw the screen would keep
  // showing the first frame of every animation.
  if (TWindowManager* manager = TWindowManager::Instance()) manager->Invalidate();
  return true;
}
