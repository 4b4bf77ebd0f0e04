// Animations described as Lua tables of steps: each step table becomes one process (timer,
// command, message wait, sound, sprite animation, property animation, parallel group), and the
// steps of one table run one after another in a queue. Tables are read leniently: a missing
// key takes its default, a key of the wrong type reads as 0, false or empty.
#pragma once

#include <map>

#include <boost/shared_ptr.hpp>

#include "anim/KLuaFloats.h"
#include "core/str.h"

class IKAnimManager;
class KAnimFilterStack;
class KAnimProcess;
class TAssetMap;
class TClock;
class TLuaTable;
class TSprite;
struct lua_State;

// Per property name ("position", "scale", "rotation", "opacity", "anchorPoint", "blur",
// "darken"), the value the last step of that property ended at.
using PropertyRecord = std::map<str, KFloatList>;

struct StepBuildContext {
  IKAnimManager* container = nullptr;
  boost::shared_ptr<TSprite>* target = nullptr;
  TClock* clock = nullptr;
  PropertyRecord* record = nullptr;
  KAnimFilterStack* filters = nullptr;
  TAssetMap* assets = nullptr;
};

// Every table-valued entry of the table at idx, in traversal order, built as a step and added
// to the context's container.
void BuildAnimSequence(const StepBuildContext& context, lua_State* L, int idx);
void BuildAnimSequence(const StepBuildContext& context, const TLuaTable& table);
// A new process (one reference, the caller's) for the step table at idx, or null when the
// step builds nothing.
KAnimProcess* BuildAnimStep(const StepBuildContext& context, lua_State* L, int idx);
