// The game's text entry field: a text edit that plays a typing sound for each character it
// takes, can clear the layout's initial text at the first click or key, and shows a partner
// window (typically the OK button) only while the field holds text.
#pragma once

#include "core/TRandom.h"
#include "render/TAssetMap.h"
#include "window/TTextEdit.h"

class TCustomTextEdit : public TTextEdit {
  T_WINDOW_CLASS(TCustomTextEdit, TTextEdit)

public:
  TCustomTextEdit();
  ~TCustomTextEdit() override;

  void Init(TWindowStyle& style) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnWideChar(str c) override;
  bool OnKeyDown(unsigned char key, int modifiers) override;
  bool CanEdit(int kind, uint32_t code) override;

private:
  void ClearInitialText();
  // Shows the partner while the field holds text. It runs after each key, once the edit is
  // done, so it reads the text as it is rather than guessing it from the key.
  void UpdatePartner();

  TAssetMap mSounds;
  // Seeded with the generator's fixed key, so the same keystrokes give the same sounds.
  TRandom mRandom;
  bool mCleared = true;
  str mEnableWindow;
};
