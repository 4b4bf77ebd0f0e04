#include "game/shell/TCustomTextEdit.h"

#include <cstdio>

#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TModalWindow.h"
#include "window/TWindowStyle.h"

namespace {

const char* const kTypingSounds[] = {
    "audio/sfx/sfx_typing_01.ogg?group=1000",
    "audio/sfx/sfx_typing_02.ogg?group=1000",
    "audio/sfx/sfx_typing_03.ogg?group=1000",
    "audio/sfx/sfx_typing_04.ogg?group=1000",
    nullptr,
};

}  // namespace

TCustomTextEdit::TCustomTextEdit() { mSounds.AddAssets(kTypingSounds); }

TCustomTextEdit::~TCustomTextEdit() = default;

void TCustomTextEdit::Init(TWindowStyle& style) {
  mCleared = !style.GetBool("clearinitial", false);
  mEnableWindow = style.GetString("enablewindow", "");
  TTextEdit::Init(style);
}

void TCustomTextEdit::ClearInitialText() {
  mCleared = true;
  const bool changed = !GetText().IsEmpty();
  SetText("");
  UpdatePartner();
  // The key that cleared may itself be refused or move only: the clearing is the edit.
  if (changed) PostChanged();
}

bool TCustomTextEdit::OnMouseUp(const TPoint& p) {
  if (!mCleared) {
    ClearInitialText();
    return true;
  }
  return TText::OnMouseUp(p);
}

bool TCustomTextEdit::OnWideChar(str c) {
  const bool handled = TTextEdit::OnWideChar(std::move(c));
  UpdatePartner();
  return handled;
}

bool TCustomTextEdit::OnKeyDown(unsigned char key, int modifiers) {
  const bool handled = TTextEdit::OnKeyDown(key, modifiers);
  UpdatePartner();
  return handled;
}

bool TCustomTextEdit::CanEdit(int kind, uint32_t code) {
  if (!mCleared) ClearInitialText();
  if (kind == kEditInsert) {
    if (!TTextEdit::CanEdit(kind, code)) return false;
    const int n = static_cast<int>(mRandom.genrand_res53() * 4.0) + 1;
    char name[64];
    std::snprintf(name, sizeof name, "audio/sfx/sfx_typing_%02d.ogg?group=1000", n);
    boost::shared_ptr<TSound> sound;
    mSounds.GetSound(sound, name);
    // Played to its end even when the field closes on this key.
    if (sound)
      if (boost::shared_ptr<TSoundInstance> playing = sound->Play(false))
        playing->HoldSoundUntilEnd();
    return true;
  }
  return TTextEdit::CanEdit(kind, code);
}

void TCustomTextEdit::UpdatePartner() {
  if (mEnableWindow.Length() == 0) return;
  TModalWindow* modal = GetModalParent();
  TWindow* partner = modal ? modal->FindChild(mEnableWindow, -1) : nullptr;
  if (!partner) return;
  const uint32_t flags = partner->GetFlags();
  partner->SetFlags(!GetText().IsEmpty() ? (flags | kWindowShown) : (flags & ~kWindowShown));
  MarkRedraw();
}
