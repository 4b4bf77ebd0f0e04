// Runs the engine in-process on the headless display for the renderer's tests: helpers to
// reach the display's knobs, read the engine log, write image files into the assets folder
// before start-up, and read back what was presented.
#pragma once

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "engine/EngineFixture.h"

#include "core/EngineLog.h"
#include "platform/display/Image.h"
#include "platform/display/headless/Display.h"
#include "platform/window/headless/Window.h"
#include "render/TDXContext.h"
#include "render/TDxDisplayHandler.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"

// One pixel of a texture read through a lock; 0xDEADBEEF when the texture cannot be locked.
inline uint32_t PixelAt(const boost::shared_ptr<TTexture>& t, int x, int y) {
  uint32_t* px = nullptr;
  int32_t pitch = 0;
  if (!t->Lock(px, pitch)) return 0xDEADBEEF;
  uint32_t v = px[y * pitch + x];
  t->Unlock();
  return v;
}

class RenderTest : public EngineTest {
protected:
  static platform::display::headless::Display* Backend() {
    return dynamic_cast<platform::display::headless::Display*>(
        TDxDisplayHandler::Instance()->GetContext()->GetBackend());
  }

  // Runs the engine as EngineTest does and keeps the run's log file for Log().
  int Run(const std::string& line, std::function<void(TPlatform*)> body) {
    return EngineTest::Run(line, [&](TPlatform* p) {
      sLogPath = GetLogFilePath().CStr();
      body(p);
    });
  }

  static std::string Log() {
    std::ifstream in(sLogPath);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  static bool Logged(const std::string& line) { return Log().find(line) != std::string::npos; }

  static size_t CountLogged(const std::string& line) {
    std::string log = Log();
    size_t n = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
    return n;
  }

  static inline std::string sLogPath;

  // The last frame shown.
  static platform::display::Image Frame() { return Backend()->Frame(); }

  // Pixels are ARGB; fn(x, y) gives each one.
  void WritePng(const std::string& name, int w, int h, std::function<uint32_t(int, int)> fn) {
    platform::display::Image img;
    img.width = w;
    img.height = h;
    img.pixels.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) img.pixels[size_t(y) * size_t(w) + size_t(x)] = fn(x, y);
    ASSERT_TRUE(img.SavePng(mWork + "/assets/" + name));
  }

  void WriteJpeg(const std::string& name, int w, int h, std::function<uint32_t(int, int)> fn) {
    std::string path = mWork + "/assets/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(w) * 3);
    while (c.next_scanline < c.image_height) {
      int y = static_cast<int>(c.next_scanline);
      for (int x = 0; x < w; ++x) {
        uint32_t p = fn(x, y);
        row[size_t(x) * 3] = JSAMPLE((p >> 16) & 0xFF);
        row[size_t(x) * 3 + 1] = JSAMPLE((p >> 8) & 0xFF);
        row[size_t(x) * 3 + 2] = JSAMPLE(p & 0xFF);
      }
      JSAMPROW rows[1] = {row.data()};
      jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
  }

  // Runs the body with a windowed 160x120 screen made by the platform's screen set-up.
  int RunScreen(std::function<void(TPlatform*)> body, int w = 160, int h = 120,
                const std::string& line = "") {
    return Run(line, [&](TPlatform* p) {
      p->InitScreen(w, h, false);
      body(p);
    });
  }
};

// Opaque colours by name, for readable pixel checks.
inline constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu,
                          kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;
