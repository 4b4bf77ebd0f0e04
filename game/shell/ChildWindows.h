// Small steps the menu screens take on the children of their layouts. A layout may leave any
// child out or give it another kind, so every step answers null or does nothing then.
#pragma once

#include "core/str.h"
#include "window/TWindow.h"

class TText;

// The named child at any depth below root when it is a T; null otherwise (also for null root).
template <class T>
T* FindChildAs(TWindow* root, const str& name) {
  return root ? WindowCast<T>(root->FindChild(name, -1)) : nullptr;
}

// The window manager's top modal window; null without one (or without a window manager).
TWindow* TopModal();
// Sets or clears the visible flag; nothing for null.
void SetShown(TWindow* w, bool shown);
void ShowChild(TWindow* root, const str& name, bool shown);
// Sets the text of a text child; false when there is no such text child.
bool SetChildText(TWindow* root, const str& name, const str& text);
// The text of the string table's label with up to two parameters; empty without a table.
str LocalString(const str& label, const str& arg1 = str());
