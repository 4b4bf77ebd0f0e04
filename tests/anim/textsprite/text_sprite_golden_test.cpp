// A golden frame of text sprites in a sprite tree: a framed, centred label on a solid box, a
// see-through caption over a picture, and a scaled, half-transparent child of the label.
#include "TextSpriteFixture.h"
#include "support/Golden.h"

TEST_F(TextSpriteTest, TextSpritesGoldenFrame) {
  WritePng("stripes.png", 16, 16, [](int x, int) { return x < 8 ? 0xFF2060C0u : 0xFFC06020u; });
  RunScreen(
      [&](TPlatform*) {
        boost::shared_ptr<TSprite> root = TSprite::Create(0);
        boost::shared_ptr<QMTextSprite> label = Create(
            "{text = 'Lantern', localize = false, font = 'sansbold', fontSize = 18,"
            " color = {1, 1, 0.6, 1}, background = {0.1, 0.3, 0.2, 1},"
            " border = {size = 2, color = {0.9, 0.8, 0.2, 1}}, box = {4, 4, 88, 28}}");
        root->AddChild(label);

        boost::shared_ptr<TSprite> picture =
            TSprite::Create(0, TTexture::Get("stripes.png", TTexture::kGetAlpha));
        picture->GetDrawState().transform.Scale(3.0f);
        picture->GetDrawState().transform(2, 0) = 120;
        picture->GetDrawState().transform(2, 1) = 40;
        root->AddChild(picture);
        // Over a see-through box the glyphs keep their own edges' alpha.
        boost::shared_ptr<QMTextSprite> caption = Create(
            "{text = 'GAME_TITLE', font = 'sans', fontSize = 12, align = 1, inset = 4,"
            " color = {1, 1, 1, 1}, background = {0, 0, 0, 0.3}, box = {82, 36, 78, 16}}");
        root->AddChild(caption);

        // A child of the label: placed in the label's coordinates, halved and half-faded.
        boost::shared_ptr<QMTextSprite> note = Create(
            "{text = 'note', localize = false, font = 'sans', fontSize = 20, align = 0,"
            " color = {1, 0.4, 0.4, 1}, background = {0.2, 0.2, 0.5, 0.9}, box = {0, 0, 60, 24},"
            " position = {10, 40}}");
        note->GetDrawState().transform.Scale(0.5f);
        note->GetDrawState().alpha = 0.5f;
        label->AddChild(note);

        TRenderer* r = TRenderer::Instance();
        ASSERT_TRUE(r->BeginDraw());
        ASSERT_TRUE(r->Begin2d());
        r->FillRect(TRect(0, 0, 160, 90), TColor(0.25f, 0.25f, 0.3f, 1));
        root->Draw(TSpriteDrawState(), -1);
        r->End2d();
        r->EndDraw();
        EXPECT_TRUE(golden::MatchesGolden(Frame(), "textsprite/text_sprites.png", 2));
      },
      160, 90);
}
