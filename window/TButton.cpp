#include "window/TButton.h"

#include "render/TTexture.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/IWindowSound.h"
#include "window/TButtonLuaAction.h"
#include "window/TImage.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/TWindowSpider.h"
#include "window/TWindowStyle.h"

namespace {

// Switches off the other buttons of a radio button's group, in two walks over the parent's
// children from the back: the first finds where the group starts (the nearest beginGroup
// window at or behind the button), the second clears the group up to the next beginGroup.
class TRadioButtonSpider : public TWindowSpider {
public:
  explicit TRadioButtonSpider(TButton* button) : mButton(button) {}
  bool Process(TWindow* w) override {
    bool begins = (w->GetFlags() & kWindowBeginGroup) != 0;
    if (mPhase == 0) {
      if (begins) mGroupStart = w;
      return w != mButton;
    }
    if (!mFound) {
      if (w != mGroupStart.Get()) return true;
      mFound = true;
    } else if (begins) {
      return false;
    }
    if (w != mButton)
      if (TButton* other = TButton::Cast(w)) other->SetToggleState(false);
    return true;
  }
  void NextPhase() { mPhase = 1; }
  bool HasGroup() const { return static_cast<bool>(mGroupStart); }

private:
  TButton* mButton;
  int mPhase = 0;
  bool mFound = false;
  TWindowHandle mGroupStart;
};

}  // namespace

TButton::TButton() : TLayeredWindow(4) { SelectLayer(0); }

TButton::~TButton() {
  TButton::OnMouseLeave();
  delete mAction;
}

void TButton::SetType(int type) {
  int t = type & 0xF;
  mType = (t & 0x8) ? t - 16 : t;
}

bool TButton::OnActivate() {
  SetState(kButtonNormal);
  return true;
}

void TButton::Init(TWindowStyle& style) {
  TWindow::Init(style);
  str sound = style.GetString("sound", str());
  str rollover = style.GetString("rolloversound", str());
  str mask = style.GetString("mask", str());
  SetType(style.GetInt("type", kPushButton));
  float scale = static_cast<float>(style.GetNumber("scale", 1.0));
  uint32_t bits = 0;
  if (style.GetBool("sendToParent", false)) bits |= 2;
  if (style.GetBool("beginGroup", false)) bits |= 1;
  if (style.GetBool("close", false)) bits |= 4;
  if (style.GetBool("default", false)) bits |= 8;
  if (style.GetBool("cancel", false)) bits |= 16;
  bool on = style.GetBool("on", false);
  // The group marks go first: a radio button switched on while it did not yet know that it
  // begins a group would switch off the group before its own.
  SetButtonFlags(bits);
  if (on) SetToggleState(true);
  if (!sound.IsEmpty()) SetStateSound(1, sound);
  if (!rollover.IsEmpty()) SetStateSound(2, rollover);
  if (!mask.IsEmpty()) SetMask(TTexture::Get(mask));
  style.GetString("tooltip", str());

  if (TLuaTable* graphics = style.GetTable("graphics")) {
    uint32_t drawFlags = 0;
    if (style.GetBool("hflip", false)) drawFlags |= TImage::kDrawMirrorX;
    if (style.GetBool("vflip", false)) drawFlags |= TImage::kDrawMirrorY;
    bool rotate = style.GetBool("rotate", false);
    int count = mType == kPushButton ? 3 : 4;
    for (int i = 0; i < count; ++i) {
      str name = graphics->GetStringAt(i + 1, str());
      std::unique_ptr<TImage> image;
      if (!name.IsEmpty()) {
        image = std::make_unique<TImage>();
        image->SetRotate(rotate);
        image->SetTexture(TTexture::Get(name), scale);
        image->SetName(str::Format("image%d", i));
        image->SetDrawFlags(drawFlags);
      }
      SelectLayer(static_cast<uint32_t>(i));
      if (image) AddChild(std::move(image));
    }
    FitToChildren();
    delete graphics;
  }
  if (TLuaFunction* command = style.GetFunction("command")) SetAction(new LuaAction(command));
}

void TButton::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  SetState(kButtonNormal);
}

void TButton::SetButtonFlags(uint32_t bits) {
  if (bits & 1) mFlags |= kWindowBeginGroup;
  if (bits & 2) mButtonFlags |= kButtonSendToParent;
  if (bits & 4) mButtonFlags |= kButtonClose;
  if (bits & 8) mButtonFlags |= kButtonDefault;
  if (bits & 16) mButtonFlags |= kButtonCancel;
}

void TButton::SetState(int state) {
  int old = mState;
  mState = state & 0x7;
  OnStateChange(mState, old);
}

void TButton::PlaySound(int slot) {
  if (slot >= 0 && slot < 3 && mSounds[slot]) mSounds[slot]->Play();
}

void TButton::OnStateChange(int newState, int oldState) {
  if (newState != oldState && newState != kButtonPressed && oldState != kButtonClicked &&
      newState >= 0 && newState < 3 && (mFlags & kWindowShown))
    PlaySound(newState);
  if (newState == kButtonClicked) return;
  bool on = GetToggleState();
  if (mType == kPushButton) {
    SelectLayer(static_cast<uint32_t>(newState));
  } else if (mType == kToggleButton || mType == kRadioButton) {
    static const uint32_t kOn[3] = {1, 0, 3}, kOff[3] = {0, 1, 2};
    if (newState >= 0 && newState < 3) SelectLayer(on ? kOn[newState] : kOff[newState]);
  }
}

void TButton::SetToggleState(bool on) {
  if (on && mType == kRadioButton && mParent) {
    TRadioButtonSpider spider(this);
    mParent->ForEachChild(spider, true);
    if (spider.HasGroup()) {
      spider.NextPhase();
      if (mParent) mParent->ForEachChild(spider, true);
    }
  }
  if (on) {
    mButtonFlags |= kButtonOn;
  } else {
    mButtonFlags &= static_cast<uint8_t>(~kButtonOn);
  }
  SetState(mState);
  MarkRedraw();
}

void TButton::Toggle() {
  mButtonFlags ^= kButtonOn;
  SetState(mState);
}

void TButton::SetAction(Action* action) {
  if (action == mAction) return;
  delete mAction;
  mAction = action;
}

void TButton::SetStateSound(int index, const str& name) {
  if (index < 0 || index >= 3) return;
  TWindowManager* wm = TWindowManager::Instance();
  IWindowSoundSource* source = wm ? wm->GetSoundSource() : nullptr;
  mSounds[index] = source ? source->Get(name) : nullptr;
}

void TButton::SetMask(const boost::shared_ptr<TTexture>& texture) {
  if (!texture) return;
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  if (!texture->Lock(pixels, pitch)) return;
  int w = texture->GetWidth(), h = texture->GetHeight();
  mMask.assign(size_t(w > 0 ? w : 0) * size_t(h > 0 ? h : 0), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      mMask[size_t(y) * size_t(w) + size_t(x)] = pixels[size_t(y) * size_t(pitch) + size_t(x)];
  mMaskWidth = w;
  mMaskHeight = h;
  texture->Unlock();
}

void TButton::SetLabel(const str& text) {
  if (TText* t = TText::Cast(FindChild("label", -1))) t->SetText(text);
}

str TButton::GetLabel() {
  TText* t = TText::Cast(FindChild("label", -1));
  return t ? t->GetText() : str();
}

bool TButton::LeaveIfOutside(const TPoint& p) {
  int w = GetWidth(), h = GetHeight();
  bool inside = p.x >= 0 && p.x < w && p.y >= 0 && p.y < h;
  if (inside && HasMask()) {
    int mx = static_cast<int>(static_cast<float>(p.x) *
                              (static_cast<float>(mMaskWidth) / static_cast<float>(w)));
    int my = static_cast<int>(static_cast<float>(p.y) *
                              (static_cast<float>(mMaskHeight) / static_cast<float>(h)));
    if (mx < 0 || my < 0 || mx >= mMaskWidth || my >= mMaskHeight) {
      inside = false;
    } else {
      uint32_t px = mMask[size_t(my) * size_t(mMaskWidth) + size_t(mx)];
      inside = ((px >> 16) & 0xFF) >= 20 || ((px >> 8) & 0xFF) >= 20 || (px & 0xFF) >= 20;
    }
  }
  if (inside) return false;
  OnMouseLeave();
  return true;
}

bool TButton::OnMouseDown(const TPoint& p) {
  if (mState == kButtonNormal)
    if (TWindowManager* wm = TWindowManager::Instance()) wm->AddHoverWindow(this);
  SetState(kButtonPressed);
  LeaveIfOutside(p);
  return true;
}

bool TButton::OnMouseMove(const TPoint& p) {
  if (LeaveIfOutside(p)) return false;
  if (mState != kButtonNormal) return true;
  SetState(kButtonRollover);
  if (TWindowManager* wm = TWindowManager::Instance()) wm->AddHoverWindow(this);
  return true;
}

bool TButton::OnMouseUp(const TPoint& p) {
  if (mState == kButtonNormal) return true;
  if (LeaveIfOutside(p)) return true;
  if (mState == kButtonPressed) {
    TWindowHandle self(this);
    if (!OnClick() || !self) return true;
  }
  if (!IsVisible()) {
    OnMouseLeave();
  } else {
    SetState(kButtonRollover);
  }
  return true;
}

bool TButton::OnMouseLeave() {
  if (mState != kButtonNormal)
    if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  SetState(kButtonNormal);
  return true;
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
  OnStateChange(kButtonClicked, kButtonPressed);
  if (mSounds[1] && IsVisible()) PlaySound(1);
  if (!Press()) {
    if (mType == kRadioButton) SetToggleState(true);
    if (mType == kToggleButton) Toggle();
    TWindowManager* wm = TWindowManager::Instance();
    if (wm && GetModalParent() == wm->GetTopModal()) return true;
  }
  // An action that destroyed the button leaves nothing to tell.
  if (self) OnMouseLeave();
  return false;
}
