// The start-up calibration: where does the display put the two ends of a horizontal line?
// Short test spans are drawn with every combination of end-point biases into a render target
// and read back; the biases that light exactly the intended pixels are kept.
#include <algorithm>

#include "core/TRect.h"
#include "render/TRenderer.h"
#include "render/TTexture.h"
#include "window/text/THwMiniVecDraw.h"

namespace {

constexpr int kWidth = 800, kHeight = 512, kCombinations = 128;
// Each combination is tried at three spots, nudged by a little less and a little more than
// nothing, so that a bias that only works on the knife edge of a pixel is not chosen.
constexpr int kSpots = 3;
constexpr float kNudge = 0.03f;

// Spots lie in cells of 6 x 4 pixels, inside the part of the target that the display's own
// size leaves drawable.
int gColumns = 1;

void SpotOf(int i, int k, int& x, int& y) {
  int cell = i * kSpots + k;
  x = 2 + (cell % gColumns) * 6;
  y = 2 + (cell / gColumns) * 4;
}

int Brightness(uint32_t p) { return int((p >> 16) & 0xFF) + int((p >> 8) & 0xFF) + int(p & 0xFF); }

void BiasesOf(int i, float& xStart, float& xEnd, float& y) {
  xStart = float((i / 8) % 4) * 0.25f - 1.0f;
  xEnd = float(i % 8) * 0.25f - 1.0f;
  y = float(i / 32) * 0.25f;
}

}  // namespace

void THwMiniVecDraw::Calibrate() {
  TRenderer* r = TRenderer::Existing();
  if (!r) return;
  for (;;) {
    int best = -1, bestBrightness = -1, allDark = 0;
    TRect screen;
    r->GetViewport(screen);
    int width = std::min(kWidth, screen.Width()), height = std::min(kHeight, screen.Height());
    gColumns = std::max(1, (width - 4) / 6);
    bool fits = gColumns * ((height - 4) / 4) >= kCombinations * kSpots;
    boost::shared_ptr<TTexture> target =
        fits ? TTexture::Create(kWidth, kHeight, true) : boost::shared_ptr<TTexture>();
    if (target && r->BeginRenderTarget(target, 0)) {
      bool in2d = r->Begin2d();
      r->FillRect(TRect(0, 0, kWidth, kHeight), TColor(0, 0, 0, 1), target);
      SetStyleColor(1, TColor(1, 1, 1, 1), 1.0f);
      mDirect = 1;
      for (int i = 0; i < kCombinations; ++i)
        for (int k = 0; k < kSpots; ++k) {
          float nudge = float(k - 1) * kNudge;
          BiasesOf(i, mXStartBias, mXEndBias, mYBias);
          mXStartBias += nudge;
          mXEndBias += nudge;
          mYBias += nudge;
          SpotOf(i, k, mGlyphX, mGlyphY);
          Output(Span{0, 2, 0, 16, 3});  // meant to cover exactly two pixels
        }
      mDirect = 0;
      if (in2d) r->End2d();
      r->EndRenderTarget();
      uint32_t* px = nullptr;
      int32_t pitch = 0;
      if (target->Lock(px, pitch)) {
        auto at = [&](int x, int y) { return px[size_t(y) * size_t(pitch) + size_t(x)]; };
        for (int i = 0; i < kCombinations; ++i) {
          bool good = true, dark = true;
          int brightness = 0;
          for (int k = 0; k < kSpots; ++k) {
            int x, y;
            SpotOf(i, k, x, y);
            uint32_t lit[2] = {at(x, y), at(x + 1, y)};
            uint32_t around[6] = {at(x - 1, y),     at(x + 2, y), at(x, y - 1),
                                  at(x + 1, y - 1), at(x, y + 1), at(x + 1, y + 1)};
            bool neighboursDark = std::all_of(std::begin(around), std::end(around),
                                              [](uint32_t p) { return Brightness(p) < 96; });
            bool targetsLit = Brightness(lit[0]) > 384 && Brightness(lit[1]) > 384;
            good = good && targetsLit && neighboursDark;
            dark = dark && neighboursDark && Brightness(lit[0]) < 96 && Brightness(lit[1]) < 96;
            brightness += Brightness(lit[0]) + Brightness(lit[1]);
          }
          if (good && brightness > bestBrightness) best = i, bestBrightness = brightness;
          if (dark) ++allDark;
        }
        target->Unlock();
      }
    }
    if (best >= 0) {
      BiasesOf(best, mXStartBias, mXEndBias, mYBias);
      return;
    }
    mXStartBias = -0.75f;
    mXEndBias = -0.75f;
    mYBias = 0.25f;
    if (allDark > 75 && mBatchSize != 64) {
      mBatchSize = 64;
      continue;
    }
    return;
  }
}
