// Searchable sprites: named objects resolve clicks by name order, children by layer order,
// transparent pixels are no hit, and the name map stays unique.
#include "SpriteTestSupport.h"
#include "render/QMSearchableSprite.h"
#include "engine/render/RenderFixture.h"

namespace {

// 10x10 opaque with a fully transparent top-left pixel and an alpha-1 pixel beside it.
uint32_t ObjectPixel(int x, int y) {
  if (y == 0 && x == 0) return 0x00FFFFFFu;
  if (y == 0 && x == 1) return 0x01FFFFFFu;
  return 0xFFFFFFFFu;
}

boost::shared_ptr<TSprite> Object(int layer, float x, float y) {
  boost::shared_ptr<TSprite> s =
      TSprite::Create(layer, TTexture::Get("object.png", TTexture::kGetAlpha));
  TSpriteDrawState& st = s->GetDrawState();
  st.transform(2, 0) = x;
  st.transform(2, 1) = y;
  st.flags = TDrawParams::kUseOrigin;
  return s;
}

}  // namespace

TEST_F(RenderTest, NamedObjectsUnderAClickResolveByNameOrder) {
  WritePng("object.png", 10, 10, ObjectPixel);
  RunScreen([&](TPlatform*) {
    boost::shared_ptr<QMSearchableSprite> scene(new QMSearchableSprite(0));
    scene->GetDrawState().transform(2, 0) = 100;  // the scene's own place moves every object
    // Overlapping at (105..110, 0..10) in scene coordinates; layers disagree with names.
    boost::shared_ptr<TSprite> lamp = Object(5, 0, 0), Key = Object(1, 5, 0),
                               vase = Object(3, 40, 0);
    scene->AddSprite(lamp, "lamp");
    scene->AddSprite(Key, "Key");
    scene->AddSprite(vase, "vase");
    boost::shared_ptr<TSprite> unnamed = Object(0, 60, 0);
    scene->AddChild(unnamed);

    const struct {
      int x, y;
      const char* named;  // FindNamedSpriteAt, "" for none
      int child;          // FindChildAt as index into {lamp, Key, vase, unnamed}, -1 none
    } cases[] = {
        {107, 5, "Key", 1},  // upper case sorts first; the lower layer is first child
        {102, 5, "lamp", 0}, {100, 0, "", -1},  // transparent pixel of the lamp
        {101, 0, "lamp", 0},                    // alpha 1 counts
        {145, 5, "vase", 2}, {165, 5, "", 3},
        {5, 5, "", -1},  // where the objects would be without the scene's offset
    };
    boost::shared_ptr<TSprite> all[] = {lamp, Key, vase, unnamed};
    for (const auto& c : cases) {
      str name("untouched");
      boost::shared_ptr<TSprite> hit = scene->FindNamedSpriteAt(TPoint(c.x, c.y), &name);
      if (*c.named) {
        EXPECT_EQ(hit, scene->GetSprite(c.named)) << c.x << "," << c.y;
        EXPECT_EQ(name, str(c.named)) << c.x << "," << c.y;
      } else {
        EXPECT_FALSE(hit) << c.x << "," << c.y;
        EXPECT_EQ(name, str("untouched"));
      }
      boost::shared_ptr<TSprite> child = scene->FindChildAt(TPoint(c.x, c.y));
      EXPECT_EQ(child, c.child < 0 ? boost::shared_ptr<TSprite>() : all[c.child])
          << c.x << "," << c.y;
    }
  });
}

TEST(SearchableSprite, NamesStayUniqueAndRemovalKeepsMapAndChildrenInStep) {
  boost::shared_ptr<QMSearchableSprite> scene(new QMSearchableSprite(0));
  EXPECT_TRUE(scene->IsKindOf(TSprite::GetClassId()));
  EXPECT_STREQ(scene->GetClassName(), "QMSearchableSprite");
  boost::shared_ptr<TSprite> a = TSprite::Create(0), b = TSprite::Create(0), c = TSprite::Create(0);
  scene->AddSprite(a, "cup");
  scene->AddSprite(b, "cup");  // the name is taken: b is a child without a name
  scene->AddSprite(c, "pen");
  EXPECT_EQ(scene->GetSprite("cup"), a);
  EXPECT_EQ(scene->GetChildren().size(), 3u);
  EXPECT_FALSE(scene->GetSprite("box"));

  EXPECT_FALSE(scene->RemoveSpriteByName("box"));
  EXPECT_EQ(scene->GetChildren().size(), 3u);
  EXPECT_TRUE(scene->RemoveSpriteByName("cup"));
  EXPECT_FALSE(scene->GetSprite("cup"));
  EXPECT_EQ(a->GetParent(), nullptr);

  scene->RemoveSprite(c);
  EXPECT_FALSE(scene->GetSprite("pen"));
  EXPECT_EQ(c->GetParent(), nullptr);
  scene->RemoveSprite(b);  // not in the map: still leaves the children
  EXPECT_TRUE(scene->GetChildren().empty());
}
