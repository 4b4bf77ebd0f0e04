// Timings of the renderer on the headless display: loading a 1024x1024 PNG and a 1024x768
// JPEG as textures, and a frame of 100 tinted, rotated textured quads.
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

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
void Measure(const char* name, int iterations, F&& body) {
  const auto start = Clock::now();
  for (int i = 0; i < iterations; ++i) body(i);
  double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / iterations;
  std::printf("%-44s %10.3f ms/op\n", name, ms);
}

int Game(TPlatform* p, const char*) {
  p->InitScreen(800, 600, false);
  TRenderer* r = TRenderer::Instance();
  Measure("load 1024x1024 PNG as a texture", 10, [](int) {
    boost::shared_ptr<TTexture> t = TTexture::Get("big.png");
    if (!t) std::printf("  (load failed)\n");
  });
  Measure("load 1024x768 JPEG as a texture", 10, [](int) {
    boost::shared_ptr<TTexture> t = TTexture::Get("big.jpg");
    if (!t) std::printf("  (load failed)\n");
  });

  boost::shared_ptr<TTexture> sprite = TTexture::Get("sprite.png");
  if (!sprite) {
    std::printf("  (sprite missing)\n");
    return 0;
  }
  Measure("frame of 100 tinted rotated 64x64 quads", 50, [&](int frame) {
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
  namespace fs = std::filesystem;
  char tmpl[] = "/tmp/renderer_bench_XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  std::string root = tmpl;
  fs::create_directories(root + "/work/assets");
  fs::create_directories(root + "/data");
  setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  if (!WritePng(root + "/work/assets/big.png", 1024, 1024) ||
      !WriteJpeg(root + "/work/assets/big.jpg", 1024, 768) ||
      !WritePng(root + "/work/assets/sprite.png", 64, 64))
    return 1;
  platform::window::RequestHeadless(true);
  std::string line = "-wd=" + root + "/work --multiple";
  PlatformMain(nullptr, nullptr, line.c_str(), 1, &Game, true);
  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
