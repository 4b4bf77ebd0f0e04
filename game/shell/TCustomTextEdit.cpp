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

constexpr uint32_t kBackspace = 8;

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
  SetText("");
}

bool TCustomTextEdit::OnMouseUp(const TPoint& p) {
  if (!mCleared) {
    ClearInitialText();
    return true;
  }
  return TText::OnMouseUp(p);
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
    UpdatePartner(+1);
    return true;
  }
  if (!TTextEdit::CanEdit(kind, code)) return false;
  if (kind == kEditMove && code == kBackspace) UpdatePartner(-1);
  return true;
}

void TCustomTextEdit::UpdatePartner(int delta) {
  if (mEnableWindow.Length() == 0) return;
  TModalWindow* modal = GetModalParent();
  TWindow* partner = modal ? modal->FindChild(mEnableWindow, -1) : nullptr;
  if (!partner) return;
  const int length = static_cast<int>(GetText().Length()) + delta;
  uint32_t flags = partner->GetFlags();
  partner->SetFlags(length != 0 ? (flags | kWindowShown) : (flags & ~kWindowShown));
  MarkRedraw();
}
