// Overlays built from Lua tables: placement, sizing, reuse of named sprites, static filters,
// animations, and a golden frame of the result drawn on the headless display.
#include <cfloat>
#include <filesystem>

#include "FilterTestSupport.h"
#include "anim/KAnimFilterStack.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimQueue.h"
#include "anim/QMOverlays.h"
#include "anim/TTextSprite.h"
#include "render/QMSearchableSprite.h"
#include "script/binding/TWindowScript.h"
#include "support/Golden.h"
#include "window/TImage.h"
#include "window/TModalWindow.h"
#include "window/TWindowManager.h"

namespace {

// Quarters of red, green, blue and white.
uint32_t Quarters(int x, int y) {
  if (x < 50) return y < 50 ? 0xFFFF0000u : 0xFF0000FFu;
  return y < 50 ? 0xFF00FF00u : 0xFFFFFFFFu;
}

std::unique_ptr<TLuaTable> Table(const std::string& expression) {
  TWindowScript* script = TWindowScript::Of(TWindowManager::Instance());
  script->DoLuaString(("gOverlay = " + expression).c_str());
  return std::unique_ptr<TLuaTable>(script->GetGlobalTable("gOverlay"));
}

struct Overlays : QMOverlays {};

}  // namespace

TEST_F(RenderTest, OverlayFromALuaTable) {
  WritePng("quarters.png", 100, 100, Quarters);
  RunScreen(
      [&](TPlatform* platform) {
        ASSERT_NE(TWindowManager::Instance(), nullptr);
        ASSERT_NE(TWindowScript::Of(TWindowManager::Instance()), nullptr);
        boost::shared_ptr<TSprite> root(new QMSearchableSprite(0));
        auto* named = static_cast<QMSearchableSprite*>(root.get());
        Overlays overlays;
        TClock clock;
        clock.Start();
        QMOverlayParser parser(&clock, &root, &overlays);
        auto entry = Table(
            "{ name = 'frame', image = 'quarters.png', position = {60, 8}, darken = 0.5,"
            "  scale = {0.5, 0.5}, layer = 2,"
            "  KSprite = { name = 'inner', position = {4, 4},"
            "    { type = 'image', image = 'quarters.png', box = {10, 20, 50, 25} },"
            "    { type = 'sprite', name = 'box', sprites = {"
            "      { type = 'image', image = 'quarters.png', name = 'flat', scale = {0, 2},"
            "        position = {70, 60} },"
            "      { type = 'sprite', name = 'flat', opacity = 0.5 } } },"
            "    { type = 'KAnim', { type = 'position', to = {2, 2}, duration = 0 } } },"
            "  KAnim = { { type = 'opacity', from = 1, to = 0.5, duration = 100 } } }");
        ASSERT_TRUE(entry);
        parser.Parse(*entry, 0);
        auto frame = named->GetSprite("frame");
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->GetLayer(), 2);
        // Layers past the int range, or no number at all, are taken at the range's edges.
        boost::shared_ptr<TSprite> farRoot(new QMSearchableSprite(0));
        Overlays farOverlays;
        QMOverlayParser farParser(&clock, &farRoot, &farOverlays);
        for (const auto& [layer, want] : std::vector<std::pair<std::string, int32_t>>{
                 {"1e30", INT32_MAX}, {"-1e30", INT32_MIN}, {"0/0", 0}}) {
          auto far = Table("{ name = 'far" + std::to_string(want) +
                           "', image = 'quarters.png', layer = " + layer + " }");
          ASSERT_TRUE(far);
          farParser.Parse(*far, 0);
          auto sprite = static_cast<QMSearchableSprite*>(farRoot.get())
                            ->GetSprite(("far" + std::to_string(want)).c_str());
          ASSERT_TRUE(sprite) << layer;
          EXPECT_EQ(sprite->GetLayer(), want) << layer;
        }
        ASSERT_EQ(overlays.GetOverlays().size(), 2u) << "the entry and the list's animation";
        EXPECT_EQ(KGetSpritePosition(*frame), TVec2(60, 8));
        // The darken runs as a static filter: the sprite shows the stack's output.
        QMFilterStack* still = overlays.GetOverlays().front().GetFilterStack();
        ASSERT_NE(still, nullptr);
        EXPECT_EQ(frame->GetTexture(), still->GetOutput());
        EXPECT_EQ(ReadBack(frame->GetTexture()).At(0, 0), 0xFF7F0000u);

        ASSERT_EQ(frame->GetChildren().size(), 1u);
        auto inner = frame->GetChildren()[0];
        ASSERT_EQ(inner->GetChildren().size(), 2u);
        const auto& boxed = inner->GetChildren()[0];
        EXPECT_EQ(KGetSpritePosition(*boxed), TVec2(10, 20));
        EXPECT_FLOAT_EQ(boxed->GetDrawState().transform.m[0].x, 0.5f);
        EXPECT_FLOAT_EQ(boxed->GetDrawState().transform.m[1].y, 0.25f);
        auto* box = dynamic_cast<QMSearchableSprite*>(inner->GetChildren()[1].get());
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->GetChildren().size(), 1u) << "the named sprite is found, not added again";
        auto flat = box->GetSprite("flat");
        ASSERT_TRUE(flat);
        EXPECT_EQ(flat->GetDrawState().transform.m[0].x, FLT_EPSILON);
        EXPECT_EQ(flat->GetDrawState().transform.m[1].y, 2.0f);
        EXPECT_EQ(flat->GetDrawState().alpha, 0.5f);

        // A second entry naming the frame reuses it.
        auto again = Table("{ sprite = 'frame', opacity = 0.8 }");
        parser.Parse(*again, 0);
        EXPECT_EQ(root->GetChildren().size(), 1u);
        EXPECT_FLOAT_EQ(frame->GetDrawState().alpha, 0.8f);
        ASSERT_EQ(overlays.GetOverlays().size(), 3u);

        // The queues run on the top modal's clock once the owner starts them.
        overlays.VisitOverlayQueues(&KAnimProcess::Start);
        platform::os::AdvanceVirtualTime(50);
        auto* top = dynamic_cast<TModalWindow*>(TWindowManager::Instance()->GetTopModal());
        ASSERT_NE(top, nullptr);
        top->RunTasks(0);
        EXPECT_EQ(KGetSpritePosition(*inner), TVec2(2, 2));

        // A picture drawn at run time in an image window: the entry shows a filtered copy.
        auto* board = new TImage();
        board->SetName("board");
        auto drawn =
            MakeTexture(8, 8, [](int x, int) { return x < 4 ? 0xFF112233u : 0xFF445566u; });
        board->SetTexture(drawn, 1.0f);
        TWindowManager::Instance()->GetRoot()->AddChild(std::unique_ptr<TWindow>(board));
        auto picture = Table("{ name = 'picture', image = 'window:board', position = {0, 100} }");
        parser.Parse(*picture, 0);
        auto shown = named->GetSprite("picture");
        ASSERT_TRUE(shown && shown->GetTexture());
        EXPECT_NE(shown->GetTexture(), drawn);
        EXPECT_EQ(ReadBack(shown->GetTexture()).pixels, ReadBack(drawn).pixels);
        auto missing = Table("{ name = 'nothing', image = 'window:no such window' }");
        parser.Parse(*missing, 0);
        EXPECT_FALSE(named->GetSprite("nothing")->GetTexture());

        TRenderer* r = TRenderer::Instance();
        ASSERT_TRUE(r->BeginDraw());
        ASSERT_TRUE(r->Begin2d());
        r->FillRect(TRect(0, 0, 160, 120), TColor(0.2f, 0.2f, 0.2f, 1));
        root->Draw(TSpriteDrawState(), -1);
        r->End2d();
        r->EndDraw();
        EXPECT_TRUE(golden::MatchesGolden(Frame(), "anim/overlay.png", 2));
        overlays.VisitOverlayQueues(&KAnimProcess::Cancel);
        (void)platform;
      },
      160, 120);
}

// A picture loaded from a file is shown from that file loaded again, also from a folder whose
// name holds a dot, and also when the picture has a mask.
TEST_F(RenderTest, WindowPicturesFromFilesReloadFromTheirFolder) {
  std::filesystem::create_directories(mWork + "/assets/pics.v2");
  WritePng("pics.v2/quarters.png", 100, 100, Quarters);
  WritePng("pics.v2/cut.png", 100, 100, [](int x, int) { return x < 50 ? 0xFFFFFFFFu : 0u; });
  RunScreen(
      [&](TPlatform*) {
        boost::shared_ptr<TSprite> root(new QMSearchableSprite(0));
        auto* named = static_cast<QMSearchableSprite*>(root.get());
        Overlays overlays;
        TClock clock;
        clock.Start();
        QMOverlayParser parser(&clock, &root, &overlays);
        const boost::shared_ptr<TTexture> pictures[] = {
            TTexture::Get("pics.v2/quarters.png"),
            TTexture::GetWithMask("pics.v2/quarters.png", "pics.v2/cut.png", false)};
        for (const auto& picture : pictures) {
          ASSERT_TRUE(picture);
          auto* board = new TImage();
          board->SetName("board");
          board->SetTexture(picture, 1.0f);
          TWindow* root = TWindowManager::Instance()->GetRoot();
          root->AddChild(std::unique_ptr<TWindow>(board));
          parser.Parse(*Table("{ name = 'copy', image = 'window:board' }"), 0);
          auto shown = named->GetSprite("copy");
          ASSERT_TRUE(shown);
          ASSERT_TRUE(shown->GetTexture()) << picture->GetFileName().CStr();
          EXPECT_EQ(ReadBack(shown->GetTexture()).At(75, 75), 0xFFFFFFFFu);
          named->RemoveSpriteByName("copy");
          root->RemoveChild(board);
        }
      },
      160, 120);
}

TEST_F(RenderTest, OverlayTextItemsAreTextSprites) {
  RunScreen(
      [&](TPlatform*) {
        boost::shared_ptr<TSprite> root(new QMSearchableSprite(0));
        Overlays overlays;
        TClock clock;
        clock.Start();
        QMOverlayParser parser(&clock, &root, &overlays);
        auto entry = Table(
            "{ name = 'caption', KText = {"
            "  { text = 'Harbour', localize = false, fontSize = 16, box = {12, 30, 120, 24},"
            "    color = {1, 1, 0, 1} },"
            "  { type = 'text', text = 'Dock', localize = false, box = {5, 6, 60, 20},"
            "    position = {40, 50} } } }");
        ASSERT_TRUE(entry);
        parser.Parse(*entry, 0);
        auto caption = static_cast<QMSearchableSprite*>(root.get())->GetSprite("caption");
        ASSERT_TRUE(caption);
        // The entry's child table holds the items, as a "KSprite" table does.
        ASSERT_EQ(caption->GetChildren().size(), 1u);
        const auto& items = caption->GetChildren()[0]->GetChildren();
        ASSERT_EQ(items.size(), 2u);
        for (const auto& child : items)
          EXPECT_NE(dynamic_cast<QMTextSprite*>(child.get()), nullptr);
        // The box gives the default position; "position" wins over it.
        EXPECT_EQ(KGetSpritePosition(*items[0]), TVec2(12, 30));
        EXPECT_EQ(KGetSpritePosition(*items[1]), TVec2(40, 50));
        EXPECT_TRUE(items[0]->GetTexture());
      },
      200, 120);
}

// Pages an owner drops before it ever runs them (an info panel closed early) take their
// queues, steps, sprites and textures with them, copied entries or not.
TEST_F(RenderTest, OverlayEntriesDroppedBeforeTheyRunLeaveNothingBehind) {
  WritePng("quarters.png", 100, 100, Quarters);
  RunScreen(
      [&](TPlatform*) {
        const size_t live = KRefCountedObject::GetLiveCount();
        boost::weak_ptr<TSprite> first, second;
        TClock clock;
        clock.Start();
        {
          boost::shared_ptr<TSprite> root(new QMSearchableSprite(0));
          auto overlays = std::make_unique<Overlays>();
          QMOverlayParser parser(&clock, &root, overlays.get());
          auto entry = Table(
              "{ image = 'quarters.png',"
              "  KAnim = { { type = 'wait', duration = 100 },"
              "            { type = 'position', to = {10, 10}, duration = 100 },"
              "            { type = 'wait', message = 2016 } } }");
          ASSERT_TRUE(entry);
          parser.Parse(*entry, 0);
          parser.Parse(*entry, 0);
          ASSERT_EQ(overlays->GetOverlays().size(), 2u);
          first = overlays->GetOverlays().front().GetSprite();
          second = overlays->GetOverlays().back().GetSprite();
          // The owner takes one page out, as a panel takes its current page.
          OverlayItem shown(overlays->GetOverlays().front());
          overlays->GetOverlays().pop_front();
          overlays.reset();
          root.reset();
          EXPECT_TRUE(second.expired());
          EXPECT_FALSE(first.expired()) << "the copy still holds its page";
        }
        EXPECT_TRUE(first.expired());
        EXPECT_EQ(KRefCountedObject::GetLiveCount(), live);
      },
      160, 120);
}

// A "darken" step in a sprite item's animation refilters the item's picture over its duration
// from the picture it started with, leaving the shared texture itself as it was.
TEST_F(RenderTest, SpriteItemAnimationDarkensItsPicture) {
  WritePng("quarters.png", 100, 100, Quarters);
  RunScreen(
      [&](TPlatform*) {
        boost::shared_ptr<TSprite> root(new QMSearchableSprite(0));
        Overlays overlays;
        TClock clock;
        clock.Start();
        auto list = Table(
            "{ { type = 'image', name = 'shade', image = 'quarters.png',"
            "    KAnim = { { type = 'darken', from = 1, to = 0.5, duration = 100 } } } }");
        ASSERT_TRUE(list);
        {
          OverlayBuildContext context(root, &clock, &overlays);
          context.BuildItems(*list);
        }
        auto shade = static_cast<QMSearchableSprite*>(root.get())->GetSprite("shade");
        ASSERT_TRUE(shade);
        const boost::shared_ptr<TTexture> original = shade->GetTexture();
        ASSERT_TRUE(original);
        overlays.VisitOverlayQueues(&KAnimProcess::Start);
        auto* top = dynamic_cast<TModalWindow*>(TWindowManager::Instance()->GetTopModal());
        ASSERT_NE(top, nullptr);
        for (int ms = 0; ms < 200; ms += 10) {
          platform::os::AdvanceVirtualTime(10);
          top->RunTasks(0);
        }
        ASSERT_TRUE(shade->GetTexture());
        EXPECT_NE(shade->GetTexture(), original);
        const uint32_t red = ReadBack(shade->GetTexture()).At(0, 0);
        EXPECT_EQ(red, 0xFF7F0000u) << std::hex << red << ": half red, the alpha kept";
        EXPECT_EQ(ReadBack(original).At(0, 0), 0xFFFF0000u) << "the shared texture is untouched";
        overlays.VisitOverlayQueues(&KAnimProcess::Cancel);
      },
      160, 120);
}
