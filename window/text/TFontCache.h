// The fonts by name, each loaded once and kept for the run. "__DEFAULT" is the font built
// into the program; a name whose file cannot be opened falls back to "fonts/default.mvec" and
// then to the built-in font, and keeps that fallback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "core/str.h"

class TVecFont;

class TFontCache {
public:
  TFontCache();
  ~TFontCache();
  TFontCache(const TFontCache&) = delete;
  TFontCache& operator=(const TFontCache&) = delete;

  // The platform's cache; null while no platform exists.
  static TFontCache* Instance();

  TVecFont* GetFont(const str& name);
  void Clear();

private:
  std::map<str, std::unique_ptr<TVecFont>> mFonts;
};

// The built-in font's image in the program's read-only data.
extern const unsigned char kBuiltinFontData[];
extern const unsigned long kBuiltinFontDataSize;
