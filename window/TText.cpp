#include "window/TText.h"

#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

void TText::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mText = style.GetString("label", str());
}

void TText::SetText(const str& text) {
  mText = text;
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
}
