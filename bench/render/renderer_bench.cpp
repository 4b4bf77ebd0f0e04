// Timings of the renderer on the headless display: loading a 1024x1024 PNG and a 1024x768
// JPEG as textures beside the bare library decodes of the same files (libpng and libjpeg
// called directly, each into a buffer of its own pixel layout), and a frame of 100 tinted,
// rotated textured quads. Load figures are the best of several runs.
#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "bench/support/HeadlessEngine.h"

#include "startup/PlatformMain.h"
#include "core/TPlatform.h"
#include "platform/display/Image.h"
#include "platform/window/Window.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"

namespace {

using Clock = std::chrono::steady_clock;

uint32_t Pattern(int x, int y) {
  return 0xFF000000u | uint32_t((x * 7) & 0xFF) << 16 | uint32_t((y * 5) & 0xFF) << 8 |
         uint32_t((x ^ y) & 0xFF);
}

bool WritePng(const std::string& path, int w, int h) {
  platform::display::Image img;
  img.width = w;
  img.height = h;
  img.pixels.resize(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.pixels[size_t(y) * size_t(w) + size_t(x)] = Pattern(x, y);
  return img.SavePng(path);
}

bool WriteJpeg(const std::string& path, int w, int h) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(size_t(w) * 3);
  while (c.next_scanline < c.image_height) {
    int y = int(c.next_scanline);
    for (int x = 0; x < w; ++x) {
      uint32_t p = Pattern(x, y);
      row[size_t(x) * 3] = JSAMPLE(p >> 16);
      row[size_t(x) * 3 + 1] = JSAMPLE(p >> 8);
      row[size_t(x) * 3 + 2] = JSAMPLE(p);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(f);
  return true;
}

template <typename F>
double BestMs(int iterations, F&& body) {
  double best = 1e30;
  for (int i = 0; i < iterations; ++i) {
    const auto start = Clock::now();
    body();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return best;
}

// The assets folder the benchmark's files are written into.
std::string gAssets;

// libpng straight from the file, rows in the file's own layout.
bool BarePng(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> pixels;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_read_info(png, info);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  png_uint_32 h = png_get_image_height(png, info);
  pixels.resize(rowBytes * h);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + rowBytes * y;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return true;
}

// libjpeg straight from the file, RGB rows.
bool BareJpeg(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  jpeg_decompress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_decompress(&c);
  jpeg_stdio_src(&c, f);
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_RGB;
  jpeg_start_decompress(&c);
  size_t rowBytes = size_t(c.output_width) * size_t(c.output_components);
  std::vector<uint8_t> pixels(rowBytes * c.output_height);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row[1] = {pixels.data() + rowBytes * c.output_scanline};
    jpeg_read_scanlines(&c, row, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  std::fclose(f);
  return true;
}

int Game(TPlatform* p, const char*) {
  p->InitScreen(800, 600, false);
  TRenderer* r = TRenderer::Instance();
  for (bool jpeg : {false, true}) {
    const char* file = jpeg ? "big.jpg" : "big.png";
    std::string path = gAssets + "/" + file;
    double bare = BestMs(15, [&] {
      if (!(jpeg ? BareJpeg(path) : BarePng(path))) std::printf("  (bare decode failed)\n");
    });
    double load = BestMs(15, [&] {
      boost::shared_ptr<TTexture> t = TTexture::Get(file);
      if (!t) std::printf("  (load failed)\n");
    });
    std::printf("%-44s %10.3f ms, bare %s decode %.3f ms, ratio %.2f (target <= %.2f)\n",
                jpeg ? "load 1024x768 JPEG as a texture" : "load 1024x1024 PNG as a texture", load,
                jpeg ? "libjpeg" : "libpng", bare, load / bare, jpeg ? 1.3 : 1.15);
  }

  boost::shared_ptr<TTexture> sprite = TTexture::Get("sprite.png");
  if (!sprite) {
    std::printf("  (sprite missing)\n");
    return 0;
  }
  bench::Measure("frame of 100 tinted rotated 64x64 quads", 50, [&](int frame) {
    if (!r->BeginDraw()) return;
    r->FillRect(TRect(0, 0, 800, 600), TColor(0, 0, 0, 1));
    if (r->Begin2d()) {
      for (int i = 0; i < 100; ++i) {
        TDrawParams params(TVec2(40.0f + float(i % 10) * 75.0f, 40.0f + float(i / 10) * 55.0f),
                           0.8f, 1.0f, 0);
        params.transform.Rotate(float(frame + i) * 0.05f);
        params.tint = TColor(1.0f, float(i % 3) / 2.0f, float(i % 5) / 4.0f, 1.0f);
        sprite->Draw(params);
      }
      r->End2d();
    }
    r->EndDraw();
  });
  return 0;
}

}  // namespace

int main() {
  return bench::RunHeadlessEngine(
      "renderer_bench",
      [](const std::string& assets) {
        gAssets = assets;
        return WritePng(assets + "/big.png", 1024, 1024) &&
               WriteJpeg(assets + "/big.jpg", 1024, 768) &&
               WritePng(assets + "/sprite.png", 64, 64);
      },
      &Game);
}
