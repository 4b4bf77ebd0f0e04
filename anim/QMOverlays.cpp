#include "anim/QMOverlays.h"

#include <algorithm>

#include "anim/KFloatPi.h"
#include "anim/KAnimFilterStack.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimQueue.h"
#include "anim/KFilter.h"
#include "anim/TTextSprite.h"
#include "core/EngineLog.h"
#include "render/QMSearchableSprite.h"
#include "render/TAnimatedSprite.h"
#include "render/TAnimatedTexture.h"
#include "render/TSprite.h"
#include "render/TTexture.h"
#include "render/TTextureData.h"
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "window/TImage.h"
#include "window/TWindowManager.h"

namespace {

QMSearchableSprite* Searchable(TSprite* s) {
  return s && s->IsKindOf(QMSearchableSprite::GetClassId()) ? static_cast<QMSearchableSprite*>(s)
                                                            : nullptr;
}

// Registered under the name when the parent keeps named children, else a plain child.
void Place(TSprite* parent, const boost::shared_ptr<TSprite>& sprite, const str& name) {
  if (!parent) return;
  QMSearchableSprite* named = Searchable(parent);
  if (named && !name.IsEmpty())
    named->AddSprite(sprite, name);
  else
    parent->AddChild(sprite);
}

TVec2 PictureSize(const TSprite& s) {
  const auto t = s.GetTexture();
  return t ? TVec2(static_cast<float>(t->GetWidth()), static_cast<float>(t->GetHeight()))
           : TVec2(0, 0);
}

void SetOriginFromAnchor(TSprite& s, const TVec2& anchor) {
  if (!s.GetTexture()) return;
  const TVec2 size = PictureSize(s);
  s.GetDrawState().origin = TVec2(size.x * anchor.x, size.y * anchor.y);
  s.GetDrawState().flags |= TDrawParams::kUseOrigin;
}

KFloatList Zeros() { return KFloatList(4, 0.0f); }

// The picture's own file (without the mask a masked picture's file name joins to it), cut at
// the first "." of the file's name: a folder's name may hold a dot too.
str FileWithoutExtension(const TTexture& picture) {
  const TTextureData* data = picture.GetData();
  const str source =
      data && !data->mSourceName.IsEmpty() ? data->mSourceName : picture.GetFileName();
  const int slash = std::max(source.Find('/', str::kBackwards), source.Find('\\', str::kBackwards));
  const int dot = source.Find('.', 0, static_cast<unsigned>(slash + 1));
  return dot < 0 ? source : source.Substr(0, static_cast<unsigned>(dot));
}

// The picture of the named image window. A picture made at run time has no file: the entry
// then shows a filtered copy of it; otherwise its file is loaded again as a texture of its own.
boost::shared_ptr<TTexture> WindowPicture(const str& name, OverlayItem& item) {
  TWindowManager* wm = TWindowManager::Instance();
  TWindow* root = wm ? wm->GetRoot() : nullptr;
  TWindow* w = root ? root->FindChild(name, -1) : nullptr;
  if (!w || !w->IsKindOf(TImage::GetClassId())) return boost::shared_ptr<TTexture>();
  const boost::shared_ptr<TTexture>& picture = static_cast<TImage*>(w)->GetTexture();
  if (!picture) return picture;
  const str file = picture->GetFileName();
  if (file.IsEmpty() || file == ".") {
    auto* copy = new KScale(1.0f, 0);
    item.MakeFilterStack()->AddFilter(copy);
    KReleaseRef(copy);
    return picture;
  }
  str reload = FileWithoutExtension(*picture);
  if (picture->GetWidth() > 1024 || picture->GetHeight() > 1024) reload += "?slow";
  return TTexture::Get(reload, 2);
}

// The floats of the value on top of the stack over zeros.
KFloatList TopFloats(lua_State* L) {
  KFloatList l = Zeros();
  KReadLuaFloats(L, -1, l, true);
  return l;
}

}  // namespace

OverlayItem::OverlayItem(boost::shared_ptr<TSprite> sprite)
    : mSprite(std::move(sprite)), mQueue(new KAnimQueue(), [](KAnimQueue* queue) {
        queue->Cancel();
        KReleaseRef(queue);
      }) {}

OverlayItem::OverlayItem(const OverlayItem& other)
    : mSprite(other.mSprite), mQueue(other.mQueue), mFilters(other.mFilters) {
  KAddRef(mFilters);
}

OverlayItem& OverlayItem::operator=(const OverlayItem& other) {
  if (this == &other) return *this;
  KAddRef(other.mFilters);
  Drop();
  mSprite = other.mSprite;
  mQueue = other.mQueue;
  mFilters = other.mFilters;
  return *this;
}

OverlayItem::~OverlayItem() { Drop(); }

void OverlayItem::Drop() {
  if (QMFilterStack* filters = mFilters) {
    mFilters = nullptr;
    // The last entry holding the stack takes it off the idle list.
    if (filters->GetRefCount() <= 2) filters->RemoveFromIdleList();
    KReleaseRef(filters);
  }
  mQueue.reset();
  mSprite.reset();
}

QMFilterStack* OverlayItem::MakeFilterStack() {
  if (!mFilters) {
    mFilters = new QMFilterStack();
    mFilters->AddToIdleList();
  }
  return mFilters;
}

QMOverlays::~QMOverlays() {
  while (!mOverlays.empty()) mOverlays.pop_back();
}

OverlayItem& QMOverlays::AppendOverlay(boost::shared_ptr<TSprite> sprite) {
  mOverlays.emplace_back(std::move(sprite));
  return mOverlays.back();
}

void QMOverlays::VisitOverlayQueues(void (KAnimProcess::*operation)()) {
  for (OverlayItem& item : mOverlays)
    if (KAnimProcess* q = item.GetQueue()) (q->*operation)();
}

namespace {

// The steps of the table at idx into the entry's queue, acting on the entry's sprite.
void BuildEntryAnimation(QMOverlays* owner, OverlayItem& item, TClock* clock,
                         PropertyRecord& record, KAnimFilterStack* filters, lua_State* L, int idx) {
  boost::shared_ptr<TSprite> target = item.GetSprite();
  StepBuildContext c;
  c.container = item.GetQueue();
  c.target = &target;
  c.clock = clock;
  c.record = &record;
  c.filters = filters;
  c.assets = owner->GetOverlayAssets();
  BuildAnimSequence(c, L, idx);
}

// The "blur" and "darken" steps of an animation refilter the sprite's picture for their
// duration; a stack that got none is simply dropped.
void StartAnimatedFilters(KAnimFilterStack* animated, const boost::shared_ptr<TSprite>& sprite) {
  // A running stack is held by its task until it ends; one that cannot start ends at once.
  if (animated->GetFilterCount() > 0) {
    animated->SetTarget(sprite);
    animated->Start();
  }
  KReleaseRef(animated);
}

}  // namespace

void BuildOverlayAnimation(QMOverlays* owner, const boost::shared_ptr<TSprite>& sprite,
                           TClock* clock, PropertyRecord& record, lua_State* L, int idx) {
  if (!owner || !sprite) return;
  OverlayItem& item = owner->AppendOverlay(sprite);
  // "position" steps without "from" start at (0, 0).
  record["position"] = KFloatsOf(TVec2(0, 0));
  // Filter steps run here as they do for an overlay entry: dropping the stack they were
  // built into would silently lose every "blur" and "darken" a sprite's animation asks for.
  auto* filters = new KAnimFilterStack();
  BuildEntryAnimation(owner, item, clock, record, filters, L, idx);
  StartAnimatedFilters(filters, sprite);
}

OverlayBuildContext::OverlayBuildContext(boost::shared_ptr<TSprite> parent, TClock* clock,
                                         QMOverlays* owner)
    : mParent(std::move(parent)), mClock(clock), mOwner(owner) {}

OverlayBuildContext::~OverlayBuildContext() {
  if (!mOwner || !mPendingAnim) return;
  lua_State* L = mPendingAnim->GetState();
  const int top = lua_gettop(L);
  mPendingAnim->Push();
  BuildOverlayAnimation(mOwner, mParent, mClock, mRecord, L, -1);
  lua_settop(L, top);
}

void OverlayBuildContext::BuildItems(const TLuaTable& table) {
  lua_State* L = table.GetState();
  const int top = lua_gettop(L);
  table.Push();
  BuildItems(L, -1);
  lua_settop(L, top);
}

void OverlayBuildContext::BuildItems(lua_State* L, int idx) {
  const int list = KLuaAbsolute(L, idx);
  if (!lua_istable(L, list)) return;
  lua_pushnil(L);
  while (lua_next(L, list)) {
    if (lua_istable(L, -1)) BuildItem(L, lua_gettop(L));
    lua_pop(L, 1);
  }
}

boost::shared_ptr<TSprite> OverlayBuildContext::MakeSprite(lua_State* L, int item,
                                                           TVec2& defaultPosition) {
  const str type = KLuaString(L, item, "type");
  boost::shared_ptr<TSprite> sprite;
  if (type == "image") {
    const str image = KLuaString(L, item, "image");
    sprite = TSprite::Create(
        0, image.IsEmpty() ? boost::shared_ptr<TTexture>() : TTexture::Get(image, 0));
  } else if (type == "animation") {
    boost::shared_ptr<TAnimatedSprite> animated = TAnimatedSprite::Create(0);
    animated->SetTexture(TAnimatedTexture::Get(KLuaString(L, item, "animation")));
    sprite = animated;
  } else if (type == "sprite") {
    if (!KLuaPushTable(L, item, "sprites")) {
      QMSearchableSprite* named = Searchable(mParent.get());
      const str name = KLuaString(L, item, "name");
      return named && !name.IsEmpty() ? named->GetSprite(name) : boost::shared_ptr<TSprite>();
    }
    lua_pop(L, 1);
    auto container = boost::shared_ptr<QMSearchableSprite>(new QMSearchableSprite(0));
    const str image = KLuaString(L, item, "image");
    if (!image.IsEmpty()) container->SetTexture(TTexture::Get(image, 0));
    sprite = container;
  } else if (!type.IsEmpty() || KLuaHas(L, item, "text")) {
    // Any other item is a text item: a text sprite built from the item's own keys. A table
    // with neither a type nor a text (a position's pair of numbers beside the items) is a
    // value, not an item.
    lua_pushvalue(L, item);
    TLuaTable description(L);
    sprite = CreateTextSprite(description);
    if (KLuaHas(L, item, "box")) {
      KFloatList box = Zeros();
      KLuaFloats(L, item, "box", box);
      defaultPosition = TVec2(box[0], box[1]);
    }
  } else {
    return sprite;
  }
  const bool sizedByBox = type == "image" || type == "animation" || type == "sprite";
  if (sizedByBox && sprite && sprite->GetTexture()) {
    sprite->GetDrawState().flags |= TDrawParams::kUseOrigin;
    sprite->GetDrawState().origin = TVec2(0, 0);
    KFloatList box = Zeros();
    if (KLuaHas(L, item, "box")) {
      KLuaFloats(L, item, "box", box);
      const TVec2 size = PictureSize(*sprite);
      const TVec2 scale(box[2] / size.x, box[3] / size.y);
      sprite->GetDrawState().transform.Scale(scale.x, scale.y);
      mRecord["scale"] = KFloatsOf(scale);
      defaultPosition = TVec2(box[0], box[1]);
    }
  }
  if (type == "sprite" && sprite) {
    OverlayBuildContext inner(sprite, mClock, mOwner);
    if (KLuaPushTable(L, item, "sprites")) {
      inner.BuildItems(L, -1);
      lua_pop(L, 1);
    }
  }
  return sprite;
}

void OverlayBuildContext::BuildItem(lua_State* L, int item) {
  if (KLuaString(L, item, "type") == "KAnim") {
    if (mOwner) {
      lua_pushvalue(L, item);
      mPendingAnim.reset(new TLuaTable(L));
    }
    return;
  }
  TVec2 defaultPosition(0, 0);
  boost::shared_ptr<TSprite> sprite = MakeSprite(L, item, defaultPosition);
  if (!sprite) return;
  mCurrent = sprite;
  TSpriteDrawState& state = sprite->GetDrawState();
  if (KLuaHas(L, item, "layer")) sprite->SetLayer(NumberToInt(KLuaNumber(L, item, "layer", 0)));
  state.flags |= TDrawParams::kUseOrigin;
  state.alpha = static_cast<float>(KLuaNumber(L, item, "opacity", 1.0));
  KFloatList anchor = Zeros();
  KLuaFloats(L, item, "anchorPoint", anchor);
  if (sprite->GetTexture()) {
    const TVec2 size = PictureSize(*sprite);
    state.origin = TVec2(size.x * anchor[0], size.y * anchor[1]);
  }
  mRecord["anchorPoint"] = anchor;
  TVec2 position = defaultPosition;
  if (KLuaHas(L, item, "position")) {
    KFloatList p = Zeros();
    KLuaFloats(L, item, "position", p);
    position = KVec2Of(p);
  }
  state.transform.m[2].x = position.x;
  state.transform.m[2].y = position.y;
  const float degrees = static_cast<float>(KLuaNumber(L, item, "rotation", 0.0));
  if (degrees != 0.0f) {
    state.transform.Rotate(degrees * kFloatPi / 180.0f);
    mRecord["rotation"] = KFloatsOf(degrees);
  }
  if (KLuaHas(L, item, "scale")) {
    KFloatList s = Zeros();
    KLuaFloats(L, item, "scale", s);
    const TVec2 scale = KNonZeroScale(KVec2Of(s));
    state.transform.Scale(scale.x, scale.y);
    mRecord["scale"] = KFloatsOf(scale);
  }
  // A sprite found by name is already in place.
  if (sprite->GetParent() != mParent.get())
    Place(mParent.get(), sprite, KLuaString(L, item, "name"));
  if (KLuaPushTable(L, item, "KAnim")) {
    BuildOverlayAnimation(mOwner, sprite, mClock, mRecord, L, -1);
    lua_pop(L, 1);
  }
}

void QMOverlayParser::Parse(const TLuaTable& entry, int32_t layer) {
  lua_State* L = entry.GetState();
  const int top = lua_gettop(L);
  entry.Push();
  Parse(L, -1, layer);
  lua_settop(L, top);
}

void QMOverlayParser::Parse(lua_State* L, int idx, int32_t layer) {
  const int table = KLuaAbsolute(L, idx);
  if (!lua_istable(L, table) || !mOverlays || !mParent || !*mParent) return;
  TSprite* parent = mParent->get();
  QMSearchableSprite* named = Searchable(parent);
  boost::shared_ptr<TSprite> sprite;
  str name;
  if (named) {
    if (KLuaHas(L, table, "sprite")) {
      name = KLuaString(L, table, "sprite");
      sprite = named->GetSprite(name);
    }
    if (!sprite) {
      name = KLuaString(L, table, "name");
      sprite = named->GetSprite(name);
    }
  }
  if (!sprite) {
    sprite = TSprite::Create(layer);
    Place(parent, sprite, name);
  }
  OverlayItem& item = mOverlays->AppendOverlay(sprite);
  PropertyRecord record;
  TVec2 anchor(0, 0);
  std::unique_ptr<TLuaTable> child, anim;
  auto filters = [&]() { return item.MakeFilterStack(); };
  auto addFilter = [&](KFilter* f) {
    filters()->AddFilter(f);
    KReleaseRef(f);
  };

  lua_pushnil(L);
  while (lua_next(L, table)) {
    if (lua_type(L, -2) != LUA_TSTRING) {
      lua_pop(L, 1);
      continue;
    }
    const str key = lua_tostring(L, -2);
    TSpriteDrawState& state = sprite->GetDrawState();
    if (key == "KText" || key == "KSprite" || key == "KAnim") {
      if (lua_istable(L, -1)) {
        lua_pushvalue(L, -1);
        (key == "KAnim" ? anim : child).reset(new TLuaTable(L));
      }
    } else if (key == "image") {
      const str image = lua_type(L, -1) == LUA_TSTRING ? str(lua_tostring(L, -1)) : str();
      sprite->SetTexture(image.Find("window:") == 0 ? WindowPicture(image.Substr(7), item)
                                                    : TTexture::Get(image, 0));
      SetOriginFromAnchor(*sprite, anchor);
    } else if (key == "position") {
      const KFloatList p = TopFloats(L);
      record["position"] = p;
      state.transform.m[2].x = p[0];
      state.transform.m[2].y = p[1];
    } else if (key == "scale") {
      const TVec2 s = KNonZeroScale(KVec2Of(TopFloats(L)));
      record["scale"] = KFloatsOf(s);
      state.transform.Scale(s.x, s.y);
    } else if (key == "rotation") {
      const float r = TopFloats(L)[0];
      record["rotation"] = KFloatsOf(r);
      state.transform.Rotate(r);
    } else if (key == "opacity") {
      const float o = TopFloats(L)[0];
      record["opacity"] = KFloatsOf(o);
      state.alpha = o;
    } else if (key == "anchorPoint") {
      anchor = KVec2Of(TopFloats(L));
      record["anchorPoint"] = KFloatsOf(anchor);
      SetOriginFromAnchor(*sprite, anchor);
    } else if (key == "layer") {
      sprite->SetLayer(NumberToInt(lua_tonumber(L, -1)));
    } else if (key == "blur" || key == "darken") {
      const float v = TopFloats(L)[0];
      record[key] = KFloatsOf(v);
      if (key == "blur")
        addFilter(new KBlur(v));
      else
        addFilter(new KDarken(v));
    } else if (key == "mask") {
      addFilter(new KMask(lua_type(L, -1) == LUA_TSTRING ? str(lua_tostring(L, -1)) : str()));
    }
    lua_pop(L, 1);
  }

  if (child) {
    auto childSprite = TSprite::Create(0);
    lua_State* CL = child->GetState();
    const int top = lua_gettop(CL);
    child->Push();
    const int ct = lua_gettop(CL);
    Place(sprite.get(), childSprite, KLuaString(CL, ct, "name"));
    KFloatList p = Zeros();
    KLuaFloats(CL, ct, "position", p);
    record["position"] = p;
    KSetSpritePosition(*childSprite, KVec2Of(p));
    childSprite->GetDrawState().alpha = static_cast<float>(KLuaNumber(CL, ct, "opacity", 1.0));
    {
      OverlayBuildContext list(childSprite, mClock, mOverlays);
      list.BuildItems(CL, ct);
    }
    lua_settop(CL, top);
  }
  auto* animated = new KAnimFilterStack();
  if (anim) {
    const int top = lua_gettop(L);
    anim->Push(L);
    BuildEntryAnimation(mOverlays, item, mClock, record, animated, L, -1);
    lua_settop(L, top);
  }
  if (QMFilterStack* still = item.GetFilterStack()) {
    if (sprite->GetTexture()) {
      still->SetSource(sprite->GetTexture());
      still->DoTask();
      if (still->GetOutput()) sprite->SetTexture(still->GetOutput());
    }
  }
  StartAnimatedFilters(animated, sprite);
}
