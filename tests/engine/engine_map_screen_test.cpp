// The sample game's map screen, opened from the sample menu's Map button on the headless
// display: its script lays out the chart, brings the place badges in together, shows the
// navigation buttons with their highlights, sails the ship with its sparkle trail when asked,
// opens the ship's log over the darkened map, and, when the player leaves, fades its music and
// closes, posting the sprite window's end.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "window/text/TextFixture.h"

#include "anim/AnimOverKSpriteWindow.h"
#include "anim/AnimWindowTypes.h"
#include "anim/KSpriteWindow.h"
#include "game/shell/QMSpriteWindow.h"
#include "game/shell/GameRegistration.h"
#include "particles/TParticleCollection.h"
#include "render/QMSearchableSprite.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
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

  // Opens the sample menu and presses its Map button; the map's sprite window, or null.
  KSpriteWindow* OpenMap(TPlatform* p, TWindow*& menu) {
    TWindowManager* wm = p->GetWindowManager();
    RegisterAnimWindowTypes(TWindowScript::Of(wm));
    // The sample menu is built of the game's window types and calls its functions.
    for (size_t i = 0; i < kGameWindowTypeCount; ++i)
      wm->RegisterWindowType(kGameWindowTypes[i].name, kGameWindowTypes[i].creator);
    RegisterGameScriptFunctions(TWindowScript::Of(wm)->GetState());
    if (!wm->RunScriptFile(wm->GetRoot(), "scripts/menu.lua")) return nullptr;
    Tick(p, 48);
    menu = wm->GetTopModal();
    auto* mapButton = WindowCast<TButton>(menu->FindChild("map", -1));
    if (!mapButton) return nullptr;
    mapButton->Press();
    Tick(p, 16);
    if (wm->GetTopModal() == menu) return nullptr;
    return WindowCast<KSpriteWindow>(wm->GetTopModal()->FindChild("mapwindow", -1));
  }

  static TVec2 At(KSpriteWindow* w, const char* name) {
    const TMat3& m = w->GetSprite(name)->GetDrawState().transform;
    return TVec2(m(2, 0), m(2, 1));
  }

  static TButton* ButtonOf(TWindow* w, const char* name) {
    return WindowCast<TButton>(w->FindChild(name, -1));
  }

  static TVec2 PositionOf(const boost::shared_ptr<TSprite>& s) {
    const TMat3& m = s->GetDrawState().transform;
    return TVec2(m(2, 0), m(2, 1));
  }

  // Red, green and blue of a frame's pixel, summed: how bright the screen is there.
  static int Brightness(const platform::display::Image& frame, int x, int y) {
    const uint32_t c = frame.pixels[static_cast<size_t>(y) * frame.width + x];
    return static_cast<int>(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF));
  }
};

TEST_F(MapScreenTest, MapBringsItsPlacesInSailsOnRequestAndPostsItsEndWhenLeft) {
  int ends = 0;
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        wm->AddMessageListener(std::make_unique<EndCounter>(ends));
        TWindow* menu = nullptr;
        KSpriteWindow* w = OpenMap(p, menu);
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
        for (const char* name : {"prevButton", "nextButton", "closeButton", "logButton"}) {
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
        for (const char* name : {"prevButton", "nextButton", "closeButton", "logButton"})
          EXPECT_TRUE(ButtonOf(w, name)->IsVisible()) << name;
        ASSERT_NE(over->GetRootSprite(), nullptr);
        ASSERT_EQ(over->GetRootSprite()->GetChildren().size(), 1u);
        std::vector<TVec2> marks;
        for (const auto& mark : over->GetRootSprite()->GetChildren().front()->GetChildren()) {
          const TMat3& m = mark->GetDrawState().transform;
          marks.emplace_back(m(2, 0), m(2, 1));
        }
        // Buttons 200x44, front to back (the log's at the top left, the others at y 536): a
        // sparkle at the left edge's middle, a pointer 13 pixels in from the top right corner.
        const std::vector<TVec2> want = {{20, 38},   {207, 29},  {560, 558}, {747, 549},
                                         {300, 558}, {487, 549}, {40, 558},  {227, 549}};
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

        // The ship's log: a modal of its own over the map, its page built from the log's
        // table, the map behind it darkened while it is open and as it was once it closes.
        TWindow* mapModal = wm->GetTopModal();
        Tick(p, 32);
        const platform::display::Image before = Frame();
        ButtonOf(w, "logButton")->Press();
        Tick(p, 16);
        ASSERT_NE(wm->GetTopModal(), mapModal) << Log();
        EXPECT_EQ(wm->GetTopModal()->GetName(), str("scripts/maplog.lua"));
        auto* log = WindowCast<QMSpriteWindow>(wm->GetTopModal()->FindChild("maplog", -1));
        ASSERT_NE(log, nullptr) << Log();
        const auto& root = log->GetRootSprite();
        for (const char* name : {"shadedChart", "shadedPlace1", "shadedPlace2", "shadedPlace3"})
          ASSERT_TRUE(root->GetSprite(name)) << name;
        EXPECT_EQ(PositionOf(root->GetSprite("shadedPlace2")), TVec2(420, 200));
        auto page = boost::dynamic_pointer_cast<QMSearchableSprite>(root->GetSprite("logPage"));
        ASSERT_TRUE(page);
        EXPECT_EQ(PositionOf(page), TVec2(220, 150));
        struct Line {
          const char* name;
          TVec2 at;
        };
        for (const Line& line :
             {Line{"logTitle", {20, 14}}, Line{"logLine1", {20, 70}}, Line{"logLine2", {20, 106}},
              Line{"logLine3", {20, 142}}, Line{"compass", {292, 12}}}) {
          ASSERT_TRUE(page->GetSprite(line.name)) << line.name;
          EXPECT_EQ(PositionOf(page->GetSprite(line.name)), line.at) << line.name;
        }
        EXPECT_EQ(page->GetSprite("logLine1")->GetTexture() != nullptr, true);
        // The compass is loaded from its binary description and its script swings the needle.
        auto compass = boost::dynamic_pointer_cast<TAnimatedSprite>(page->GetSprite("compass"));
        ASSERT_TRUE(compass);
        auto compassTexture = boost::dynamic_pointer_cast<TAnimatedTexture>(compass->GetTexture());
        ASSERT_TRUE(compassTexture) << Log();
        EXPECT_EQ(compassTexture->GetFrameCount(), 4);
        std::vector<int> frames;
        for (int i = 0; i < 6; ++i) {
          frames.push_back(compass->GetCurrentFrame());
          Tick(p, 160);
        }
        EXPECT_NE(std::count(frames.begin(), frames.end(), frames.front()),
                  static_cast<long>(frames.size()))
            << "the needle swings";
        // Open sea left of the log and right of the last badge, a badge, the sea at the bottom:
        // all darker behind the log.
        const std::vector<std::pair<int, int>> behind = {
            {60, 120}, {720, 150}, {640, 360}, {120, 560}};
        const platform::display::Image open = Frame();
        for (const auto& [x, y] : behind) {
          EXPECT_LT(Brightness(open, x, y) * 10, Brightness(before, x, y) * 6) << x << "," << y;
          EXPECT_GT(Brightness(open, x, y) * 10, Brightness(before, x, y) * 3) << x << "," << y;
        }
        EXPECT_TRUE(golden::MatchesGolden(open, "spritewindow/map_log.png", 2));
        auto* closeLog = ButtonOf(wm->GetTopModal(), "logClose");
        ASSERT_NE(closeLog, nullptr);
        closeLog->Press();
        Tick(p, 48);
        EXPECT_EQ(wm->GetTopModal(), mapModal);
        const platform::display::Image after = Frame();
        for (const auto& [x, y] : behind)
          EXPECT_EQ(Brightness(after, x, y), Brightness(before, x, y)) << x << "," << y;

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
        // The title and the log's texts are drawn in the fonts their scripts name.
        EXPECT_FALSE(Logged("Font file")) << Log();
      },
      800, 600);
}

// A damaged compass description costs the log its compass, with a line naming the file; the
// log still opens over the darkened map and closes back to it.
TEST_F(MapScreenTest, LogWithADamagedCompassOpensWithoutItAndSaysWhy) {
  {
    std::ofstream damaged(mWork + "/assets/anim/compass.anm", std::ios::binary | std::ios::trunc);
    damaged << "ANIM\x01\x02";
  }
  RunScreen(
      [&](TPlatform* p) {
        TWindowManager* wm = p->GetWindowManager();
        TWindow* menu = nullptr;
        KSpriteWindow* w = OpenMap(p, menu);
        ASSERT_NE(w, nullptr) << Log();
        Tick(p, 1100);
        TWindow* mapModal = wm->GetTopModal();
        ButtonOf(w, "logButton")->Press();
        Tick(p, 400);
        auto* log = WindowCast<QMSpriteWindow>(wm->GetTopModal()->FindChild("maplog", -1));
        ASSERT_NE(log, nullptr) << Log();
        auto page = boost::dynamic_pointer_cast<QMSearchableSprite>(
            log->GetRootSprite()->GetSprite("logPage"));
        ASSERT_TRUE(page);
        ASSERT_TRUE(page->GetSprite("logLine3"));
        auto compass = page->GetSprite("compass");
        EXPECT_TRUE(!compass || !compass->GetTexture());
        EXPECT_TRUE(Logged("anim/compass.anm")) << Log();
        ButtonOf(wm->GetTopModal(), "logClose")->Press();
        Tick(p, 48);
        EXPECT_EQ(wm->GetTopModal(), mapModal);
      },
      800, 600);
}

}  // namespace
