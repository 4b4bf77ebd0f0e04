// Marked-up text laid out with the sample game's fonts: tags and their state, line breaking,
// alignment, links, and that a text that does not change is not laid out again.
#include "TextFixture.h"

#include "core/TSettings.h"

namespace {

const TColor kInk(0, 0, 0, 1);

TTextLayout* Make(const char* text, int width = 300, int size = 14,
                  const char* font = "fonts/sans.mvec", unsigned flags = 0) {
  return TTextLayout::Create(text, width, 200, flags, font, size, kInk);
}

// The runs of the layout that hold characters, in order.
std::vector<TTextRun> FilledRuns(const TTextLayout* t) {
  std::vector<TTextRun> out;
  for (const auto& line : t->GetLines())
    for (const TTextRun& r : line->runs)
      if (r.last >= r.first) out.push_back(r);
  return out;
}

std::string LineText(const TTextLayout* t, int index) {
  std::string s;
  const char* text = t->GetText().CStr();
  for (const TTextRun& r : t->GetLines()[size_t(index)]->runs)
    if (r.last >= r.first) s.append(text + r.first, size_t(r.last - r.first + 1));
  return s;
}

}  // namespace

TEST_F(TextTest, KnownTextsBreakIntoTheirLines) {
  RunScreen([&](TPlatform*) {
    struct Case {
      const char* text;
      int width;
      int lines;
    } cases[] = {
        {"", 300, 0},
        {"one short line", 300, 1},
        {"a<br>b<br>c", 300, 3},
        {"first\nsecond", 300, 2},
        {"ends with a break<br>", 300, 1},
        {"left <center>middle</center> after", 300, 3},
        {"The quick brown fox jumps over the lazy dog.", 100, 3},
        {"The quick brown fox jumps over the lazy dog.", 60, 5},
        {"Kiteyard Version 4.0.16.3<br>0.000000 FPS<tab pos='150'>Sprites: 0<br>Mem: 0kB<tab "
         "pos='150'>TexMem: 0kB<br>MaxMem: 0kB<tab pos='150'>MaxTexMem: 0kB<br>",
         512, 4},
    };
    for (const Case& c : cases) {
      TTextLayout* t = Make(c.text, c.width);
      EXPECT_EQ(t->GetLineCount(), c.lines) << c.text << " in " << c.width;
      TTextLayout::Delete(t);
    }
    TTextLayout* t = Make("The quick brown fox jumps over the lazy dog.", 100);
    EXPECT_EQ(LineText(t, 0), "The quick brown");
    EXPECT_EQ(LineText(t, 1), "fox jumps over");
    EXPECT_EQ(LineText(t, 2), "the lazy dog.");
    TTextLayout::Delete(t);
    t = Make("");
    EXPECT_EQ(t->GetBounds(1.0f).left, 0);
    TTextLayout::Delete(t);
  });
}

TEST_F(TextTest, ALongWordBreaksBetweenCharactersAndTheOldWrapKeepsOneMore) {
  RunScreen([&](TPlatform*) {
    auto lengths = [](const TTextLayout* t) {
      std::vector<size_t> n;
      for (int i = 0; i < t->GetLineCount(); ++i) n.push_back(LineText(t, i).size());
      return n;
    };
    TTextLayout* t = Make("abcdefghijklmnopqrstuvwxyz", 40);
    std::vector<size_t> normal = lengths(t);
    TTextLayout::Delete(t);
    ASSERT_GT(normal.size(), 2u);
    for (size_t n : normal) EXPECT_GE(n, 1u);

    SetConfig("heirloomlinewrap", "1");
    ASSERT_TRUE(IsOldLineWrap());
    t = Make("abcdefghijklmnopqrstuvwxyz", 40);
    std::vector<size_t> old = lengths(t);
    TTextLayout::Delete(t);
    EXPECT_EQ(old[0], normal[0] + 1);
  });
}

TEST_F(TextTest, TagsChangeColourStyleAndFontAsWritten) {
  RunScreen([&](TPlatform*) {
    TTextLayout* t = Make("<font color='#ff0000'>a</font>b");
    std::vector<TTextRun> runs = FilledRuns(t);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].colour, TColor(1, 0, 0, 1));
    EXPECT_EQ(runs[1].colour, kInk);
    TTextLayout::Delete(t);

    struct ColourCase {
      const char* text;
      TColor colour;
    } colours[] = {
        {"<font color='ff000080'>x</font>", TColor::FromBytes(255, 0, 0, 128)},
        {"<font color='#ff000080'>x</font>", TColor::FromBytes(0, 0, 128, 255)},
        {"<FONT COLOR='#00FF00'>x</font>", TColor::FromBytes(0, 255, 0, 255)},
    };
    for (const ColourCase& c : colours) {
      t = Make(c.text);
      ASSERT_EQ(FilledRuns(t).size(), 1u) << c.text;
      EXPECT_EQ(FilledRuns(t)[0].colour, c.colour) << c.text;
      TTextLayout::Delete(t);
    }

    t = Make("<b>b</b><i>i</i><u>u</u><bold>x</b><outline>o</outline>n");
    runs = FilledRuns(t);
    ASSERT_EQ(runs.size(), 6u);
    EXPECT_TRUE(runs[0].bold && !runs[0].italic);
    EXPECT_TRUE(runs[1].italic && !runs[1].bold);
    EXPECT_TRUE(runs[2].underline);
    EXPECT_TRUE(runs[3].bold);  // a tag matches by its first letters
    EXPECT_EQ(runs[4].outlineSize, 2.0f);
    EXPECT_EQ(runs[4].outlineColour, TColor(0, 0, 0, 0));
    EXPECT_EQ(runs[5].outlineSize, 0.0f);
    TTextLayout::Delete(t);

    // An escaped "<" starts no tag; the backslash is not shown.
    t = Make("\\<b>x");
    runs = FilledRuns(t);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_FALSE(runs[0].bold);
    TTextLayout* shown = Make("<b>x");
    EXPECT_GT(t->GetBounds(1.0f).right, shown->GetBounds(1.0f).right);
    TTextLayout::Delete(shown);
    TTextLayout::Delete(t);

    // A tag longer than the parser's buffer is still consumed whole: none of it shows.
    std::string longTag = "a<font face='" + std::string(200, 'x') + "'>b</font>";
    t = Make(longTag.c_str());
    EXPECT_EQ(LineText(t, 0), "ab");
    TTextLayout::Delete(t);

    // An unknown tag is consumed and ignored; an unclosed "<" is a character.
    t = Make("a<nothing known>b<c");
    EXPECT_EQ(LineText(t, 0), "ab<c");
    TTextLayout::Delete(t);
  });
}

TEST_F(TextTest, TheFontStackHoldsThirtyTwoEntries) {
  RunScreen([&](TPlatform*) {
    std::string text;
    for (int i = 1; i <= 33; ++i) text += "<font size='" + std::to_string(10 + i) + "'>";
    text += "x";
    for (int i = 1; i <= 33; ++i) text += "</font>";
    text += "y";
    TTextLayout* t = Make(text.c_str());
    std::vector<TTextRun> runs = FilledRuns(t);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].size, 10 + 31);  // the 32nd entry
    EXPECT_EQ(runs[1].size, 14);       // all undone
    TTextLayout::Delete(t);
  });
}

TEST_F(TextTest, AlignmentTagsEndLinesAndHoldForTheLinesAfter) {
  RunScreen([&](TPlatform*) {
    TTextLayout* t = Make("left <center>mid one<br>mid two</center>after", 300);
    ASSERT_EQ(t->GetLineCount(), 4);
    const auto& lines = t->GetLines();
    EXPECT_LT(lines[0]->x, 5);
    EXPECT_EQ(lines[1]->x, 150);
    EXPECT_EQ(lines[2]->x, 150);
    EXPECT_LT(lines[3]->x, 5);
    EXPECT_LT(lines[1]->xOffset, 0.0f);
    TTextLayout::Delete(t);

    t = Make("right", 300, 14, "fonts/sans.mvec", TTextLayout::kRight);
    EXPECT_EQ(t->GetLines()[0]->x, 299);
    TRect b = t->GetBounds(1.0f);
    EXPECT_LE(b.right, 300);
    EXPECT_GT(b.right, 290);
    TTextLayout::Delete(t);
  });
}

TEST_F(TextTest, TextBeginningInItalicIsShiftedRight) {
  RunScreen([&](TPlatform*) {
    TTextLayout* plain = Make("x");
    TTextLayout* italic = Make("<i>x");
    TTextRun run = FilledRuns(italic)[0];
    float shift = run.scale / 3.0f * run.font->GetDescent() / 4.0f;
    EXPECT_GT(shift, 0.5f);
    EXPECT_NEAR(italic->GetBounds(1.0f).right - plain->GetBounds(1.0f).right, shift, 1.0f);
    TTextLayout::Delete(plain);
    TTextLayout::Delete(italic);
  });
}

TEST_F(TextTest, AnUnchangedTextIsNotLaidOutAgain) {
  RunScreen([&](TPlatform*) {
    TTextLayout* t = Make("same text");
    int passes = t->GetLayoutPasses();
    t->SetText("same text");
    t->SetColor(kInk);
    t->SetFont("fonts/sans.mvec");
    EXPECT_EQ(t->GetLayoutPasses(), passes);
    t->SetText("other text");
    EXPECT_EQ(t->GetLayoutPasses(), passes + 1);
    t->SetColor(TColor(1, 0, 0, 1));
    EXPECT_EQ(t->GetLayoutPasses(), passes + 2);
    for (int frame = 0; frame < 3; ++frame) DrawFrame({{t, TRect(0, 0, 160, 120)}}, kInk);
    EXPECT_EQ(t->GetLayoutPasses(), passes + 2);
    TTextLayout::Delete(t);
  });
}

TEST_F(TextTest, LinksAreFoundUnderThePointAndTheLastPageIsCounted) {
  RunScreen([&](TPlatform*) {
    TTextLayout* t = Make("go <a id='next'>next</a> now<br>second<br>third", 300);
    TRect b = t->GetBounds(1.0f);
    EXPECT_EQ(t->HitTestLink(TPoint(b.left + 1, 5), 0), str(""));
    const TTextLine& first = *t->GetLines()[0];
    const TTextRun* link = nullptr;
    for (const TTextRun& r : first.runs)
      if (r.linkId == "next") link = &r;
    ASSERT_NE(link, nullptr);
    int x = int(float(first.x) + first.xOffset) + (link->startX + link->endX) / 2;
    EXPECT_EQ(t->HitTestLink(TPoint(x, 5), 0), str("next"));
    EXPECT_EQ(t->HitTestLink(TPoint(x, first.height + 3), 0), str(""));
    TPoint over(x, 5);
    EXPECT_TRUE(t->UpdateHover(&over, 0));
    EXPECT_EQ(t->GetHoveredLink(), str("next"));
    EXPECT_TRUE(t->UpdateHover(nullptr, 0));
    EXPECT_FALSE(t->UpdateHover(nullptr, 0));

    // Three lines of 14 pixels in a box 200 high all fit; in a box of 30 only the last two.
    EXPECT_EQ(t->GetLastPageStart(1.0f, 0), 0);
    TTextLayout::Delete(t);
    t = TTextLayout::Create("a<br>b<br>c", 100, 30, 0, "fonts/sans.mvec", 14, kInk);
    EXPECT_EQ(t->GetLastPageStart(1.0f, 0), 1);
    EXPECT_EQ(t->GetLastPageStart(1.0f, 10), 2);
    TTextLayout::Delete(t);
  });
}

TEST_F(TextTest, TheCaretIsMarkedOnceWhereTheCursorIsWhenALineWrapsAtABlank) {
  RunScreen([&](TPlatform*) {
    // The caret's byte position in each text: the mark belongs to the run ending there.
    struct Case {
      const char* text;
      int caretAfter;  // index of the character just before the caret, -1 at the line start
    } cases[] = {
        {"hello wor<cursor>ld", 8},
        {"hello <cursor>world", -1},
        {"hello<cursor> world", 4},
        {"<cursor>hello world", -1},
    };
    for (const Case& c : cases) {
      for (int width = 45; width <= 60; ++width) {
        TTextLayout* t = Make(c.text, width);
        ASSERT_GE(t->GetLineCount(), 2) << c.text << " in " << width;
        int marks = 0;
        for (const auto& line : t->GetLines())
          for (const TTextRun& r : line->runs)
            if (r.cursor) {
              ++marks;
              // A mark on a run with characters sits after its last one; on an empty run at
              // the start of a line, before the line's first character.
              int last = r.last >= r.first ? r.last : -1;
              if (c.caretAfter >= 0) {
                EXPECT_EQ(last, c.caretAfter) << c.text << " in " << width;
              } else {
                EXPECT_LT(last, 0) << c.text << " in " << width;
              }
            }
        EXPECT_EQ(marks, 1) << c.text << " in " << width;
        TTextLayout::Delete(t);
      }
    }
  });
}
