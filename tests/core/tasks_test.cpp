#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/TAnimTask.h"
#include "core/TClock.h"
#include "core/TTaskList.h"
#include "core/Timer.h"
#include "platform/os/Clock.h"

namespace {

class VirtualTime : public ::testing::Test {
protected:
  void SetUp() override {
    platform::os::UseVirtualClock(true);
    platform::os::SetVirtualTime(10000);
    SetTimerStart(0);
  }
  void TearDown() override { platform::os::UseVirtualClock(false); }
  static void At(uint32_t ms) { platform::os::SetVirtualTime(ms); }
};

// A task that records its runs and deletion and does whatever the test gives it.
struct Probe : TTask {
  Probe(std::vector<int>& log, int id, std::function<bool()> step = nullptr)
      : log(log), id(id), step(std::move(step)) {}
  ~Probe() override { log.push_back(-id); }
  bool DoTask() override {
    log.push_back(id);
    return step ? step() : true;
  }
  std::vector<int>& log;
  int id;
  std::function<bool()> step;
};

struct Counter : TAnimTask {
  using TAnimTask::TAnimTask;
  bool Animate() override {
    ++fired;
    return true;
  }
  uint32_t Next() const { return mNext; }
  int fired = 0;
};

}  // namespace

TEST(TaskList, FinishedTasksAreDeletedInTheSamePass) {
  std::vector<int> log;
  TTaskList list;
  list.Add(new Probe(log, 1, [] { return false; }));
  list.Add(new Probe(log, 2));
  list.RunTasks(0);
  list.RunTasks(0);
  EXPECT_EQ(log, (std::vector<int>{1, -1, 2, 2}));
  EXPECT_EQ(list.Size(), 1u);
}

TEST(TaskList, RemovalDuringAPassWaitsForItsEnd) {
  std::vector<int> log;
  TTaskList list;
  Probe* self = nullptr;
  self = new Probe(log, 1, [&] { return list.Remove(self); });
  list.Add(self);
  Probe* other = new Probe(log, 2);
  list.Add(new Probe(log, 3, [&] {
    list.Remove(other);           // removed before its turn: skipped in this pass
    list.Add(new Probe(log, 4));  // added: runs later in this same pass
    return true;
  }));
  list.Add(other);
  list.RunTasks(0);
  EXPECT_EQ(log, (std::vector<int>{1, 3, 4}));
  EXPECT_FALSE(list.Contains(self));
  EXPECT_FALSE(list.Contains(other));
  EXPECT_EQ(list.Size(), 2u);
  delete self;  // handed back, not deleted by the list
  delete other;
  EXPECT_FALSE(list.Remove(other));
}

TEST(TaskList, ClearDuringAPassDeletesEveryTaskOnce) {
  std::vector<int> log;
  TTaskList list;
  list.Add(new Probe(log, 1));
  list.Add(new Probe(log, 2, [&] {
    list.Clear();
    list.Clear();  // twice must still delete once
    return true;
  }));
  list.Add(new Probe(log, 3));
  list.Add(new Probe(log, 4, [] { return false; }));
  list.RunTasks(0);
  EXPECT_EQ(log, (std::vector<int>{1, 2, -1, -2, -3, -4}));
  EXPECT_EQ(list.Size(), 0u);

  // A task finishing in the pass that cleared the list is deleted once too.
  log.clear();
  list.Add(new Probe(log, 5, [&] {
    list.Clear();
    return false;
  }));
  list.RunTasks(0);
  EXPECT_EQ(log, (std::vector<int>{5, -5}));
}

TEST_F(VirtualTime, AnimTaskReadinessAndCancel) {
  Counter t;
  EXPECT_FALSE(t.Ready(1));
  EXPECT_TRUE(t.Ready(0));
  t.SetReady(true);
  EXPECT_TRUE(t.Ready(1));
  t.SetTimer(100, true, true, false);
  EXPECT_FALSE(t.Ready(0));
  EXPECT_EQ(t.GetTimeSinceDue(), uint32_t(-100));
  At(10100);
  EXPECT_TRUE(t.Ready(0));
  t.Cancel();
  EXPECT_FALSE(t.Ready(0));
  EXPECT_FALSE(t.Ready(1));
  EXPECT_EQ(t.GetTimeSinceDue(), TAnimTask::kNever);
}

TEST_F(VirtualTime, LateTimersCatchUpOrResynchronise) {
  // 350 ms late without catch-up: one firing per pass until level.
  Counter slow;
  slow.SetTimer(100, true, false, false);  // due 10100
  At(10450);
  slow.DoTask();
  EXPECT_EQ(slow.fired, 1);
  EXPECT_EQ(slow.GetTimeSinceDue(), 250u);
  int passes = 0;
  while (slow.Ready(0)) {
    slow.DoTask();
    ++passes;
  }
  EXPECT_EQ(passes, 3);

  // With catch-up: four firings at once.
  At(10000);
  Counter fast;
  fast.SetTimer(100, true, false, true);
  At(10450);
  fast.DoTask();
  EXPECT_EQ(fast.fired, 4);
  EXPECT_FALSE(fast.Ready(0));

  // Over 1000 ms late: fires once and is due one interval from now.
  At(10000);
  Counter gap;
  gap.SetTimer(100, true, false, true);
  At(11600);
  gap.DoTask();
  EXPECT_EQ(gap.fired, 1);
  EXPECT_EQ(gap.Next(), 11700u);

  // Catch-up without an interval must not spin.
  At(10000);
  Counter once;
  once.SetTimer(0, false, false, true);
  At(10500);
  once.DoTask();
  EXPECT_EQ(once.fired, 1);
}

TEST_F(VirtualTime, TimersSurviveTheClockWrapping) {
  At(0xFFFFFF00u);
  Counter t;
  t.SetTimer(100, true, false, true);  // due 0xFFFFFF64
  At(0x00000050u);                     // 236 ms late, past the wrap
  EXPECT_TRUE(t.Ready(0));
  t.DoTask();
  EXPECT_EQ(t.fired, 3);
  EXPECT_EQ(t.Next(), 0x00000090u);
}

TEST_F(VirtualTime, ClockPausesAndContinues) {
  TClock clock;
  EXPECT_EQ(clock.GetTime(), 0u);
  At(1000);
  clock.Start();
  At(1500);
  EXPECT_FALSE(clock.Pause());
  EXPECT_TRUE(clock.Pause());
  At(2500);
  EXPECT_EQ(clock.GetTime(), 500u);
  clock.Start();
  At(3000);
  EXPECT_EQ(clock.GetTime(), 1000u);
  clock.SetTime(50);
  At(3010);
  EXPECT_EQ(clock.GetTime(), 60u);
  clock.Reset();
  At(4000);
  EXPECT_EQ(clock.GetTime(), 0u);
  clock.Start();  // a later start continues from the frozen 0
  At(4100);
  EXPECT_EQ(clock.GetTime(), 100u);
}

TEST_F(VirtualTime, TimerMovedOntoAClockFiresAtOnceThenOnItsInterval) {
  TClock clock;
  clock.Start();
  At(15000);  // clock shows 5000
  TTaskList list;
  Counter* t = new Counter;
  t->SetTimer(1000, true, true, false);
  t->SetClock(&clock);
  list.Add(t);
  list.RunTasks(0);
  EXPECT_EQ(t->fired, 1);
  At(15999);
  list.RunTasks(0);
  EXPECT_EQ(t->fired, 1);
  At(16000);
  list.RunTasks(0);
  EXPECT_EQ(t->fired, 2);
  clock.Pause();  // a paused clock holds the task back
  At(20000);
  list.RunTasks(0);
  EXPECT_EQ(t->fired, 2);
}

TEST_F(VirtualTime, IdleWaitLastsUntilTheFirstTaskIsDue) {
  std::vector<int> log;
  TClock clock;
  TTaskList list;
  EXPECT_EQ(list.MsUntilDue(), TTask::kNoWake);  // nothing to wake for

  auto* timer = new Counter();
  timer->SetTimer(100, true, false, false);
  auto* onClock = new Counter(&clock);
  onClock->SetTimer(20, false, true, false);
  list.Add(timer);
  list.Add(onClock);
  // A paused clock never brings its tasks due.
  EXPECT_EQ(onClock->MsUntilDue(), TTask::kNoWake);
  EXPECT_EQ(list.MsUntilDue(), 100u);

  At(10030);
  EXPECT_EQ(list.MsUntilDue(), 70u);
  clock.Start();
  EXPECT_EQ(list.MsUntilDue(), 20u);
  At(10200);  // overdue: due now, not a wrapped-around wait
  EXPECT_EQ(list.MsUntilDue(), 0u);

  timer->Cancel();
  onClock->Cancel();
  EXPECT_EQ(list.MsUntilDue(), TTask::kNoWake);
  // A plain task wants every pass.
  list.Add(new Probe(log, 1));
  EXPECT_EQ(list.MsUntilDue(), 0u);
}
