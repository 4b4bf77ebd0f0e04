#include "anim/KAnimDescription.h"

#include <algorithm>
#include <new>

#include "anim/KAnimFilterStack.h"
#include "anim/KAnimMultiple.h"
#include "anim/KAnimProperties.h"
#include "anim/KAnimSound.h"
#include "anim/KAnimSprite.h"
#include "anim/KAnimSteps.h"
#include "anim/KFloatPi.h"
#include "render/TAnimatedSprite.h"
#include "render/TAssetMap.h"
#include "render/TSprite.h"
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "window/TWindowManager.h"

namespace {

float First(const KFloatList& l) { return l.empty() ? 0.0f : l[0]; }

// "from" over the record's value (or the start value), then "to" over that; both recorded.
void ReadFromTo(lua_State* L, int step, PropertyRecord& record, const char* name,
                const KFloatList& start, KFloatList& from, KFloatList& to) {
  auto it = record.find(name);
  from = it != record.end() ? it->second : start;
  KLuaFloats(L, step, "from", from);
  record[name] = from;
  to = from;
  KLuaFloats(L, step, "to", to);
  record[name] = to;
}

template <class Anim>
KAnimProcess* Timed(Anim* anim, const StepBuildContext& c, lua_State* L, int step) {
  if (!anim) return nullptr;
  if (c.clock) anim->SetClock(c.clock);
  anim->SetDuration(static_cast<float>(KLuaNumber(L, step, "duration", 0.0)));
  anim->SetEase(KLuaString(L, step, "ease"));
  return anim;
}

KAnimProcess* BuildProperty(const str& type, const StepBuildContext& c, lua_State* L, int step) {
  if (!c.target || !*c.target || !c.record) return nullptr;
  const KSpritePtr& sprite = *c.target;
  KFloatList from, to;
  if (type == "position") {
    ReadFromTo(L, step, *c.record, "position", KFloatsOf(KGetSpritePosition(*sprite)), from, to);
    return Timed(new (std::nothrow) KAnimMove<KSpritePtr>(sprite, KVec2Of(from), KVec2Of(to)), c, L,
                 step);
  }
  if (type == "scale") {
    ReadFromTo(L, step, *c.record, "scale", KFloatsOf(TVec2(1, 1)), from, to);
    auto* anim = new (std::nothrow)
        KAnimScale<KSpritePtr>(sprite, KNonZeroScale(KVec2Of(from)), KNonZeroScale(KVec2Of(to)));
    // The step's values multiply the transform as it was before the step.
    if (anim) anim->SetCurrent(TVec2(1, 1));
    return anim ? Timed(anim, c, L, step) : nullptr;
  }
  if (type == "rotation") {
    ReadFromTo(L, step, *c.record, "rotation", KFloatsOf(0.0f), from, to);
    return Timed(new (std::nothrow) KAnimRotate<KSpritePtr>(sprite, First(from) * kFloatPi / 180.0f,
                                                            First(to) * kFloatPi / 180.0f),
                 c, L, step);
  }
  if (type == "opacity") {
    ReadFromTo(L, step, *c.record, "opacity", KFloatsOf(sprite->GetDrawState().alpha), from, to);
    return Timed(new (std::nothrow) KAnimOpacity<KSpritePtr>(sprite, First(from), First(to)), c, L,
                 step);
  }
  ReadFromTo(L, step, *c.record, "anchorPoint", KFloatsOf(KGetSpriteAnchorPoint(*sprite)), from,
             to);
  return Timed(new (std::nothrow) KAnimAnchorPoint<KSpritePtr>(sprite, KVec2Of(from), KVec2Of(to)),
               c, L, step);
}

// Filter steps feed the context's filter stack and build no step of their own.
void BuildFilter(bool blur, const StepBuildContext& c, lua_State* L, int step) {
  if (!c.filters || !c.record) return;
  IKAnimFilter* filter = blur ? static_cast<IKAnimFilter*>(new (std::nothrow) KAnimBlur())
                              : new (std::nothrow) KAnimDarken();
  if (!filter) return;
  if (c.clock) c.filters->SetClock(c.clock);
  c.filters->SetDuration(static_cast<float>(KLuaNumber(L, step, "duration", 0.0)));
  KFloatList from, to;
  ReadFromTo(L, step, *c.record, blur ? "blur" : "darken", KFloatsOf(blur ? 0.0f : 1.0f), from, to);
  c.filters->AddFilter(filter, First(from), First(to));
  KReleaseRef(filter);
}

KAnimProcess* BuildSound(const StepBuildContext& c, lua_State* L, int step) {
  const str name = KLuaString(L, step, "sound");
  const str id = KLuaString(L, step, "id");
  if (name.IsEmpty()) return new (std::nothrow) KAnimSound(KLuaString(L, step, "command"), id);
  const int32_t group = NumberToInt(KLuaNumber(L, step, "soundType", 1003));
  // The asset manager answers a sound already loaded from its registry; the asset map keeps
  // it alive for the owner.
  boost::shared_ptr<TSound> sound = TSound::Get(name, false, group);
  if (!sound) return nullptr;
  if (c.assets) c.assets->AddAsset(name, sound);
  return new (std::nothrow) KAnimSound(sound, KLuaBool(L, step, "loop"), id);
}

KAnimProcess* BuildGroup(const StepBuildContext& c, lua_State* L, int step) {
  KAnimMultiple* group = nullptr;
  lua_pushnil(L);
  while (lua_next(L, step)) {
    if (lua_istable(L, -1)) {
      if (!group) group = new (std::nothrow) KAnimMultiple();
      if (KAnimProcess* p = group ? BuildAnimStep(c, L, -1) : nullptr) {
        group->Add(p);
        KReleaseRef(p);
      }
    }
    lua_pop(L, 1);
  }
  return group;
}

}  // namespace

KAnimProcess* BuildAnimStep(const StepBuildContext& c, lua_State* L, int idx) {
  const int step = KLuaAbsolute(L, idx);
  if (!lua_istable(L, step)) return nullptr;
  const str type = KLuaString(L, step, "type");
  if (type == "command") {
    TWindowManager* wm = TWindowManager::Instance();
    return new (std::nothrow)
        KAnimLuaCommand(TWindowScript::Of(wm), KLuaString(L, step, "command"));
  }
  if (type == "wait") {
    // Past the int range (or not a number) the plain cast is undefined: taken at the edges.
    const int32_t message = NumberToInt(KLuaNumber(L, step, "message", 0));
    if (message != 0) return new (std::nothrow) KAnimMessageWaiter(message);
    const double ms = std::clamp(KLuaNumber(L, step, "duration", 0), 0.0, 4294967295.0);
    auto* timer = new (std::nothrow) KAnimTimer<>(static_cast<uint32_t>(ms));
    if (timer && c.clock) timer->SetClock(c.clock);
    return timer;
  }
  if (type == "sound") return BuildSound(c, L, step);
  if (type == "animation") {
    auto sprite = c.target ? TAnimatedSprite::SharedCast(c.target->get())
                           : boost::shared_ptr<TAnimatedSprite>();
    if (!sprite) return nullptr;
    sprite->SetCurrentFrame(0);
    return new (std::nothrow) KAnimSprite(sprite, "AnimDone");
  }
  if (type == "multiple") return BuildGroup(c, L, step);
  if (type == "position" || type == "scale" || type == "rotation" || type == "opacity" ||
      type == "anchorPoint")
    return BuildProperty(type, c, L, step);
  if (type == "blur" || type == "darken") {
    BuildFilter(type == "blur", c, L, step);
    return nullptr;
  }
  if (type == "remove") {
    if (!c.target || !*c.target) return nullptr;
    return new (std::nothrow) KSpriteRemover((*c.target)->GetParent(), *c.target, 1);
  }
  if (type == "window") {
    const str window = KLuaString(L, step, "window");
    if (window.IsEmpty() || !(KLuaString(L, step, "command") == "clear")) return nullptr;
    return new (std::nothrow) QMClearWindow(window);
  }
  return nullptr;
}

void BuildAnimSequence(const StepBuildContext& c, lua_State* L, int idx) {
  const int table = KLuaAbsolute(L, idx);
  if (!lua_istable(L, table) || !c.container) return;
  lua_pushnil(L);
  while (lua_next(L, table)) {
    if (lua_istable(L, -1)) {
      if (KAnimProcess* p = BuildAnimStep(c, L, -1)) {
        c.container->Add(p);
        KReleaseRef(p);
      }
    }
    lua_pop(L, 1);
  }
}

void BuildAnimSequence(const StepBuildContext& c, const TLuaTable& table) {
  lua_State* L = table.GetState();
  const int top = lua_gettop(L);
  table.Push();
  BuildAnimSequence(c, L, -1);
  lua_settop(L, top);
}
