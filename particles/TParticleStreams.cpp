// The particle expression compiler (Lua value tables to postfix instruction streams) and the
// stream runner that walks a stream over each particle.
#include <cctype>
#include <cmath>
#include <cstring>

#include "core/EngineLog.h"
#include "particles/FMemberAccess.h"
#include "particles/FTime.h"
#include "particles/TLuaParticleSystem.h"
#include "particles/TParticleRenderer.h"
#include "script/LuaApi.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TScript.h"

namespace {

bool IsIdentifier(const str& name) {
  const char* s = name.CStr();
  if (!*s || std::isdigit(static_cast<unsigned char>(*s))) return false;
  for (; *s; ++s)
    if (!std::isalnum(static_cast<unsigned char>(*s)) && *s != '_') return false;
  return true;
}

// Whether a stream, run from an empty operand stack, stays within the runner's stack: the same
// walk the runner makes, counting slots and floats instead of computing values.
bool StreamFits(const std::vector<TParticleInstruction>& stream) {
  uint32_t offsets[TLuaParticleSystem::kStackSlots + 2] = {};
  uint32_t slot = 0, end = 0;
  for (const TParticleInstruction& in : stream) {
    if (end >= in.argCount) slot = end - in.argCount;
    if (in.resultWidth > 0) {
      if (slot >= TLuaParticleSystem::kStackSlots) return false;
      offsets[slot + 1] = offsets[slot] + in.resultWidth;
      if (offsets[slot + 1] > TLuaParticleSystem::kStackFloats) return false;
      ++slot;
    }
    end = slot;
  }
  return true;
}

}  // namespace

struct TLuaParticleSystem::Runner {
  float values[kStackFloats + 4] = {};
  uint8_t widths[256] = {};
  uint8_t memberWidths[256] = {};
  TParticleStack stack;
  TParticleContext context;
  TParticleFrame frame;

  Runner(TLuaParticleSystem* system, uint32_t elapsed) {
    stack.values = values;
    stack.widths = widths;
    stack.top = stack.capacity = kStackSlots;
    frame.system = system;
    frame.stack = &stack;
    frame.floatLimit = kStackFloats;

    // Slot i of the particle's data is member i; members that lie past the records (allocated
    // after the records were made) are left out, so nothing reads past a record.
    const uint32_t stride = system->mCollection->GetStrideFloats();
    uint32_t members = 0, floats = 0;
    for (uint8_t w : system->mMemberWidths) {
      if (members >= kStackSlots || floats + w > stride) break;
      memberWidths[members++] = w;
      floats += w;
    }
    context.data.widths = memberWidths;
    context.data.SetWidths(0, memberWidths, members);
    context.data.capacity = members;
    context.elapsed = elapsed;
  }

  void Run(const std::vector<TParticleInstruction>& stream, float* record) {
    context.data.values = record;
    context.alive = 1;
    frame.slot = frame.end = 0;
    frame.overflow = false;
    for (const TParticleInstruction& in : stream) {
      frame.Begin(in.argCount);
      if (!in.op->Execute(&context, &frame) || frame.overflow) break;
      frame.end = frame.slot;
    }
  }
};

void TLuaParticleSystem::RegisterFunction(const str& name, TParticleCreator creator) {
  mCreators[name] = creator;
  if (!IsIdentifier(name)) {
    EngineLog("Particle operation '%s' is not a Lua name; it gets no script function", name.CStr());
    return;
  }
  mScript->DoLuaString(
      str::Format("function %s(...) return CreateValue('%s',arg); end", name.CStr(), name.CStr()));
}

TParticleFunctionPtr TLuaParticleSystem::CreateFunction(const str& name) {
  const auto it = mCreators.find(name);
  if (it == mCreators.end()) {
    // The message reaches _ALERT as a string value, never as Lua text, so any name is safe.
    Alert(str::Format("Type not found: %s", name.CStr()));
    return TParticleFunctionPtr();
  }
  return TParticleFunctionPtr(it->second());
}

void TLuaParticleSystem::FailCompile(const str& message) {
  Alert(message);
  mCompileFailed = true;
}

int TLuaParticleSystem::CompileParam(lua_State* L, int index) {
  if (index < 0) index = lua_gettop(L) + 1 + index;
  TParticleInstruction in;
  switch (lua_type(L, index)) {
    case LUA_TTABLE: {
      const int n = lua_getmaxn(L, index);
      bool allNumbers = true;
      for (int i = 1; i <= n && allNumbers; ++i) {
        lua_rawgeti(L, index, i);
        allNumbers = lua_type(L, -1) == LUA_TNUMBER;
        lua_pop(L, 1);
      }
      lua_pushstring(L, "cmd");
      lua_gettable(L, index);
      const bool hasCmd = !lua_isnil(L, -1);
      str name = LuaToStr(L, -1);
      lua_pop(L, 1);
      if (!hasCmd && allNumbers) {
        float v[4] = {};
        for (int i = 1; i <= n && i <= 4; ++i) {
          lua_rawgeti(L, index, i);
          v[i - 1] = static_cast<float>(lua_tonumber(L, -1));
          lua_pop(L, 1);
        }
        // One number ("Value") is a constant of width 1, like a plain number.
        if (n == 1) in.op.reset(new FPush<float>(v[0]));
        if (n == 2) in.op.reset(new FPush<TVec2>(TVec2{v[0], v[1]}));
        if (n == 3) in.op.reset(new FPush<TVec3>(TVec3{v[0], v[1], v[2]}));
        if (n == 4) in.op.reset(new FPush<TVec4>(TVec4{v[0], v[1], v[2], v[3]}));
        if (!in.op) {
          // Compiled to nothing, the statement would leave its operation short of operands
          // and silently end every particle's run there.
          FailCompile(str::Format("A constant holds 1 to 4 numbers, not %d", n));
          return 0;
        }
        if (mCompileFailed) return n;
        in.resultWidth = static_cast<uint8_t>(n);
        mScratchStream.push_back(in);
        return n;
      }
      if (name.IsEmpty()) {
        name = "fVec";
        lua_pushvalue(L, index);
      } else {
        lua_pushstring(L, "params");
        lua_gettable(L, index);
      }
      const int params = lua_gettop(L);
      const int count = lua_istable(L, params) ? lua_getmaxn(L, params) : 0;
      lua_pushstring(L, "CompileParameters");
      lua_gettable(L, LUA_GLOBALSINDEX);
      lua_pushvalue(L, params);
      // An error inside an argument (a nesting too deep for the C stack, say) fails this
      // statement instead of leaving half of it in the scratch stream.
      if (lua_pcall(L, 1, 1, 0) != 0) {
        FailCompile(LuaToStr(L, -1));
        lua_settop(L, params - 1);
        return 0;
      }
      const int widths = lua_gettop(L);
      if (count > TParticleInstruction::kMaxArgs) {
        FailCompile(str::Format("%s takes at most %d arguments, not %d", name.CStr(),
                                TParticleInstruction::kMaxArgs, count));
        lua_settop(L, params - 1);
        return 0;
      }
      in.op = CreateFunction(name);
      if (!in.op) {
        mCompileFailed = true;
        lua_settop(L, params - 1);
        return 0;
      }
      in.argCount = static_cast<uint8_t>(count);
      for (int i = 0; i < count; ++i) {
        if (lua_istable(L, widths)) {
          lua_rawgeti(L, widths, i + 1);
          in.argWidths[i] = static_cast<uint8_t>(NumberToInt(lua_tonumber(L, -1)));
          lua_pop(L, 1);
        }
      }
      lua_settop(L, params - 1);
      // Forms the operations cannot run sensibly are refused here rather than at every particle.
      if (in.op->IsKindOf(FPick::GetClassId()) && count == 0) {
        FailCompile("fPick needs at least one value");
      } else if (in.op->IsKindOf(FFade::GetClassId()) && count % 2 != 0) {
        FailCompile("fFade needs a time, a first value and pairs of a duration and a value");
      } else if (in.op->IsKindOf(FClosedCycle::GetClassId()) && count == 3 &&
                 !mScratchStream.empty()) {
        const auto* steps = dynamic_cast<const FPush<float>*>(mScratchStream.back().op.get());
        if (steps && steps->GetValue() <= 1.0f)
          FailCompile("fClosedCycle needs more than one step");
      }
      in.resultWidth = in.op->ResultType(in.argCount, in.argWidths);
      if (!mCompileFailed) mScratchStream.push_back(in);
      return in.resultWidth;
    }
    case LUA_TNUMBER:
    case LUA_TSTRING:
      if (!lua_isnumber(L, index)) return 0;
      in.op.reset(new FPush<float>(static_cast<float>(lua_tonumber(L, index))));
      in.resultWidth = 1;
      if (!mCompileFailed) mScratchStream.push_back(in);
      return 1;
    case LUA_TUSERDATA: {
      if (!IsMember(L, index)) return 0;
      const TParticleMemberId id{
          static_cast<uint32_t>(reinterpret_cast<uintptr_t>(lua_touserdata(L, index)))};
      in.op.reset(new FGetParticleParam(id));
      in.argWidths[0] = static_cast<uint8_t>(id.Position());
      in.argWidths[1] = static_cast<uint8_t>(id.Width());
      in.resultWidth = static_cast<uint8_t>(id.Width());
      if (!mCompileFailed) mScratchStream.push_back(in);
      return id.Width();
    }
    default: return 0;
  }
}

void TLuaParticleSystem::Accumulate(std::vector<TParticleInstruction>& stream) {
  if (mCompileFailed) {
    mCompileFailed = false;
    mScratchStream.clear();
    return;
  }
  const size_t before = stream.size();
  stream.insert(stream.end(), mScratchStream.begin(), mScratchStream.end());
  mScratchStream.clear();
  if (!StreamFits(stream)) {
    stream.resize(before);
    Alert("Particle statement needs a deeper operand stack than the runner has; dropped");
  }
}

void TLuaParticleSystem::RunAnimStream(int ms) {
  if (mCollection->GetLiveCount() == 0 || mAnimStream.empty()) return;
  Runner runner(this, static_cast<uint32_t>(ms));
  std::list<float*>& live = mCollection->mLiveList;
  for (auto it = live.begin(); it != live.end();) {
    const auto node = it++;
    runner.Run(mAnimStream, *node);
    if (!runner.context.alive) {
      mCollection->mFreeList.splice(mCollection->mFreeList.begin(), live, node);
      --mCollection->mLiveCount;
    }
  }
}

void TLuaParticleSystem::CreateParticles(float count) {
  if (mCollection->GetCapacity() == 0) return;
  // A count that is not a number would leave the pending count NaN, and the effect would
  // never spawn again.
  if (std::isnan(count)) {
    EngineLog("CreateParticles: the count is not a number; nothing spawned");
    return;
  }
  mPendingSpawn += count;
  const uint32_t stride = mCollection->GetStrideFloats();
  const int defaults = std::min<int>(mRenderer->GetDefaultCount(), static_cast<int>(stride));
  Runner runner(this, 0);
  while (mPendingSpawn > 0.0f) {
    mPendingSpawn -= 1.0f;
    if (mCollection->mFreeList.empty()) break;
    float* record = mCollection->mFreeList.front();
    std::fill(record, record + stride, 0.0f);
    if (defaults > 0)
      std::copy(mRenderer->GetDefaults(), mRenderer->GetDefaults() + defaults, record);
    runner.Run(mInitStream, record);
    mCollection->mLiveList.splice(mCollection->mLiveList.begin(), mCollection->mFreeList,
                                  mCollection->mFreeList.begin());
    ++mCollection->mLiveCount;
  }
}
