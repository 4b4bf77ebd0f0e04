// One vector font: a whole ".mvec" image in memory with its glyph codes and the metrics the
// text layout measures with. The font cache owns every font.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TVecFont {
public:
  // Takes the image; one that is not a vector-font image, or whose tables do not fit in it,
  // gives a font with no glyphs (every lookup fails).
  explicit TVecFont(std::vector<uint8_t> data);

  int GetGlyphCount() const { return mGlyphCount; }
  // Glyph index of the code, or -1.
  int FindGlyph(uint32_t code) const;

  float GetAdvance(int index) const { return Word(index, 12); }
  float GetLeft(int index) const { return Word(index, 4); }
  float GetRight(int index) const { return Word(index, 6); }
  float GetTop(int index) const { return Word(index, 8); }
  float GetBottom(int index) const { return Word(index, 10); }
  // The glyph's drawing commands, null for an index out of range; the commands never run
  // past GetGlyphDataSize bytes.
  const uint8_t* GetGlyphData(int index) const;
  size_t GetGlyphDataSize(int index) const;
  float GetGlyphScale(int index) const;

  float GetAscent() const { return mAscent; }
  float GetDescent() const { return mDescent; }
  float GetGlyphBoxShare() const { return 0.8f; }
  float GetMargin(bool top) const;
  bool IsBold() const { return mBold != 0; }
  float GetWeight() const { return mWeight; }

private:
  float Word(int index, int offset) const;
  const uint8_t* Entry(int index) const { return mData.data() + 12 + 18 * size_t(index); }

  std::vector<uint8_t> mData;
  int mGlyphCount = 0;
  std::vector<uint32_t> mCodes;
  std::vector<float> mGlyphScales;
  float mAscent = 0.0f;
  float mDescent = 0.0f;
  uint8_t mBold = 0;
  float mWeight = 1.0f;
};
