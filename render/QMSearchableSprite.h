// The sprite that holds a scene's hidden objects: its children are the object sprites, each
// registered under a name, so that a click resolves to the named object under the pointer.
#pragma once

#include <map>

#include "core/str.h"
#include "render/TSprite.h"

class QMSearchableSprite : public TSprite {
public:
  using SpriteMap = std::map<str, boost::shared_ptr<TSprite>>;

  explicit QMSearchableSprite(int32_t layer = 0) : TSprite(layer) {}

  static TClassId GetClassId() { return MakeClassId(&QMSearchableSprite::GetClassId); }
  const char* GetClassName() const override { return "QMSearchableSprite"; }
  bool IsKindOf(TClassId id) const override { return id == GetClassId() || TSprite::IsKindOf(id); }

  // A name already taken keeps its sprite; the new one is then a child without a name.
  void AddSprite(boost::shared_ptr<TSprite> sprite, const str& name);
  boost::shared_ptr<TSprite> GetSprite(const str& name) const;
  bool RemoveSpriteByName(const str& name);
  void RemoveSprite(boost::shared_ptr<TSprite> sprite);

  // The first child in layer order under the point.
  boost::shared_ptr<TSprite> FindChildAt(const TPoint& point);
  // The first named sprite in name order under the point; its name goes to *name. A sprite
  // named skip (when given) is passed over.
  boost::shared_ptr<TSprite> FindNamedSpriteAt(const TPoint& point, str* name = nullptr,
                                               const char* skip = nullptr);

  const SpriteMap& GetSpriteMap() const { return mSprites; }

private:
  bool Hits(TSprite& candidate, const TPoint& point);

  SpriteMap mSprites;
};
