// The root screen on the headless display: it paints its background only while it is the top
// modal.
#include "engine/render/RenderFixture.h"
#include "support/WindowOwnership.h"
#include "window/TModalWindow.h"
#include "window/TScreen.h"
#include "window/TWindowManager.h"

TEST_F(RenderTest, TheScreenFillsTheViewportOnlyWhileItIsTheTopModal) {
  RunScreen([&](TPlatform*) {
    TWindowManager* wm = TWindowManager::Instance();
    ASSERT_NE(wm, nullptr);
    TWindow* root = wm->GetRoot();
    ASSERT_NE(root, nullptr);
    ASSERT_TRUE(root->IsKindOf(TScreen::GetClassId()));
    EXPECT_EQ(root->GetName(), str("_screen_"));
    EXPECT_TRUE(root->GetFlags() & kWindowOpaque);
    EXPECT_EQ(root->GetWidth(), 160);
    EXPECT_EQ(root->GetHeight(), 120);

    TRenderer* r = TRenderer::Instance();
    auto pixel = [] {
      auto back = TDxDisplayHandler::Instance()->GetContext()->GetBackBuffer();
      return platform::display::Image::FromSurface(*back).At(80, 60);
    };
    r->FillRect(TRect(0, 0, 160, 120), TColor(1, 0, 0, 1));
    ASSERT_EQ(pixel(), kRed);

    wm->PushModal(Own(new TModalWindow()));
    root->Draw();
    EXPECT_EQ(pixel(), kRed);

    wm->PopTopModal();
    ASSERT_EQ(wm->GetTopModal(), root);
    root->Draw();
    EXPECT_EQ(pixel(), kBlack);  // (0, 0, 0, 0) on a back buffer without alpha
  });
}
