// The tag parser of the text markup.
#include "window/text/TTextMarkup.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr size_t kTagBuffer = 128;

// Blanks outside quotes go; text from an "=" to the next blank keeps its case, the rest is
// lower-cased.
std::string Normalise(const char* at, const char* close) {
  std::string out;
  bool quoted = false, keepCase = false;
  for (const char* p = at; p <= close && out.size() < kTagBuffer; ++p) {
    char c = *p;
    if (c == '"' || c == '\'') quoted = !quoted;
    if (c == ' ' || c == '\t') {
      keepCase = false;
      if (!quoted) continue;
    }
    if (c == '=') keepCase = true;
    out += keepCase ? c : char(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

bool Attribute(const std::string& tag, const char* name, std::string& value) {
  size_t at = tag.find(name);
  if (at == std::string::npos) return false;
  at += std::strlen(name);
  size_t open = tag.find('"', at);
  if (open == std::string::npos) open = tag.find('\'', at);
  if (open == std::string::npos) return false;
  size_t close = tag.find('"', open + 1);
  if (close == std::string::npos) close = tag.find('\'', open + 1);
  if (close == std::string::npos) return false;
  value = tag.substr(open + 1, close - open - 1);
  return true;
}

// A font tag's colour of exactly 8 characters carries alpha in its last two digits.
TColor ParseColour(const std::string& text, bool alphaAllowed) {
  const char* digits = text.c_str();
  if (*digits == '#') ++digits;
  unsigned long v = std::strtoul(digits, nullptr, 16);
  unsigned alpha = 255;
  if (alphaAllowed && text.size() == 8) {
    alpha = unsigned(v & 0xFF);
    v >>= 8;
  }
  return TColor::FromBytes(unsigned((v >> 16) & 0xFF), unsigned((v >> 8) & 0xFF),
                           unsigned(v & 0xFF), alpha);
}

enum Tag {
  kBr,
  kEndP,
  kA,
  kEndA,
  kB,
  kEndB,
  kI,
  kEndI,
  kU,
  kEndU,
  kCursor,
  kCenter,
  kEndCenter,
  kLeft,
  kEndLeft,
  kRight,
  kEndRight,
  kFont,
  kEndFont,
  kOutline,
  kEndOutline,
  kTab,
  kTagCount
};
const char* const kNames[kTagCount] = {
    "br",     "/p",   "a",      "/a",      "b",        "/b",   "i",     "/i",
    "u",      "/u",   "cursor", "center",  "/center",  "left", "/left", "right",
    "/right", "font", "/font",  "outline", "/outline", "tab"};

}  // namespace

TTextMarkup::TTextMarkup() { Reset(); }

void TTextMarkup::Reset() {
  mFontDepth = 0;
  bold = italic = underline = false;
  mAlignDepth = 0;
  mAlign[0] = -1;
  linkId = str();
  linkColour = TColor();
  outlineSize = 0.0f;
  outlineColour = TColor();
}

bool TTextMarkup::ParseTag(const char* at, int* consumed, bool* lineBreak, int* pad, bool* cursor,
                           bool* alignChanged, int* tab) {
  if (!at || *at != '<') return false;
  const char* close = std::strchr(at, '>');
  if (!close) return false;
  *consumed = int(close - at) + 1;
  std::string tag = Normalise(at, close);
  int which = kTagCount;
  for (int i = 0; i < kTagCount; ++i)
    if (tag.compare(1, std::strlen(kNames[i]), kNames[i]) == 0) {
      which = i;
      break;
    }
  std::string value;
  auto push = [&](int align) {
    ++mAlignDepth;
    if (mAlignDepth < kStackSize) mAlign[mAlignDepth] = align;
    *lineBreak = *alignChanged = true;
  };
  auto pop = [&] {
    if (mAlignDepth > 0) --mAlignDepth;
    *lineBreak = *alignChanged = true;
  };
  switch (which) {
    case kBr:
      *lineBreak = true;
      if (Attribute(tag, "pad", value)) *pad = std::atoi(value.c_str());
      break;
    case kEndP: *lineBreak = true; break;
    case kA:
      linkId = Attribute(tag, "id", value) ? str(value.c_str()) : str();
      linkColour = Attribute(tag, "color", value) ? ParseColour(value, false) : Font().colour;
      break;
    case kEndA:
      linkId = str();
      linkColour = Font().colour;
      break;
    case kB: bold = true; break;
    case kEndB: bold = false; break;
    case kI: italic = true; break;
    case kEndI: italic = false; break;
    case kU: underline = true; break;
    case kEndU: underline = false; break;
    case kCursor: *cursor = true; break;
    case kCenter: push(1); break;
    case kLeft: push(0); break;
    case kRight: push(2); break;
    case kEndCenter:
    case kEndLeft:
    case kEndRight: pop(); break;
    case kFont: {
      int from = mFontDepth < kStackSize ? mFontDepth : kStackSize - 1;
      ++mFontDepth;
      if (mFontDepth >= kStackSize) break;
      TTextFontSpec& f = mFonts[mFontDepth];
      f = mFonts[from];
      if (Attribute(tag, "size", value)) f.size = std::atoi(value.c_str());
      if (Attribute(tag, "color", value)) f.colour = ParseColour(value, true);
      if (Attribute(tag, "face", value)) f.face = str(value.c_str());
      break;
    }
    case kEndFont:
      if (mFontDepth > 0) --mFontDepth;
      break;
    case kOutline:
      outlineColour = Attribute(tag, "color", value) ? ParseColour(value, false) : TColor();
      outlineSize = Attribute(tag, "size", value) ? float(std::atof(value.c_str())) : 2.0f;
      break;
    case kEndOutline:
      outlineSize = 0.0f;
      outlineColour = TColor();
      break;
    case kTab:
      if (Attribute(tag, "pos", value)) *tab = std::atoi(value.c_str());
      break;
    default: break;
  }
  return true;
}

str EscapeMarkup(const str& text) {
  std::string out;
  out.reserve(text.Length());
  for (unsigned i = 0; i < text.Length(); ++i) {
    char c = text[i];
    if (c == '<' || c == '\\' || c == '\n') out += '\\';
    out += c;
  }
  return str(out.data(), static_cast<unsigned>(out.size()));
}
