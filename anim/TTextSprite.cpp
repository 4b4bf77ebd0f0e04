#include "anim/TTextSprite.h"

#include <cmath>
#include <memory>

#include "assets/TStringTable.h"
#include "core/TPlatform.h"
#include "core/TRect.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/text/TTextLayout.h"

namespace {

// Descriptions are truncated toward zero; a value no int32 holds reads as 0.
int32_t Truncated(double v) {
  return std::isfinite(v) && std::fabs(v) < 2147483647.0 ? static_cast<int32_t>(v) : 0;
}

// Below this background alpha the text replaces the pixels under it instead of blending
// over a box that is (nearly) see-through, so the glyphs keep their own coverage as alpha.
constexpr float kOpaqueBackground = 0.7f;

str DisplayedText(const str& text, bool localize) {
  if (!localize || text.IsEmpty()) return text;
  TPlatform* platform = TPlatform::Instance();
  TStringTable* strings = platform ? platform->GetStringTable() : nullptr;
  return strings ? strings->GetString(text) : text;
}

// Up to four numbers of the list under the key, each over its default.
TColor ReadColour(TLuaTable& table, const char* key, const TColor& def) {
  std::unique_ptr<TLuaTable> list(table.GetTable(key));
  if (!list) return def;
  return TColor(float(list->GetNumberAt(1, def.r)), float(list->GetNumberAt(2, def.g)),
                float(list->GetNumberAt(3, def.b)), float(list->GetNumberAt(4, def.a)));
}

}  // namespace

bool QMTextSpriteRefresher::DoTask() {
  if (mSprite) mSprite->Render();
  return true;
}

QMTextSprite::QMTextSprite(int32_t layer)
    : TSprite(layer), mRefresher(new QMTextSpriteRefresher(this)) {
  if (TPlatform* platform = TPlatform::Instance()) {
    platform->AddIdleTask(mRefresher);
    mListedWith = platform;
  }
}

QMTextSprite::~QMTextSprite() {
  if (!mListedWith) {
    delete mRefresher;
    return;
  }
  // A platform that has gone took the refresher down with its task list.
  if (TPlatform::Instance() == mListedWith && mListedWith->RemoveIdleTask(mRefresher))
    delete mRefresher;
}

void QMTextSprite::Setup(const str& text, const TVec2& box, float inset, int32_t alignment,
                         const TColor& textColour, int32_t fontSize, const str& fontName,
                         const TColor& background, float borderSize, const TColor& borderColour) {
  mText = text;
  mWidth = Truncated(box.x);
  mHeight = Truncated(box.y);
  mInset = inset;
  mAlignment = alignment;
  mTextColour = textColour;
  mFontSize = fontSize;
  mFontFile = str("fonts/") + fontName + ".mvec";
  mBackground = background;
  mBorderSize = Truncated(borderSize);
  mBorderColour = borderColour;
  SetTexture(TTexture::Create(mWidth, mHeight, true));
  Render();
}

void QMTextSprite::SetText(const str& text, bool localize) {
  // The same words again leave the texture as it is: scripts set texts every tick.
  str shown = DisplayedText(text, localize);
  if (shown == mText) return;
  mText = shown;
  Render();
}

void QMTextSprite::Render() {
  TRenderer* renderer = TRenderer::Existing();
  if (!mTexture || !renderer || mWidth <= 0 || mHeight <= 0) return;
  const int32_t w = mWidth, h = mHeight, b = mBorderSize;
  if (b != 0) {
    renderer->FillRect(TRect(0, 0, w, b), mBorderColour, mTexture);
    renderer->FillRect(TRect(0, h - b, w, h), mBorderColour, mTexture);
    renderer->FillRect(TRect(0, b, b, h - b), mBorderColour, mTexture);
    renderer->FillRect(TRect(w - b, b, w, h - b), mBorderColour, mTexture);
  }
  renderer->FillRect(TRect(b, b, w - b, h - b), mBackground, mTexture);
  if (mText.IsEmpty()) return;
  {
    // Glyphs go straight into the texture's pixels; one that cannot give them (its surface
    // lost with the display) waits for the idle pass after the restore.
    uint32_t* pixels = nullptr;
    int32_t pitch = 0;
    TextureLock probe;
    if (!probe.Lock(pixels, pitch, mTexture.get())) return;
  }

  // The layout draws in the text's colour at full strength; the text's opacity comes from
  // the draw's alpha alone, so that it is not applied twice.
  TColor opaque = mTextColour;
  opaque.a = 1.0f;
  TTextLayout* layout =
      TTextLayout::Create(mText, w, h, unsigned(mAlignment), mFontFile.CStr(), mFontSize, opaque);
  float alpha = mTextColour.a;
  if (mBackground.a < kOpaqueBackground) {
    layout->SetFontFlags();
    alpha = 1.0f;
  }
  DrawTextBlock(layout, TRect(0, 0, w, h), (float(w) - mInset) / float(w), 0, alpha, 0, mTexture);
  TTextLayout::Delete(layout);
}

boost::shared_ptr<QMTextSprite> CreateTextSprite(TLuaTable& d) {
  const str text = d.GetString("text", str());
  const bool localize = d.GetBool("localize", true);
  const int32_t fontSize = Truncated(d.GetNumber("fontSize", 20));
  const int32_t align = Truncated(d.GetNumber("align", 5));
  const str font = d.GetString("font", "arial");
  const float inset = float(d.GetNumber("inset", 0));
  const TColor colour = ReadColour(d, "color", TColor(1, 1, 1, 1));
  const TColor background = ReadColour(d, "background", TColor(0, 0, 0, 0));
  float borderSize = 0;
  TColor borderColour(0, 0, 0, 0);
  if (std::unique_ptr<TLuaTable> border{d.GetTable("border")}) {
    borderSize = float(border->GetNumber("size", 0));
    if (borderSize != 0) borderColour = ReadColour(*border, "color", borderColour);
  }
  float box[4] = {0, 0, 0, 0};
  if (std::unique_ptr<TLuaTable> list{d.GetTable("box")})
    for (int i = 0; i < 4; ++i) box[i] = float(list->GetNumberAt(i + 1, 0));
  TVec2 position(box[0], box[1]);
  if (std::unique_ptr<TLuaTable> list{d.GetTable("position")})
    position =
        TVec2(float(list->GetNumberAt(1, position.x)), float(list->GetNumberAt(2, position.y)));

  boost::shared_ptr<QMTextSprite> sprite(new QMTextSprite(0));
  sprite->Setup(DisplayedText(text, localize), TVec2(box[2], box[3]), inset, align, colour,
                fontSize, font, background, borderSize, borderColour);
  TSpriteDrawState& state = sprite->GetDrawState();
  state.transform(2, 0) = position.x;
  state.transform(2, 1) = position.y;
  state.flags |= TDrawParams::kUseOrigin;
  state.origin = TVec2(0, 0);
  return sprite;
}
