// Particle descriptions in Lua: what they compile to, how particles spawn, run and die, and
// the forms the compiler refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "assets/file_test_folder.h"
#include "core/EngineLog.h"
#include "core/TRandom.h"
#include "particles/FArithmetic.h"
#include "particles/FMemberAccess.h"
#include "particles/FTime.h"
#include "particles/TLuaParticleSystem.h"
#include "particles/TParticleRenderer.h"
#include "script/binding/TScript.h"

namespace {

// A system whose _ALERT messages collect in the global "alerts" for the test to read.
std::unique_ptr<TLuaParticleSystem> MakeSystem() {
  auto system = std::make_unique<TLuaParticleSystem>();
  system->GetScript()->DoLuaString(
      "alerts = '' function _ALERT(m) alerts = alerts .. m .. '\\n' end");
  return system;
}

str Alerts(TLuaParticleSystem& s) { return s.GetScript()->GetGlobalString("alerts"); }

double Global(TLuaParticleSystem& s, const char* expr) {
  s.GetScript()->DoLuaString(str::Format("result = %s", expr));
  return s.GetScript()->GetGlobalNumber("result");
}

// Class names of a stream's operations, with constants and member reads spelled out.
std::vector<std::string> Describe(const std::vector<TParticleInstruction>& stream) {
  std::vector<std::string> out;
  for (const TParticleInstruction& in : stream) {
    TParticleFunction* op = in.op.get();
    if (auto* get = dynamic_cast<FGetParticleParam*>(op)) {
      out.push_back("get " + std::to_string(get->GetId().Position()) + "/" +
                    std::to_string(get->GetId().Width()));
    } else if (auto* f = dynamic_cast<FPush<float>*>(op)) {
      std::ostringstream s;
      s << "push " << f->GetValue();
      out.push_back(s.str());
    } else if (dynamic_cast<FPush<TVec2>*>(op)) {
      out.push_back("push vec2");
    } else {
      out.push_back(op->GetClassName());
    }
  }
  return out;
}

const float* Record(const TLuaParticleSystem& s, int n) {
  const TParticleCollection& c = s.GetCollection();
  return c.mRecords + static_cast<size_t>(n) * c.GetStrideFloats();
}

}  // namespace

TEST(ParticleSystem, RendererMembersComeFirst) {
  auto s = MakeSystem();
  EXPECT_EQ(s->GetFloatsPerParticle(), 10);
  EXPECT_EQ(s->GetMemberWidths(), (std::vector<uint8_t>{2, 2, 1, 4, 1}));
  s->GetScript()->DoLuaString("p, w = GetParticleMemberParts(pColor)");
  EXPECT_EQ(s->GetScript()->GetGlobalNumber("p"), 5);
  EXPECT_EQ(s->GetScript()->GetGlobalNumber("w"), 4);
}

TEST(ParticleSystem, ValuesCompileToPostfixStreams) {
  auto s = MakeSystem();
  struct Case {
    const char* value;
    double width;
    std::vector<std::string> stream;
  };
  const Case cases[] = {
      {"Vec2(1, 2)", 2, {"push vec2"}},
      {"3", 1, {"push 3"}},
      {"pColor", 4, {"get 5/4"}},
      // A table of a member and a number without "cmd" is a vector made of them.
      {"{pScale, 2}", 1, {"get 4/1", "push 2", "FVec"}},
      {"fGreater(pScale, 2)", 1, {"push 2", "get 4/1", "FLt"}},
      {"pPosition + fTimeScale(Vec2(0, 5))", 2, {"get 0/2", "push vec2", "FTimeScale", "FAdd"}},
      {"pPosition[2]", 1, {"push 0", "push 2", "FIndex"}},
  };
  for (const Case& c : cases) {
    s->GetScript()->DoLuaString(str::Format("width = CompileParam(%s)", c.value));
    EXPECT_EQ(s->GetScript()->GetGlobalNumber("width"), c.width) << c.value;
    EXPECT_EQ(Describe(s->GetScratchStream()), c.stream) << c.value;
    s->AccumulateInitStream();
    s->InitScript();
    s->GetScript()->DoLuaString("alerts = '' function _ALERT(m) alerts = alerts .. m end");
  }

  // A colour faded over the age: the read, the fade's arguments, the fade, the product, then
  // the member's position and width and the store.
  s->GetScript()->DoLuaString(
      "pAge = Allocate(1)\n"
      "pColor:Anim(pColor * fFade(pAge, 1, 1000, 0))");
  EXPECT_EQ(Describe(s->GetAnimStream()),
            (std::vector<std::string>{"get 5/4", "get 10/1", "push 1", "push 1000", "push 0",
                                      "FFade", "FMul", "push 5", "push 4", "FAssign"}));
  EXPECT_TRUE(s->GetScratchStream().empty());
  EXPECT_STREQ(Alerts(*s).CStr(), "");
}

TEST(ParticleSystem, FractionalSpawningCarriesOver) {
  auto s = MakeSystem();
  s->GetScript()->DoLuaString("SetNumParticles(3)");
  s->CreateParticles(2.5f);
  EXPECT_EQ(s->GetCollection().GetLiveCount(), 3);
  EXPECT_FLOAT_EQ(s->GetPendingSpawn(), -0.5f);
  s->CreateParticles(0.5f);
  EXPECT_EQ(s->GetCollection().GetLiveCount(), 3);
  EXPECT_FLOAT_EQ(s->GetPendingSpawn(), 0.0f);
  // Full: one unit is spent, the rest waits.
  s->CreateParticles(5.0f);
  EXPECT_EQ(s->GetCollection().GetLiveCount(), 3);
  EXPECT_FLOAT_EQ(s->GetPendingSpawn(), 4.0f);

  // A count that is not a number spawns nothing and leaves later spawns working.
  auto nan = MakeSystem();
  nan->GetScript()->DoLuaString("SetNumParticles(3) CreateParticles(0/0)");
  EXPECT_EQ(nan->GetCollection().GetLiveCount(), 0);
  nan->CreateParticles(1.0f);
  EXPECT_EQ(nan->GetCollection().GetLiveCount(), 1);

  auto empty = MakeSystem();
  empty->CreateParticles(2.0f);
  EXPECT_EQ(empty->GetPendingSpawn(), 0.0f);
}

TEST(ParticleSystem, FreeListHandsOutLastRecordFirstAndReusesTheDead) {
  auto s = MakeSystem();
  s->GetScript()->DoLuaString(
      "pDie = Allocate(1)\n"
      "Anim(fExpire(pDie))\n"
      "SetNumParticles(3)");
  const auto& live = s->GetCollection().mLiveList;
  std::vector<const float*> order;
  for (int i = 0; i < 3; ++i) {
    s->CreateParticles(1);
    order.push_back(live.front());
  }
  EXPECT_EQ(order, (std::vector<const float*>{Record(*s, 2), Record(*s, 1), Record(*s, 0)}));
  // The particle at record 1 dies at the next update and is the next one handed out.
  const_cast<float*>(Record(*s, 1))[10] = 1;
  s->Update(16);
  EXPECT_EQ(s->GetCollection().GetLiveCount(), 2);
  s->CreateParticles(1);
  EXPECT_EQ(live.front(), Record(*s, 1));
}

TEST(ParticleSystem, SixtyUpdatesGiveExactRecords) {
  auto s = MakeSystem();
  s->GetScript()->DoLuaString(
      "pAge = Allocate(1)\n"
      "RequireVelocity()\n"
      "SetNumParticles(4)\n"
      "pPosition:Init(Vec2(10, 20))\n"
      "pVelocity:Init(Vec2(100, -40))\n"
      "pPosition:Anim(pPosition + fTimeScale(pVelocity))\n"
      "SetUpGravity(50)\n"
      "pAge:Anim(pAge + fTimeScale(1000))\n"
      "pColor:Anim(Color(1, 1, 1, 1) * fFade(pAge, 1, 800, 0))\n"
      "Anim(fExpire(fGreater(pAge, 900)))\n"
      "function Update(s) if not spawned then Spawn(1) spawned = true end end\n"
      "function Create() end");
  EXPECT_STREQ(Alerts(*s).CStr(), "");
  float x = 10, y = 20, vx = 100, vy = -40, age = 0;
  for (int frame = 0; frame < 60; ++frame) {
    s->Update(16);
    const long double dt = 16;
    x = x + static_cast<float>(vx * dt / 1000.0L);
    y = y + static_cast<float>(vy * dt / 1000.0L);
    vy = vy + static_cast<float>(50 * dt / 1000.0L);
    age = age + static_cast<float>(1000 * dt / 1000.0L);
    if (age > 900) {
      EXPECT_EQ(s->GetCollection().GetLiveCount(), 0) << frame;
      break;
    }
    ASSERT_EQ(s->GetCollection().GetLiveCount(), 1) << frame;
    const float* p = s->GetCollection().mLiveList.front();
    ASSERT_EQ(p[0], x) << frame;
    ASSERT_EQ(p[1], y) << frame;
    ASSERT_EQ(p[11], vx);
    ASSERT_EQ(p[12], vy) << frame;
    ASSERT_EQ(p[10], age);
    const float fade = age >= 800 ? 0.0f : (0.0f - 1.0f) * static_cast<float>(age / 800.0f) + 1.0f;
    ASSERT_EQ(p[8], fade) << frame;
  }
  EXPECT_EQ(s->GetCollection().GetLiveCount(), 0);
}

TEST(ParticleSystem, OneNumberValuesAreConstantsAndLaterStatementsRun) {
  auto s = MakeSystem();
  s->GetScript()->DoLuaString(
      "SetNumParticles(1)\n"
      "pScale:Init(Value(2))\n"
      "pFrame:Init(3)\n"
      "function Create() end");
  EXPECT_STREQ(Alerts(*s).CStr(), "");
  s->GetScript()->DoLuaString("Spawn(1)");
  ASSERT_EQ(s->GetCollection().GetLiveCount(), 1);
  const float* p = s->GetCollection().mLiveList.front();
  EXPECT_EQ(p[4], 2.0f);
  EXPECT_EQ(p[9], 3.0f) << "the statement after it runs too";
}

TEST(ParticleSystem, CompilerRefusesWhatTheRunnerCannotRun) {
  struct Case {
    const char* statement;
    const char* alert;
  };
  const Case cases[] = {
      {"Anim(fPick())", "fPick needs at least one value"},
      {"Anim(fFade(pScale, 1, 2))", "fFade needs"},
      {"Anim(fClosedCycle(0, 1, 1))", "fClosedCycle needs more than one step"},
      {"Anim(fDebug(1,2,3,4,5,6,7,8,9,10,11,12))", "at most 11 arguments"},
      {"Anim(CreateValue('nosuch', {1}))", "Type not found: nosuch"},
      {"Anim(CreateValue('no such', {1}))", "Type not found: no such"},
      {"local e = 1 for i = 1, 300 do e = fVec(1, e) end Anim(e)", "C stack overflow"},
      {"pColor:Anim({1, 2, 3, 4, 5})", "A constant holds 1 to 4 numbers, not 5"},
      {"pScale:Anim(setmetatable({}, ValueMT))", "A constant holds 1 to 4 numbers, not 0"},
  };
  for (const Case& c : cases) {
    auto s = MakeSystem();
    s->GetScript()->DoLuaString("pScale:Anim(pScale + 1)");
    const size_t before = s->GetAnimStream().size();
    s->GetScript()->DoLuaString(c.statement);
    EXPECT_EQ(s->GetAnimStream().size(), before) << c.statement;
    EXPECT_TRUE(s->GetScratchStream().empty()) << c.statement;
    EXPECT_NE(std::string(Alerts(*s).CStr()).find(c.alert), std::string::npos)
        << c.statement << ": " << Alerts(*s).CStr();
    // The next statement compiles as usual.
    s->GetScript()->DoLuaString("pScale:Anim(pScale + 2)");
    EXPECT_EQ(s->GetAnimStream().size(), before + 6) << c.statement;
  }
}

TEST(ParticleSystem, StatementsDeeperThanTheRunnerStackAreDropped) {
  // Each statement that is not a store leaves its value on the operand stack.
  auto s = MakeSystem();
  s->GetScript()->DoLuaString("for i = 1, 300 do Anim(Vec2(1, 2)) end");
  EXPECT_EQ(s->GetAnimStream().size(), TLuaParticleSystem::kStackSlots);
  EXPECT_NE(std::string(Alerts(*s).CStr()).find("deeper operand stack"), std::string::npos);
  auto wide = MakeSystem();
  wide->GetScript()->DoLuaString("for i = 1, 300 do Anim(Color(1, 2, 3, 4)) end");
  EXPECT_EQ(wide->GetAnimStream().size(), TLuaParticleSystem::kStackFloats / 4);
  // The longest stream the compiler lets through runs without touching memory past the stack.
  wide->GetScript()->DoLuaString("SetNumParticles(1)");
  wide->CreateParticles(1);
  wide->Update(16);
}

TEST(ParticleSystem, MembersPastTheRecordAreRefused) {
  auto s = MakeSystem();
  s->GetScript()->DoLuaString("SetNumParticles(2) late = Allocate(1)");
  EXPECT_EQ(s->GetFloatsPerParticle(), 10);
  EXPECT_NE(std::string(Alerts(*s).CStr()).find("past the particle records"), std::string::npos);
  EXPECT_EQ(Global(*s, "late == nil and 1 or 0"), 1);

  auto big = MakeSystem();
  big->GetScript()->DoLuaString("for i = 1, 70 do last = Allocate(4) end");
  EXPECT_LE(big->GetFloatsPerParticle(), 255);
  EXPECT_NE(std::string(Alerts(*big).CStr()).find("at most 255 floats"), std::string::npos);
}

namespace {
// A computed member of width 2 that pushes (7, 9).
class Pair : public TParticleFunction {
public:
  uint8_t ResultType(uint8_t, const uint8_t*) override { return 2; }
  bool Execute(TParticleContext*, TParticleFrame* f) override {
    const float v[2] = {7, 9};
    f->Push(v, 2);
    return true;
  }
};
}  // namespace

TEST(ParticleSystem, ComputedMembersReadAndReportOutOfRangeIndexes) {
  const auto folder = std::filesystem::temp_directory_path() / "particle_member_log";
  std::filesystem::remove_all(folder);
  OpenEngineLog(folder.c_str());
  Pair first, second;
  {
    auto s = MakeSystem();
    EXPECT_EQ(s->DefineMember("dFirst", &first), -1);
    EXPECT_EQ(s->DefineMember("dLocus", &second), -2);
    s->GetScript()->DoLuaString("p, w = GetParticleMemberParts(dLocus)");
    EXPECT_EQ(s->GetScript()->GetGlobalNumber("p"), -2);
    EXPECT_EQ(s->GetScript()->GetGlobalNumber("w"), 2);
    s->GetScript()->DoLuaString(
        "SetNumParticles(1)\n"
        "pPosition:Init(dLocus)\n"
        "pScale:Init(dLocus[2])\n"
        "pFrame:Init(dLocus[3])\n");
    s->CreateParticles(1);
    const float* p = s->GetCollection().mLiveList.front();
    EXPECT_EQ(p[0], 7);
    EXPECT_EQ(p[1], 9);
    EXPECT_EQ(p[4], 9);
    EXPECT_EQ(p[9], 0);  // the out-of-range read stopped the stream before the store
  }
  std::ifstream in(GetLogFilePath().CStr());
  std::stringstream log;
  log << in.rdbuf();
  EXPECT_NE(log.str().find("Out of range parameter index [3] when indexing dLocus"),
            std::string::npos)
      << log.str();
  OpenEngineLog(nullptr);
}

TEST(ParticleSystem, AnUpdateThatKeepsFailingIsLoggedOnceAndTheSystemGoesOn) {
  const auto folder = std::filesystem::temp_directory_path() / "particle_update_log";
  std::filesystem::remove_all(folder);
  OpenEngineLog(folder.c_str());
  {
    auto s = MakeSystem();
    s->GetScript()->DoLuaString(
        "n = 0 function Update(seconds) n = n + 1 if n > 2 then error('stuck') end end");
    for (int i = 0; i < 30; ++i) s->Update(16);
    EXPECT_EQ(s->GetScript()->GetGlobalNumber("n"), 30) << "Update is still called";
    // A new error is news again.
    s->GetScript()->DoLuaString("function Update(seconds) error('other') end");
    for (int i = 0; i < 5; ++i) s->Update(16);
  }
  std::ifstream in(GetLogFilePath().CStr());
  std::stringstream log;
  log << in.rdbuf();
  auto count = [&](const std::string& what) {
    size_t n = 0;
    for (size_t at = log.str().find(what); at != std::string::npos;
         at = log.str().find(what, at + 1))
      ++n;
    return n;
  };
  EXPECT_EQ(count(": stuck"), 1u) << log.str();
  EXPECT_EQ(count(": other"), 1u) << log.str();
  OpenEngineLog(nullptr);
}

TEST(ParticleSystem, ScriptHelpers) {
  auto s = MakeSystem();
  EXPECT_EQ(Global(*s, "RandomRange(3, 3)"), 3);
  for (int i = 0; i < 50; ++i) {
    const double v = Global(*s, "RandomFloat()");
    EXPECT_TRUE(v >= 0 && v < 1);
    const double r = Global(*s, "RandomRange(-2, 4)");
    EXPECT_TRUE(r >= -2 && r <= 4 && r == std::floor(r));
  }
  EXPECT_LE(Global(*s, "RandomRange(5, 2)"), 5);
  // A generator: 10 per second over 250 ms steps yields 2, 3, 2, 3.
  s->GetScript()->DoLuaString(
      "local g = NewParticleGenerator() out = '' for i = 1, 4 do out = out .. g(10, 250) end");
  EXPECT_STREQ(s->GetScript()->GetGlobalString("out").CStr(), "2323");
  s->GetScript()->DoLuaString("local g = NewParticleGenerator() zero = g(0, 100) + g(0, 100)");
  EXPECT_EQ(s->GetScript()->GetGlobalNumber("zero"), 0);
  s->GetScript()->DoLuaString(
      "local t = NewTimeout(1) out = tostring(t(0.6)) .. tostring(t(0.6)) .. tostring(t(0.6))");
  EXPECT_STREQ(s->GetScript()->GetGlobalString("out").CStr(), "falsefalsetrue");
  s->GetScript()->DoLuaString("SetBlendMode(kBlendAdditiveAlpha)");
  EXPECT_EQ(static_cast<T2dParticleRenderer*>(s->GetRenderer())->GetBlendMode(), 2);
  s->GetScript()->DoLuaString("Done()");
  EXPECT_TRUE(s->IsDone());
}

class ParticleFiles : public FileTestFolder {};

TEST_F(ParticleFiles, LoadRunsTextOrAFile) {
  auto s = MakeSystem();
  EXPECT_TRUE(s->Load("this is not lua"));
  EXPECT_FALSE(s->Load("nowhere/missing.lua"));
  Put("assets/fx/sparkle.lua", "SetNumParticles(5)\nloaded = 1\n");
  IndexFolder("assets", "");
  EXPECT_TRUE(s->Load("fx/sparkle.lua"));
  EXPECT_EQ(s->GetScript()->GetGlobalNumber("loaded"), 1);
  EXPECT_EQ(s->GetCollection().GetCapacity(), 5);
  EXPECT_STREQ(s->GetBasePath().CStr(), "fx/");
}

TEST(ParticleSystem, SystemsShareOneGenerator) {
  auto a = std::make_unique<TLuaParticleSystem>();
  auto b = std::make_unique<TLuaParticleSystem>();
  TRandom* shared = &TLuaParticleSystem::Random();
  uint32_t key[1] = {42};
  shared->init_by_array(key, 1);
  const double first = Global(*a, "RandomFloat()");
  shared->init_by_array(key, 1);
  EXPECT_EQ(Global(*b, "RandomFloat()"), first);
}
