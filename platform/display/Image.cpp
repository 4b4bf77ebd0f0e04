// PNG input and output through libpng.
#include "platform/display/Image.h"

#include <png.h>

#include <cstdio>
#include <memory>

#include "platform/display/PixelFormat.h"
#include "platform/display/Surface.h"

namespace platform::display {

Image Image::FromSurface(const Surface& surface) {
  Image img;
  img.CopyFrom(surface);
  return img;
}

void Image::CopyFrom(const Surface& surface) {
  width = surface.Width();
  height = surface.Height();
  pixels.resize(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y)
    RowToArgb(surface.Format(), surface.Bits() + size_t(y) * surface.Pitch(),
              pixels.data() + size_t(y) * width, width);
}

bool Image::SavePng(const std::string& path) const {
  if (width <= 0 || height <= 0 || pixels.size() != size_t(width) * size_t(height)) return false;
  std::string temp = path + ".part";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  img.width = uint32_t(width);
  img.height = uint32_t(height);
  img.format = PNG_FORMAT_BGRA;  // ARGB words in little-endian memory are B, G, R, A bytes
  bool ok = png_image_write_to_stdio(&img, f, 0, pixels.data(), int32_t(width) * 4, nullptr) != 0;
  ok = std::fclose(f) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

bool Image::LoadPng(const std::string& path) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return false;
  img.format = PNG_FORMAT_BGRA;
  if (img.width == 0 || img.height == 0 || img.width > 16384 || img.height > 16384) {
    png_image_free(&img);
    return false;
  }
  std::vector<uint32_t> data(size_t(img.width) * img.height);
  if (!png_image_finish_read(&img, nullptr, data.data(), int32_t(img.width) * 4, nullptr)) {
    png_image_free(&img);
    return false;
  }
  width = int32_t(img.width);
  height = int32_t(img.height);
  pixels = std::move(data);
  return true;
}

}  // namespace platform::display
