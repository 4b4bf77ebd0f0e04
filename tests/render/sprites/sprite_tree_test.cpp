// The sprite tree without a display: drawing order by layer around the parent, how draw
// states combine down the tree, bounds, and keeping the child list and parent links right.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "SpriteTestSupport.h"
#include "core/TSettings.h"
#include "render/TSprite.h"

namespace {

using SpritePtr = boost::shared_ptr<TSprite>;

SpritePtr Sprite(int layer, int id, std::vector<DrawnQuad>* log, int w = 10, int h = 10) {
  return TSprite::Create(layer, RecordingTexture::Make(id, w, h, log));
}

std::vector<int> Ids(const std::vector<DrawnQuad>& log) {
  std::vector<int> ids;
  for (const DrawnQuad& q : log) ids.push_back(q.id);
  return ids;
}

void Place(TSprite& s, float x, float y) {
  s.GetDrawState().transform(2, 0) = x;
  s.GetDrawState().transform(2, 1) = y;
}

}  // namespace

TEST(SpriteTree, ChildrenDrawBelowOrAboveTheParentByLayer) {
  std::vector<DrawnQuad> log;
  SpritePtr parent = Sprite(0, 0, &log);
  // Added in this order; equal layers keep the order they were added in.
  parent->AddChild(Sprite(2, 1, &log));
  parent->AddChild(Sprite(-1, 2, &log));
  parent->AddChild(Sprite(0, 3, &log));
  parent->AddChild(Sprite(0, 4, &log));
  SpritePtr grandchild = Sprite(-5, 5, &log);
  parent->GetChildren()[1]->AddChild(grandchild);  // under the first layer-0 child

  const struct {
    int depth;
    std::vector<int> order;
  } cases[] = {
      {0, {0}},
      {1, {2, 0, 3, 4, 1}},
      {-1, {2, 0, 5, 3, 4, 1}},
      {7, {2, 0, 5, 3, 4, 1}},
  };
  for (const auto& c : cases) {
    log.clear();
    parent->Draw(TSpriteDrawState(), c.depth);
    EXPECT_EQ(Ids(log), c.order) << "depth " << c.depth;
  }

  // A hidden sprite hides its whole subtree.
  parent->GetChildren()[1]->SetVisible(false);
  log.clear();
  parent->Draw(TSpriteDrawState(), -1);
  EXPECT_EQ(Ids(log), (std::vector<int>{2, 0, 4, 1}));
  parent->SetVisible(false);
  log.clear();
  parent->Draw(TSpriteDrawState(), -1);
  EXPECT_TRUE(log.empty());
}

TEST(SpriteTree, NewLayerResortsTheParentAtOnce) {
  std::vector<DrawnQuad> log;
  SpritePtr parent = TSprite::Create(0);
  SpritePtr a = Sprite(1, 1, &log), b = Sprite(2, 2, &log), c = Sprite(3, 3, &log);
  parent->AddChild(a);
  parent->AddChild(b);
  parent->AddChild(c);
  c->SetLayer(-4);
  a->SetLayer(5);
  parent->Draw(TSpriteDrawState(), -1);
  EXPECT_EQ(Ids(log), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(parent->GetChildren().front(), c);
}

TEST(SpriteTree, StatesCombineDownTheTree) {
  const float kQuarter = static_cast<float>(M_PI / 2);
  struct Case {
    const char* what;
    TSpriteDrawState parent, own;
    TVec2 childOriginAt;  // where the child's (0, 0) lands
    float alpha;
    uint32_t flags;
    int32_t blend;
  };
  auto at = [](float x, float y) {
    TSpriteDrawState s;
    s.transform(2, 0) = x;
    s.transform(2, 1) = y;
    return s;
  };
  std::vector<Case> cases;
  cases.push_back({"positions add", at(100, 50), at(10, 5), TVec2(110, 55), 1, 0, -1});
  {
    TSpriteDrawState p = at(100, 50);
    p.transform.Scale(2);
    cases.push_back({"parent scale spreads the child", p, at(10, 5), TVec2(120, 60), 1, 0, -1});
  }
  {
    TSpriteDrawState p = at(100, 50);
    p.transform.Rotate(kQuarter);
    cases.push_back(
        {"parent rotation turns the child about it", p, at(10, 0), TVec2(100, 60), 1, 0, -1});
  }
  {
    TSpriteDrawState p, o;
    p.alpha = 0.5f;
    o.alpha = 0.5f;
    cases.push_back({"alphas multiply", p, o, TVec2(0, 0), 0.25f, 0, -1});
  }
  {
    TSpriteDrawState p, o;
    p.flags = TDrawParams::kMirrorX | TDrawParams::kUseOrigin;
    o.flags = TDrawParams::kMirrorX | TDrawParams::kMirrorY | TDrawParams::kUseSourceRect;
    cases.push_back({"parent mirror flips the child's, other bits stay own", p, o, TVec2(0, 0), 1,
                     TDrawParams::kMirrorY | TDrawParams::kUseSourceRect, -1});
  }
  {
    TSpriteDrawState p, o;
    p.blendMode = 3;
    cases.push_back({"blend -1 inherits", p, o, TVec2(0, 0), 1, 0, 3});
    o.blendMode = 5;
    cases.push_back({"own blend stays", p, o, TVec2(0, 0), 1, 0, 5});
  }
  for (const Case& c : cases) {
    TSpriteDrawState s = TSprite::CombineState(c.own, c.parent);
    TVec2 origin = TVec2(0, 0) * s.transform;
    EXPECT_NEAR(origin.x, c.childOriginAt.x, 1e-4) << c.what;
    EXPECT_NEAR(origin.y, c.childOriginAt.y, 1e-4) << c.what;
    EXPECT_FLOAT_EQ(s.alpha, c.alpha) << c.what;
    EXPECT_EQ(s.flags, c.flags) << c.what;
    EXPECT_EQ(s.blendMode, c.blend) << c.what;
  }
}

TEST(SpriteTree, DrawingHandsEachTextureTheCombinedStateButItsOwnTint) {
  std::vector<DrawnQuad> log;
  SpritePtr root = Sprite(0, 0, &log), child = Sprite(0, 1, &log), leaf = Sprite(0, 2, &log);
  root->AddChild(child);
  child->AddChild(leaf);
  Place(*root, 100, 100);
  root->GetDrawState().transform.Scale(2);
  root->GetDrawState().alpha = 0.5f;
  root->GetDrawState().tint = TColor(1, 0, 0, 1);
  root->GetDrawState().flags = TDrawParams::kMirrorX;
  Place(*child, 10, 0);
  child->GetDrawState().transform.Rotate(static_cast<float>(M_PI));
  child->GetDrawState().tint = TColor(0, 1, 0, 1);
  child->GetDrawState().flags = TDrawParams::kMirrorX | TDrawParams::kMirrorY;
  Place(*leaf, 5, 0);
  leaf->GetDrawState().alpha = 0.5f;

  root->Draw(TSpriteDrawState(), -1);
  ASSERT_EQ(log.size(), 3u);
  const TDrawParams& c = log[1].params;
  const TDrawParams& l = log[2].params;
  TVec2 childAt = TVec2(0, 0) * c.transform;
  TVec2 leafAt = TVec2(0, 0) * l.transform;
  EXPECT_NEAR(childAt.x, 120, 1e-4);
  EXPECT_NEAR(childAt.y, 100, 1e-4);
  // The leaf's offset is turned by the child and doubled by the root.
  EXPECT_NEAR(leafAt.x, 110, 1e-3);
  EXPECT_NEAR(leafAt.y, 100, 1e-3);
  EXPECT_FLOAT_EQ(c.alpha, 0.5f);
  EXPECT_FLOAT_EQ(l.alpha, 0.25f);
  EXPECT_EQ(c.flags, uint32_t(TDrawParams::kMirrorY));
  EXPECT_EQ(l.flags, uint32_t(TDrawParams::kMirrorY));
  EXPECT_EQ(log[0].params.tint, TColor(1, 0, 0, 1));
  EXPECT_EQ(c.tint, TColor(0, 1, 0, 1));
  EXPECT_EQ(l.tint, TColor(1, 1, 1, 1));
}

TEST(SpriteTree, BoundsCoverTheTransformedQuadAndTheSubtree) {
  std::vector<DrawnQuad> log;
  struct Case {
    const char* what;
    std::function<SpritePtr()> make;
    int depth;
    TRect bounds;
  };
  const Case cases[] = {
      {"centred on its position",
       [&] {
         SpritePtr s = Sprite(0, 0, &log, 10, 20);
         Place(*s, 100, 50);
         return s;
       },
       -1, TRect(95, 40, 105, 60)},
      {"origin flag puts the origin at the position",
       [&] {
         SpritePtr s = Sprite(0, 0, &log, 10, 20);
         Place(*s, 100, 50);
         s->GetDrawState().origin = TVec2(2, 4);
         s->GetDrawState().flags = TDrawParams::kUseOrigin;
         return s;
       },
       -1, TRect(98, 46, 108, 66)},
      {"source rectangle gives the size",
       [&] {
         SpritePtr s = Sprite(0, 0, &log, 10, 20);
         s->GetDrawState().sourceRect = TRect(0, 0, 4, 6);
         s->GetDrawState().flags = TDrawParams::kUseSourceRect;
         return s;
       },
       -1, TRect(-2, -3, 2, 3)},
      {"scaled and turned a quarter",
       [&] {
         SpritePtr s = Sprite(0, 0, &log, 10, 20);
         s->GetDrawState().transform.Scale(2);
         s->GetDrawState().transform.Rotate(static_cast<float>(M_PI / 2));
         Place(*s, 100, 100);
         return s;
       },
       -1, TRect(80, 90, 120, 110)},
      {"an empty sprite has the sentinel", [&] { return TSprite::Create(0); }, -1,
       TRect(10000000, 10000000, -10000000, -10000000)},
      {"a bare parent unites its children",
       [&] {
         SpritePtr p = TSprite::Create(0);
         Place(*p, 10, 10);
         SpritePtr a = Sprite(0, 1, &log, 4, 4), b = Sprite(3, 2, &log, 2, 2);
         Place(*a, 0, 0);
         Place(*b, 20, 30);
         p->AddChild(a);
         p->AddChild(b);
         return p;
       },
       -1, TRect(8, 8, 31, 41)},
      {"depth 0 leaves the children out",
       [&] {
         SpritePtr p = TSprite::Create(0);
         p->AddChild(Sprite(0, 1, &log, 4, 4));
         return p;
       },
       0, TRect(10000000, 10000000, -10000000, -10000000)},
  };
  for (const Case& c : cases) {
    SpritePtr s = c.make();
    TRect r;
    s->GetBounds(r, TSpriteDrawState(), c.depth);
    EXPECT_EQ(r, c.bounds) << c.what << ": " << r.left << "," << r.top << "," << r.right << ","
                           << r.bottom;
  }
}

TEST(SpriteTree, ChildrenMoveBetweenParentsAndLoseThemWhenDropped) {
  SpritePtr a = TSprite::Create(0), b = TSprite::Create(0);
  SpritePtr x = TSprite::Create(1), y = TSprite::Create(0);
  a->AddChild(x);
  a->AddChild(y);
  EXPECT_EQ(x->GetParent(), a.get());
  // Adding a child again keeps its place.
  a->AddChild(x);
  ASSERT_EQ(a->GetChildren().size(), 2u);
  EXPECT_EQ(a->GetChildren()[1], x);

  b->AddChild(x);
  EXPECT_EQ(x->GetParent(), b.get());
  EXPECT_EQ(a->GetChildren().size(), 1u);
  EXPECT_FALSE(a->RemoveChild(x));
  EXPECT_TRUE(b->RemoveChild(x));
  EXPECT_EQ(x->GetParent(), nullptr);

  b->AddChild(x);
  b->RemoveAllChildren();
  EXPECT_EQ(x->GetParent(), nullptr);
  EXPECT_TRUE(b->GetChildren().empty());

  a.reset();
  EXPECT_EQ(y->GetParent(), nullptr);
}

TEST(SpriteTree, LiveCountIsPublishedAsASetting) {
  const int before = TSprite::GetLiveCount();
  {
    SpritePtr s = TSprite::Create(0);
    SpritePtr t = TSprite::Create(0);
    EXPECT_EQ(TSprite::GetLiveCount(), before + 2);
    EXPECT_EQ(GetConfig("current_sprite_count"), str::Format("%d", before + 2));
  }
  EXPECT_EQ(TSprite::GetLiveCount(), before);
  EXPECT_EQ(GetConfig("current_sprite_count"), str::Format("%d", before));
}
