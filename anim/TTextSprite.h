// A sprite whose texture shows a block of text: a box of a given size filled with a background
// colour, framed by a border, with the text laid out in a vector font. The text is drawn into
// the sprite's own texture when it is set up or changed, and again on every pass of the
// platform's idle task list (which runs after the display restored its assets).
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "core/TColor.h"
#include "core/TTask.h"
#include "core/TVec.h"
#include "core/str.h"
#include "render/TSprite.h"

class QMTextSprite;
class TLuaTable;
class TPlatform;

// Draws its text sprite again on every idle pass; it never finishes by itself.
class QMTextSpriteRefresher : public TTask {
public:
  explicit QMTextSpriteRefresher(QMTextSprite* sprite) : mSprite(sprite) {}
  bool DoTask() override;

private:
  QMTextSprite* mSprite;
};

class QMTextSprite : public TSprite {
public:
  explicit QMTextSprite(int32_t layer = 0);
  ~QMTextSprite() override;

  static TClassId GetClassId() { return MakeClassId(&QMTextSprite::GetClassId); }
  const char* GetClassName() const override { return "QMTextSprite"; }
  bool IsKindOf(TClassId id) const override { return id == GetClassId() || TSprite::IsKindOf(id); }

  // Stores the description, makes a blank texture of the box's size (none for an empty box,
  // which then shows nothing) and draws into it. The font file is "fonts/" + name + ".mvec".
  void Setup(const str& text, const TVec2& box, float inset, int32_t alignment,
             const TColor& textColour, int32_t fontSize, const str& fontName,
             const TColor& background, float borderSize, const TColor& borderColour);
  // With localize, a non-empty text is a string-table label and shows the label's entry. The
  // texture is drawn again only when the shown text changes.
  void SetText(const str& text, bool localize);
  // Draws border, background and text into the sprite's texture.
  void Render();

  const str& GetText() const { return mText; }
  const str& GetFontFile() const { return mFontFile; }
  int32_t GetBoxWidth() const { return mWidth; }
  int32_t GetBoxHeight() const { return mHeight; }
  int32_t GetBorderSize() const { return mBorderSize; }
  int32_t GetFontSize() const { return mFontSize; }
  int32_t GetAlignment() const { return mAlignment; }
  const TColor& GetTextColor() const { return mTextColour; }
  const TColor& GetBackgroundColor() const { return mBackground; }
  const TColor& GetBorderColor() const { return mBorderColour; }
  float GetInset() const { return mInset; }

private:
  int32_t mWidth = 0, mHeight = 0;
  str mFontFile;
  str mText;
  int32_t mBorderSize = 0, mFontSize = 0, mAlignment = 0;
  TColor mBorderColour{0, 0, 0, 0}, mTextColour{0, 0, 0, 0}, mBackground{0, 0, 0, 0};
  float mInset = 0.0f;
  QMTextSpriteRefresher* mRefresher;
  // The platform whose idle list holds the refresher; null when it was never listed.
  TPlatform* mListedWith = nullptr;
};

// A text sprite (layer 0) from a description table: "text", "localize", "fontSize", "align",
// "font", "inset", "color", "background", "border" {size, color}, "box" {x, y, w, h} and
// "position" {x, y}. The position is the sprite's top-left corner.
boost::shared_ptr<QMTextSprite> CreateTextSprite(TLuaTable& description);
