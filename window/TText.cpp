#include "window/TText.h"

#include <cstring>

#include "assets/TStringTable.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/TButton.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"
#include "window/text/TTextLayout.h"

namespace {

// '#' shows the rest literally; numbers stay as they are; anything else is a string id.
str TranslateLabel(const str& label) {
  if (label.IsEmpty()) return label;
  if (label[0] == '#') return label.Substr(1);
  bool number = true;
  for (unsigned i = 0; i < label.Length() && number; ++i)
    number = std::strchr("0123456789.", label[i]) != nullptr;
  if (number) return label;
  TPlatform* p = TPlatform::Instance();
  TStringTable* table = p ? p->GetStringTable() : nullptr;
  return table ? table->GetString(label) : label;
}

}  // namespace

TText::TText() = default;

TText::~TText() {
  if (mLayout) TTextLayout::Delete(mLayout);
}

void TText::Init(TWindowStyle& style) {
  str fontName("__DEFAULT");
  int size = 16;
  TColor colour(0, 1, 0, 1);
  if (TLuaTable* font = style.GetTable("font")) {
    fontName = font->GetStringAt(1, "__DEFAULT");
    size = static_cast<int>(font->GetNumberAt(2, 16));
    if (size == 0) size = 12;
    if (TLuaTable* c = font->GetTableAt(3)) {
      colour = TColor(
          static_cast<float>(c->GetNumberAt(1, 0)), static_cast<float>(c->GetNumberAt(2, 1)),
          static_cast<float>(c->GetNumberAt(3, 0)), static_cast<float>(c->GetNumberAt(4, 1)));
      delete c;
    }
    delete font;
  }
  str name = style.GetString("name", str());
  str label = style.GetString("label", str());
  TWindowManager* wm = TWindowManager::Instance();
  if (!label.IsEmpty() && wm) {
    bool localised = wm->SetScriptHostMode(true);
    wm->SetScriptHostMode(localised);
    if (localised) label = TranslateLabel(label);
  }
  int defFlags = style.GetInt("defflags", 0);
  int flags = style.GetInt("flags", defFlags);
  int padding = style.GetInt("padding", 0);
  float rotation = static_cast<float>(style.GetNumber("rotation", 0.0));
  int originX = style.GetInt("rotationOriginX", 0);
  int originY = style.GetInt("rotationOriginY", 0);
  int rotationAlign = style.GetInt("rotationAlign", 0);

  TWindow::Init(style);
  if (GetWidth() == 0 || GetHeight() == 0) {
    EngineLog("ERROR: Attempting to create text window of size(0,0): named '%s', label '%s'",
              name.CStr(), label.CStr());
    return;
  }
  mLineSpacing = padding;
  SetupText(label, GetWidth(), GetHeight(), static_cast<unsigned>(flags), fontName, size, colour);
  if (rotation != 0.0f) {
    int pw = mParent ? mParent->GetWidth() : 0, ph = mParent ? mParent->GetHeight() : 0;
    int w = GetWidth(), h = GetHeight();
    ResolveCoordinates(originX, w, pw, mParent != nullptr, (rotationAlign & 1) != 0,
                       (rotationAlign & 2) != 0, false);
    ResolveCoordinates(originY, h, ph, mParent != nullptr, (rotationAlign & 4) != 0,
                       (rotationAlign & 8) != 0, false);
    SetRotation(rotation, originX, originY);
  }
}

bool TText::SetupText(const str& text, int width, int height, unsigned flags, const str& fontName,
                      int size, const TColor& colour) {
  if (width == 0 || height == 0) return false;
  if (mLayout) TTextLayout::Delete(mLayout);
  // Created empty, so that SetText below lays it out once.
  mLayout = TTextLayout::Create(str(), width, height, flags, fontName.CStr(), size, colour);
  mColour = colour;
  SetSize(width, height);
  SetText(text);
  return true;
}

void TText::SetText(const str& text) {
  if (!mLayout || mLayout->GetText() == text) return;
  if (!mLayout->GetText().IsEmpty()) MarkRedraw();
  mLayout->SetText(text);
}

str TText::GetText() const { return mLayout ? mLayout->GetText() : str(); }

void TTickingText::Show(TText* text, const char* shown) {
  if (!text || std::strcmp(text->GetText().CStr(), shown) == 0) return;
  // Room for any clock or score, so the buffers are made once.
  constexpr unsigned kRoom = 32;
  str& spare = mTurns[0].RefCount() <= 1 ? mTurns[0] : mTurns[1];
  if (spare.Capacity() < kRoom) spare.Reserve(kRoom);
  spare.WriteAt(0, shown, static_cast<unsigned>(std::strlen(shown)), true);
  text->SetText(spare);
}

void TText::GetTextBounds(TRect& out) const {
  out = mLayout ? mLayout->GetBounds(1.0f) : TRect(0, 0, 0, 0);
}

void TText::SetColor(const TColor& colour) {
  if (!mLayout || !(colour != mColour)) return;
  mColour = colour;
  mLayout->SetColor(colour);
  MarkRedraw();
}

void TText::SetRotation(float degrees, int originX, int originY) {
  if (mLayout) mLayout->SetRotation(degrees, originX, originY);
}

void TText::Draw() {
  if (!mLayout) return;
  TScoped2d in2d;
  DrawTextBlock(mLayout, TRect(0, 0, GetWidth(), GetHeight()), mScale, mLineSpacing, mAlpha, 0,
                boost::shared_ptr<TTexture>());
}

void TText::SetScale(float f, int) {
  if (!mLayout) return;
  float v = (mScrollBase + static_cast<float>(mLayout->GetLastPageStart(mScale, mLineSpacing))) * f;
  if (v == static_cast<float>(mLayout->GetLineCount())) return;
  mLayout->SetFirstVisibleLine(v);
  MarkRedraw();
}

bool TText::OnMouseDown(const TPoint& p) {
  if (!mLayout) return false;
  mPressedLink = mLayout->HitTestLink(p, mLineSpacing);
  return !mPressedLink.IsEmpty();
}

bool TText::OnMouseUp(const TPoint& p) {
  if (mPressedLink.IsEmpty() || !mLayout) return false;
  str pressed = mPressedLink;
  mPressedLink = str();
  if (mLayout->HitTestLink(p, mLineSpacing) != pressed) return true;
  TWindow* modal = GetModalParent();
  TWindow* w = modal ? modal->FindChild(pressed, -1) : nullptr;
  if (!w) {
    EngineLog("ERROR: Command window %s not found", pressed.CStr());
  } else if (TButton* b = TButton::Cast(w)) {
    b->Press();
  } else {
    EngineLog("ERROR: Command window %s not a derived class of TButton", pressed.CStr());
  }
  return true;
}

bool TText::OnMouseMove(const TPoint& p) {
  if (!mLayout || !mLayout->UpdateHover(&p, mLineSpacing)) return false;
  MarkRedraw();
  if (TWindowManager* wm = TWindowManager::Instance()) wm->AddHoverWindow(this);
  return true;
}

bool TText::OnMouseLeave() {
  if (mLayout) {
    mLayout->UpdateHover(nullptr, mLineSpacing);
    MarkRedraw();
  }
  if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveHoverWindow(this);
  return true;
}
