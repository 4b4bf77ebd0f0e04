#include "game/shell/ChildWindows.h"

#include "assets/TStringTable.h"
#include "core/TPlatform.h"
#include "window/TText.h"
#include "window/TWindowManager.h"

TWindow* TopModal() {
  TWindowManager* wm = TWindowManager::Instance();
  return wm ? wm->GetTopModal() : nullptr;
}

void SetShown(TWindow* w, bool shown) {
  if (!w) return;
  const uint32_t flags = w->GetFlags();
  w->SetFlags(shown ? (flags | kWindowShown) : (flags & ~kWindowShown));
}

void ShowChild(TWindow* root, const str& name, bool shown) {
  if (root) SetShown(root->FindChild(name, -1), shown);
}

bool SetChildText(TWindow* root, const str& name, const str& text) {
  TText* t = FindChildAs<TText>(root, name);
  if (!t) return false;
  t->SetText(text);
  return true;
}

str LocalString(const str& label, const str& arg1) {
  TPlatform* p = TPlatform::Instance();
  TStringTable* strings = p ? p->GetStringTable() : nullptr;
  return strings ? strings->GetString(label, arg1) : str();
}
