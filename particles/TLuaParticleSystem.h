// One particle effect: a private Lua state in which a particle description runs, the members
// every particle carries, the init and animation streams compiled from the description's
// expressions, the particle records and the renderer that draws them.
#pragma once

#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <map>
#include <vector>

#include "core/TVec.h"
#include "core/str.h"
#include "particles/TParticleCollection.h"
#include "particles/TParticleFunction.h"

class TParticleRenderer;
class TRandom;
class TScript;
class TScriptCode;
struct lua_State;

// One record of a compiled stream: the operation and how many values it takes off the stack.
struct TParticleInstruction {
  static constexpr int kMaxArgs = 11;
  TParticleFunctionPtr op;
  uint8_t argCount = 0;
  // Argument widths of an operation; for a member read, the position's low byte and the width.
  uint8_t argWidths[kMaxArgs] = {};
  // Width of what the operation pushes, kept to check a stream's depth before it runs.
  uint8_t resultWidth = 0;
};

class TLuaParticleSystem {
public:
  // The runner's operand stack: 255 slots of up to four floats.
  static constexpr uint32_t kStackSlots = 255;
  static constexpr uint32_t kStackFloats = 1020;
  static constexpr uint32_t kMaxRecordFloats = 255;

  // renderer null: the system makes and owns a T2dParticleRenderer.
  explicit TLuaParticleSystem(TParticleRenderer* renderer = nullptr);
  TLuaParticleSystem(const TLuaParticleSystem&) = delete;
  TLuaParticleSystem& operator=(const TLuaParticleSystem&) = delete;
  virtual ~TLuaParticleSystem();

  // Starts over: a fresh Lua environment, no members, streams or particles.
  void InitScript();
  // Binds a native function as a read-only member under a global name; returns its position.
  int DefineMember(const str& name, TParticleFunction* fn);
  // A ".lua" file by name, or any other text run as Lua.
  virtual bool Load(const str& name);
  virtual void Update(int ms);
  void Draw(const TVec3& origin);

  void RegisterFunction(const str& name, TParticleCreator creator);
  TParticleFunctionPtr CreateFunction(const str& name);
  void RunAnimStream(int ms);

  // Computed member n (0 for the first bound), null when there is none.
  TParticleFunction* GetMemberFunction(int n) const;

  // The generator every system shares; made by the first system and deleted with the last.
  static TRandom& Random();

  TScript* GetScript() const { return mScript; }
  lua_State* GetState() const;
  TParticleRenderer* GetRenderer() const { return mRenderer; }
  const TParticleCollection& GetCollection() const { return *mCollection; }
  const std::vector<TParticleInstruction>& GetInitStream() const { return mInitStream; }
  const std::vector<TParticleInstruction>& GetAnimStream() const { return mAnimStream; }
  const std::vector<TParticleInstruction>& GetScratchStream() const { return mScratchStream; }
  const std::vector<uint8_t>& GetMemberWidths() const { return mMemberWidths; }
  uint8_t GetFloatsPerParticle() const { return mFloatsPerParticle; }
  float GetPendingSpawn() const { return mPendingSpawn; }
  const str& GetBasePath() const { return mBasePath; }
  bool IsDone() const { return mDone; }
  float GetAlpha() const { return mAlpha; }
  void SetAlpha(float alpha) { mAlpha = alpha; }

  // Script-facing operations (bound into the system's Lua state).
  void SetNumParticles(int n);
  void SetTextureName(const str& name);
  void CreateParticles(float count);
  // Pushes the new member's id, or nil when it is refused.
  void Allocate(lua_State* L, int n);
  // Emits one value's instructions; the width, or -1 when nothing is to be returned.
  int CompileParam(lua_State* L, int index);
  void AccumulateInitStream() { Accumulate(mInitStream); }
  void AccumulateAnimStream() { Accumulate(mAnimStream); }
  void SetDone() { mDone = true; }

private:
  void BindScriptFunctions();
  void Accumulate(std::vector<TParticleInstruction>& stream);
  void FailCompile(const str& message);
  void Alert(const str& message);
  void PushMember(lua_State* L, TParticleMemberId id);
  bool IsMember(lua_State* L, int index);
  // Runs a stream over the particle at *record.
  struct Runner;

  bool mOwnsRenderer = false;
  TParticleRenderer* mRenderer = nullptr;
  TParticleCollection* mCollection = nullptr;
  TScript* mScript = nullptr;
  boost::shared_ptr<TScriptCode> mCode;
  str mBasePath;
  std::vector<float> mParticleData;
  uint8_t mFloatsPerParticle = 0;
  std::vector<uint8_t> mMemberWidths;
  std::vector<TParticleFunction*> mMemberFunctions;
  std::map<str, TParticleCreator> mCreators;
  std::vector<TParticleInstruction> mInitStream;
  std::vector<TParticleInstruction> mAnimStream;
  std::vector<TParticleInstruction> mScratchStream;
  float mAlpha = 1.0f;
  bool mDone = false;
  float mPendingSpawn = 0.0f;
  // Set when a value could not be compiled: the statement being built is dropped at the next
  // accumulation rather than run half-made.
  bool mCompileFailed = false;
  // The last error Update raised, logged when it was new.
  str mLastUpdateError;
};
