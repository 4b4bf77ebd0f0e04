// Animated textures from both description forms (the fixtures come from
// tests/fixtures/anim/make_anims.py): what each form fills in, the probing order, the default
// script, frame selection, the messages of incomplete descriptions and damaged binary files.
#include <fstream>
#include <iterator>

#include "SpriteTestSupport.h"
#include "engine/render/RenderFixture.h"
#include "render/TAnimatedTexture.h"

namespace {

class AnimatedTextureTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    CopyAnimFixtures(mWork + "/assets");
  }

  std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(ENGINE_FIXTURES_DIR) + "/anim/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  void WriteAssetBytes(const std::string& name, const std::string& bytes) {
    std::ofstream(mWork + "/assets/" + name, std::ios::binary) << bytes;
  }
};

using Frame = TAnimatedTexture::Frame;

void ExpectFrame(const Frame* f, TRect rect, int regx, int regy, float alpha, const char* what) {
  ASSERT_NE(f, nullptr) << what;
  EXPECT_EQ(TRect(f->x, f->y, f->x + f->w, f->y + f->h), rect) << what;
  EXPECT_EQ(f->regx, regx) << what;
  EXPECT_EQ(f->regy, regy) << what;
  EXPECT_FLOAT_EQ(f->alpha, alpha) << what;
}

void ExpectXform(const Frame* f, std::vector<float> want, const char* what) {
  ASSERT_NE(f, nullptr);
  for (size_t i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(f->xform[i], want[i]) << what << " [" << i << "]";
}

}  // namespace

TEST_F(AnimatedTextureTest, XmlDescriptionFillsFramesInheritingRegistrationAndTransform) {
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TAnimatedTexture> t = TAnimatedTexture::Get("anim/walk");
    ASSERT_TRUE(t);
    const TAnimatedTexture::Description& d = t->GetDescription();
    EXPECT_EQ(d.descriptionName, str("anim/walk.xml"));
    EXPECT_EQ(d.sequenceName, str("walk"));
    EXPECT_EQ(d.source, str("walk.psd"));
    EXPECT_EQ(d.imageName, str("sheet.png"));
    EXPECT_EQ(t->GetFolder(), str("anim/"));
    EXPECT_EQ(TRect(d.regx, d.regy, d.width, d.height), TRect(1, 2, 32, 8));
    EXPECT_EQ(d.largestWidth, 8);
    EXPECT_EQ(d.largestHeight, 8);
    ASSERT_EQ(t->GetFrameCount(), 4);

    ExpectFrame(t->GetFrame(0), TRect(0, 0, 8, 8), 4, 4, 1.0f, "frame 0");
    ExpectFrame(t->GetFrame(1), TRect(8, 0, 16, 8), 4, 4, 0.5f, "frame 1 keeps 0's point");
    ExpectFrame(t->GetFrame(2), TRect(16, 0, 24, 8), 0, 0, 1.0f, "frame 2");
    ExpectFrame(t->GetFrame(3), TRect(24, 0, 32, 8), 0, 0, 1.0f, "frame 3 keeps 2's point");
    EXPECT_FALSE(t->GetFrame(0)->HasTransform());
    ExpectXform(t->GetFrame(1), {2, 0, 0, 2, 1, 1}, "frame 1");
    ExpectXform(t->GetFrame(2), {2, 0, 0, 2, 1, 1}, "frame 2 keeps 1's transform");
    // Fewer than six numbers set only those.
    ExpectXform(t->GetFrame(3), {0.5f, 0, 0, 1, 0, 0}, "frame 3");
    const std::vector<TAnimatedTexture::Anchor>& anchors = t->GetFrame(0)->anchors;
    ASSERT_EQ(anchors.size(), 2u);
    EXPECT_EQ(anchors[0].name, str("hand"));
    EXPECT_EQ(TPoint(anchors[1].x, anchors[1].y), TPoint(3, 7));
    EXPECT_EQ(t->GetFrame(0)->name, str("f0"));
    EXPECT_EQ(t->GetScript(), str("function DoAnim() delay(20) frames{1,2,3,4} end"));
  });
}

TEST_F(AnimatedTextureTest, BinaryDescriptionsOfBothVersionsLoad) {
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TAnimatedTexture> t = TAnimatedTexture::Get("anim/only");
    ASSERT_TRUE(t);
    const TAnimatedTexture::Description& d = t->GetDescription();
    EXPECT_EQ(d.sequenceName, str("only"));
    EXPECT_EQ(d.source, str("only.psd"));
    EXPECT_EQ(TRect(d.regx, d.regy, d.width, d.height), TRect(1, 2, 32, 8));
    ASSERT_EQ(t->GetFrameCount(), 4);
    ExpectFrame(t->GetFrame(0), TRect(0, 0, 8, 8), 4, 4, 1.0f, "frame 0");
    ExpectFrame(t->GetFrame(1), TRect(8, 0, 16, 8), 2, 6, 0.5f, "frame 1");
    ExpectFrame(t->GetFrame(2), TRect(16, 0, 24, 8), 4, 4, 0.25f, "frame 2");
    ExpectXform(t->GetFrame(1), {2, 0, 0, 2, 1, 1}, "frame 1");
    EXPECT_FALSE(t->GetFrame(2)->HasTransform());
    ASSERT_EQ(t->GetFrame(0)->anchors.size(), 2u);
    EXPECT_EQ(t->GetFrame(0)->anchors[1].name, str("foot"));
    EXPECT_EQ(TPoint(t->GetFrame(0)->anchors[1].x, t->GetFrame(0)->anchors[1].y), TPoint(3, 7));
    EXPECT_EQ(t->GetFrame(3)->name, str(""));
    EXPECT_EQ(t->GetScript(), str("function DoAnim() delay(25) frames{4,3,2,1} end"));

    // Version 1: four unused floats after the sizes, no frame alphas; no script.
    boost::shared_ptr<TAnimatedTexture> old = TAnimatedTexture::Get("anim/old.anm");
    ASSERT_TRUE(old);
    ASSERT_EQ(old->GetFrameCount(), 2);
    ExpectFrame(old->GetFrame(1), TRect(8, 0, 16, 8), 1, 1, 1.0f, "old frame 1");
    EXPECT_EQ(old->GetScript(), str("function DoAnim()\n    delay(60);\n    frames{1,2};\nend\n"));
  });
}

TEST_F(AnimatedTextureTest, NamesProbeXmlBeforeAnmAndKeysIncludeTheSheetOverrides) {
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TAnimatedTexture> pair = TAnimatedTexture::Get("anim/pair");
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->GetDescription().sequenceName, str("pair-xml"));
    boost::shared_ptr<TAnimatedTexture> anm = TAnimatedTexture::Get("anim/pair.anm");
    ASSERT_TRUE(anm);
    EXPECT_EQ(anm->GetDescription().sequenceName, str("pair-anm"));

    EXPECT_EQ(TAnimatedTexture::Get("anim/pair"), pair);
    boost::shared_ptr<TAnimatedTexture> yellow = TAnimatedTexture::Get("anim/pair", "yellow.png");
    ASSERT_TRUE(yellow);
    EXPECT_NE(yellow, pair);
    EXPECT_EQ(yellow->GetDescription().imageName, str("yellow.png"));
    EXPECT_EQ(yellow->GetFileName(), str("anim/yellow.png"));
    EXPECT_EQ(TAnimatedTexture::MakeAssetName("a", "b", "c"), str("a:b:c"));
    EXPECT_TRUE(TAnimatedTexture::Cast(pair));
    EXPECT_FALSE(TAnimatedTexture::Cast(TTexture::Get("anim/sheet.png")));
    EXPECT_FALSE(TAnimatedTexture::Get("anim/nothing"));
    EXPECT_FALSE(TAnimatedTexture::Get("anim/walk", "nosuchsheet.png"));
  });
}

TEST_F(AnimatedTextureTest, DescriptionWithoutScriptGetsTheDefaultOne) {
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TAnimatedTexture> t = TAnimatedTexture::Get("anim/noscript");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->GetScript(), str("function DoAnim()\n    delay(60);\n    frames{1,2,3};\nend\n"));
    EXPECT_EQ(TAnimatedTexture::MakeDefaultScript(0),
              str("function DoAnim()\n    delay(60);\nend\n"));
  });
}

TEST_F(AnimatedTextureTest, SelectFrameTakesOnlyMinusOneUpToTheLastFrame) {
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TAnimatedTexture> t = TAnimatedTexture::Get("anim/only");
    ASSERT_TRUE(t);
    const struct {
      int select, current, width;
    } steps[] = {
        {2, 2, 8}, {4, 2, 8}, {-2, 2, 8}, {-1, -1, 0}, {3, 3, 8}, {100, 3, 8},
    };
    for (const auto& s : steps) {
      t->SelectFrame(s.select);
      EXPECT_EQ(t->GetCurrentFrame(), s.current) << s.select;
      EXPECT_EQ(t->GetWidth(), s.width) << s.select;
      EXPECT_EQ(t->GetHeight(), s.width) << s.select;
    }
    EXPECT_EQ(t->GetFrameSourceRect(1), TRect(8, 0, 16, 8));
    EXPECT_EQ(t->GetFrameSourceRect(4), TRect(0, 0, 0, 0));
    EXPECT_EQ(t->GetFrameSourceRect(-1), TRect(0, 0, 0, 0));
    EXPECT_EQ(t->GetFrameAnchor(1), TVec2(2, 6));
  });
}

TEST_F(AnimatedTextureTest, IncompleteXmlDescriptionsFailWithTheirMessage) {
  RunScreen([&](TPlatform*) {
    const struct {
      const char* name;
      const char* message;
    } cases[] = {
        {"anim/no_sequence.xml", "Animation anim/no_sequence.xml does not contain a sequence node"},
        {"anim/no_img.xml", "Animation anim/no_img.xml does not contain an img node"},
        {"anim/no_framelist.xml",
         "Animation anim/no_framelist.xml does not contain a framelist node"},
        {"anim/no_frames.xml", "Animation anim/no_frames.xml does not contain any frames!"},
    };
    for (const auto& c : cases) {
      EXPECT_FALSE(TAnimatedTexture::Get(c.name)) << c.name;
      EXPECT_TRUE(Logged(c.message)) << c.message;
    }
  });
}

TEST_F(AnimatedTextureTest, DamagedBinaryDescriptionsFailWithALogLine) {
  RunScreen([&](TPlatform*) {
    const char* damaged[] = {"bad_tag",      "huge_frames", "negative_frames",
                             "huge_anchors", "huge_name",   "short_script"};
    for (const char* name : damaged) {
      EXPECT_FALSE(TAnimatedTexture::Get(str("anim/") + name + ".anm")) << name;
      EXPECT_TRUE(Logged(std::string("Animation anim/") + name + ".anm is damaged")) << name;
    }
  });
}

TEST_F(AnimatedTextureTest, EveryCutOfABinaryDescriptionFailsSafely) {
  // Every prefix of a good file: the reads stay inside it and only a file cut just before
  // its script (possibly inside the script tag) loads, with the default script.
  const std::string good = ReadFixture("only.anm");
  const size_t framesEnd =
      good.size() - 8 - std::string("function DoAnim() delay(25) frames{4,3,2,1} end").size();
  for (size_t n = 0; n < good.size(); ++n)
    WriteAssetBytes("anim/cut" + std::to_string(n) + ".anm", good.substr(0, n));
  RunScreen([&](TPlatform*) {
    for (size_t n = 0; n < good.size(); ++n) {
      const str name = str::Format("anim/cut%zu.anm", n);
      boost::shared_ptr<TAnimatedTexture> t = TAnimatedTexture::Get(name);
      const bool loads = n >= framesEnd && n < framesEnd + 4;
      EXPECT_EQ(bool(t), loads) << n;
      if (t) {
        EXPECT_EQ(t->GetScript(), TAnimatedTexture::MakeDefaultScript(4));
      } else {
        EXPECT_TRUE(Logged(std::string("Animation ") + name.CStr() + " is damaged")) << n;
      }
    }
  });
}

TEST_F(AnimatedTextureTest, FramesOutsideTheSheetAreCutToItWhenReadAndDrawSafely) {
  // Both forms carry the same frames: past the int range, below zero, larger than the sheet.
  RunScreen([&](TPlatform*) {
    for (const char* name : {"anim/outside.xml", "anim/outside.anm"}) {
      boost::shared_ptr<TAnimatedTexture> t = TAnimatedTexture::Get(name);
      ASSERT_TRUE(t) << name;
      ASSERT_EQ(t->GetFrameCount(), 5) << name;
      const TRect cut[] = {TRect(32, 0, 32, 8), TRect(8, 8, 16, 8), TRect(0, 0, 7, 8),
                           TRect(24, 0, 24, 0), TRect(16, 0, 24, 8)};
      for (int32_t i = 0; i < 5; ++i)
        EXPECT_EQ(t->GetFrameSourceRect(i), cut[i]) << name << " frame " << i;
      EXPECT_TRUE(Logged(std::string("Animation ") + name +
                         ": frame 1 (2147483647, 0, 8 x 8) does not lie inside any sheet; cut "
                         "to (2147483647, 0, 0 x 8)"))
          << name;
      EXPECT_TRUE(Logged(std::string("Animation ") + name +
                         ": frame 3 (-1, 0, 8 x 8) does not lie inside any sheet; cut to (0, 0, "
                         "7 x 8)"))
          << name;
      EXPECT_TRUE(Logged(std::string("Animation ") + name +
                         ": frame 2 (8, 2147483600, 8 x 47) does not lie inside the 32 x 8 "
                         "sheet; cut to (8, 8, 8 x 0)"))
          << name;
      EXPECT_FALSE(Logged(std::string("Animation ") + name + ": frame 5")) << name;

      // Every frame drawn, plain, mirrored and scaled: nothing past the sheet is sampled.
      TRenderer* r = TRenderer::Instance();
      ASSERT_TRUE(r->BeginDraw());
      ASSERT_TRUE(r->Begin2d());
      for (int32_t i = 0; i < t->GetFrameCount(); ++i) {
        t->SelectFrame(i);
        for (uint32_t flags : {0u, uint32_t(TDrawParams::kMirrorX | TDrawParams::kMirrorY)})
          t->Draw(TDrawParams(TVec2(20.0f + 20 * i, 20), 1.0f, i % 2 ? 0.5f : 3.0f, flags));
      }
      r->End2d();
      r->EndDraw();
    }
  });
}

TEST_F(AnimatedTextureTest, MirroredFramesWithFarRegistrationPointsDrawSafely) {
  // Registration points at the ends of the int range, as a damaged ".anm" carries them.
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<TAnimatedTexture> t = TAnimatedTexture::Get("anim/far_registration.anm");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->GetFrameCount(), 2);
    EXPECT_EQ(t->GetFrameAnchor(0), TVec2(-2147483648.0f, -2147483646.0f));
    TRenderer* r = TRenderer::Instance();
    ASSERT_TRUE(r->BeginDraw());
    ASSERT_TRUE(r->Begin2d());
    for (int32_t i = 0; i < 2; ++i) {
      t->SelectFrame(i);
      for (uint32_t flags : {uint32_t(TDrawParams::kMirrorX), uint32_t(TDrawParams::kMirrorY),
                             uint32_t(TDrawParams::kMirrorX | TDrawParams::kMirrorY)})
        t->Draw(TDrawParams(TVec2(40, 30), 1.0f, 1.0f, flags));
    }
    r->End2d();
    r->EndDraw();
  });
}
