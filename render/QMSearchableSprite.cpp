#include "render/QMSearchableSprite.h"

void QMSearchableSprite::AddSprite(boost::shared_ptr<TSprite> sprite, const str& name) {
  if (!sprite) return;
  AddChild(sprite);
  mSprites.emplace(name, sprite);
}

boost::shared_ptr<TSprite> QMSearchableSprite::GetSprite(const str& name) const {
  auto it = mSprites.find(name);
  return it == mSprites.end() ? boost::shared_ptr<TSprite>() : it->second;
}

bool QMSearchableSprite::RemoveSpriteByName(const str& name) {
  auto it = mSprites.find(name);
  if (it == mSprites.end()) return false;
  boost::shared_ptr<TSprite> sprite = it->second;
  RemoveChild(sprite);
  mSprites.erase(name);
  return true;
}

void QMSearchableSprite::RemoveSprite(boost::shared_ptr<TSprite> sprite) {
  for (auto it = mSprites.begin(); it != mSprites.end(); ++it)
    if (it->second == sprite) {
      mSprites.erase(it);
      break;
    }
  RemoveChild(sprite);
}

bool QMSearchableSprite::Hits(TSprite& candidate, const TPoint& point) {
  TSpriteDrawState parent;
  parent.transform = mState.transform;
  return candidate.HitTest(point, parent, 1, -1);
}

boost::shared_ptr<TSprite> QMSearchableSprite::FindChildAt(const TPoint& point) {
  // A copy: a hit test draws, and nothing may pull the list from under the walk.
  const ChildList children = mChildren;
  for (const boost::shared_ptr<TSprite>& child : children)
    if (Hits(*child, point)) return child;
  return boost::shared_ptr<TSprite>();
}

boost::shared_ptr<TSprite> QMSearchableSprite::FindNamedSpriteAt(const TPoint& point, str* name,
                                                                 const char* skip) {
  for (const auto& [key, sprite] : mSprites)
    if (!(skip && key == skip) && Hits(*sprite, point)) {
      if (name) *name = key;
      return sprite;
    }
  return boost::shared_ptr<TSprite>();
}
