// Loading fonts by name through the file layer, with the fallbacks to "fonts/default.mvec" and
// to the built-in font.
#include "window/text/TFontCache.h"

#include <vector>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TPlatformData.h"
#include "window/text/TVecFont.h"

namespace {

std::vector<uint8_t> BuiltinImage() {
  return std::vector<uint8_t>(kBuiltinFontData, kBuiltinFontData + kBuiltinFontDataSize);
}

bool ReadWhole(const char* name, std::vector<uint8_t>& out) {
  TFile* f = FileOpen(name, 0);
  if (!f) return false;
  FileSeek(f, 0, 2);
  int32_t size = FileTell(f);
  FileSeek(f, 0, 1);
  bool ok = size >= 0;
  if (ok) {
    out.resize(size_t(size));
    ok = size == 0 || FileRead(f, out.data(), size) == size;
  }
  FileClose(f);
  if (!ok) EngineLog("ERROR: could not read the font file %s.", name);
  return ok;
}

}  // namespace

TFontCache::TFontCache() = default;
TFontCache::~TFontCache() = default;

TFontCache* TFontCache::Instance() {
  TPlatform* p = TPlatform::Instance();
  if (!p) return nullptr;
  TPlatformData* d = p->GetData();
  if (!d->mFontCache) d->mFontCache = std::make_unique<TFontCache>();
  return d->mFontCache.get();
}

TVecFont* TFontCache::GetFont(const str& name) {
  auto it = mFonts.find(name);
  if (it != mFonts.end()) return it->second.get();
  std::vector<uint8_t> image;
  bool read = false;
  if (name != "__DEFAULT") {
    read = ReadWhole(name.CStr(), image);
    // Said once per name (the fallback is cached under it), so that a misspelt font name
    // does not pass unnoticed.
    if (!read && name != "fonts/default.mvec" && !FileExists(name))
      EngineLog("Font file %s not found; its text is drawn in the default font.", name.CStr());
    if (!read) read = ReadWhole("fonts/default.mvec", image);
  }
  if (!read) image = BuiltinImage();
  auto font = std::make_unique<TVecFont>(std::move(image));
  if (font->GetGlyphCount() == 0)
    EngineLog("ERROR: font %s has no glyphs; its text is drawn in the default font.", name.CStr());
  TVecFont* result = font.get();
  mFonts[name] = std::move(font);
  return result;
}

void TFontCache::Clear() { mFonts.clear(); }
