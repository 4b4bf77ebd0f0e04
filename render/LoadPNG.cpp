// PNG decoding over libpng with a read callback on the engine's file layer.
#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <new>

#include "assets/FileLayer.h"
#include "core/EngineLog.h"
#include "render/ImageDecoders.h"

namespace {

// Everything the decode touches lives here rather than in the frame that calls setjmp, so
// nothing is left indeterminate when libpng jumps back after an error.
struct PngDecode {
  TFile* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  const ImageTarget* target = nullptr;
  ImageRows out;
  png_bytep* rows = nullptr;
  int width = 0;
  int height = 0;
  int side = 0;
  bool hasAlpha = false;
  bool refused = false;  // the target declined the image
  char message[256] = {};
  // libpng explains some errors only in a warning just before them ("exceeds user limit").
  char warning[256] = {};
};

void PNGErrorHandler(png_structp png, png_const_charp message) {
  auto* decode = static_cast<PngDecode*>(png_get_error_ptr(png));
  std::snprintf(decode->message, sizeof(decode->message), "%s", message ? message : "");
  png_longjmp(png, 1);
}

void PNGWarningHandler(png_structp png, png_const_charp message) {
  auto* decode = static_cast<PngDecode*>(png_get_error_ptr(png));
  std::snprintf(decode->warning, sizeof(decode->warning), "%s", message ? message : "");
}

void PNGReadCallback(png_structp png, png_bytep data, png_size_t length) {
  auto* decode = static_cast<PngDecode*>(png_get_io_ptr(png));
  if (length > size_t(INT_MAX) || FileRead(decode->file, data, int(length)) != int32_t(length))
    png_error(png, "Read Error");
}

// Holds no C++ objects: libpng leaves it with longjmp on any error.
bool Decode(PngDecode& d) {
  if (setjmp(png_jmpbuf(d.png))) return false;

  png_set_read_fn(d.png, &d, PNGReadCallback);
  png_set_sig_bytes(d.png, 8);
  png_set_user_limits(d.png, kMaxImageSide, kMaxImageSide);
  png_read_info(d.png, d.info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colorType = 0;
  png_get_IHDR(d.png, d.info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);

  if (depth == 16) png_set_strip_16(d.png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(d.png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(d.png);
  if (png_get_valid(d.png, d.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(d.png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(d.png);
  png_set_filler(d.png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(d.png);
  d.hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;

  double fileGamma = 0;
  if (png_get_gAMA(d.png, d.info, &fileGamma)) png_set_gamma(d.png, 2.2, fileGamma);
  png_set_interlace_handling(d.png);

  png_read_update_info(d.png, d.info);
  int updatedType = 0;
  png_get_IHDR(d.png, d.info, &width, &height, &depth, &updatedType, nullptr, nullptr, nullptr);
  // A palette image only knows after expansion whether its transparency made an alpha channel.
  if (colorType == PNG_COLOR_TYPE_PALETTE) d.hasAlpha = (updatedType & PNG_COLOR_MASK_ALPHA) != 0;

  d.side = ImageSide(int(width), int(height));
  if (d.side == 0) png_error(d.png, "image size out of range");
  if (png_get_rowbytes(d.png, d.info) != size_t(width) * 4)
    png_error(d.png, "unexpected pixel layout after transforms");
  d.width = int(width);
  d.height = int(height);

  d.out = (*d.target)(d.width, d.height, d.side, d.hasAlpha);
  if (d.out.bits == nullptr) {
    d.refused = true;
    return false;
  }
  // Only an alpha channel (its own or made from a transparency chunk) can hold anything but
  // the filler's 255.
  bool fixAlpha = d.out.opaque && (updatedType & PNG_COLOR_MASK_ALPHA) != 0;
  auto makeOpaque = [](png_bytep row, int count) {
    for (int x = 0; x < count; ++x) row[size_t(x) * 4 + 3] = 0xFF;
  };
  if (png_get_interlace_type(d.png, d.info) != PNG_INTERLACE_NONE) {
    d.rows = new (std::nothrow) png_bytep[size_t(d.height)];
    if (d.rows == nullptr) png_error(d.png, "Visual PNG: out of memory");
    for (int i = 0; i < d.height; ++i) d.rows[i] = d.out.bits + size_t(i) * d.out.pitch;
    png_read_image(d.png, d.rows);
    if (fixAlpha)
      for (int i = 0; i < d.height; ++i) makeOpaque(d.rows[i], d.width);
  } else {
    // Row by row, so each row is finished while it is still in the cache.
    for (int i = 0; i < d.height; ++i) {
      png_bytep row = d.out.bits + size_t(i) * d.out.pitch;
      png_read_row(d.png, row, nullptr);
      if (fixAlpha) makeOpaque(row, d.width);
    }
  }
  png_read_end(d.png, nullptr);
  return true;
}

}  // namespace

int ImageSide(int width, int height) {
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return 0;
  int larger = width > height ? width : height;
  int side = 1;
  while (side < larger) side *= 2;
  return side;
}

bool DecodePNG(const str& name, const ImageTarget& target) {
  PngDecode d;
  d.target = &target;
  d.file = FileOpen(name.CStr(), kFileReadBinary);
  if (d.file == nullptr) {
    EngineLog("LoadPNG: cannot open %s", name.CStr());
    return false;
  }
  png_byte signature[8] = {};
  if (FileRead(d.file, signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    EngineLog("LoadPNG: %s is not a PNG file", name.CStr());
    FileClose(d.file);
    return false;
  }
  d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d, PNGErrorHandler, PNGWarningHandler);
  if (d.png != nullptr) d.info = png_create_info_struct(d.png);
  bool ok = d.png != nullptr && d.info != nullptr && Decode(d);
  if (d.png != nullptr) png_destroy_read_struct(&d.png, d.info ? &d.info : nullptr, nullptr);
  delete[] d.rows;
  FileClose(d.file);
  if (!ok && !d.refused)
    EngineLog("LoadPNG: %s: %s%s%s", name.CStr(), d.message[0] ? d.message : "cannot decode",
              d.warning[0] ? " after: " : "", d.warning);
  return ok;
}

bool LoadPNG(const str& name, std::unique_ptr<uint8_t[]>& buffer, int& width, int& height,
             int& side, bool& hasAlpha) {
  buffer.reset();
  std::unique_ptr<uint8_t[]> pixels;
  bool noMemory = false;
  ImageTarget target = [&](int w, int h, int s, bool alpha) {
    width = w;
    height = h;
    side = s;
    hasAlpha = alpha;
    // Zeroed: the area outside the image is transparent black.
    pixels.reset(new (std::nothrow) uint8_t[size_t(s) * size_t(s) * 4]());
    noMemory = pixels == nullptr;
    return ImageRows{pixels.get(), size_t(s) * 4, false};
  };
  if (!DecodePNG(name, target)) {
    if (noMemory) EngineLog("LoadPNG: %s: Visual PNG: out of memory", name.CStr());
    return false;
  }
  buffer = std::move(pixels);
  return true;
}
