// Texture assets: cache keys, loading by name with extension fallbacks, options after "?",
// masks (given and merged automatically), the size limit, borders drawn into a texture, locks
// and copies.
#include "RenderFixture.h"

#include "assets/TAssetManager.h"
#include "core/TSettings.h"
#include "render/TDxTextureData.h"

#include <sstream>

#include "platform/display/PixelFormat.h"
#include "platform/os/Clock.h"
#include "platform/host/headless/HostWindow.h"
#include "render/TDXContext.h"

namespace {
uint32_t Checker(int x, int y) { return ((x / 4 + y / 4) & 1) ? kRed : kBlue; }
}  // namespace

TEST(TextureKeys, MakeAssetNameAndMaskKeys) {
  const struct {
    const char* name;
    bool a, m, s;
    const char* key;
  } cases[] = {
      {"images\\ui\\button.png", false, false, false, "images/ui/button.png:tex"},
      {"a.png", true, false, false, "a.png:a:tex"},
      {"a.png", false, true, false, "a.png:m:tex"},
      {"a.png", true, true, true, "a.png:a:m:s:tex"},
      {"cursor?alpha mipmap", false, false, true, "cursor?alpha mipmap:s:tex"},
  };
  for (auto& c : cases)
    EXPECT_EQ(TTexture::MakeAssetName(c.name, c.a, c.m, c.s), str(c.key)) << c.name;
}

TEST(TextureDrawParams, PositionScaleAndDefaults) {
  TDrawParams p(TVec2(10, 20), 0.5f, 2.0f, 8);
  EXPECT_EQ(p.transform(0, 0), 2.0f);
  EXPECT_EQ(p.transform(1, 1), 2.0f);
  EXPECT_EQ(p.transform(2, 0), 10.0f);
  EXPECT_EQ(p.transform(2, 1), 20.0f);
  EXPECT_EQ(p.alpha, 0.5f);
  EXPECT_EQ(p.flags, 8u);
  EXPECT_EQ(p.blendMode, -1);
  EXPECT_EQ(p.tint, TColor(1, 1, 1, 1));
}

TEST_F(RenderTest, NamesFallBackToPngThenJpgAndExplicitExtensionsDoNot) {
  WritePng("both.png", 8, 8, [](int, int) { return kRed; });
  WriteJpeg("both.jpg", 8, 8, [](int, int) { return kBlue; });
  WriteJpeg("onlyjpg.jpg", 8, 4, [](int, int) { return kWhite; });
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TTexture> both = TTexture::Get("both");
    ASSERT_TRUE(both);
    EXPECT_EQ(both->GetFileName(), str("both.png"));
    boost::shared_ptr<TTexture> jpg = TTexture::Get("onlyjpg");
    ASSERT_TRUE(jpg);
    EXPECT_EQ(jpg->GetWidth(), 8);
    EXPECT_EQ(jpg->GetHeight(), 4);
    EXPECT_FALSE(TTexture::Get("onlyjpg.png"));
    EXPECT_FALSE(TTexture::Get("missing"));
    // The same key answers the cached texture, whatever the flags now say.
    EXPECT_EQ(TTexture::Get("both", TTexture::kGetNoAlpha), both);
    EXPECT_NE(TTexture::Get("both", TTexture::kGetAlpha), both);
  });
}

TEST_F(RenderTest, OptionsAfterTheQuestionMarkSetFlagsAndStayInTheKey) {
  WritePng("opt.png", 8, 8, [](int, int) { return kGreen; });
  WritePng("wide.png", 2048, 4, [](int, int) { return kGreen; });
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TTexture> t = TTexture::Get("opt.png?alpha,mipmap");
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->HasAlpha());
    EXPECT_TRUE(t->GetData()->Has(TTextureData::kMipmap));
    EXPECT_FALSE(t->GetData()->Has(TTextureData::kAutoAlpha));
    EXPECT_EQ(AssetCast<TTexture>(TAssetManager::Instance()->FindAsset("opt.png?alpha,mipmap:tex")),
              t);
    boost::shared_ptr<TTexture> simple = TTexture::Get("opt.png?simple");
    ASSERT_TRUE(simple);
    EXPECT_TRUE(simple->IsSimple());

    EXPECT_FALSE(TTexture::Get("wide.png"));
    boost::shared_ptr<TTexture> slow = TTexture::Get("wide.png?slow");
    ASSERT_TRUE(slow);
    EXPECT_TRUE(slow->IsSimple());
    EXPECT_EQ(slow->GetWidth(), 2048);
  });
}

TEST_F(RenderTest, MasksGiveTheAlphaChannel) {
  WriteJpeg("photo.jpg", 8, 8, [](int, int) { return kWhite; });
  // The mask's red channel becomes the alpha.
  WritePng("photo.mask.png", 8, 8, [](int x, int) { return 0xFF000000u | uint32_t(x * 32) << 16; });
  WritePng("other.png", 8, 8, [](int, int) { return 0xFF800000u; });
  auto alphaAt = [](const boost::shared_ptr<TTexture>& t, int x) {
    uint32_t* px = nullptr;
    int32_t pitch = 0;
    if (!t->Lock(px, pitch)) return -1;
    int a = int(px[x] >> 24);
    t->Unlock();
    return a;
  };
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TTexture> plain = TTexture::Get("photo.jpg");
    ASSERT_TRUE(plain);
    EXPECT_EQ(alphaAt(plain, 3), 255);  // no merging unless the setting asks for it

    boost::shared_ptr<TTexture> masked = TTexture::GetWithMask("photo.jpg", "other", false);
    ASSERT_TRUE(masked);
    EXPECT_EQ(alphaAt(masked, 5), 0x80);
    EXPECT_TRUE(AssetCast<TTexture>(TAssetManager::Instance()->FindAsset("photo.jpg:other:tex")));
    EXPECT_FALSE(TTexture::GetWithMask("photo.jpg", "nomask.png", false));

    SetConfig("automergemask", "1");
    plain.reset();
    boost::shared_ptr<TTexture> merged = TTexture::Get("photo.jpg");
    ASSERT_TRUE(merged);
    EXPECT_TRUE(merged->HasAlpha());
    EXPECT_EQ(alphaAt(merged, 3), 96);
    EXPECT_EQ(alphaAt(merged, 0), 0);
    // A caller that asked for no alpha keeps an opaque texture: the merged mask follows the
    // automatic-alpha flag, which such a caller has not set.
    merged.reset();
    boost::shared_ptr<TTexture> opaque = TTexture::Get("photo.jpg", TTexture::kGetNoAlpha);
    ASSERT_TRUE(opaque);
    EXPECT_FALSE(opaque->HasAlpha());
    EXPECT_EQ(alphaAt(opaque, 0), 255);
  });
}

TEST_F(RenderTest, BorderFillsEachFramePixelOnceAndLeavesTheInside) {
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TTexture> t = TTexture::Create(100, 50, true);
    ASSERT_TRUE(t);
    DrawTextureBorder(t, 0xFFFF0000u, 2);
    uint32_t* px = nullptr;
    int32_t pitch = 0;
    ASSERT_TRUE(t->Lock(px, pitch));
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 100; ++x) {
        bool frame = x < 2 || y < 2 || x >= 98 || y >= 48;
        ASSERT_EQ(px[y * pitch + x], frame ? kRed : 0u) << x << "," << y;
      }
    t->Unlock();
  });
}

TEST_F(RenderTest, CopyRectOutsideAFrameClampsTheSource) {
  WritePng("check.png", 16, 16, Checker);
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TTexture> src = TTexture::Get("check.png", TTexture::kGetAlpha);
    boost::shared_ptr<TTexture> dst = TTexture::Create(16, 16, true);
    ASSERT_TRUE(src && dst);
    TRect r(-4, -4, 8, 8);  // clamped to (0, 0, 8, 8)
    src->CopyRect(2, 3, &r, dst);
    uint32_t* px = nullptr;
    int32_t pitch = 0;
    ASSERT_TRUE(dst->Lock(px, pitch));
    EXPECT_EQ(px[3 * pitch + 2], Checker(0, 0));
    EXPECT_EQ(px[10 * pitch + 9], Checker(7, 7));
    EXPECT_EQ(px[11 * pitch + 10], 0u);
    EXPECT_EQ(px[0], 0u);
    dst->Unlock();

    // Inside a frame nothing is copied.
    TRenderer* ren = TRenderer::Instance();
    ASSERT_TRUE(ren->BeginDraw());
    src->CopyRect(0, 0, nullptr, dst);
    ren->EndDraw();
    ASSERT_TRUE(dst->Lock(px, pitch));
    EXPECT_EQ(px[0], 0u);
    dst->Unlock();
  });
}

TEST_F(RenderTest, CopyOntoAHostedScreenIsScaledAndCutToTheScreen) {
  platform::host::headless::Host host;
  std::string hex = (std::ostringstream() << std::hex << host.Handle()).str();
  Run("-wnd=" + hex, [&](TPlatform* p) {
    p->InitScreen(160, 120, false);
    p->GetData()->SetViewportScale(2.0f, 2.0f);  // the screen shows 80 x 60 scaled pixels
    boost::shared_ptr<TTexture> red = TTexture::Create(8, 8, false);
    ASSERT_TRUE(red);
    TRenderer::Instance()->FillRect(TRect(0, 0, 8, 8), TColor(1, 0, 0, 1), red);
    std::shared_ptr<platform::display::Surface> back =
        TDxDisplayHandler::Instance()->GetContext()->GetBackBuffer();
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Width(), 160);
    back->Fill(nullptr, 0xFF000000u);
    red->CopyRect(10, 10, nullptr, boost::shared_ptr<TTexture>());
    red->CopyRect(76, 56, nullptr, boost::shared_ptr<TTexture>());  // past the corner
    platform::display::LockedRect locked;
    ASSERT_EQ(back->Lock(nullptr, locked), platform::display::kOk);
    auto at = [&](int x, int y) {
      return platform::display::ToArgb(
          back->Format(), locked.bits + size_t(y) * size_t(locked.pitch) + size_t(x) * 4);
    };
    EXPECT_EQ(at(19, 19), 0xFF000000u);
    EXPECT_EQ(at(20, 20), 0xFFFF0000u);
    EXPECT_EQ(at(35, 35), 0xFFFF0000u);
    EXPECT_EQ(at(36, 36), 0xFF000000u);
    EXPECT_EQ(at(151, 111), 0xFF000000u);
    EXPECT_EQ(at(152, 112), 0xFFFF0000u);
    EXPECT_EQ(at(159, 119), 0xFFFF0000u);
    back->Unlock();
  });
}

TEST_F(RenderTest, BlankTextureRestoresClearedAndAFailedRestoreMarksTheDisplayBroken) {
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TTexture> t = TTexture::Create(16, 8, true);
    ASSERT_TRUE(t);
    TRenderer::Instance()->FillRect(TRect(0, 0, 16, 8), TColor(1, 1, 1, 1), t);
    t->Release();
    uint32_t* px = nullptr;
    int32_t pitch = 0;
    EXPECT_FALSE(t->Lock(px, pitch));  // no surface until the restore
    t->Restore();
    ASSERT_TRUE(t->Lock(px, pitch));
    EXPECT_EQ(px[0], 0u);  // remade blank, not with its old pixels
    t->Unlock();

    t->Release();
    platform::os::AdvanceVirtualTime(1000);  // past the limit on repeated markings
    Backend()->FailCreation(1, platform::display::kFail);
    t->Restore();
    EXPECT_TRUE(Logged("TDxTextureData::Restore: Failed to restore 16x8 texture"));
    EXPECT_EQ(GetConfig("dxbroken"), str("1"));
  });
}

TEST_F(RenderTest, BlankTextureLeavesTheRegistryAndTheMemoryCountWhenItDies) {
  RunScreen([&](TPlatform*) {
    TAssetManager* am = TAssetManager::Instance();
    size_t before = am->GetAssetCount();
    int memory = GetConfig("texture_ram_allocated").ToInt();
    {
      boost::shared_ptr<TTexture> t = TTexture::Create(64, 64, true);
      ASSERT_TRUE(t);
      EXPECT_EQ(am->GetAssetCount(), before + 1);
      EXPECT_EQ(GetConfig("texture_ram_allocated").ToInt(), memory + 64 * 64 * 4);
    }
    EXPECT_EQ(am->GetAssetCount(), before);
    EXPECT_EQ(GetConfig("texture_ram_allocated").ToInt(), memory);
    EXPECT_GE(GetConfig("max_texture_ram_allocated").ToInt(), memory + 64 * 64 * 4);
  });
}

TEST_F(RenderTest, SquareTexturesGetBordersAroundTheImage) {
  Run("", [&](TPlatform* p) {
    Backend()->Caps().squareTexturesOnly = true;
    p->InitScreen(320, 240, false);
    boost::shared_ptr<TTexture> t = TTexture::Create(300, 200, false);
    ASSERT_TRUE(t);
    const TTextureData* d = t->GetData();
    EXPECT_EQ(d->mSurfaceWidth, 512u);
    EXPECT_EQ(d->mSurfaceHeight, 512u);
    EXPECT_EQ(d->mBorderX, 106u);
    EXPECT_EQ(d->mBorderY, 156u);
    int w, h;
    t->GetFullSize(w, h);
    EXPECT_EQ(w, 512);
    EXPECT_EQ(h, 512);
  });
}

// A texture the device cannot make is refused: a smaller surface reporting the asked size
// would let a fill by that size run past its pixels.
TEST_F(RenderTest, TexturesLargerThanTheDeviceAllowsAreRefused) {
  Run("", [&](TPlatform* p) {
    Backend()->Caps().maxTextureWidth = 1024;
    Backend()->Caps().maxTextureHeight = 1024;
    p->InitScreen(320, 240, false);
    EXPECT_FALSE(TTexture::Create(1500, 64, true));
    EXPECT_FALSE(TTexture::Create(64, 1025, false));
    boost::shared_ptr<TTexture> fits = TTexture::Create(1024, 1000, true);
    ASSERT_TRUE(fits);
    uint32_t* px = nullptr;
    int32_t pitch = 0;
    ASSERT_TRUE(fits->Lock(px, pitch));
    ASSERT_GE(pitch, fits->GetWidth());
    for (int y = 0; y < fits->GetHeight(); ++y)
      for (int x = 0; x < fits->GetWidth(); ++x) px[y * pitch + x] = kRed;
    fits->Unlock();
    EXPECT_EQ(fits->GetData()->mBorderX, 0u);
    EXPECT_EQ(fits->GetData()->mBorderY, 12u);  // (1024 - 1000) / 2
  });
  EXPECT_TRUE(Logged("TDxTextureData::Create: 1500x64 texture is larger than the device allows"));
  EXPECT_TRUE(Logged("TDxTextureData::Create: 64x1025 texture is larger than the device allows"));
}

// "texture_rectangle" gives images surfaces of their own size where the device samples any
// size; elsewhere the padding repeats the image's last column and row.
TEST_F(RenderTest, TextureRectangleGivesExactSurfacesAndPaddingRepeatsTheEdges) {
  WritePng("odd.png", 3, 5, [](int x, int y) { return x == 2 ? kGreen : y == 4 ? kBlue : kRed; });
  const struct {
    const char* option;
    bool powerOfTwoOnly;
    uint32_t surfaceWidth, surfaceHeight;
  } cases[] = {{"1", false, 3, 5}, {"0", false, 4, 8}, {"1", true, 4, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + (c.powerOfTwoOnly ? " power-of-two device" : ""));
    Run("", [&](TPlatform* p) {
      Backend()->Caps().powerOfTwoTexturesOnly = c.powerOfTwoOnly;
      p->InitScreen(160, 120, false);
      TRenderer::Instance()->SetOption("texture_rectangle", c.option);
      boost::shared_ptr<TTexture> t = TTexture::Get("odd.png");
      ASSERT_TRUE(t);
      EXPECT_EQ(t->GetWidth(), 3);
      EXPECT_EQ(t->GetHeight(), 5);
      EXPECT_EQ(t->GetData()->mSurfaceWidth, c.surfaceWidth);
      EXPECT_EQ(t->GetData()->mSurfaceHeight, c.surfaceHeight);
      uint32_t* px = nullptr;
      int32_t pitch = 0;
      ASSERT_TRUE(t->Lock(px, pitch));
      for (uint32_t y = 0; y < c.surfaceHeight; ++y) {
        for (uint32_t x = 0; x < c.surfaceWidth; ++x) {
          uint32_t want = x >= 2 ? kGreen : y >= 4 ? kBlue : kRed;
          ASSERT_EQ(px[y * uint32_t(pitch) + x], want) << x << "," << y;
        }
      }
      t->Unlock();
    });
  }
}

// Scaled up with linear filtering, a sprite keeps its colour up to its right and bottom edges.
TEST_F(RenderTest, ScaledSpritesOfOddSizedImagesKeepTheirEdgeColour) {
  WritePng("dot.png", 3, 3, [](int, int) { return kRed; });
  for (const char* option : {"1", "0"}) {
    SCOPED_TRACE(option);
    RunScreen([&](TPlatform*) {
      TRenderer* r = TRenderer::Instance();
      r->SetOption("texture_rectangle", option);
      boost::shared_ptr<TTexture> t = TTexture::Get("dot.png");
      ASSERT_TRUE(t);
      ASSERT_TRUE(r->BeginDraw());
      r->FillRect(TRect(0, 0, 160, 120), TColor(0, 0, 0, 1));
      ASSERT_TRUE(r->Begin2d());
      t->Draw(TDrawParams(TVec2(10, 10), 1.0f, 8.0f, TDrawParams::kUseOrigin));  // 24 x 24
      r->End2d();
      r->EndDraw();
      platform::display::Image f = Frame();
      for (auto [x, y] : {std::pair{10, 10}, {33, 20}, {20, 33}, {33, 33}})
        EXPECT_EQ(f.At(x, y), kRed) << x << "," << y;
      EXPECT_EQ(f.At(34, 20), kBlack);
    });
  }
}

TEST_F(RenderTest, SixteenBitTexturesLockThroughAnOpaqueShadowCopy) {
  Run("", [&](TPlatform* p) {
    Backend()->Caps().videoMemoryTotal = 8u << 20;
    p->InitScreen(640, 480, true);
    boost::shared_ptr<TTexture> t = TTexture::Create(8, 8, false);
    ASSERT_TRUE(t);
    uint32_t* px = nullptr;
    int32_t pitch = 0;
    ASSERT_TRUE(t->Lock(px, pitch));
    EXPECT_EQ(px[0] >> 24, 0xFFu);
    px[3] = 0xFFFF0000u;
    px[4] = 0xFF00FF00u;
    t->Unlock();  // written back into the 5-6-5 surface
    // Read back by mask shifts: each channel's top bit on bit 7, the low bits zero.
    ASSERT_TRUE(t->Lock(px, pitch));
    EXPECT_EQ(px[3], 0xFFF80000u);
    EXPECT_EQ(px[4], 0xFF00FC00u);
    EXPECT_EQ(px[5], 0xFF000000u);
    px[6] = 0xFF7F3F1Fu;
    t->Unlock();
    ASSERT_TRUE(t->Lock(px, pitch));
    EXPECT_EQ(px[3], 0xFFF80000u);  // a second round trip changes nothing
    EXPECT_EQ(px[6], 0xFF783C18u);
    t->Unlock();
  });
}

TEST_F(RenderTest, SixteenBitAlphaSurfacesReadAlphaOnlyWhenTheDataHasIt) {
  Run("", [&](TPlatform* p) {
    Backend()->Caps().videoMemoryTotal = 8u << 20;
    p->InitScreen(640, 480, true);
    const struct {
      bool alpha;
      uint32_t expected;
    } cases[] = {{true, 0x80F08040u}, {false, 0xFFF08040u}};
    for (const auto& c : cases) {
      TDxTextureData data;
      data.Set(TTextureData::kRenderSurface | TTextureData::kAlpha, true);
      ASSERT_TRUE(data.Create(4, 4, true));
      ASSERT_EQ(data.GetSurface()->Format(), platform::display::PixelFormat::A4R4G4B4);
      uint32_t* px = nullptr;
      int32_t pitch = 0;
      ASSERT_TRUE(data.Lock(px, pitch));
      EXPECT_EQ(pitch, 4);
      px[1] = 0x8FFF8F4Fu;
      data.Unlock();
      data.Set(TTextureData::kAlpha, c.alpha);
      ASSERT_TRUE(data.Lock(px, pitch));
      EXPECT_EQ(px[1], c.expected) << c.alpha;
      EXPECT_EQ(px[0], c.alpha ? 0u : 0xFF000000u) << c.alpha;
      data.Unlock();
    }
  });
}

TEST_F(RenderTest, RenderSurfacesGetADepthBufferOfTheirOwn) {
  RunScreen([&](TPlatform*) {
    TDxTextureData data;
    data.Set(TTextureData::kRenderSurface | TTextureData::kAlpha, true);
    ASSERT_TRUE(data.Create(48, 24, true));
    ASSERT_TRUE(data.GetSurface());
    EXPECT_TRUE(data.GetSurface()->HasCaps(platform::display::kCapsRenderTarget));
    auto z = data.GetSurface()->ZBuffer();
    ASSERT_TRUE(z);
    EXPECT_EQ(z->Width(), data.GetSurface()->Width());
    EXPECT_EQ(z->Height(), data.GetSurface()->Height());

    TDxTextureData plain;
    ASSERT_TRUE(plain.Create(16, 16, true));
    EXPECT_FALSE(plain.GetSurface()->ZBuffer());
  });
}

TEST_F(RenderTest, RenderSurfaceWithoutAnAlphaFormatBecomesATexture) {
  RunScreen([&](TPlatform*) {
    namespace pd = platform::display;
    Backend()->Caps().textureFormats &=
        ~(1u << unsigned(pd::PixelFormat::A8R8G8B8) | 1u << unsigned(pd::PixelFormat::A4R4G4B4) |
          1u << unsigned(pd::PixelFormat::A1R5G5B5));
    TDxTextureData data;
    data.Set(TTextureData::kRenderSurface | TTextureData::kAlpha, true);
    ASSERT_TRUE(data.Create(32, 16, true));
    ASSERT_TRUE(data.GetSurface());
    EXPECT_FALSE(data.Has(TTextureData::kRenderSurface));
    EXPECT_FALSE(data.GetSurface()->HasCaps(pd::kCapsRenderTarget));
    EXPECT_FALSE(data.GetSurface()->ZBuffer());
    EXPECT_EQ(data.mWidth, 32u);
    EXPECT_EQ(data.mHeight, 16u);
    // The data still asks for alpha, but its surface has none to read: pixels read opaque.
    ASSERT_FALSE(pd::HasAlpha(data.GetSurface()->Format()));
    uint32_t* px = nullptr;
    int32_t pitch = 0;
    ASSERT_TRUE(data.Lock(px, pitch));
    EXPECT_EQ(px[0], 0xFF000000u);
    data.Unlock();
  });
}
