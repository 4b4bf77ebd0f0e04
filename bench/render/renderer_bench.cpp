// Timings of the renderer on the headless display: loading a 1024x1024 PNG and a 1024x768
// JPEG as textures beside the bare library decodes of the same files (libpng and libjpeg
// called directly, each into a buffer of its own pixel layout), and a frame of 100 tinted,
// rotated textured quads. Both sides of a load read the same bytes already in memory (the
// engine through a memory file), are timed in the thread's CPU time and take turns, so a
// busy spell on the machine falls on both; each figure is the best of its turns.
#include <algorithm>
#include <utility>
#include <csetjmp>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "bench/support/HeadlessEngine.h"

#include "startup/PlatformMain.h"
#include "assets/FileLayer.h"
#include "core/TPlatform.h"
#include "platform/display/Image.h"
#include "platform/window/Window.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"

namespace {

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

double CpuMs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) * 1e-6;
}

// The best CPU time of a() and of b() over `turns` turns each, the two alternating.
template <typename A, typename B>
std::pair<double, double> BestPairMs(int turns, A&& a, B&& b) {
  double best[2] = {1e30, 1e30};
  for (int k = 0; k < turns * 2; ++k) {
    const double start = CpuMs();
    if (k % 2)
      b();
    else
      a();
    best[k % 2] = std::min(best[k % 2], CpuMs() - start);
  }
  return {best[0], best[1]};
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t chunk[65536];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
    bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(f);
  return bytes;
}

// The assets folder the benchmark's files are written into.
std::string gAssets;

struct Reader {
  const std::vector<uint8_t>* bytes;
  size_t at = 0;
};

void ReadPng(png_structp png, png_bytep out, png_size_t length) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (length > r->bytes->size() - r->at) png_error(png, "short file");
  std::memcpy(out, r->bytes->data() + r->at, length);
  r->at += length;
}

// libpng from the file's bytes in memory, rows in the file's own layout.
bool BarePng(const std::vector<uint8_t>& bytes) {
  Reader reader{&bytes};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> pixels;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, ReadPng);
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
  return true;
}

// libjpeg from the file's bytes in memory, RGB rows.
bool BareJpeg(const std::vector<uint8_t>& bytes) {
  jpeg_decompress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, bytes.data(), static_cast<unsigned long>(bytes.size()));
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
  return true;
}

int Game(TPlatform* p, const char*) {
  p->InitScreen(800, 600, false);
  TRenderer* r = TRenderer::Instance();
  for (bool jpeg : {false, true}) {
    const char* file = jpeg ? "big.jpg" : "big.png";
    const std::vector<uint8_t> bytes = ReadAll(gAssets + "/" + file);
    const std::string memName = std::string("memory_") + file;
    RegisterMemoryFile(memName.c_str(), bytes.data(), uint32_t(bytes.size()));
    auto [bare, load] = BestPairMs(
        15,
        [&] {
          if (!(jpeg ? BareJpeg(bytes) : BarePng(bytes))) std::printf("  (bare decode failed)\n");
        },
        [&] {
          boost::shared_ptr<TTexture> t = TTexture::Get(memName.c_str());
          if (!t) std::printf("  (load failed)\n");
        });
    RegisterMemoryFile(memName.c_str(), nullptr, 0);
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
