#include "anim/KButton.h"

#include "window/TMessage.h"
#include "window/TWindowManager.h"

bool KButton::OnMouseDown(const TPoint& point) {
  if (TWindowManager* manager = TWindowManager::Instance()) {
    TWindow* scene = nullptr;
    if (TWindow* top = manager->GetTopModal()) scene = top->FindChild("puzzleWindow", -1);
    manager->PostMessage(new TMessage(kPuzzleButtonDown, GetName(), scene));
  }
  return TButton::OnMouseDown(point);
}

bool KButton::OnMouseMove(const TPoint& point) {
  TButton::OnMouseMove(point);
  return false;
}

bool KButton::OnMouseLeave() {
  if (TWindowManager* manager = TWindowManager::Instance())
    manager->PostMessage(new TMessage(kPuzzleButtonLeave, GetName()));
  return TButton::OnMouseLeave();
}
