// Reading a vector-font image: the glyph table, checked against the image's size, and the
// font-wide metrics derived from it.
#include "window/text/TVecFont.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/EngineLog.h"

namespace {

uint32_t Read32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int16_t Read16(const uint8_t* p) { return static_cast<int16_t>(uint16_t(p[0] | p[1] << 8)); }

constexpr size_t kHeader = 12;
constexpr size_t kEntry = 18;
const uint8_t kEmptyGlyph[] = {8};

}  // namespace

TVecFont::TVecFont(std::vector<uint8_t> data) : mData(std::move(data)) {
  if (mData.size() < kHeader || std::memcmp(mData.data(), "MVC4", 4) != 0) return;
  size_t count = uint16_t(mData[4] | mData[5] << 8);
  if (kHeader + kEntry * count > mData.size()) {
    EngineLog("ERROR: vector font holds %u glyphs but only %u bytes; no glyph is used.",
              unsigned(count), unsigned(mData.size()));
    return;
  }
  // Lookups are binary searches, so codes out of order would find the wrong glyphs.
  for (size_t i = 0; i < count; ++i) {
    uint32_t code = Read32(mData.data() + kHeader + kEntry * i);
    if (i > 0 && code <= mCodes.back()) {
      EngineLog("ERROR: vector font codes are not in ascending order; no glyph is used.");
      mCodes.clear();
      return;
    }
    mCodes.push_back(code);
  }
  mGlyphCount = int(count);

  int w = FindGlyph('W');
  if (w >= 0) mAscent = -GetTop(w);
  // Without a "W" (a font of digits, say) the ascent is the highest ink of any glyph.
  if (w < 0 || mAscent <= 0.0f)
    for (int i = 0; i < mGlyphCount; ++i) mAscent = std::max(mAscent, -GetTop(i));
  for (int i = 0; i < mGlyphCount && mCodes[size_t(i)] < 128; ++i)
    if (mCodes[size_t(i)] != '_') mDescent = std::max(mDescent, GetBottom(i));

  float topLimit = std::floor(GetMargin(true) + mAscent);
  float bottomLimit = GetMargin(false) + mDescent;
  mGlyphScales.resize(count, 1.0f);
  for (int i = 0; i < mGlyphCount; ++i) {
    float top = topLimit > 0.0f ? -GetTop(i) / topLimit : 0.0f;
    float bottom = bottomLimit > 0.0f ? GetBottom(i) / bottomLimit : 0.0f;
    float larger = std::max(top, bottom);
    if (larger > 1.0f) mGlyphScales[size_t(i)] = 1.0f / larger;
  }
}

int TVecFont::FindGlyph(uint32_t code) const {
  auto it = std::lower_bound(mCodes.begin(), mCodes.end(), code);
  if (it == mCodes.end() || *it != code) return -1;
  return int(it - mCodes.begin());
}

float TVecFont::Word(int index, int offset) const {
  if (index < 0 || index >= mGlyphCount) return 0.0f;
  return float(Read16(Entry(index) + offset)) / 128.0f;
}

const uint8_t* TVecFont::GetGlyphData(int index) const {
  if (index < 0 || index >= mGlyphCount) return nullptr;
  uint32_t offset = Read32(Entry(index) + 14);
  // A stream outside the file draws nothing.
  if (offset < kHeader + kEntry * size_t(mGlyphCount) || offset >= mData.size()) return kEmptyGlyph;
  return mData.data() + offset;
}

size_t TVecFont::GetGlyphDataSize(int index) const {
  const uint8_t* p = GetGlyphData(index);
  if (!p) return 0;
  if (p == kEmptyGlyph) return sizeof(kEmptyGlyph);
  return size_t(mData.data() + mData.size() - p);
}

float TVecFont::GetGlyphScale(int index) const {
  if (index < 0 || index >= mGlyphCount) return 1.0f;
  return mGlyphScales[size_t(index)];
}

float TVecFont::GetMargin(bool top) const {
  return (mAscent + mDescent) * (top ? 0.15f : 0.05f) / 0.8f;
}
