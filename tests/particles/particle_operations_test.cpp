// The particle operations on the operand stack: acceptance rules, results and their widths,
// the stack bookkeeping, and the cycle, fade and random operations.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "core/TRandom.h"
#include "particles/FArithmetic.h"
#include "particles/FMemberAccess.h"
#include "particles/FTime.h"
#include "particles/TLuaParticleSystem.h"

namespace {

using Value = std::vector<float>;

// One operation run on an operand stack holding the given values, over a particle of the given
// data (member widths per float group).
struct OpRun {
  float values[1024] = {};
  uint8_t widths[256] = {};
  TParticleStack stack;
  float particle[32] = {};
  uint8_t memberWidths[16] = {};
  TParticleContext context;
  TParticleFrame frame;

  explicit OpRun(std::initializer_list<Value> operands, std::initializer_list<uint8_t> members = {},
                 uint32_t elapsed = 0) {
    stack.values = values;
    stack.widths = widths;
    stack.top = stack.capacity = 255;
    frame.stack = &stack;
    frame.floatLimit = 1020;
    for (const Value& v : operands) frame.Push(v.data(), static_cast<uint8_t>(v.size()));
    uint32_t n = 0;
    for (uint8_t w : members) memberWidths[n++] = w;
    context.data.values = particle;
    context.data.widths = memberWidths;
    context.data.SetWidths(0, memberWidths, n);
    context.elapsed = elapsed;
  }

  // Runs op as the runner does; the pushed value, or nullopt-like empty with ok false.
  bool Execute(TParticleFunction& op, uint8_t argCount) {
    frame.Begin(argCount);
    const bool ok = op.Execute(&context, &frame);
    if (ok) frame.end = frame.slot;
    return ok;
  }
  // The value the last push left at the top.
  Value Top() const {
    const uint8_t s = static_cast<uint8_t>(frame.end - 1);
    return Value(values + stack.offsets[s], values + stack.offsets[s] + widths[s]);
  }
};

template <typename Op>
Value Exec(std::initializer_list<Value> operands, bool* ok = nullptr, uint32_t elapsed = 0) {
  Op op;
  OpRun run(operands, {}, elapsed);
  const uint8_t before = run.frame.end;
  const bool done = run.Execute(op, static_cast<uint8_t>(operands.size()));
  if (ok) *ok = done;
  if (!done || run.frame.end == static_cast<uint8_t>(before - operands.size())) return {};
  return run.Top();
}

}  // namespace

TEST(ParticleStack, PushesKeepOffsetsAndWidths) {
  OpRun run({{1}, {2, 3}});
  EXPECT_EQ(run.frame.end, 2);
  EXPECT_EQ(run.widths[1], 2);
  EXPECT_EQ(run.stack.offsets[2], 3u);
  // A two-float result over a one-float first operand moves the next slot's offset by two.
  OpRun over({{1}, {2}});
  const float wide[2] = {7, 8};
  over.frame.slot = 0;
  over.frame.Push(wide, 2);
  EXPECT_EQ(over.widths[0], 2);
  EXPECT_EQ(over.stack.offsets[1], 2u);
  // SetWidths over the stack's own array recomputes offsets without copying.
  over.widths[0] = 3;
  over.stack.SetWidths(0, over.widths, 1);
  EXPECT_EQ(over.stack.offsets[1], 3u);
  EXPECT_EQ(over.stack.top, 1u);
}

TEST(ParticleStack, PushPastTheStorageIsDroppedAndMarked) {
  OpRun run({});
  run.frame.floatLimit = 3;
  const float v[4] = {1, 2, 3, 4};
  run.frame.Push(v, 2);
  EXPECT_FALSE(run.frame.overflow);
  run.frame.Push(v, 2);
  EXPECT_TRUE(run.frame.overflow);
  EXPECT_EQ(run.frame.end, 1);
}

TEST(ParticleOperations, ArithmeticAndComparisons) {
  bool ok = true;
  EXPECT_EQ(Exec<FAdd>({{1, 2}, {10, 20}}), (Value{11, 22}));
  EXPECT_EQ(Exec<FSub>({{5}, {2}}), (Value{3}));
  EXPECT_EQ(Exec<FMul>({{1, 2, 3}, {2}}), (Value{2, 4, 6}));
  EXPECT_TRUE(Exec<FMul>({{2}, {1, 2}}, &ok).empty());
  EXPECT_FALSE(ok);
  const Value inf = Exec<FDiv>({{1, 2}, {0}});
  ASSERT_EQ(inf.size(), 2u);
  EXPECT_TRUE(std::isinf(inf[0]) && inf[0] > 0 && std::isinf(inf[1]));
  EXPECT_EQ(Exec<FUnm>({{1, -2}}), (Value{-1, 2}));
  EXPECT_EQ(Exec<FLt>({{2}, {2}}), (Value{0}));
  EXPECT_EQ(Exec<FLe>({{2}, {2}}), (Value{1}));
  EXPECT_EQ(Exec<FLt>({{NAN}, {2}}), (Value{0}));
  Exec<FLt>({{1, 2}, {3}}, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(Exec<FDistance>({{0, 0}, {3, 4}}), (Value{5}));
  EXPECT_EQ(Exec<FVec>({{1}, {2}, {3}}), (Value{1, 2, 3}));
  Exec<FVec>({{1}, {2}, {3}, {4}, {5}}, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(Exec<FAlpha>({{0.5f, 0.25f, 1}, {0.75f}}), (Value{0.5f, 0.25f, 1, 0.75f}));
  Exec<FAlpha>({{1, 2}, {0.5f}}, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(Exec<F2dRotation>({{0}}), (Value{1, 0}));
  // Cosine and sine are taken in double and rounded once to float; at this angle the float
  // sine routine lands one step away.
  const float angle = 0.00101566606f;
  EXPECT_EQ(Exec<F2dRotation>({{angle}}),
            (Value{static_cast<float>(std::cos(static_cast<double>(angle))),
                   static_cast<float>(std::sin(static_cast<double>(angle)))}));
  EXPECT_EQ(Exec<FAdd>({{1}}, &ok), Value{});
  EXPECT_FALSE(ok);
}

TEST(ParticleOperations, StatementsLeaveNoValue) {
  FDebug debug;
  OpRun run({{1.5f}, {2, 3}});
  ASSERT_TRUE(run.Execute(debug, 2));
  EXPECT_EQ(run.frame.end, 0);
}

TEST(ParticleOperations, ResultTypesAndIdentity) {
  const uint8_t widths[3] = {3, 1, 2};
  EXPECT_EQ(FAdd().ResultType(2, widths), 3);
  EXPECT_EQ(FVec().ResultType(3, widths), 1);
  EXPECT_EQ(FFade().ResultType(3, widths), 1);
  EXPECT_EQ(FAlpha().ResultType(2, widths), 4);
  EXPECT_EQ(FDebug().ResultType(3, widths), 0);
  FAdd add;
  EXPECT_STREQ(add.GetClassName(), "FAdd");
  EXPECT_TRUE(add.IsKindOf(FAdd::GetClassId()));
  EXPECT_TRUE(add.IsKindOf(TParticleFunction::GetClassId()));
  EXPECT_FALSE(add.IsKindOf(FSub::GetClassId()));
  FPush<TVec2> push(TVec2{1, 2});
  EXPECT_STREQ(push.GetClassName(), "TParticleFunction");
  EXPECT_FALSE(push.IsKindOf(FAdd::GetClassId()));
  FGetParticleParam get(TParticleMemberId::Make(4, 2));
  EXPECT_STREQ(get.GetClassName(), "TParticleFunction");
  EXPECT_EQ(get.ResultType(0, nullptr), 2);
}

TEST(ParticleOperations, TimeAndExpiry) {
  EXPECT_EQ(Exec<FTimeScale>({{100, 50}}, nullptr, 20), (Value{2, 1}));
  EXPECT_EQ(Exec<FTimeScale>({{100}}, nullptr, 0), (Value{0}));
  EXPECT_EQ(Exec<FAge>({}, nullptr, 16), (Value{16}));

  FExpire expire;
  OpRun keep({{0}});
  ASSERT_TRUE(keep.Execute(expire, 1));
  EXPECT_EQ(keep.Top(), (Value{0}));
  EXPECT_EQ(keep.context.alive, 1);
  OpRun end({{0.5f}});
  ASSERT_TRUE(end.Execute(expire, 1));
  EXPECT_EQ(end.Top(), (Value{1}));
  EXPECT_EQ(end.context.alive, 0);
}

TEST(ParticleOperations, CyclesStepAcrossCalls) {
  struct Case {
    bool closed;
    std::vector<float> expected;
  };
  const Case cases[] = {{false, {0, 2.5f, 5, 7.5f, 0, 2.5f}},
                        {true, {0, 3.333333f, 6.666667f, 10, 0, 3.333333f}}};
  for (const Case& c : cases) {
    FOpenCycle open;
    FClosedCycle closed;
    TParticleFunction& op = c.closed ? static_cast<TParticleFunction&>(closed) : open;
    for (float expected : c.expected) {
      OpRun run({{0}, {10}, {4}});
      ASSERT_TRUE(run.Execute(op, 3));
      EXPECT_NEAR(run.Top()[0], expected, 1e-5) << (c.closed ? "closed" : "open");
    }
  }
  // One step or less: the closed cycle stays on its start instead of dividing by zero.
  FClosedCycle single;
  for (int i = 0; i < 3; ++i) {
    OpRun run({{3}, {10}, {1}});
    ASSERT_TRUE(run.Execute(single, 3));
    EXPECT_EQ(run.Top(), (Value{3}));
  }
}

TEST(ParticleOperations, FadeWalksKeyframes) {
  struct Case {
    float t;
    Value expected;
  };
  const Case cases[] = {{1.5f, {15}}, {5, {20}}, {-1, {0}}, {0.5f, {5}}, {1, {10}}};
  for (const Case& c : cases) {
    EXPECT_EQ(Exec<FFade>({{c.t}, {0}, {1}, {10}, {1}, {20}}), c.expected) << c.t;
  }
  // Vector keyframes, and a dangling duration with no value after it keeps the current value.
  EXPECT_EQ(Exec<FFade>({{0.5f}, {0, 0}, {1}, {10, 20}}), (Value{5, 10}));
  EXPECT_EQ(Exec<FFade>({{3}, {1}, {1}, {2}, {1}}), (Value{2}));
  EXPECT_EQ(Exec<FFade>({{3}, {7}}), (Value{7}));
}

TEST(ParticleOperations, RandomDrawsStayInRange) {
  uint32_t key[4] = {1, 2, 3, 4};
  TLuaParticleSystem::Random().init_by_array(key, 4);
  EXPECT_EQ(Exec<FRange>({{5}, {5}}), (Value{5}));
  bool ok = true;
  Exec<FRange>({{1}, {1, 2}}, &ok);
  EXPECT_FALSE(ok);
  for (int i = 0; i < 200; ++i) {
    const Value v = Exec<FRange>({{0, 10}, {1, 20}});
    ASSERT_EQ(v.size(), 2u);
    EXPECT_TRUE(v[0] >= 0 && v[0] < 1 && v[1] >= 10 && v[1] < 20);
    const Value p = Exec<F2dRadius>({{2}});
    EXPECT_NEAR(std::hypot(p[0], p[1]), 2.0, 1e-5);
    EXPECT_EQ(Exec<FPick>({{4, 5}}), (Value{4, 5}));
    const Value pick = Exec<FPick>({{1}, {2}, {3}});
    EXPECT_TRUE(pick == Value{1} || pick == Value{2} || pick == Value{3});
  }
  Exec<FPick>({}, &ok);
  EXPECT_FALSE(ok);
  Exec<F2dRadius>({{2}, {1}}, &ok);
  EXPECT_FALSE(ok);
}

TEST(ParticleOperations, MemberAccessReadsAndWritesTheParticle) {
  // Members of widths 2, 2, 2 (floats 0..5) and 2 more (6, 7).
  auto makeRun = [](std::initializer_list<Value> operands) {
    auto run = std::make_unique<OpRun>(operands, std::initializer_list<uint8_t>{2, 2, 2, 2});
    for (int i = 0; i < 8; ++i) run->particle[i] = static_cast<float>(i);
    return run;
  };
  FIndex index;
  auto r = makeRun({{4}, {2}});
  ASSERT_TRUE(r->Execute(index, 2));
  EXPECT_EQ(r->Top(), (Value{5}));
  r = makeRun({{4}, {0}});
  ASSERT_TRUE(r->Execute(index, 2));
  EXPECT_EQ(r->Top(), (Value{3}));
  r = makeRun({{0}, {0}});
  EXPECT_FALSE(r->Execute(index, 2));
  r = makeRun({{6}, {3}});
  EXPECT_FALSE(r->Execute(index, 2));

  FNewIndex newIndex;
  r = makeRun({{2}, {1}, {7}});
  ASSERT_TRUE(r->Execute(newIndex, 3));
  EXPECT_EQ(r->particle[2], 7);
  EXPECT_EQ(r->Top(), (Value{7}));
  r = makeRun({{-2}, {1}, {7}});
  EXPECT_FALSE(r->Execute(newIndex, 3));

  FAssign assign;
  r = makeRun({{1, 2}, {6}, {2}});
  ASSERT_TRUE(r->Execute(assign, 3));
  EXPECT_EQ(r->particle[6], 1);
  EXPECT_EQ(r->particle[7], 2);
  EXPECT_EQ(r->frame.end, 0);
  // A value that would run past the record is refused, like a component write.
  r = makeRun({{1, 2}, {7}, {2}});
  EXPECT_FALSE(r->Execute(assign, 3));
  EXPECT_EQ(r->particle[7], 7);

  FGetParticleParam get(TParticleMemberId::Make(2, 2));
  r = makeRun({});
  ASSERT_TRUE(r->Execute(get, 0));
  EXPECT_EQ(r->Top(), (Value{2, 3}));
  FGetParticleParam past(TParticleMemberId::Make(7, 2));
  r = makeRun({});
  EXPECT_FALSE(r->Execute(past, 0));

  FPush<TVec3> push(TVec3{1, 2, 3});
  r = makeRun({{9}});
  ASSERT_TRUE(r->Execute(push, 0));
  EXPECT_EQ(r->Top(), (Value{1, 2, 3}));
}
