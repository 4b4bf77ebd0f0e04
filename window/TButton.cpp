#include "window/TButton.h"

#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

TButton::TButton() : TLayeredWindow(4) {}

TButton::~TButton() { delete mAction; }

void TButton::Init(TWindowStyle& style) {
  TWindow::Init(style);
  str type = style.GetString("type", str());
  if (type == "toggle") mType = kToggleButton;
  if (type == "radio") mType = kRadioButton;
  uint32_t bits = 0;
  if (style.GetBool("beginGroup", false)) bits |= 1;
  if (style.GetBool("sendToParent", false)) bits |= 2;
  if (style.GetBool("close", false)) bits |= 4;
  if (style.GetBool("default", false)) bits |= 8;
  if (style.GetBool("cancel", false)) bits |= 16;
  SetButtonFlags(bits);
}

void TButton::SetButtonFlags(uint32_t bits) {
  if (bits & 1) mFlags |= kWindowBeginGroup;
  if (bits & 2) mButtonFlags |= kButtonSendToParent;
  if (bits & 4) mButtonFlags |= kButtonClose;
  if (bits & 8) mButtonFlags |= kButtonDefault;
  if (bits & 16) mButtonFlags |= kButtonCancel;
}

void TButton::SetToggleState(bool on) {
  if (on) {
    mButtonFlags |= kButtonOn;
  } else {
    mButtonFlags &= static_cast<uint8_t>(~kButtonOn);
  }
  if (TWindowManager* wm = TWindowManager::Instance()) wm->Invalidate();
}

void TButton::SetAction(Action* action) {
  if (action == mAction) return;
  delete mAction;
  mAction = action;
}

void TButton::SetLabel(const str& text) {
  TWindow* w = FindChild("label", -1);
  if (TText* t = WindowCast<TText>(w)) t->SetText(text);
}

str TButton::GetLabel() {
  TWindow* w = FindChild("label", -1);
  if (TText* t = WindowCast<TText>(w)) return t->GetText();
  return str();
}

bool TButton::Press() {
  TWindowManager* wm = TWindowManager::Instance();
  TModalWindow* modal = GetModalParent();
  if ((mButtonFlags & kButtonClose) && modal && wm) {
    wm->PostMessage(new TMessage(kCloseWindow, modal->GetIdString()));
    if (IScriptHost* host = wm->GetScriptHost()) host->SetGlobalText("gReturnValue", GetName());
  }
  TWindow* target = mParent;
  bool sendToParent = (mButtonFlags & kButtonSendToParent) != 0;
  if (sendToParent) {
    TWindow* top = wm ? wm->GetTopModal() : nullptr;
    target = top ? top->GetParent() : nullptr;
  }
  TMessage* m = new TMessage(kButtonPress, GetName(), target);
  if (mAction) {
    // The action may destroy the button (and the action with it): then it has left the tree.
    TWindowHandle self(this);
    mAction->Execute(this);
    TWindow* root = wm ? wm->GetRoot() : nullptr;
    bool inTree = false;
    for (TWindow* w = self ? mParent : nullptr; w; w = w->GetParent()) {
      if (w == root) {
        inTree = true;
        break;
      }
    }
    if (!inTree) {
      if (sendToParent && wm) {
        wm->PostMessage(m);
      } else {
        delete m;
      }
      return true;
    }
  }
  if (wm) {
    wm->PostMessage(m);
  } else {
    delete m;
  }
  return false;
}

bool TButton::OnClick() {
  TWindowHandle self(this);
  if (!Press()) {
    if (mType == kRadioButton) SetToggleState(true);
    if (mType == kToggleButton) Toggle();
    TWindowManager* wm = TWindowManager::Instance();
    if (wm && GetModalParent() == wm->GetTopModal()) return true;
  }
  if (self) OnMouseLeave();
  return false;
}
