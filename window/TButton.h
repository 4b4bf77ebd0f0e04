// Push, toggle and radio button: a layered window with one layer per visual state. When
// pressed it runs its action and posts kButtonPress (and kCloseWindow for a closing button).
// Only what the modal windows and the scripts' window library need of it lives here so far.
#pragma once

#include <cstdint>

#include "window/TLayeredWindow.h"

enum : uint8_t {
  kButtonSendToParent = 0x01,
  kButtonOn = 0x02,
  kButtonClose = 0x04,
  kButtonDefault = 0x08,
  kButtonCancel = 0x10,
};

enum TButtonType : int { kPushButton = 0, kToggleButton = 1, kRadioButton = 2 };

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

  void Init(TWindowStyle& style) override;
  // The click: press, then toggle; false when the button left the tree or its modal is not on top.
  virtual bool OnClick();
  // Runs the action and posts the messages; true when the action took the button out of the tree.
  bool Press();

  // Style flag bits: 1 beginGroup, 2 sendToParent, 4 close, 8 default, 16 cancel.
  void SetButtonFlags(uint32_t styleBits);
  uint8_t GetButtonFlags() const { return mButtonFlags; }
  int GetType() const { return mType; }
  void SetType(int type) { mType = type; }
  bool GetToggleState() const { return (mButtonFlags & kButtonOn) != 0; }
  void SetToggleState(bool on);
  void Toggle() { SetToggleState(!GetToggleState()); }
  void SetAction(Action* action);
  Action* GetAction() const { return mAction; }
  void SetLabel(const str& text);
  str GetLabel();

private:
  int mType = kPushButton;
  uint8_t mButtonFlags = 0;
  Action* mAction = nullptr;
};
