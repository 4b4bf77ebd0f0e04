// Animated sprites playing their scripts on the virtual clock: frame timing with the
// library's and the descriptions' delays, fades, freezing, pausing a tree, stopping, the
// functions a script may misuse (Random with an empty range, RemoveSprite without a parent,
// ending its own sprite) and script errors that stop only that sprite.
#include <algorithm>
#include <filesystem>

#include "SpriteTestSupport.h"
#include "core/TPlatform.h"
#include "platform/os/Clock.h"
#include "engine/render/RenderFixture.h"
#include "render/TAnimatedSprite.h"
#include "script/binding/TScript.h"

namespace {

using AnimPtr = boost::shared_ptr<TAnimatedSprite>;

class AnimatedSpriteTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    CopyAnimFixtures(mWork + "/assets");
  }

  // One millisecond of the virtual clock, then one pass of the platform's task list.
  static void Tick(TPlatform* p, int ms = 1) {
    for (int i = 0; i < ms; ++i) {
      platform::os::AdvanceVirtualTime(1);
      p->GetTaskList()->RunTasks(0);
    }
  }

  // The frame shown in each of the next ms milliseconds, run-length coded: {frame, ms}.
  static std::vector<std::pair<int, int>> Timeline(TPlatform* p, TAnimatedSprite& s, int ms) {
    std::vector<std::pair<int, int>> runs;
    for (int i = 0; i < ms; ++i) {
      int f = s.GetCurrentFrame();
      if (!runs.empty() && runs.back().first == f)
        ++runs.back().second;
      else
        runs.push_back({f, 1});
      Tick(p);
    }
    return runs;
  }

  static AnimPtr Animated(const char* description) {
    AnimPtr s = TAnimatedSprite::Create(0);
    s->SetTexture(TAnimatedTexture::Get(description));
    return s;
  }

  // Defines Lua functions in the sprite's script state.
  static void Define(TAnimatedSprite& s, const char* lua) { s.GetScript()->DoLuaString(lua); }
};

using Runs = std::vector<std::pair<int, int>>;

}  // namespace

TEST_F(AnimatedSpriteTest, FramesShowForTheLibraryDelayThenThePlayEnds) {
  RunScreen([&](TPlatform* p) {
    AnimPtr s = Animated("anim/walk");
    ASSERT_TRUE(s->GetAnimationSource());
    Define(*s, "function Three() frames{1, 2, 3} end");
    s->Play("Three");
    EXPECT_TRUE(s->IsPlaying(0));
    EXPECT_EQ(Timeline(p, *s, 60), (Runs{{0, 16}, {1, 16}, {2, 28}}));
    EXPECT_FALSE(s->IsPlaying(0));
  });
}

TEST_F(AnimatedSpriteTest, DescriptionScriptsAndTheDefaultScriptSetTheirOwnDelays) {
  RunScreen([&](TPlatform* p) {
    const struct {
      const char* description;
      Runs runs;
    } cases[] = {
        {"anim/walk", {{0, 20}, {1, 20}, {2, 20}, {3, 40}}},  // delay(20) frames{1,2,3,4}
        {"anim/only", {{3, 25}, {2, 25}, {1, 25}, {0, 25}}},  // delay(25) frames{4,3,2,1}
        {"anim/noscript", {{0, 60}, {1, 60}, {2, 60}}},       // the default script
    };
    for (const auto& c : cases) {
      AnimPtr s = Animated(c.description);
      s->Play("DoAnim");
      int total = 0;
      for (auto& r : c.runs) total += r.second;
      EXPECT_EQ(Timeline(p, *s, total), c.runs) << c.description;
    }
  });
}

TEST_F(AnimatedSpriteTest, FadeOutStepsTheAlphaOverTheNextFrames) {
  RunScreen([&](TPlatform* p) {
    AnimPtr s = Animated("anim/walk");
    Define(*s, "function Fade() fadeout(4) frames{1, 1, 1, 1, 1} end");
    s->Play("Fade");
    std::vector<float> alphas;
    for (int i = 0; i < 5; ++i) {
      alphas.push_back(s->GetDrawState().alpha);
      Tick(p, 16);
    }
    EXPECT_EQ(alphas, (std::vector<float>{0.75f, 0.5f, 0.25f, 0.0f, 0.0f}));
    EXPECT_EQ(s->GetScript()->GetGlobalNumber("alphacount"), 0);
    EXPECT_EQ(s->GetScript()->GetGlobalNumber("alphadelta"), 0);
  });
}

TEST_F(AnimatedSpriteTest, WaitWithoutTimeFreezesUntilResumed) {
  RunScreen([&](TPlatform* p) {
    AnimPtr s = Animated("anim/walk");
    Define(*s, "function Hold() SetCurrentFrame(1) WaitLuaNextFrame() SetCurrentFrame(2) end");
    s->Play("Hold");
    Tick(p, 500);
    EXPECT_EQ(s->GetCurrentFrame(), 1);
    EXPECT_TRUE(s->IsPlaying(0));
    s->Pause(false, 0);
    Tick(p);
    EXPECT_EQ(s->GetCurrentFrame(), 2);
    EXPECT_FALSE(s->IsPlaying(0));
  });
}

TEST_F(AnimatedSpriteTest, PauseReachesTheTreeOnlyAsDeepAsAsked) {
  RunScreen([&](TPlatform* p) {
    AnimPtr parent = Animated("anim/walk"), child = Animated("anim/walk");
    parent->AddChild(child);
    const char* loop = "function Spin() while true do frames{1, 2} end end";
    Define(*parent, loop);
    Define(*child, loop);
    parent->Play("Spin");
    child->Play("Spin");

    parent->Pause(true, 0);
    Tick(p, 16);
    EXPECT_EQ(parent->GetCurrentFrame(), 0);
    EXPECT_EQ(child->GetCurrentFrame(), 1);

    parent->Pause(true, -1);
    Tick(p, 100);
    EXPECT_EQ(parent->GetCurrentFrame(), 0);
    EXPECT_EQ(child->GetCurrentFrame(), 1);
    // Paused coroutines are still suspended in their wait.
    EXPECT_TRUE(child->IsPlaying(0));

    parent->Pause(false, -1);
    Tick(p);
    EXPECT_EQ(parent->GetCurrentFrame(), 1);
    EXPECT_EQ(child->GetCurrentFrame(), 0);
  });
}

TEST_F(AnimatedSpriteTest, PlayingAndStaticTreesLookAsDeepAsAsked) {
  RunScreen([&](TPlatform* p) {
    AnimPtr parent = Animated("anim/walk"), child = Animated("anim/walk");
    parent->AddChild(child);
    EXPECT_TRUE(parent->IsStaticTree(-1));
    Define(*parent, "function Once() frames{1} end");
    Define(*child, "function Long() pause(1000) end");
    parent->Play("Once");
    child->Play("Long");
    Tick(p, 20);
    EXPECT_FALSE(parent->IsPlaying(0));
    EXPECT_TRUE(parent->IsPlaying(-1));
    EXPECT_TRUE(parent->IsPlaying(1));
    EXPECT_FALSE(parent->IsStaticTree(0));

    parent->Stop();
    EXPECT_TRUE(parent->IsStaticTree(0));
    EXPECT_FALSE(parent->IsStaticTree(1));
    child->Stop();
    EXPECT_TRUE(parent->IsStaticTree(-1));
    EXPECT_FALSE(parent->IsPlaying(-1));
  });
}

TEST_F(AnimatedSpriteTest, DieEndsTheScriptAndTheNextPlayBuildsAnew) {
  RunScreen([&](TPlatform* p) {
    AnimPtr s = Animated("anim/walk");
    Define(*s, "function Short() SetCurrentFrame(2) die() SetCurrentFrame(3) pause(5) end");
    s->Play("Short");
    EXPECT_EQ(s->GetCurrentFrame(), 3);
    Tick(p, 50);
    EXPECT_TRUE(s->IsStaticTree(0));
    EXPECT_FALSE(s->IsPlaying(0));
    // A new play rebuilds the script from the description.
    s->Play("DoAnim");
    EXPECT_FALSE(s->IsStaticTree(0));
    EXPECT_EQ(Timeline(p, *s, 21), (Runs{{0, 20}, {1, 1}}));
  });
}

TEST_F(AnimatedSpriteTest, CurrentFrameIsKeptButSelectedOnlyWhenTheSourceHasIt) {
  RunScreen([&](TPlatform*) {
    AnimPtr s = Animated("anim/walk");
    boost::shared_ptr<TAnimatedTexture> t = s->GetAnimationSource();
    s->SetCurrentFrame(2);
    EXPECT_EQ(t->GetCurrentFrame(), 2);
    s->SetCurrentFrame(9);
    EXPECT_EQ(s->GetCurrentFrame(), 9);
    EXPECT_EQ(t->GetCurrentFrame(), 2);
    s->SetCurrentFrame(-5);
    EXPECT_EQ(s->GetCurrentFrame(), 9);
    s->SetCurrentFrame(-1);
    EXPECT_EQ(t->GetCurrentFrame(), -1);
    // The texture is shared; each sprite selects its own frame before drawing.
    AnimPtr other = Animated("anim/walk");
    other->SetCurrentFrame(3);
    s->SetCurrentFrame(1);
    TRect r;
    other->GetBounds(r, TSpriteDrawState(), 0);
    EXPECT_EQ(t->GetCurrentFrame(), 3);
  });
}

TEST_F(AnimatedSpriteTest, BoundsHangOnTheFrameRegistrationPointMirroredWithTheSprite) {
  RunScreen([&](TPlatform*) {
    AnimPtr s = Animated("anim/walk");
    s->GetDrawState().transform(2, 0) = 100;
    s->GetDrawState().transform(2, 1) = 50;
    const struct {
      int frame;
      uint32_t flags;
      TRect bounds;
    } cases[] = {
        {0, 0, TRect(96, 46, 104, 54)},
        {2, 0, TRect(100, 50, 108, 58)},
        {2, TDrawParams::kMirrorX, TRect(92, 50, 100, 58)},
        {2, TDrawParams::kMirrorY, TRect(100, 42, 108, 50)},
    };
    for (const auto& c : cases) {
      s->SetCurrentFrame(c.frame);
      s->GetDrawState().flags = c.flags;
      TRect r;
      s->GetBounds(r, TSpriteDrawState(), -1);
      EXPECT_EQ(r, c.bounds) << c.frame << "/" << c.flags;
      EXPECT_FALSE(s->GetDrawState().flags & TDrawParams::kUseOrigin);
    }
  });
}

TEST_F(AnimatedSpriteTest, RunSwitchesToAnotherAnimationAndPlaysIt) {
  RunScreen([&](TPlatform* p) {
    AnimPtr s = Animated("anim/walk");
    Define(*s, "function Switch() ok = run{ 'anim/only' } end");
    s->Play("Switch");
    ASSERT_TRUE(s->GetAnimationSource());
    EXPECT_EQ(s->GetAnimationSource()->GetDescription().sequenceName, str("only"));
    EXPECT_EQ(Timeline(p, *s, 50), (Runs{{3, 25}, {2, 25}}));
    // Load of a missing description answers false and clears the source.
    AnimPtr other = Animated("anim/walk");
    Define(*other, "loaded = Load('anim/missing', '', '') and 1 or 0");
    EXPECT_EQ(other->GetScript()->GetGlobalNumber("loaded"), 0);
    EXPECT_FALSE(other->GetAnimationSource());
  });
}

TEST_F(AnimatedSpriteTest, ScriptFunctionsSurviveMisuse) {
  RunScreen([&](TPlatform* p) {
    // Random with an empty range answers its one value instead of dividing by zero.
    AnimPtr s = Animated("anim/walk");
    Define(*s,
           "same = Random(5, 5) "
           "low, high = 100, 0 "
           "for i = 1, 200 do local r = random(3, 7) "
           "  if r < low then low = r end if r > high then high = r end end "
           "function Alone() RemoveSprite() SetCurrentFrame(3) pause(10) SetLayer(7) end "
           "function Leave() RemoveSprite() end");
    EXPECT_EQ(s->GetScript()->GetGlobalNumber("same"), 5);
    EXPECT_EQ(s->GetScript()->GetGlobalNumber("low"), 3);
    EXPECT_EQ(s->GetScript()->GetGlobalNumber("high"), 6);

    // RemoveSprite on a sprite without a parent does nothing; the script goes on.
    s->Play("Alone");
    EXPECT_EQ(s->GetCurrentFrame(), 3);
    Tick(p, 10);
    EXPECT_EQ(s->GetLayer(), 7);

    // With a parent it leaves it.
    boost::shared_ptr<TSprite> parent = TSprite::Create(0);
    parent->AddChild(s);
    s->Play("Leave");
    EXPECT_EQ(s->GetParent(), nullptr);
    EXPECT_TRUE(parent->GetChildren().empty());
  });
}

TEST_F(AnimatedSpriteTest, ASpriteItsOwnScriptEndsIsFreedSafely) {
  RunScreen([&](TPlatform* p) {
    const int before = TSprite::GetLiveCount();
    boost::shared_ptr<TSprite> parent = TSprite::Create(0);
    {
      AnimPtr s = Animated("anim/walk");
      Define(*s,
             "function Vanish() pause(10) RemoveSprite() SetCurrentFrame(3) SetAlpha(0) "
             "pause(10) SetCurrentFrame(1) end");
      s->Play("Vanish");
      parent->AddChild(s);
    }
    // The parent holds the last reference: the sprite dies inside its own script.
    Tick(p, 10);
    EXPECT_TRUE(parent->GetChildren().empty());
    EXPECT_EQ(TSprite::GetLiveCount(), before + 1);
    // The script's Lua state goes once the script is off the stack.
    Tick(p, 50);

    // Destroyed from within Play itself.
    AnimPtr s = Animated("anim/walk");
    parent->AddChild(s);
    Define(*s, "function Now() RemoveSprite() SetCurrentFrame(2) end");
    TAnimatedSprite* raw = s.get();
    s.reset();
    raw->Play("Now");
    EXPECT_TRUE(parent->GetChildren().empty());
    Tick(p, 5);
  });
}

TEST_F(AnimatedSpriteTest, AScriptErrorStopsOnlyThatSprite) {
  RunScreen([&](TPlatform* p) {
    AnimPtr bad = Animated("anim/walk"), good = Animated("anim/walk");
    Define(*bad,
           "function Broken() SetCurrentFrame(1) pause(10) error('boom') end "
           "function Early() error('early') end");
    Define(*good, "function Spin() while true do frames{1, 2} end end");
    bad->Play("Broken");
    good->Play("Spin");
    Tick(p, 10);
    EXPECT_TRUE(Logged("boom"));
    EXPECT_FALSE(bad->IsPlaying(0));
    EXPECT_EQ(bad->GetCurrentFrame(), 1);
    EXPECT_EQ(Timeline(p, *good, 22), (Runs{{0, 6}, {1, 16}}));

    // An error before the first wait, and a function that does not exist.
    bad->Play("Early");
    EXPECT_TRUE(Logged("TAnimatedSprite::Play: lua_resume error:"));
    EXPECT_TRUE(Logged("early"));
    bad->Play("NoSuchFunction");
    EXPECT_FALSE(bad->IsPlaying(0));
    Tick(p, 20);
    EXPECT_TRUE(good->IsPlaying(0));
  });
}

TEST_F(AnimatedSpriteTest, PlayNeedsAScriptOrAnAnimation) {
  RunScreen([&](TPlatform*) {
    AnimPtr bare = TAnimatedSprite::Create(0);
    bare->Play("DoAnim");
    EXPECT_TRUE(bare->IsStaticTree(0));
    EXPECT_FALSE(bare->IsPlaying(0));
    EXPECT_FALSE(bare->Load("anim/nothing", "", ""));
    EXPECT_TRUE(bare->Load("anim/only", "", ""));
    // The loaded animation is what the sprite draws.
    EXPECT_EQ(bare->GetTexture(), bare->GetAnimationSource());
    bare->Play("DoAnim");
    EXPECT_TRUE(bare->IsPlaying(0));
    EXPECT_EQ(bare->GetCurrentFrame(), 3);
    EXPECT_TRUE(TAnimatedSprite::SharedCast(bare.get()));
    EXPECT_FALSE(TAnimatedSprite::SharedCast(TSprite::Create(0).get()));
  });
}

// The sample's map-button pointer: its XML description shows one frame and its script switches
// to the ".anm" description of the bobbing loop; what is drawn must follow the switch.
TEST_F(AnimatedSpriteTest, SwitchingToAnotherAnimationChangesWhatIsDrawn) {
  namespace fs = std::filesystem;
  for (const char* f : {"pointer.xml", "pointer.anm", "pointer.png"})
    fs::copy_file(std::string(ENGINE_SOURCE_DIR) + "/sample/assets/anim/" + f,
                  mWork + "/assets/anim/" + f, fs::copy_options::overwrite_existing);
  RunScreen(
      [&](TPlatform* p) {
        AnimPtr s = Animated("anim/pointer");
        ASSERT_TRUE(s->GetAnimationSource());
        s->GetDrawState().transform(2, 0) = 30;
        s->GetDrawState().transform(2, 1) = 20;
        auto draw = [&] {
          TRenderer* r = TRenderer::Instance();
          EXPECT_TRUE(r->BeginDraw());
          EXPECT_TRUE(r->Begin2d());
          r->FillRect(TRect(0, 0, 60, 40), TColor(0, 0, 0, 1));
          s->Draw(TSpriteDrawState(), -1);
          r->End2d();
          r->EndDraw();
          return Frame().pixels;
        };
        std::vector<std::vector<uint32_t>> seen;
        s->Play("LoopAnim");
        EXPECT_EQ(s->GetAnimationSource()->GetFrameCount(), 4);
        for (int step = 0; step < 4; ++step) {
          std::vector<uint32_t> frame = draw();
          EXPECT_TRUE(std::any_of(frame.begin(), frame.end(),
                                  [](uint32_t c) { return (c & 0xFFFFFFu) != 0; }))
              << "the pointer shows at step " << step;
          if (std::find(seen.begin(), seen.end(), frame) == seen.end()) seen.push_back(frame);
          Tick(p, 120);
        }
        EXPECT_GE(seen.size(), 3u) << "the sheet's three distinct frames are drawn in turn";
        EXPECT_EQ(s->GetTexture(), s->GetAnimationSource());
      },
      60, 40);
}
