// The sample game's map screen, opened from the sample menu's Map button on the headless
// display: its script lays out the chart, brings the place badges in together, shows the
// navigation buttons with their highlights, sails the ship with its sparkle trail when asked,
// and, when the player leaves, fades its music and closes, posting the sprite window's end.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "window/text/TextFixture.h"

#include "anim/AnimOverKSpriteWindow.h"
#include "anim/AnimWindowTypes.h"
#include "anim/KSpriteWindow.h"
#include "game/shell/GameRegistration.h"
#include "particles/TParticleCollection.h"
#include "script/binding/TScript.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSoundManager.h"
#include "support/Golden.h"
#include "window/TButton.h"
#include "window/TMessage.h"
#include "window/TWindowManager.h"

namespace {

// The map's music plays in the script's group 1, which sounds keep as 1004.
constexpr int32_t kMusicGroup = 1004;

// Counts the ends of sprite windows without taking the messages away.
class EndCounter : public TMessageListener {
public:
  explicit EndCounter(int& ends) : mEnds(ends) {}
  bool OnMessage(TMessage* m) override {
    if (m->GetId() == kSpriteWindowGone) ++mEnds;
    return false;
  }
  int& mEnds;
};

class MapScreenTest : public TextTest {
protected:
  void SetUp() override {
    TextTest::SetUp();
    std::filesystem::copy(std::string(ENGINE_SOURCE_DIR) + "/sample/assets", mWork + "/assets",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
  }

  static TVec2 At(KSpriteWindow* w, const char* name) {
    const TMat3& m = w->GetSprite(name)->GetDrawState().transform;
    return TVec2(m(2, 0), m(2, 1));
  }

  static TButton* ButtonOf(KSpriteWindow* w, const char* name) {
    return WindowCast<TButton>(w->FindChild(name, -1));
  }
};

TEST_F(MapScreenTest, MapBringsItsPlacesInSailsOnRequestAndPostsItsEndWhenLeft) {
  int ends = 0;
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        RegisterAnimWindowTypes(TWindowScript::Of(wm));
        // The sample menu is built of the game's window types and calls its functions.
        for (size_t i = 0; i < kGameWindowTypeCount; ++i)
          wm->RegisterWindowType(kGameWindowTypes[i].name, kGameWindowTypes[i].creator);
        RegisterGameScriptFunctions(TWindowScript::Of(wm)->GetState());
        wm->AddMessageListener(std::make_unique<EndCounter>(ends));
        ASSERT_TRUE(wm->RunScriptFile(wm->GetRoot(), "scripts/menu.lua")) << Log();
        Tick(p, 48);
        TWindow* menu = wm->GetTopModal();
        auto* mapButton = WindowCast<TButton>(menu->FindChild("map", -1));
        ASSERT_NE(mapButton, nullptr);
        mapButton->Press();
        Tick(p, 16);

        ASSERT_NE(wm->GetTopModal(), menu);
        auto* w = WindowCast<KSpriteWindow>(wm->GetTopModal()->FindChild("mapwindow", -1));
        ASSERT_NE(w, nullptr) << Log();
        auto* over =
            WindowCast<AnimOverKSpriteWindow>(wm->GetTopModal()->FindChild("map_animation", -1));
        ASSERT_NE(over, nullptr);
        TScript* s = w->GetScript();

        // Laid out, the badges still off the chart and clear, the buttons hidden.
        for (const char* name : {"chart", "title", "place1", "place2", "place3", "ship"})
          EXPECT_TRUE(w->IsSpriteExist(name)) << name;
        EXPECT_FLOAT_EQ(At(w, "chart").x, 400);
        EXPECT_FLOAT_EQ(At(w, "ship").y, 470);
        for (const char* name : {"prevButton", "nextButton", "closeButton"}) {
          ASSERT_NE(ButtonOf(w, name), nullptr) << name;
          EXPECT_FALSE(ButtonOf(w, name)->IsVisible()) << name;
        }

        // Half-way through the entrance all three badges are on their way at once.
        Tick(p, 300);
        const TVec2 p1 = At(w, "place1"), p2 = At(w, "place2"), p3 = At(w, "place3");
        EXPECT_GT(p1.x, -60);
        EXPECT_LT(p1.x, 170);
        EXPECT_GT(p2.y, -60);
        EXPECT_LT(p2.y, 200);
        EXPECT_LT(p3.x, 860);
        EXPECT_GT(p3.x, 640);
        const float a1 = w->GetSprite("place1")->GetDrawState().alpha;
        EXPECT_GT(a1, 0);
        EXPECT_LT(a1, 1);
        EXPECT_EQ(over->GetRootSprite(), nullptr);

        // After the entrance and its pause: badges home, buttons shown with their highlights.
        Tick(p, 700);
        EXPECT_FLOAT_EQ(At(w, "place1").x, 170);
        EXPECT_FLOAT_EQ(At(w, "place2").y, 200);
        EXPECT_FLOAT_EQ(At(w, "place3").x, 640);
        EXPECT_FLOAT_EQ(w->GetSprite("place3")->GetDrawState().alpha, 1);
        for (const char* name : {"prevButton", "nextButton", "closeButton"})
          EXPECT_TRUE(ButtonOf(w, name)->IsVisible()) << name;
        ASSERT_NE(over->GetRootSprite(), nullptr);
        ASSERT_EQ(over->GetRootSprite()->GetChildren().size(), 1u);
        std::vector<TVec2> marks;
        for (const auto& mark : over->GetRootSprite()->GetChildren().front()->GetChildren()) {
          const TMat3& m = mark->GetDrawState().transform;
          marks.emplace_back(m(2, 0), m(2, 1));
        }
        // Buttons 200x44 at y 536, front to back: a sparkle at the left edge's middle, a
        // pointer 13 pixels in from the top right corner.
        const std::vector<TVec2> want = {{560, 558}, {747, 549}, {300, 558},
                                         {487, 549}, {40, 558},  {227, 549}};
        ASSERT_EQ(marks.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
          EXPECT_FLOAT_EQ(marks[i].x, want[i].x) << i;
          EXPECT_FLOAT_EQ(marks[i].y, want[i].y) << i;
        }
        Tick(p, 32);
        EXPECT_TRUE(golden::MatchesGolden(Frame(), "spritewindow/map.png", 2));

        // On: the ship sails to the second stop trailing sparks from where it is.
        ButtonOf(w, "nextButton")->Press();
        Tick(p, 400);
        const TVec2 sailing = At(w, "ship");
        EXPECT_GT(sailing.x, 190);
        EXPECT_LT(sailing.x, 330);
        // The locus took the ship's place at the start of this tick, before the ship moved on.
        EXPECT_NEAR(w->GetLocus().GetPoint().x, sailing.x, 6);
        EXPECT_NEAR(w->GetLocus().GetPoint().y, sailing.y, 6);
        EXPECT_GT(w->GetParticles().GetCollection().GetLiveCount(), 0);
        Tick(p, 600);
        EXPECT_FLOAT_EQ(At(w, "ship").x, 330);
        EXPECT_FLOAT_EQ(At(w, "ship").y, 300);
        EXPECT_EQ(s->GetGlobalNumber("gStop"), 2);
        // Once docked the trail stops and its sparks die out.
        Tick(p, 700);
        EXPECT_EQ(w->GetParticles().GetCollection().GetLiveCount(), 0);

        // Back: and at the first stop a further "back" goes nowhere.
        ButtonOf(w, "prevButton")->Press();
        Tick(p, 1000);
        EXPECT_FLOAT_EQ(At(w, "ship").x, 190);
        ButtonOf(w, "prevButton")->Press();
        Tick(p, 200);
        EXPECT_EQ(s->GetGlobalNumber("gStop"), 1);
        EXPECT_EQ(ends, 0);

        // Leaving fades the music out and closes the map back to the menu, which posts the
        // end once.
        TSoundManager* sound = TSoundManager::Instance();
        ASSERT_NE(sound, nullptr);
        EXPECT_FLOAT_EQ(sound->GetVolume(kMusicGroup), 0.75f);
        ButtonOf(w, "closeButton")->Press();
        Tick(p, 200);
        const float fading = sound->GetVolume(kMusicGroup);
        EXPECT_GT(fading, 0.1f);
        EXPECT_LT(fading, 0.65f);
        Tick(p, 800);
        EXPECT_FLOAT_EQ(sound->GetVolume(kMusicGroup), 1.0f);
        EXPECT_EQ(wm->GetTopModal(), menu);
        EXPECT_EQ(menu->FindChild("mapwindow", -1), nullptr);
        EXPECT_EQ(ends, 1);
        EXPECT_FALSE(Logged("rror")) << Log();
      },
      800, 600);
}

}  // namespace
