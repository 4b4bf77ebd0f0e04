#include "game/scenes/QMSearchItem.h"

#include <memory>

#include "assets/TStringTable.h"
#include "core/TPlatform.h"
#include "game/scenes/QMMessages.h"
#include "render/TTexture.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TImage.h"
#include "window/TText.h"
#include "window/TWindowStyle.h"

namespace {

const TColor kFoundColour(1.0f, 1.0f, 1.0f, 0.5f);
const char kStrikeOutTexture[] = "gameobjects/strikeout";

}  // namespace

QMSearchItem::QMSearchItem() = default;
QMSearchItem::~QMSearchItem() = default;

TText* QMSearchItem::GetItemText() const { return TText::Cast(mItemText.Get()); }

void QMSearchItem::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  mFound = style.GetBool("found", false);
  mMarkFoundSound = style.GetString("markfoundsfx", str());
  mItemText = TWindowHandle(TText::Cast(FindChild("itemText", -1)));

  mHighlightColour = TColor(1.0f, 0.0f, 0.0f, 1.0f);
  if (std::unique_ptr<TLuaTable> c{style.GetTable("hiliteColor")}) {
    mHighlightColour = TColor(
        static_cast<float>(c->GetNumber("r", 1.0)), static_cast<float>(c->GetNumber("g", 0.0)),
        static_cast<float>(c->GetNumber("b", 0.0)), static_cast<float>(c->GetNumber("a", 1.0)));
  }
  // A restored game shows its found entries without their sound.
  if (mFound) ShowFound();
}

bool QMSearchItem::OnMessage(TMessage* m) {
  switch (m->GetId()) {
    case kQMItemSetLabel: SetLabel(m->GetName()); return true;
    case kQMItemHighlight: Highlight(); return true;
    case kQMItemRestoreColour: Restore(); return true;
    case kQMItemMarkFound: MarkFound(); return true;
    default: return false;
  }
}

void QMSearchItem::SetLabel(const str& label) {
  TText* text = GetItemText();
  if (!text) return;
  TPlatform* p = TPlatform::Instance();
  TStringTable* strings = p ? p->GetStringTable() : nullptr;
  text->SetText(strings ? strings->GetString(label, str(), str(), str(), str(), str()) : label);
}

void QMSearchItem::Highlight() {
  TText* text = GetItemText();
  if (!text) return;
  if (text->GetLayout()) mSavedColour = text->GetColor();
  text->SetColor(mHighlightColour);
}

void QMSearchItem::Restore() {
  if (TText* text = GetItemText()) text->SetColor(mSavedColour);
}

void QMSearchItem::StrikeOut() {
  TText* text = GetItemText();
  if (!text) return;
  auto line = std::make_unique<TImage>();
  line->SetTexture(TTexture::Get(kStrikeOutTexture), 1.0f);
  TRect bounds;
  text->GetTextBounds(bounds);
  line->SetSize(bounds.right - bounds.left + 1, text->GetHeight());
  line->SetPosition(0, 0);
  AddChild(std::move(line), true);
}

void QMSearchItem::MarkFound() {
  // The entry keeps the sound loaded; the playing instance holds it, so the sound plays to its
  // end even when the list entry is gone first.
  if (!mFoundSound && !mMarkFoundSound.IsEmpty())
    mFoundSound = TSound::Get(mMarkFoundSound, true, 1001);
  if (mFoundSound)
    if (boost::shared_ptr<TSoundInstance> playing = mFoundSound->Play(false))
      playing->HoldSoundUntilEnd();
  ShowFound();
}

void QMSearchItem::ShowFound() {
  if (TText* text = GetItemText()) text->SetColor(kFoundColour);
  StrikeOut();
  mFound = true;
}
