// A particle effect drawn through the real renderer on the headless display.
#include <gtest/gtest.h>

#include "particles/TLuaParticleSystem.h"
#include "engine/render/RenderFixture.h"
#include "script/binding/TScript.h"
#include "support/Golden.h"

TEST_F(RenderTest, ParticleEffectGolden) {
  WritePng("spark.png", 8, 8, [](int x, int y) {
    const int dx = 2 * x - 7, dy = 2 * y - 7;
    const int d = dx * dx + dy * dy;
    return d > 49 ? 0x00FFFFFFu : d > 25 ? 0x80FFFFFFu : 0xFFFFFFFFu;
  });
  RunScreen(
      [&](TPlatform*) {
        TLuaParticleSystem system;
        system.GetScript()->DoLuaString(
            "SetNumParticles(8)\n"
            "SetTexture('spark.png')\n"
            "pPosition:Init(fVec(fOpenCycle(12, 148, 8), 30))\n"
            "pUp:Init(f2dRotation(fOpenCycle(0, 3.1415926, 8)))\n"
            "pScale:Init(fOpenCycle(1, 3, 8))\n"
            "pColor:Init(fVec(fOpenCycle(0, 1, 8), 0.6, 1, fOpenCycle(1, 0.3, 8)))\n"
            "pPosition:Anim(pPosition + fTimeScale(Vec2(0, 100)))\n");
        system.CreateParticles(8);
        system.Update(200);
        TRenderer* r = TRenderer::Instance();
        ASSERT_TRUE(r->BeginDraw());
        r->FillRect(TRect(0, 0, 160, 90), TColor(0.1f, 0.1f, 0.2f, 1));
        ASSERT_TRUE(r->Begin2d());
        system.Draw(TVec3{0, -15, 0});
        system.SetAlpha(0.5f);
        system.GetScript()->DoLuaString("SetBlendMode(kBlendAdditiveAlpha)");
        system.Draw(TVec3{0, 20, 0});
        r->End2d();
        r->EndDraw();
        EXPECT_TRUE(golden::MatchesGolden(Frame(), "particles/effect.png", 2));
      },
      160, 90);
}
