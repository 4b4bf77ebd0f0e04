// The engine on the headless display with the sample game's fonts in its assets folder, and
// helpers to lay out and draw text on a cleared screen.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/render/RenderFixture.h"
#include "window/text/TFontCache.h"
#include "window/text/THwMiniVecDraw.h"
#include "window/text/TTextLayout.h"
#include "window/text/TVecFont.h"

class TextTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    namespace fs = std::filesystem;
    fs::create_directories(mWork + "/assets/fonts");
    for (const char* f : {"sans", "sansbold", "serif", "digits"})
      fs::copy_file(std::string(ENGINE_SOURCE_DIR) + "/sample/assets/fonts/" + f + ".mvec",
                    mWork + "/assets/fonts/" + f + ".mvec");
  }

  void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream out(mWork + "/assets/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }

  static std::vector<uint8_t> ReadSampleFont(const char* name) {
    std::ifstream in(std::string(ENGINE_SOURCE_DIR) + "/sample/assets/fonts/" + name,
                     std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  // Clears the screen, draws each layout in its box, presents, and answers the frame.
  static platform::display::Image DrawFrame(
      const std::vector<std::pair<TTextLayout*, TRect>>& blocks, const TColor& background,
      float alpha = 1.0f) {
    TRenderer* r = TRenderer::Instance();
    EXPECT_TRUE(r->BeginDraw());
    {
      TScoped2d in2d;
      TRect vp;
      r->GetViewport(vp);
      r->FillRect(TRect(0, 0, vp.Width(), vp.Height()), background);
      for (auto& [layout, box] : blocks)
        DrawTextBlock(layout, box, 1.0f, 0, alpha, 0, boost::shared_ptr<TTexture>());
    }
    r->EndDraw();
    return Frame();
  }
};
