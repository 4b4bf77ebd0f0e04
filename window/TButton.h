// Push, toggle and radio button: a layered window with one layer per visual state (normal,
// pressed, rollover, rollover while on). It follows the mouse through its states, plays its
// state sounds, can refuse clicks outside an irregular mask, and when clicked runs its action
// and posts kButtonPress (and kCloseWindow for a closing button).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "window/TLayeredWindow.h"

class IWindowSound;
class TTexture;

enum : uint8_t {
  kButtonSendToParent = 0x01,
  kButtonOn = 0x02,
  kButtonClose = 0x04,
  kButtonDefault = 0x08,
  kButtonCancel = 0x10,
};

enum TButtonType : int { kPushButton = 0, kToggleButton = 1, kRadioButton = 2 };

enum TButtonState : int {
  kButtonNormal = 0,
  kButtonPressed = 1,
  kButtonRollover = 2,
  kButtonClicked = 3,
};

class TButton : public TLayeredWindow {
  T_WINDOW_CLASS(TButton, TLayeredWindow)

public:
  class Action {
  public:
    virtual ~Action() = default;
    virtual void Execute(TButton* button) = 0;
  };
  class LuaAction;

  TButton();
  ~TButton() override;

  bool OnActivate() override;
  void Init(TWindowStyle& style) override;
  void PostCreate(TWindowStyle& style) override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseLeave() override;

  // The click: state hook, click sound, press, then toggle; false when the button left the
  // tree or its modal is not on top.
  virtual bool OnClick();
  // Plays the new state's sound and shows its layer.
  virtual void OnStateChange(int newState, int oldState);
  virtual void SetState(int state);
  int GetState() const { return mState; }

  // Runs the action and posts the messages; true when the action took the button out of the tree.
  bool Press();

  // Style flag bits: 1 beginGroup, 2 sendToParent, 4 close, 8 default, 16 cancel. Only adds.
  void SetButtonFlags(uint32_t styleBits);
  uint8_t GetButtonFlags() const { return mButtonFlags; }
  int GetType() const { return mType; }
  // The low four bits, read as a signed number.
  void SetType(int type);
  bool GetToggleState() const { return (mButtonFlags & kButtonOn) != 0; }
  // Switching a radio button on clears the other buttons of its group.
  void SetToggleState(bool on);
  void Toggle();
  // The button owns its action; the old one is deleted.
  void SetAction(Action* action);
  Action* GetAction() const { return mAction; }
  // Slot 1 is the click sound, slot 2 the rollover sound.
  void SetStateSound(int index, const str& name);
  // Copies the texture's pixels as the hit shape; an unlockable texture changes nothing.
  void SetMask(const boost::shared_ptr<TTexture>& texture);
  bool HasMask() const { return mMaskWidth > 0 && mMaskHeight > 0; }
  void SetLabel(const str& text);
  str GetLabel();

  static TButton* Cast(TWindow* w) {
    return w && w->IsKindOf(GetClassId()) ? static_cast<TButton*>(w) : nullptr;
  }

protected:
  // Leaves (and answers true) when the point misses the rectangle or the mask.
  bool LeaveIfOutside(const TPoint& p);
  void PlaySound(int slot);

private:
  int mType = kPushButton;
  int mState = kButtonNormal;
  uint8_t mButtonFlags = 0;
  Action* mAction = nullptr;
  std::shared_ptr<IWindowSound> mSounds[3];
  std::vector<uint32_t> mMask;
  int mMaskWidth = 0;
  int mMaskHeight = 0;
};
