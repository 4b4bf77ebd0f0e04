// PNG and JPEG decoding through the file layer into square power-of-two pixel buffers ready
// for a texture surface. Pixels are 32-bit 0xAARRGGBB values (bytes blue, green, red, alpha);
// row r starts at byte r * side * 4 and only the top-left width x height area holds the image,
// the rest is transparent black. Decoding runs on the main thread, one image at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/str.h"

// Images wider or taller than this are refused, so a hostile header cannot ask for a buffer
// of gigabytes.
constexpr int kMaxImageSide = 4096;

// The smallest power of two not below the larger of width and height; 0 when either is not
// positive or past kMaxImageSide.
int ImageSide(int width, int height);

// Where a decode writes its pixels (4 bytes each, blue, green, red, alpha): row r of the
// image at bits + r * pitch. With opaque set every alpha byte is written as 255.
struct ImageRows {
  uint8_t* bits = nullptr;
  size_t pitch = 0;
  bool opaque = false;
};

// Asked once the header is read, with the image's width, height, side and has-alpha value;
// answers the rows to decode into, or rows without bits to stop the decode (it then fails
// without a log line). Lets the loader decode straight into a texture surface.
using ImageTarget = std::function<ImageRows(int width, int height, int side, bool hasAlpha)>;

bool DecodePNG(const str& name, const ImageTarget& target);
bool DecodeJPEG(const str& name, const ImageTarget& target);

// On failure the buffer is empty, the reason is in the engine log and false is returned. A
// grey or palette image with a transparency chunk gains an alpha channel, but only a palette
// image reports hasAlpha for it.
bool LoadPNG(const str& name, std::unique_ptr<uint8_t[]>& buffer, int& width, int& height,
             int& side, bool& hasAlpha);

// Colour and grey images; CMYK, damaged and truncated files and progressive files of more
// than 500 scans fail. A file missing only its end marker decodes, with a log line. Alpha
// is 255.
bool LoadJPEG(const str& name, std::unique_ptr<uint8_t[]>& buffer, int& width, int& height,
              int& side);
