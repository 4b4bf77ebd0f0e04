// A node of the 2-D scene graph: an optional texture, a draw state that combines with the
// parent's, and children kept in layer order. Sprites report their screen bounds and answer
// pixel-exact hit tests by drawing themselves into a tiny render target.
#pragma once

#include <cstdint>
#include <vector>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include "core/TClassId.h"
#include "core/TRect.h"
#include "render/TTexture.h"

// A sprite's draw state is exactly the description of one textured quad.
using TSpriteDrawState = TDrawParams;

class TSprite : public boost::enable_shared_from_this<TSprite> {
public:
  using ChildList = std::vector<boost::shared_ptr<TSprite>>;

  // Bounds of a sprite with nothing to show: an inverted rectangle any union replaces.
  static constexpr int32_t kEmptyBoundsLow = 10000000;
  static constexpr int32_t kEmptyBoundsHigh = -10000000;

  explicit TSprite(int32_t layer = 0);
  virtual ~TSprite();
  TSprite(const TSprite&) = delete;
  TSprite& operator=(const TSprite&) = delete;

  static boost::shared_ptr<TSprite> Create(int32_t layer,
                                           boost::shared_ptr<TTexture> texture = nullptr);

  static TClassId GetClassId() { return MakeClassId(&TSprite::GetClassId); }
  virtual const char* GetClassName() const { return "TSprite"; }
  virtual bool IsKindOf(TClassId id) const { return id == GetClassId(); }

  // Depth limits how far down the tree the call goes: 0 is this sprite alone, a negative
  // depth the whole tree.
  virtual void Draw(const TSpriteDrawState& parent, int depth);
  virtual bool RemoveChild(boost::shared_ptr<TSprite> child);
  virtual void GetBounds(TRect& out, const TSpriteDrawState& parent, int depth);
  // Whether the point (in the parent's coordinates) lies on a pixel whose alpha reaches the
  // threshold; a negative threshold tests the bounds only.
  virtual bool HitTest(const TPoint& point, const TSpriteDrawState& parent, int threshold,
                       int depth);
  virtual void SetTexture(boost::shared_ptr<TTexture> texture);
  virtual void SortChildren();

  // Own state, then parent's: transforms multiply (own first), alphas multiply, the parent's
  // mirror bits flip the own ones, and a blend mode of -1 takes the parent's.
  static TSpriteDrawState CombineState(const TSpriteDrawState& own, const TSpriteDrawState& parent);

  void AddChild(boost::shared_ptr<TSprite> child);
  void RemoveAllChildren();

  void SetVisible(bool visible) { mVisible = visible; }
  bool IsVisible() const { return mVisible; }
  void SetLayer(int32_t layer);
  int32_t GetLayer() const { return mLayer; }
  boost::shared_ptr<TTexture> GetTexture() const { return mTexture; }
  TSprite* GetParent() const { return mParent; }

  TSpriteDrawState& GetDrawState() { return mState; }
  const TSpriteDrawState& GetDrawState() const { return mState; }

  const ChildList& GetChildren() const { return mChildren; }
  ChildList::const_iterator ChildrenBegin() const { return mChildren.begin(); }
  ChildList::const_iterator ChildrenEnd() const { return mChildren.end(); }

  // Sprites of every kind constructed and not yet destroyed.
  static int32_t GetLiveCount();

protected:
  TSprite* mParent = nullptr;
  bool mVisible = true;
  int32_t mLayer;
  boost::shared_ptr<TTexture> mTexture;
  TSpriteDrawState mState;
  ChildList mChildren;
};
