// Map-button highlights: a sparkle and a pointer over each visible button of the sprite
// window, drawn by the "map_animation" window on top; and the particle locus that the sprite
// window hands its particle script as "dLocus".
#include "SpriteWindowFixture.h"

#include <vector>

#include "particles/TParticleCollection.h"

namespace {

std::vector<TVec2> Positions(const TSprite& container) {
  std::vector<TVec2> out;
  for (const auto& child : container.GetChildren()) {
    const TMat3& m = child->GetDrawState().transform;
    out.emplace_back(m(2, 0), m(2, 1));
  }
  return out;
}

const char* const kButtons =
    ", Button({ name = 'go', x = 100, y = 200, w = 80, h = 25 })"
    ", Button({ name = 'map_pause_button', x = 0, y = 0, w = 20, h = 20 })"
    ", Button({ name = 'hidden', x = 40, y = 0, w = 20, h = 20 })"
    ", Window({ name = 'plain', x = 70, y = 0, w = 20, h = 20 })"
    ", Button({ name = 'small', x = 10, y = 50, w = 10, h = 7 })";

TEST_F(SpriteWindowTest, HighlightsSitOnVisibleButtonsOnly) {
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(320, 240, false);
    TWindowManager* wm = p->GetWindowManager();
    KSpriteWindow* w = Open(p, "", kButtons,
                            ", AnimOverSpriteWindow({ name = 'map_animation', x = 0, y = 0,"
                            " w = 320, h = 240 })");
    ASSERT_NE(w, nullptr);
    auto* over =
        WindowCast<AnimOverKSpriteWindow>(wm->GetTopModal()->FindChild("map_animation", -1));
    ASSERT_NE(over, nullptr);
    // It put itself in front of its siblings.
    EXPECT_EQ(wm->GetTopModal()->GetChildren().front(), over);
    EXPECT_EQ(over->GetRootSprite(), nullptr);

    TScript* s = w->GetScript();
    s->DoLuaString("HideButton('hidden') ActivateMapButtonAnims()");
    ASSERT_NE(over->GetRootSprite(), nullptr);
    ASSERT_EQ(over->GetRootSprite()->GetChildren().size(), 1u);
    const std::vector<TVec2> got = Positions(*over->GetRootSprite()->GetChildren().front());
    // Front to back: "small" was created last, so it comes first. Sparkle then pointer each.
    const std::vector<TVec2> want = {{10, 53}, {18, 52}, {100, 212}, {173, 207}};
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_FLOAT_EQ(got[i].x, want[i].x) << i;
      EXPECT_FLOAT_EQ(got[i].y, want[i].y) << i;
    }

    // A second activation adds a second set; deactivation empties the root.
    s->DoLuaString("ActivateMapButtonAnims()");
    EXPECT_EQ(over->GetRootSprite()->GetChildren().size(), 2u);
    s->DoLuaString("DeActivateMapButtonAnims()");
    EXPECT_TRUE(over->GetRootSprite()->GetChildren().empty());
    EXPECT_TRUE(w->AreMapAnimsActive());
    Pump(p, 40);
  });
}

TEST_F(SpriteWindowTest, WithoutAMapAnimationWindowNothingIsBuilt) {
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(320, 240, false);
    TWindowManager* wm = p->GetWindowManager();
    // A window of another class under the name does not count either.
    KSpriteWindow* w =
        Open(p, "", kButtons, ", Window({ name = 'map_animation', x = 0, y = 0, w = 5, h = 5 })");
    ASSERT_NE(w, nullptr);
    const size_t before = wm->GetTopModal()->GetChildren().size();
    w->GetScript()->DoLuaString("ActivateMapButtonAnims() DeActivateMapButtonAnims()");
    EXPECT_TRUE(w->AreMapAnimsActive());
    EXPECT_EQ(wm->GetTopModal()->GetChildren().size(), before);
    Pump(p, 20);
  });
}

TEST_F(SpriteWindowTest, ParticleLocusFollowsTheSpriteAndReachesTheParticleScript) {
  Run("--multiple", [&](TPlatform* p) {
    p->InitScreen(320, 240, false);
    KSpriteWindow* w = Open(p, "");
    ASSERT_NE(w, nullptr);
    TScript* s = w->GetScript();
    s->DoLuaString(
        "_AddSprite('star', 0, '') _SetSpriteLoc('star', 60, 70)"
        " AddParticleSystem('particles/none.lua', 'star')");
    // The follow sprite wins over a point set by hand on the next tick.
    s->DoLuaString("SetParticleLoc(1, 2)");
    EXPECT_FLOAT_EQ(w->GetLocus().GetPoint().x, 1);
    Pump(p, 20);
    EXPECT_FLOAT_EQ(w->GetLocus().GetPoint().x, 60);
    EXPECT_FLOAT_EQ(w->GetLocus().GetPoint().y, 70);

    TLuaParticleSystem& particles = w->GetParticles();
    particles.GetScript()->DoLuaString("SetNumParticles(1) pPosition:Init(dLocus)");
    particles.CreateParticles(1);
    ASSERT_FALSE(particles.GetCollection().mLiveList.empty());
    const float* first = particles.GetCollection().mLiveList.front();
    EXPECT_FLOAT_EQ(first[0], 60);
    EXPECT_FLOAT_EQ(first[1], 70);

    // Without a follow sprite the point stays where the script put it.
    s->DoLuaString("_RemoveSprite('star') SetParticleLoc(5, 6)");
    Pump(p, 20);
    EXPECT_FLOAT_EQ(w->GetLocus().GetPoint().x, 5);
    EXPECT_FLOAT_EQ(w->GetLocus().GetPoint().y, 6);
  });
}

}  // namespace
