// Surfaces, the display's modes and levels, lost surfaces and the headless knobs.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/display/Device.h"
#include "platform/display/Image.h"
#include "platform/display/PixelFormat.h"
#include "platform/display/TextureLoader.h"
#include "platform/display/headless/Display.h"

namespace {

namespace pd = platform::display;

std::shared_ptr<pd::Surface> Make(pd::Display& d, int w, int h, pd::PixelFormat f,
                                  uint32_t caps = pd::kCapsOffscreenPlain) {
  pd::SurfaceDesc desc;
  desc.width = w;
  desc.height = h;
  desc.format = f;
  desc.caps = caps;
  std::shared_ptr<pd::Surface> s;
  EXPECT_EQ(d.CreateSurface(desc, s), pd::kOk);
  return s;
}

TEST(DisplaySurface, FillsConvertToEveryFormatAndReadBack) {
  pd::headless::Display display;
  struct Case {
    pd::PixelFormat format;
    uint32_t raw;   // what 0x80FF8040 becomes in the format
    uint32_t back;  // and read back as ARGB
  } cases[] = {
      {pd::PixelFormat::A8R8G8B8, 0x80FF8040u, 0x80FF8040u},
      {pd::PixelFormat::X8R8G8B8, 0x00FF8040u, 0xFFFF8040u},
      {pd::PixelFormat::R8G8B8, 0xFF8040u, 0xFFFF8040u},
      {pd::PixelFormat::R5G6B5, 0xFC08u, 0xFFFF8242u},
      {pd::PixelFormat::X1R5G5B5, 0x7E08u, 0xFFFF8442u},
      {pd::PixelFormat::A1R5G5B5, 0xFE08u, 0xFFFF8442u},
      {pd::PixelFormat::A4R4G4B4, 0x8F84u, 0x88FF8844u},
  };
  for (const Case& c : cases) {
    auto s = Make(display, 5, 3, c.format);
    int bpp = pd::BytesPerPixel(c.format);
    EXPECT_GE(s->Pitch(), 5 * bpp);
    pd::Rect r{1, 1, 4, 2};
    ASSERT_EQ(s->Fill(&r, 0x80FF8040u), pd::kOk);
    pd::LockedRect lr;
    ASSERT_EQ(s->Lock(nullptr, lr), pd::kOk);
    EXPECT_EQ(lr.pitch, s->Pitch());
    uint32_t raw = 0;
    for (int i = 0; i < bpp; ++i) raw |= uint32_t(lr.bits[lr.pitch + 2 * bpp + i]) << (8 * i);
    EXPECT_EQ(raw, c.raw) << int(c.format);
    EXPECT_EQ(lr.bits[0], 0) << "outside the fill";
    EXPECT_EQ(s->Lock(nullptr, lr), pd::kSurfaceBusy);
    ASSERT_EQ(s->Unlock(), pd::kOk);
    EXPECT_EQ(s->Unlock(), pd::kNotLocked);
    pd::Image img = pd::Image::FromSurface(*s);
    EXPECT_EQ(img.At(3, 1), c.back) << int(c.format);
  }
  pd::Rect outside{0, 0, 6, 3};
  EXPECT_EQ(Make(display, 5, 3, pd::PixelFormat::R5G6B5)->Fill(&outside, 0), pd::kInvalidRect);
}

TEST(DisplaySurface, BlitsStretchConvertAndSurviveOverlap) {
  pd::headless::Display display;
  auto src = Make(display, 2, 2, pd::PixelFormat::A8R8G8B8);
  const uint32_t px[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  for (int i = 0; i < 4; ++i) {
    pd::Rect r{i % 2, i / 2, i % 2 + 1, i / 2 + 1};
    ASSERT_EQ(src->Fill(&r, px[i]), pd::kOk);
  }
  auto dst = Make(display, 6, 4, pd::PixelFormat::R5G6B5);
  pd::Rect big{1, 0, 5, 4};
  ASSERT_EQ(dst->Blit(&big, *src, nullptr), pd::kOk);
  pd::Image img = pd::Image::FromSurface(*dst);
  for (int y = 0; y < 4; ++y)
    for (int x = 1; x < 5; ++x)
      EXPECT_EQ(img.At(x, y), px[(y / 2) * 2 + (x - 1) / 2]) << x << "," << y;
  EXPECT_EQ(img.At(0, 0), 0xFF000000u);
  // Shrinking takes the nearest pixel to each destination centre.
  auto one = Make(display, 1, 1, pd::PixelFormat::X8R8G8B8);
  ASSERT_EQ(one->Blit(nullptr, *src, nullptr), pd::kOk);
  EXPECT_EQ(pd::Image::FromSurface(*one).At(0, 0), 0xFFFFFFFFu);
  // Overlapping copy within one surface reads the source as it was.
  auto row = Make(display, 4, 1, pd::PixelFormat::A8R8G8B8);
  for (int x = 0; x < 4; ++x) {
    pd::Rect r{x, 0, x + 1, 1};
    ASSERT_EQ(row->Fill(&r, 0xFF000000u + uint32_t(x)), pd::kOk);
  }
  pd::Rect from{0, 0, 3, 1};
  ASSERT_EQ(row->BlitFast(1, 0, *row, &from), pd::kOk);
  pd::Image r = pd::Image::FromSurface(*row);
  EXPECT_EQ(r.At(1, 0), 0xFF000000u);
  EXPECT_EQ(r.At(3, 0), 0xFF000002u);
  pd::Rect bad{1, 0, 3, 1};
  EXPECT_EQ(row->BlitFast(3, 0, *row, &bad), pd::kInvalidRect);
}

// The span loops copy and blend in 16- and 32-byte steps: a surface whose pixels start off a
// cache line splits many of them across two lines.
TEST(DisplaySurface, PixelsStartOnACacheLine) {
  pd::headless::Display display;
  for (auto [w, h] : {std::pair{1, 1}, {17, 3}, {512, 512}, {1024, 768}})
    for (pd::PixelFormat f : {pd::PixelFormat::A8R8G8B8, pd::PixelFormat::R5G6B5}) {
      auto s = Make(display, w, h, f, pd::kCapsTexture);
      ASSERT_TRUE(s);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(s->Bits()) % 64, 0u) << w << "x" << h;
    }
}

TEST(DisplaySurface, FlipChainsNeedExclusiveLevelAndShowTheBackBuffer) {
  pd::headless::Display display;
  display.SetDesktop({1024, 768, 32, -1});
  pd::SurfaceDesc chain;
  chain.caps = pd::kCapsPrimary | pd::kCapsFlip;
  chain.backBufferCount = 1;
  std::shared_ptr<pd::Surface> front;
  EXPECT_EQ(display.CreateSurface(chain, front), pd::kNoExclusiveMode);
  EXPECT_EQ(display.SetDisplayMode(800, 600, 32), pd::kNoExclusiveMode);
  ASSERT_EQ(display.SetCooperativeLevel(pd::CooperativeLevel::ExclusiveFullScreen), pd::kOk);
  EXPECT_EQ(display.SetDisplayMode(801, 600, 32), pd::kInvalidArgument);
  ASSERT_EQ(display.SetDisplayMode(800, 600, 16), pd::kOk);
  ASSERT_EQ(display.CreateSurface(chain, front), pd::kOk);
  auto back = front->BackBuffer();
  ASSERT_TRUE(back);
  EXPECT_EQ(front->Width(), 800);
  EXPECT_EQ(back->Format(), pd::PixelFormat::R5G6B5);
  ASSERT_EQ(back->Fill(nullptr, 0xFFFF0000u), pd::kOk);
  uint64_t before = display.PresentCount();
  ASSERT_EQ(front->Flip(), pd::kOk);
  EXPECT_EQ(display.PresentCount(), before + 1);
  EXPECT_EQ(display.Frame().At(10, 10), 0xFFFF0000u);
  EXPECT_EQ(pd::Image::FromSurface(*back).At(10, 10), 0xFF000000u);
  // Pending flips answer "still drawing" as many times as asked.
  display.SetPendingFlips(2);
  EXPECT_EQ(front->GetFlipStatus(), pd::kWasStillDrawing);
  EXPECT_EQ(front->GetFlipStatus(), pd::kWasStillDrawing);
  EXPECT_EQ(front->GetFlipStatus(), pd::kOk);
  display.SetPendingBlits(1);
  EXPECT_EQ(back->GetBltStatus(), pd::kWasStillDrawing);
  EXPECT_EQ(back->GetBltStatus(), pd::kOk);
  // Leaving the exclusive level restores the desktop mode, which loses the chain.
  ASSERT_EQ(display.SetCooperativeLevel(pd::CooperativeLevel::Normal), pd::kOk);
  EXPECT_EQ(display.GetDisplayMode().width, 1024);
  EXPECT_TRUE(front->IsLost());
}

TEST(DisplaySurface, WindowedPresentIsABlitToTheClientArea) {
  pd::headless::Display display;
  display.SetClientSize(64, 48);
  pd::SurfaceDesc primary;
  primary.caps = pd::kCapsPrimary;
  std::shared_ptr<pd::Surface> front;
  ASSERT_EQ(display.CreateSurface(primary, front), pd::kOk);
  EXPECT_EQ(front->Width(), 64);
  EXPECT_EQ(front->Height(), 48);
  auto back = Make(display, 64, 48, pd::PixelFormat::Unknown,
                   pd::kCapsOffscreenPlain | pd::kCapsRenderTarget);
  EXPECT_EQ(back->Format(), pd::PixelFormat::X8R8G8B8);
  pd::Rect r{8, 8, 16, 16};
  ASSERT_EQ(back->Fill(&r, 0xFF00FF00u), pd::kOk);
  ASSERT_EQ(front->Blit(nullptr, *back, nullptr), pd::kOk);
  pd::Image f = display.Frame();
  EXPECT_EQ(f.At(8, 8), 0xFF00FF00u);
  EXPECT_EQ(f.At(16, 16), 0xFF000000u);
  std::string path = std::string(ENGINE_BINARY_DIR) + "/display_frame.png";
  ASSERT_TRUE(display.SaveFrame(path));
  pd::Image loaded;
  ASSERT_TRUE(loaded.LoadPng(path));
  EXPECT_EQ(loaded.pixels, f.pixels);
  EXPECT_FALSE(loaded.LoadPng(std::string(ENGINE_BINARY_DIR) + "/no_such_frame.png"));
}

TEST(DisplaySurface, LostSurfacesRefuseWorkUntilRestored) {
  pd::headless::Display display;
  auto s = Make(display, 4, 4, pd::PixelFormat::A8R8G8B8);
  auto t = Make(display, 4, 4, pd::PixelFormat::A8R8G8B8);
  ASSERT_EQ(s->Fill(nullptr, 0xFFFFFFFFu), pd::kOk);
  display.LoseAllSurfaces();
  pd::LockedRect lr;
  EXPECT_EQ(s->Lock(nullptr, lr), pd::kSurfaceLost);
  EXPECT_EQ(s->Fill(nullptr, 0), pd::kSurfaceLost);
  EXPECT_EQ(t->Blit(nullptr, *s, nullptr), pd::kSurfaceLost);
  // While the cooperative level is gone nothing comes back.
  display.SetCooperativeAnswer(pd::kWrongMode);
  EXPECT_EQ(display.TestCooperativeLevel(), pd::kWrongMode);
  EXPECT_EQ(display.RestoreAllSurfaces(), pd::kWrongMode);
  EXPECT_EQ(s->Restore(), pd::kWrongMode);
  EXPECT_TRUE(s->IsLost());
  display.SetCooperativeAnswer(pd::kOk);
  ASSERT_EQ(display.RestoreAllSurfaces(), pd::kOk);
  EXPECT_FALSE(s->IsLost());
  EXPECT_FALSE(t->IsLost());
  EXPECT_EQ(pd::Image::FromSurface(*s).At(0, 0), 0u) << "restored surfaces start cleared";
  display.SetExclusiveAnswer(pd::kExclusiveModeAlreadySet);
  EXPECT_EQ(display.SetCooperativeLevel(pd::CooperativeLevel::ExclusiveFullScreen),
            pd::kExclusiveModeAlreadySet);
}

TEST(DisplaySurface, MemoryBudgetsAndInjectedFailuresRefuseCreation) {
  pd::headless::Display display;
  display.Caps().videoMemoryTotal = 64 * 64 * 4 * 2;
  display.Caps().textureMemoryTotal = 64 * 64 * 4;
  pd::SurfaceDesc d;
  d.width = d.height = 64;
  d.format = pd::PixelFormat::A8R8G8B8;
  std::shared_ptr<pd::Surface> a, b, c;
  ASSERT_EQ(display.CreateSurface(d, a), pd::kOk);
  EXPECT_EQ(display.FreeVideoMemory(), uint64_t(64 * 64 * 4));
  ASSERT_EQ(display.CreateSurface(d, b), pd::kOk);
  EXPECT_EQ(display.CreateSurface(d, c), pd::kOutOfVideoMemory);
  EXPECT_FALSE(c);
  d.caps = pd::kCapsOffscreenPlain | pd::kCapsSystemMemory;
  EXPECT_EQ(display.CreateSurface(d, c), pd::kOk) << "system memory is not counted";
  b.reset();
  d.caps = pd::kCapsTexture;
  ASSERT_EQ(display.CreateSurface(d, b), pd::kOk);
  EXPECT_EQ(display.FreeTextureMemory(), 0u);
  a.reset();
  EXPECT_EQ(display.CreateSurface(d, a), pd::kOutOfVideoMemory) << "texture budget spent";
  b.reset();
  display.FailCreation(2, pd::kNoDisplayHardware);
  EXPECT_EQ(display.CreateSurface(d, a), pd::kOk);
  a.reset();
  EXPECT_EQ(display.CreateSurface(d, a), pd::kNoDisplayHardware);
  EXPECT_EQ(display.CreateSurface(d, a), pd::kOk);
  d.width = 0;
  EXPECT_EQ(display.CreateSurface(d, b), pd::kInvalidArgument);
}

TEST(DisplaySurface, ModesCapsAndDeviceCreationFollowTheAdapter) {
  pd::headless::Display display;
  display.SetDesktop({800, 600, 16, -1});
  for (const pd::DisplayMode& m : display.EnumerateModes()) {
    EXPECT_LE(m.width, 800);
    EXPECT_LE(m.height, 600);
  }
  EXPECT_EQ(display.ModeFormat(), pd::PixelFormat::R5G6B5);
  EXPECT_EQ(display.GetMonitorFrequency(), 60);
  auto plain = Make(display, 8, 8, pd::PixelFormat::X8R8G8B8);
  std::unique_ptr<pd::Device> device;
  EXPECT_EQ(display.CreateDevice(plain, device), pd::kInvalidArgument) << "not a render target";
  auto target = Make(display, 8, 8, pd::PixelFormat::X8R8G8B8,
                     pd::kCapsOffscreenPlain | pd::kCapsRenderTarget);
  display.SetDeviceNeedsVideoMemoryTarget(true);
  EXPECT_EQ(display.CreateDevice(target, device), pd::kSurfaceNotInVideoMemory);
  auto vram = Make(display, 8, 8, pd::PixelFormat::X8R8G8B8,
                   pd::kCapsOffscreenPlain | pd::kCapsRenderTarget | pd::kCapsVideoMemory);
  display.FailDeviceCreation(pd::kNoPaletteAttached);
  EXPECT_EQ(display.CreateDevice(vram, device), pd::kNoPaletteAttached);
  EXPECT_EQ(display.CreateDevice(vram, device), pd::kOk);
  // A card that renders only at 32 bits refuses 16-bit render targets.
  display.Caps().renderDepths = 0x2;
  ASSERT_EQ(display.CreateDevice(vram, device), pd::kOk);
  auto target16 =
      Make(display, 8, 8, pd::PixelFormat::R5G6B5, pd::kCapsOffscreenPlain | pd::kCapsRenderTarget);
  EXPECT_EQ(device->SetRenderTarget(target16), pd::kCurrentlyNotAvailable);
  EXPECT_EQ(device->GetRenderTarget(), vram);
  display.Caps().renderDepths = 0x1;
  EXPECT_EQ(display.CreateDevice(vram, device), pd::kInvalidArgument) << "no 32-bit targets";
  EXPECT_EQ(display.ZBufferFormats().front(), pd::PixelFormat::D16);
}

TEST(DisplaySurface, TexturesAreSizedAndFormattedForTheAdapter) {
  pd::headless::Display display;
  std::shared_ptr<pd::Surface> t;
  // The software rasterizer samples any size; a card that cannot gets powers of two.
  ASSERT_EQ(pd::CreateTexture(display, 300, 200, pd::PixelFormat::A8R8G8B8, t), pd::kOk);
  EXPECT_EQ(t->Width(), 300);
  EXPECT_EQ(t->Height(), 200);
  display.Caps().powerOfTwoTexturesOnly = true;
  ASSERT_EQ(pd::CreateTexture(display, 300, 200, pd::PixelFormat::A8R8G8B8, t), pd::kOk);
  EXPECT_EQ(t->Width(), 512);
  EXPECT_EQ(t->Height(), 256);
  display.Caps().squareTexturesOnly = true;
  ASSERT_EQ(pd::CreateTexture(display, 300, 200, pd::PixelFormat::A8R8G8B8, t), pd::kOk);
  EXPECT_EQ(t->Width(), 512);
  EXPECT_EQ(t->Height(), 512);
  display.Caps().squareTexturesOnly = false;
  display.Caps().maxTextureWidth = 256;
  ASSERT_EQ(pd::CreateTexture(display, 300, 200, pd::PixelFormat::A8R8G8B8, t), pd::kOk);
  EXPECT_EQ(t->Width(), 256);
  // A card without 32-bit textures gets the 16-bit format that keeps alpha.
  display.Caps().textureFormats =
      (1u << unsigned(pd::PixelFormat::A4R4G4B4)) | (1u << unsigned(pd::PixelFormat::R5G6B5));
  ASSERT_EQ(pd::CreateTexture(display, 2, 2, pd::PixelFormat::A8R8G8B8, t), pd::kOk);
  EXPECT_EQ(t->Format(), pd::PixelFormat::A4R4G4B4);
  ASSERT_EQ(pd::CreateTexture(display, 2, 2, pd::PixelFormat::X8R8G8B8, t), pd::kOk);
  EXPECT_EQ(t->Format(), pd::PixelFormat::R5G6B5);
  const uint32_t px[6] = {0xFFFFFFFFu, 0xFF000000u, 0xFFFF0000u,
                          0xFF00FF00u, 0xFF0000FFu, 0xFF808080u};
  ASSERT_EQ(pd::LoadTexture(*t, px, 3, 3, 2), pd::kOk) << "wider source is cut to the texture";
  pd::Image img = pd::Image::FromSurface(*t);
  EXPECT_EQ(img.At(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(img.At(1, 0), 0xFF000000u);
  EXPECT_EQ(img.At(0, 1), 0xFF00FF00u);
  EXPECT_EQ(pd::CreateTexture(display, 0, 2, pd::PixelFormat::X8R8G8B8, t), pd::kInvalidArgument);
}

}  // namespace
