// Golden frames of marked-up text drawn in the engine's vector fonts on the headless display.
#include "TextFixture.h"

#include "support/Golden.h"

namespace {

const TColor kPaper(1.0f, 0.98f, 0.9f, 1.0f);
const TColor kInk(0.1f, 0.1f, 0.2f, 1.0f);

}  // namespace

TEST_F(TextTest, FontsSizesColoursAndStylesDrawAsStored) {
  RunScreen(
      [&](TPlatform*) {
        const char* text =
            "Plain sans 14<br>"
            "<font face='fonts/serif.mvec' size='20'>Serif 20</font> and "
            "<font face='fonts/sansbold.mvec'>bold face</font><br>"
            "<b>Bold</b>, <i>italic</i>, <u>underlined</u>, <b><i>both</i></b><br>"
            "<font color='#c00000'>red</font> <font color='2060ff80'>half blue</font> "
            "<font color='#00a000' size='24'>green 24</font><br>"
            "<outline color='#ffcc00' size='1.5'><font color='#ffffff' size='22'>Outlined</font>"
            "</outline> \\<b> escaped<br>"
            "Built-in: <font face='__DEFAULT'>\xce\xb1\xce\xb2\xce\xb3 \xd0\x96 \xe2\x82\xac "
            "\xe2\x84\xa2</font>";
        TTextLayout* t = TTextLayout::Create(text, 300, 220, 0, "fonts/sans.mvec", 14, kInk);
        EXPECT_EQ(t->GetLineCount(), 6);
        EXPECT_TRUE(golden::MatchesGolden(DrawFrame({{t, TRect(8, 6, 312, 234)}}, kPaper),
                                          "text/fonts_and_styles.png"));
        TTextLayout::Delete(t);
      },
      320, 240);
}

TEST_F(TextTest, AlignmentTabsLinksAndWrappingDrawAsStored) {
  RunScreen(
      [&](TPlatform*) {
        const TColor ink(0.0f, 0.0f, 0.0f, 1.0f);
        // Wrapped into a narrow box, centred, with a centred middle part and a right part.
        TTextLayout* wrapped = TTextLayout::Create(
            "A longer sentence wraps at its blanks inside a narrow box.<right>Right "
            "aligned</right><center>and centred</center>",
            140, 110, 0, "fonts/sans.mvec", 12, ink);
        // Tab stops make columns; links take their colour while hovered.
        TTextLayout* table = TTextLayout::Create(
            "Name<tab pos='70'>Score<br>Ann<tab pos='70'>120<br>"
            "<a id='more' color='#0000ff'>more...</a><tab pos='70'><a id='back'>back</a>",
            150, 60, 0, "fonts/sans.mvec", 12, ink);
        EXPECT_TRUE(table->UpdateHover(nullptr, 0) == false);
        // The first line's "more..." link sits at the start of the third line.
        const TTextLine& third = *table->GetLines()[2];
        int top = table->GetLines()[0]->height + table->GetLines()[1]->height;
        TPoint inLink(int(float(third.x) + third.xOffset) + 5, top + 3);
        EXPECT_EQ(table->HitTestLink(inLink, 0), str("more"));
        EXPECT_TRUE(table->UpdateHover(&inLink, 0));
        // Bottom-aligned and centred block, drawn at half alpha.
        TTextLayout* bottom = TTextLayout::Create("<font color='#800000'>bottom</font> right", 150,
                                                  60, TTextLayout::kRight | TTextLayout::kBottom,
                                                  "fonts/serif.mvec", 16, ink);
        TTextLayout* middle = TTextLayout::Create("middle of its box", 150, 60,
                                                  TTextLayout::kCentre | TTextLayout::kMiddle,
                                                  "fonts/sans.mvec", 14, ink);
        EXPECT_TRUE(golden::MatchesGolden(DrawFrame({{wrapped, TRect(5, 5, 145, 115)},
                                                     {table, TRect(160, 5, 310, 65)},
                                                     {bottom, TRect(160, 70, 310, 130)},
                                                     {middle, TRect(160, 140, 310, 200)}},
                                                    TColor(1, 1, 1, 1)),
                                          "text/alignment_tabs_links_wrapping.png"));
        for (TTextLayout* t : {wrapped, table, bottom, middle}) TTextLayout::Delete(t);
      },
      320, 240);
}

TEST_F(TextTest, TextWithAlphaBlendsOverWhatIsBelow) {
  RunScreen(
      [&](TPlatform*) {
        TTextLayout* t = TTextLayout::Create(
            "<font size='28' color='#ff000080'>half</font> <font size='28'>full</font>", 150, 40, 0,
            "fonts/sansbold.mvec", 28, TColor(0, 0, 1, 1));
        platform::display::Image drawn =
            DrawFrame({{t, TRect(4, 4, 156, 44)}}, TColor(0.2f, 0.8f, 0.2f, 1), 0.5f);
        EXPECT_TRUE(golden::MatchesGolden(drawn, "text/alpha_over_colour.png"));
        TTextLayout::Delete(t);
      },
      160, 50);
}

TEST_F(TextTest, RotatedTextAndTheCaretMarkDrawAsStored) {
  RunScreen(
      [&](TPlatform*) {
        TTextLayout* turned = TTextLayout::Create("Turned about its origin", 200, 40, 0,
                                                  "fonts/sans.mvec", 16, TColor(0, 0, 0.5f, 1));
        turned->SetRotation(20.0f, 0, 0);
        TTextLayout* caret = TTextLayout::Create("Type here<cursor> and there", 200, 40, 0,
                                                 "fonts/serif.mvec", 18, TColor(0, 0, 0, 1));
        EXPECT_TRUE(golden::MatchesGolden(
            DrawFrame({{turned, TRect(10, 10, 210, 120)}, {caret, TRect(10, 90, 210, 130)}},
                      TColor(1, 1, 1, 1)),
            "text/rotated_and_caret.png"));
        TTextLayout::Delete(turned);
        TTextLayout::Delete(caret);
      },
      220, 130);
}
