// mvecfont: converts a TrueType (or other FreeType-readable) font into a vector-font file.
//
//   mvecfont INPUT.ttf OUTPUT.mvec [FIRST-LAST | CODE]...
//
// Codes default to 32-126. A code the font has no glyph for is skipped (the space is kept
// even without an outline). Outlines are kept unhinted and unscaled: an em becomes 64 design
// units, stored with 7 fraction bits; y grows downward and the baseline is y = 0. Quadratic
// segments map one to one onto the format's curve command; cubic ones (CFF fonts) become two
// quadratics each. Every glyph fills with style 1, the text colour, even-odd.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kEmDesignUnits = 64.0;
constexpr double kFractionScale = 128.0;

enum Op : uint8_t { kLeftFill = 2, kMove = 4, kLine = 5, kCurve = 6, kEnd = 8 };

struct Glyph {
  uint32_t code = 0;
  int16_t left = 0, right = 0, top = 0, bottom = 0, advance = 0;
  std::vector<uint8_t> commands;
};

struct Writer {
  double unitScale = 1.0;  // font units to stored units
  std::vector<uint8_t>* out = nullptr;
  FT_Vector start{}, pen{};
  bool open = false;
  bool clamped = false;

  int16_t Stored(double fontUnits) {
    double v = std::round(fontUnits * unitScale);
    if (v > 32767 || v < -32768) clamped = true;
    return static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
  }
  void Word(int16_t v) {
    out->push_back(static_cast<uint8_t>(v & 0xFF));
    out->push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  void Point(double x, double y) {
    Word(Stored(x));
    Word(Stored(-y));
  }
  void Close() {
    if (open && (pen.x != start.x || pen.y != start.y)) {
      out->push_back(kLine);
      Point(double(start.x), double(start.y));
    }
    open = false;
  }
};

Writer& W(void* user) { return *static_cast<Writer*>(user); }

int MoveTo(const FT_Vector* to, void* user) {
  Writer& w = W(user);
  w.Close();
  w.out->push_back(kMove);
  w.Point(double(to->x), double(to->y));
  w.start = w.pen = *to;
  w.open = true;
  return 0;
}

int LineTo(const FT_Vector* to, void* user) {
  Writer& w = W(user);
  w.out->push_back(kLine);
  w.Point(double(to->x), double(to->y));
  w.pen = *to;
  return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  Writer& w = W(user);
  w.out->push_back(kCurve);
  w.Point(double(control->x), double(control->y));
  w.Point(double(to->x), double(to->y));
  w.pen = *to;
  return 0;
}

// A cubic is split at its middle and each half approximated by one quadratic.
int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  Writer& w = W(user);
  auto mid = [](double a, double b) { return (a + b) / 2; };
  double p0x = double(w.pen.x), p0y = double(w.pen.y);
  double ax = mid(p0x, double(c1->x)), ay = mid(p0y, double(c1->y));
  double bx = mid(double(c1->x), double(c2->x)), by = mid(double(c1->y), double(c2->y));
  double cx = mid(double(c2->x), double(to->x)), cy = mid(double(c2->y), double(to->y));
  double abx = mid(ax, bx), aby = mid(ay, by), bcx = mid(bx, cx), bcy = mid(by, cy);
  double mx = mid(abx, bcx), my = mid(aby, bcy);
  auto quad = [&](double s0x, double s0y, double k1x, double k1y, double k2x, double k2y, double ex,
                  double ey) {
    w.out->push_back(kCurve);
    w.Point((3 * (k1x + k2x) - s0x - ex) / 4, (3 * (k1y + k2y) - s0y - ey) / 4);
    w.Point(ex, ey);
  };
  quad(p0x, p0y, ax, ay, abx, aby, mx, my);
  quad(mx, my, bcx, bcy, cx, cy, double(to->x), double(to->y));
  w.pen = *to;
  return 0;
}

bool ParseRanges(int argc, char** argv, std::vector<std::pair<uint32_t, uint32_t>>& ranges) {
  for (int i = 3; i < argc; ++i) {
    char* end = nullptr;
    unsigned long first = std::strtoul(argv[i], &end, 0), last = first;
    if (end == argv[i]) return false;
    if (*end == '-') {
      char* from = end + 1;
      last = std::strtoul(from, &end, 0);
      if (end == from) return false;
    }
    if (*end != '\0' || last < first || last > 0x10FFFF) return false;
    ranges.emplace_back(uint32_t(first), uint32_t(last));
  }
  if (ranges.empty()) ranges.emplace_back(32u, 126u);
  return true;
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}

void Put16(std::vector<uint8_t>& b, int v) {
  b.push_back(static_cast<uint8_t>(v & 0xFF));
  b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::pair<uint32_t, uint32_t>> ranges;
  if (argc < 3 || !ParseRanges(argc, argv, ranges)) {
    std::fprintf(stderr, "usage: mvecfont INPUT.ttf OUTPUT.mvec [FIRST-LAST | CODE]...\n");
    return 2;
  }
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&lib) != 0 || FT_New_Face(lib, argv[1], 0, &face) != 0) {
    std::fprintf(stderr, "mvecfont: cannot read the font %s\n", argv[1]);
    return 1;
  }
  Writer w;
  w.unitScale =
      kEmDesignUnits * kFractionScale / double(face->units_per_EM ? face->units_per_EM : 2048);

  FT_Outline_Funcs funcs{};
  funcs.move_to = MoveTo;
  funcs.line_to = LineTo;
  funcs.conic_to = ConicTo;
  funcs.cubic_to = CubicTo;

  std::sort(ranges.begin(), ranges.end());
  std::vector<Glyph> glyphs;
  uint32_t lastCode = 0;
  bool any = false;
  for (auto [first, last] : ranges)
    for (uint32_t code = first; code <= last; ++code) {
      if (any && code <= lastCode) continue;  // overlapping ranges
      FT_UInt index = FT_Get_Char_Index(face, code);
      if (index == 0 && code != 32) continue;
      if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) !=
          0)
        continue;
      FT_GlyphSlot slot = face->glyph;
      if (slot->format != FT_GLYPH_FORMAT_OUTLINE) continue;
      Glyph g;
      g.code = code;
      g.advance = w.Stored(double(slot->metrics.horiAdvance));
      if (slot->outline.n_points > 0) {
        FT_BBox box;
        FT_Outline_Get_CBox(&slot->outline, &box);
        g.left = w.Stored(double(box.xMin));
        g.right = w.Stored(double(box.xMax));
        g.top = w.Stored(-double(box.yMax));
        g.bottom = w.Stored(-double(box.yMin));
        g.commands.push_back(kLeftFill);
        g.commands.push_back(1);
        w.out = &g.commands;
        w.open = false;
        FT_Outline_Decompose(&slot->outline, &funcs, &w);
        w.Close();
      }
      g.commands.push_back(kEnd);
      glyphs.push_back(std::move(g));
      lastCode = code;
      any = true;
    }
  if (glyphs.size() > 0xFFFF) {
    std::fprintf(stderr, "mvecfont: more than 65535 glyphs\n");
    return 1;
  }

  std::vector<uint8_t> file = {'M', 'V', 'C', '4'};
  Put16(file, int(glyphs.size()));
  // Three informative words: design units per em, the font's ascender and descender.
  Put16(file, int(kEmDesignUnits));
  Put16(file, int(std::lround(double(face->ascender) * kEmDesignUnits / face->units_per_EM)));
  Put16(file, int(std::lround(double(face->descender) * kEmDesignUnits / face->units_per_EM)));
  uint32_t offset = uint32_t(12 + 18 * glyphs.size());
  for (const Glyph& g : glyphs) {
    Put32(file, g.code);
    for (int16_t v : {g.left, g.right, g.top, g.bottom, g.advance}) Put16(file, v);
    Put32(file, offset);
    offset += uint32_t(g.commands.size());
  }
  for (const Glyph& g : glyphs) file.insert(file.end(), g.commands.begin(), g.commands.end());

  FILE* f = std::fopen(argv[2], "wb");
  bool ok = f && std::fwrite(file.data(), 1, file.size(), f) == file.size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "mvecfont: cannot write %s\n", argv[2]);
    std::remove(argv[2]);
    return 1;
  }
  if (w.clamped) std::fprintf(stderr, "mvecfont: some coordinates were clamped to 16 bits\n");
  std::printf("%s: %zu glyphs, %zu bytes\n", argv[2], glyphs.size(), file.size());
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return 0;
}
