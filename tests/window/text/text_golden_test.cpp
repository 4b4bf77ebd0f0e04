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
