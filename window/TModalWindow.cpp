#include "window/TModalWindow.h"

#include <algorithm>

#include "core/EngineLog.h"
#include "window/TButton.h"
#include "window/TMessage.h"
#include "window/TWindowManager.h"

TModalWindow::TModalWindow() : mTasks(new TTaskList()) {
  AddLowFlags(kWindowModal | kWindowFocusable);
}

TModalWindow::~TModalWindow() {
  if (TWindowManager* wm = TWindowManager::Instance())
    wm->PostMessage(new TMessage(kModalClosed, GetIdString()));
  if (mTasks) {
    // Anim tasks of windows inside outlive nothing: their owners die with this modal.
    mTasks->Clear();
    delete mTasks;
    mTasks = nullptr;
  }
}

bool TModalWindow::OnActivate() {
  mClock.Start();
  return true;
}

void TModalWindow::PostCreate(TWindowStyle& style) {
  FitToChildren();
  TWindow::PostCreate(style);
}

bool TModalWindow::OnMessage(TMessage* m) {
  if (m->GetId() != kCloseWindow) return false;
  if (!m->GetName().IsEmpty()) {
    if (TWindowManager* wm = TWindowManager::Instance()) wm->DoPopModal(m->GetName());
  }
  return true;
}

bool TModalWindow::OnChar(unsigned char c) {
  if (c != 13 && c != 27) return false;
  TWindowManager* wm = TWindowManager::Instance();
  TWindowHandle focus(wm ? wm->GetFocus() : nullptr);
  TMessage* m = new TMessage(kDefaultAction, str());
  FindDefault finder;
  ForEachChild(finder, false);
  TButton* button = c == 13 ? finder.GetDefault() : finder.GetCancel();
  // A press that destroyed this modal took the button with it, so Press answers true.
  if (button && button->Press()) {
    delete m;
    return true;
  }
  TWindow::HandleMessage(focus ? focus.Get() : this, m);
  return true;
}

bool TModalWindow::OnKeyDown(unsigned char key, int modifiers) {
  str text;
  if (modifiers & 1) text += "shift-";
  if (modifiers & 2) text += "ctrl-";
  if (modifiers & 4) text += "alt-";
  text += static_cast<char>(key);
  auto it = mHotKeys.find(NormaliseKey(text));
  if (it == mHotKeys.end()) {
    str raw("@");
    raw += static_cast<char>(key);
    it = mHotKeys.find(raw);
    if (it == mHotKeys.end()) return false;
  }
  str button = it->second;
  PressHotKeyButton(button);
  return true;
}

void TModalWindow::OnFocus(TWindow*) {
  // A modal remembering itself, or modals remembering each other, would pass the focus around
  // forever.
  TWindow* focus = mFocus.Get();
  if (!focus || focus == this || mPassingFocus) return;
  TWindowManager* wm = TWindowManager::Instance();
  if (!wm) return;
  TWindow* previous = wm->GetFocus();
  wm->SetFocusWindow(focus);
  TWindowHandle self(this);
  mPassingFocus = true;
  focus->OnFocus(previous);
  if (self) mPassingFocus = false;
}

str TModalWindow::NormaliseKey(const str& key) {
  str lower = key;
  lower.ToLower();
  str result;
  if (lower.Length() != 1 && lower.Length() > 0 && lower[0] == '@') {
    result = "@";
  } else {
    if (lower.Find(str("shift-")) >= 0) result += "shift-";
    if (lower.Find(str("ctrl-")) >= 0 || lower.Find(str("control-")) >= 0) result += "ctrl-";
    if (lower.Find(str("alt-")) >= 0) result += "alt-";
  }
  if (lower.Length() > 0) {
    char last = lower[lower.Length() - 1];
    if (last >= 'a' && last <= 'z') last = static_cast<char>(last - 'a' + 'A');
    result += last;
  }
  return result;
}

void TModalWindow::RegisterHotKey(const str& key, const str& button) {
  str k = NormaliseKey(key);
  if (button.IsEmpty()) {
    mHotKeys.erase(k);
  } else {
    mHotKeys[k] = button;
  }
}

void TModalWindow::PressHotKeyButton(const str& name) {
  TWindow* w = FindChild(name, -1);
  if (TButton* button = WindowCast<TButton>(w)) {
    button->OnClick();
    return;
  }
  EngineLog("ERROR: Hot key button not found. Button:'%s'", name.CStr());
}

void TModalWindow::AddTask(TTask* task) {
  if (mTasks && task) mTasks->Add(task);
}

bool TModalWindow::RemoveTask(TTask* task) { return mTasks ? mTasks->Remove(task) : false; }

void TModalWindow::ClearTasks() {
  if (mTasks) mTasks->Clear();
}

void TModalWindow::RunTasks(int mode) {
  if (mTasks) mTasks->RunTasks(mode);
}

void TModalWindow::SetFocus(TWindow* w) {
  mFocus = w;
  TWindowManager* wm = TWindowManager::Instance();
  if (wm && wm->GetFocus() == this && w) {
    wm->SetFocusWindow(w);
    w->OnFocus(this);
  }
}

void TModalWindow::SetOpaqueWindow(TWindow* w, bool opaque) {
  TWindowHandle h(w);
  size_t before = mOpaque.size();
  std::erase_if(mOpaque, [&](const TWindowHandle& o) { return !o || o.SameAs(h); });
  if (opaque && h) mOpaque.push_back(h);
  OpaqueSetChanged(before);
}

void TModalWindow::ForgetOpaqueWithin(TWindow* subtree) {
  size_t before = mOpaque.size();
  std::erase_if(mOpaque, [subtree](const TWindowHandle& o) {
    for (const TWindow* w = o.Get(); w; w = w->GetParent())
      if (w == subtree) return true;
    return !o;
  });
  OpaqueSetChanged(before);
}

void TModalWindow::OpaqueSetChanged(size_t before) {
  // Only a change of the set touches the flag, so a screen keeps the opacity it was born with.
  if (mOpaque.size() == before) return;
  uint32_t flags = mFlags;
  if (mOpaque.empty()) {
    flags &= ~kWindowOpaque;
  } else {
    flags |= kWindowOpaque;
  }
  if (flags != mFlags) SetFlags(flags);
}

TButton* FindDefault::GetDefault() const { return static_cast<TButton*>(mDefault.Get()); }

TButton* FindDefault::GetCancel() const { return static_cast<TButton*>(mCancel.Get()); }

bool FindDefault::Process(TWindow* w) {
  if (TButton* b = WindowCast<TButton>(w)) {
    if ((b->GetButtonFlags() & kButtonDefault) && b->IsVisible()) mDefault = TWindowHandle(b);
    if ((b->GetButtonFlags() & kButtonCancel) && b->IsVisible()) mCancel = TWindowHandle(b);
    if (mDefault && mCancel) return false;
  }
  w->ForEachChild(*this, false);
  return true;
}
