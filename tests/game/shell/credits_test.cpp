// The credits window: how it reads the credits file into its three line-aligned blocks, how
// far it has scrolled at a given time, and the sample's credits screen drawn at two moments.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "game/GameScreenFixture.h"
#include "game/shell/TCredits.h"
#include "support/Golden.h"

namespace {

class CreditsTest : public GameScreenTest {
protected:
  void WriteBytes(const std::string& name, const std::string& bytes) {
    std::ofstream(mWork + "/assets/" + name, std::ios::binary) << bytes;
  }
  static TCredits* BuildCredits(TPlatform* p, const std::string& keys) {
    Build(p, "CreditsWindow({ name = 'credits', x = 0, y = 0, w = 400, h = 100, " + keys + " })");
    return Find<TCredits>("credits");
  }
};

TEST(CreditsLines, EitherLineEndIsRemovedAndAnUnterminatedLineKeepsItsLastCharacter) {
  struct Case {
    std::string line, expected;
  } cases[] = {
      {"Cast\n", "Cast"}, {"Cast\r\n", "Cast"}, {"Cast", "Cast"}, {"\n", ""}, {"\r\n", ""},
      {"", ""},           {"a\rb\n", "a\rb"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::string(TCredits::StripLineEnd(c.line.c_str(), c.line.size()).CStr()), c.expected)
        << c.line;
}

TEST(CreditsLines, BracketsBecomeTheHeaderColourAndTheEndsAreTrimmed) {
  EXPECT_STREQ(TCredits::MarkUpLine(" \t[Music] by [Ann]\t ", "ffd06eff").CStr(),
               "<font color='ffd06eff'>Music</font> by <font color='ffd06eff'>Ann</font>\n");
  EXPECT_STREQ(TCredits::MarkUpLine("   ", "ffffffff").CStr(), " \n") << "one line high";
}

// A file with Windows line ends and no line end after its last line: role and name go to the
// two columns on the same line with an empty full-width line there, other lines run full
// width, the last character of the last line stays, and the end is padded with a window of
// blank lines (height 100 / font size 20).
TEST_F(CreditsTest, CreditsFileFillsTheColumnsLineAlignedWithEitherLineEnd) {
  WriteBytes("credits.txt", "[Harbour]\r\nMusic | Ann Example\r\n  Thanks  \r\nDesign|Bo");
  RunGame([&](TPlatform* p, QMGameManager&) {
    TCredits* c = BuildCredits(p,
                               "file = 'credits.txt', fontsize = 20, columnwidth = 150, "
                               "columngap = 20, headercolor = Color(255, 0, 0)");
    ASSERT_NE(c, nullptr);
    const std::string blank = " \n", pad = blank + blank + blank + blank + blank;
    EXPECT_EQ(std::string(c->GetLeftText().CStr()),
              blank + blank + "Music\n" + blank + "Design\n" + pad);
    EXPECT_EQ(std::string(c->GetRightText().CStr()),
              blank + blank + "Ann Example\n" + blank + "Bo\n" + pad);
    EXPECT_EQ(std::string(c->GetFullText().CStr()),
              blank + "<font color='ff0000ff'>Harbour</font>\n" + blank + "Thanks\n" + blank + pad);
    EXPECT_GT(c->GetScrollDistance(), 0);
  });
}

// The text stands still during the intro pause, then covers the scroll distance once per
// cycle and starts again from the top. Without a cycle length, a font size or a file the
// window stands still and draws without failing; the missing file is logged.
TEST_F(CreditsTest, CreditsScrollOncePerCycleAfterTheIntroPause) {
  WriteBytes("credits.txt", "One\nTwo\nThree\nFour\n");
  RunGame([&](TPlatform* p, QMGameManager&) {
    TCredits* c =
        BuildCredits(p,
                     "file = 'credits.txt', time = 1000, intropause = 500, fontsize = 20, "
                     "columnwidth = 150, columngap = 20");
    ASSERT_NE(c, nullptr);
    const float d = static_cast<float>(c->GetScrollDistance());
    ASSERT_GT(d, 0.0f);
    struct Case {
      uint32_t elapsed;
      float position;
    } cases[] = {{0, 0},    {499, 0},     {500, 0}, {750, d / 4}, {1250, d * 3 / 4},
                 {1500, 0}, {1750, d / 4}};
    for (const Case& k : cases) EXPECT_FLOAT_EQ(c->ScrollPosition(k.elapsed), k.position);

    TWindowManager* wm = p->GetWindowManager();
    wm->DoPopModal("m");
    TCredits* still = BuildCredits(p, "file = 'no such credits.txt', fontsize = 0, time = 0");
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->ScrollPosition(12345), 0.0f);
    EXPECT_EQ(std::string(still->GetFullText().CStr()), " \n");
    wm->Invalidate();
    Idle(p, 3);
    EXPECT_TRUE(Logged("cannot open the credits file \"no such credits.txt\"")) << Log();
  });
}

// Long credits on a long cycle: the product of time into the cycle and distance passes 2^32,
// and the position still grows steadily through the cycle.
TEST_F(CreditsTest, LongCreditsScrollOnWithoutJumpingBack) {
  std::string lines;
  for (int i = 0; i < 1400; ++i) lines += "Line " + std::to_string(i) + "\n";
  WriteBytes("long.txt", lines);
  RunGame([&](TPlatform* p, QMGameManager&) {
    TCredits* c = BuildCredits(p,
                               "file = 'long.txt', time = 200000, fontsize = 20, "
                               "columnwidth = 150, columngap = 20");
    ASSERT_NE(c, nullptr);
    const double d = c->GetScrollDistance();
    ASSERT_GT(170000.0 * d, 4294967296.0);
    float last = 0;
    for (uint32_t t : {160000u, 170000u, 180000u, 199999u}) {
      const float position = c->ScrollPosition(t);
      EXPECT_NEAR(position, t * d / 200000.0, 0.01 * d) << t;
      EXPECT_GT(position, last) << t;
      last = position;
    }
  });
}

// The sample's credits screen at its start (still in the intro pause) and some seconds into
// its cycle.
TEST_F(CreditsTest, CreditsScreenDrawsAsStoredAtTwoMoments) {
  RunGame([&](TPlatform* p, QMGameManager&) {
    HidePointer(p);
    Screen(p, "credits.lua");
    Idle(p, 1);
    ASSERT_NE(Find<TCredits>("credits"), nullptr);
    p->GetWindowManager()->Invalidate();
    Idle(p, 2);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "game/credits_start.png"));
    Idle(p, 250);  // 4 s on: 2.5 s into the scroll
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "game/credits_scrolled.png"));
    EXPECT_FALSE(Logged("rror")) << Log();
  });
}

}  // namespace
