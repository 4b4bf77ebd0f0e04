// Processes, listeners and reference counts; queues and groups on the virtual clock.
#include "AnimTestSupport.h"
#include "anim/KAnimMultiple.h"
#include "anim/KAnimQueue.h"

#include <random>

namespace {

using Journal = std::vector<std::string>;

}  // namespace

TEST(RefCount, AssignMovesOneReferenceAndReleaseDestroysAtZero) {
  Journal j;
  auto* a = new RecordingProcess("a", &j);
  auto* b = new RecordingProcess("b", &j);
  KAnimProcess* slot = nullptr;
  KAssignRef<KAnimProcess>(a, slot);
  EXPECT_EQ(a->GetRefCount(), 2);
  KAssignRef<KAnimProcess>(a, slot);
  EXPECT_EQ(a->GetRefCount(), 2) << "the same value again changes nothing";
  KAssignRef<KAnimProcess>(b, slot);
  EXPECT_EQ(a->GetRefCount(), 1);
  EXPECT_EQ(b->GetRefCount(), 2);
  KReleaseRef(a);
  EXPECT_EQ(j, Journal{"a dies"});
  KAssignRef<KAnimProcess>(nullptr, slot);
  KReleaseRef(b);
  KReleaseRef(nullptr);
  EXPECT_EQ(j, (Journal{"a dies", "b dies"}));
}

TEST(Listeners, AddedTwiceIsToldOnceAndAllReferencesComeBack) {
  Journal j;
  auto* p = new RecordingProcess("p", &j);
  auto* l = new CountingListener();
  p->AddListener(l);
  p->AddListener(l);
  EXPECT_EQ(l->GetRefCount(), 3);
  p->Finish();
  EXPECT_EQ(l->told, 1);
  EXPECT_EQ(l->GetRefCount(), 1);
  p->Finish();
  EXPECT_EQ(l->told, 1) << "a second finish finds nobody";
  KReleaseRef(p);
  KReleaseRef(l);
}

TEST(Listeners, SelfRemovalReleaseOfTheProcessAndCancelDuringNotification) {
  Journal j;
  auto* p = new RecordingProcess("p", &j);
  auto* first = new CountingListener(&j, "first");
  auto* second = new CountingListener(&j, "second");
  auto* third = new CountingListener(&j, "third");
  // Whatever the set order, each listener removes itself and one drops the last outside
  // reference to the process, which must survive until the notification is over.
  first->action = [first](KAnimProcess* q) { q->RemoveListener(first); };
  second->action = [](KAnimProcess* q) { KReleaseRef(q); };
  p->AddListener(first);
  p->AddListener(second);
  p->AddListener(third);
  p->Finish();
  EXPECT_EQ(first->told + second->told + third->told, 3);
  EXPECT_EQ(j.back(), "p dies") << "destroyed as the last act of its finish";
  for (auto* l : {first, second, third}) {
    EXPECT_EQ(l->GetRefCount(), 1);
    KReleaseRef(l);
  }

  Journal k;
  auto* q = new RecordingProcess("q", &k);
  auto* l = new CountingListener();
  q->AddListener(l);
  q->Cancel();
  q->Finish();
  EXPECT_EQ(l->told, 0) << "cancel then finish tells nobody";
  EXPECT_EQ(l->GetRefCount(), 1);
  q->AddListener(l);
  KReleaseRef(q);
  EXPECT_EQ(l->told, 0) << "destroying a process releases its listeners untold";
  EXPECT_EQ(l->GetRefCount(), 1);
  KReleaseRef(l);
}

TEST_F(AnimTest, QueueOfThreeTimersRunsThemOneAfterAnotherAndTellsOnce) {
  auto* queue = new KAnimQueue();
  for (uint32_t ms : {100u, 200u, 50u}) {
    auto* t = new KAnimTimer<>(ms);
    queue->Add(t);
    KReleaseRef(t);
  }
  auto* l = new CountingListener();
  queue->AddListener(l);
  queue->Start();
  std::vector<size_t> waiting;
  uint32_t elapsed = 0;
  while (queue->GetCurrent() && elapsed < 1000) {
    Step(10);
    elapsed += 10;
    waiting.push_back(queue->GetWaitingCount());
  }
  EXPECT_EQ(l->told, 1);
  // The first timer ends at 100 ms; the second starts then and ends 200 ms later, and so on.
  EXPECT_EQ(waiting[8], 2u);
  EXPECT_EQ(waiting[9], 1u);
  EXPECT_EQ(waiting[28], 1u);
  EXPECT_EQ(waiting[29], 0u);
  EXPECT_GE(elapsed, 350u);
  EXPECT_LE(elapsed, 360u);
  Step(10);
  EXPECT_EQ(l->told, 1);
  KReleaseRef(queue);
  KReleaseRef(l);
  modal->RunTasks(0);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, GroupOfUnequalLengthsEndsWithTheLongestReleasingEachChildAsItEnds) {
  auto* group = new KAnimMultiple();
  auto* shortTimer = new KAnimTimer<>(100);
  auto* longTimer = new KAnimTimer<>(300);
  group->Add(shortTimer);
  group->Add(longTimer);
  KAddRef(shortTimer);  // watched below
  KReleaseRef(shortTimer);
  KReleaseRef(longTimer);
  auto* l = new CountingListener();
  group->AddListener(l);
  group->Start();
  Step(150);
  EXPECT_EQ(group->GetChildCount(), 1u);
  EXPECT_EQ(shortTimer->GetRefCount(), 1) << "only the watcher holds it now";
  EXPECT_EQ(l->told, 0);
  Step(200);
  EXPECT_EQ(l->told, 1);
  KReleaseRef(shortTimer);
  KReleaseRef(group);
  KReleaseRef(l);
  modal->RunTasks(0);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, FinishOnARunningQueueEndsTheCurrentChildAndTheRestRunOn) {
  Journal j;
  auto* queue = new KAnimQueue();
  auto* timer = new KAnimTimer<>(1000);
  auto* tail = new RecordingProcess("tail", &j);
  queue->Add(timer);
  queue->Add(tail);
  KReleaseRef(timer);
  KReleaseRef(tail);
  auto* l = new CountingListener(&j, "listener");
  queue->AddListener(l);
  queue->Start();
  queue->Finish();
  EXPECT_EQ(j, (Journal{"tail starts", "listener told"}));
  tail->Finish();
  EXPECT_EQ(l->told, 1) << "the queue's own end tells nobody again";
  EXPECT_EQ(j.back(), "tail dies");
  KReleaseRef(queue);
  KReleaseRef(l);
  EXPECT_EQ(LiveSinceStart(), 1u) << "the timer ended early runs out its time";
  Step(1000);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, FinishOnARunningGroupFinishesEveryChildAndTellsOnce) {
  auto* group = new KAnimMultiple();
  for (uint32_t ms : {500u, 900u}) {
    auto* t = new KAnimTimer<>(ms);
    group->Add(t);
    KReleaseRef(t);
  }
  auto* l = new CountingListener();
  group->AddListener(l);
  group->Start();
  Step(10);
  group->Finish();
  EXPECT_EQ(l->told, 1);
  EXPECT_EQ(group->GetChildCount(), 0u);
  Step(1000);
  EXPECT_EQ(l->told, 1);
  KReleaseRef(group);
  KReleaseRef(l);
  modal->RunTasks(0);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, CancelReleasesEveryChildUntoldAndStopsTheDrivers) {
  Journal j;
  auto* queue = new KAnimQueue();
  auto* timer = new KAnimTimer<>(100);
  auto* waiting = new RecordingProcess("waiting", &j);
  auto* l = new CountingListener();
  timer->AddListener(l);
  waiting->AddListener(l);
  queue->Add(timer);
  queue->Add(waiting);
  KReleaseRef(timer);
  KReleaseRef(waiting);
  queue->AddListener(l);
  queue->Start();
  Step(10);
  queue->Cancel();
  EXPECT_EQ(j, (Journal{"waiting cancelled", "waiting dies"}));
  EXPECT_EQ(l->told, 0);
  EXPECT_EQ(l->GetRefCount(), 1);
  Step(200);
  EXPECT_EQ(l->told, 0) << "a cancelled timer does not run out";
  KReleaseRef(queue);
  KReleaseRef(l);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, EmptyQueuesAndGroupsFinishAtOnce) {
  auto* queue = new KAnimQueue();
  auto* group = new KAnimMultiple();
  auto* l = new CountingListener();
  queue->AddListener(l);
  group->AddListener(l);
  queue->Start();
  EXPECT_EQ(l->told, 1);
  group->Start();
  EXPECT_EQ(l->told, 2);

  // A group whose entries built nothing, inside a queue: the queue goes on past it.
  auto* outer = new KAnimQueue();
  auto* empty = new KAnimMultiple();
  auto* after = new KAnimTimer<>(10);
  outer->Add(empty);
  outer->Add(after);
  KReleaseRef(empty);
  KReleaseRef(after);
  outer->AddListener(l);
  outer->Start();
  Step(20);
  EXPECT_EQ(l->told, 3);
  KReleaseRef(outer);
  KReleaseRef(queue);
  KReleaseRef(group);
  KReleaseRef(l);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, QueueMovesOnlyWhenItsRunningChildFinishes) {
  // Two steps over one target can both reach the queue: the one still waiting must neither
  // end the running one nor be lost when its own turn comes.
  Journal j;
  auto* queue = new KAnimQueue();
  auto* a = new RecordingProcess("a", &j);
  auto* b = new RecordingProcess("b", &j);
  queue->Add(a);
  queue->Add(b);
  auto* l = new CountingListener(&j, "listener");
  queue->AddListener(l);
  queue->Start();
  b->Finish();
  EXPECT_EQ(queue->GetCurrent(), a);
  EXPECT_EQ(queue->GetWaitingCount(), 1u);
  a->Finish();
  EXPECT_EQ(queue->GetCurrent(), b);
  b->Finish();
  EXPECT_EQ(j, (Journal{"a starts", "b finishes", "a finishes", "b starts", "b finishes",
                        "listener told"}));
  KReleaseRef(a);
  KReleaseRef(b);
  KReleaseRef(queue);
  KReleaseRef(l);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, QueueOfInstantStepsRunsThroughWithinItsStart) {
  Journal j;
  auto* queue = new KAnimQueue();
  for (const char* n : {"a", "b", "c"}) {
    auto* p = new RecordingProcess(n, &j, true);
    queue->Add(p);
    KReleaseRef(p);
  }
  auto* l = new CountingListener(&j, "listener");
  queue->AddListener(l);
  queue->Start();
  // Each step stays alive until its own finish has returned.
  EXPECT_EQ(j, (Journal{"a starts", "a finishes", "b starts", "b finishes", "c starts",
                        "c finishes", "listener told", "c dies", "b dies", "a dies"}));
  KReleaseRef(queue);
  KReleaseRef(l);
}

TEST_F(AnimTest, StartsDuringANotificationRunInsideIt) {
  // A listener of the first queue starts a second queue; the second queue's instant step runs
  // within that notification, and children added to a finished queue run on its next start.
  Journal j;
  auto* first = new KAnimQueue();
  auto* second = new KAnimQueue();
  auto* step = new RecordingProcess("second step", &j, true);
  second->Add(step);
  KReleaseRef(step);
  auto* l = new CountingListener(&j, "listener");
  l->action = [second](KAnimProcess*) { second->Start(); };
  first->AddListener(l);
  first->Start();
  EXPECT_EQ(j, (Journal{"listener told", "second step starts", "second step finishes",
                        "second step dies"}));
  auto* again = new RecordingProcess("again", &j, true);
  first->Add(again);
  KReleaseRef(again);
  first->Start();
  EXPECT_EQ(j.back(), "again dies");
  EXPECT_EQ(l->told, 1) << "listeners of the first run are not told twice";
  KReleaseRef(first);
  KReleaseRef(second);
  KReleaseRef(l);
}

TEST_F(AnimTest, DriverWithoutAModalFinishesAtOnceAndZeroDurationOnTheFirstFrame) {
  auto* timer = new KAnimTimer<>(0);
  auto* l = new CountingListener();
  timer->AddListener(l);
  timer->Start();
  EXPECT_EQ(l->told, 0);
  modal->RunTasks(0);
  EXPECT_EQ(l->told, 1) << "no time has passed: t is not a number and the timer ends";
  KReleaseRef(timer);

  mManager->PopTopModal();
  mManager->PopTopModal();
  ASSERT_EQ(mManager->GetTopModal(), nullptr);
  auto* orphan = new KAnimTimer<>(100);
  orphan->AddListener(l);
  orphan->Start();
  EXPECT_EQ(l->told, 2);
  KReleaseRef(orphan);
  KReleaseRef(l);
}

TEST_F(AnimTest, FinishedDriverOutlivesTheTaskListWhileOthersHoldIt) {
  // The task list lets go of a finished driver through its count: a holder that keeps a
  // reference can still use it afterwards.
  auto* timer = new KAnimTimer<>(50);
  timer->Start();
  Step(100);
  EXPECT_FALSE(timer->IsRunning());
  EXPECT_EQ(timer->GetRefCount(), 1);
  EXPECT_GE(timer->GetT(), 1.0f);
  timer->Cancel();
  KReleaseRef(timer);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, ClosingTheModalReleasesItsRunningDrivers) {
  auto* timer = new KAnimTimer<>(1000);
  auto* l = new CountingListener();
  timer->AddListener(l);
  timer->Start();
  KReleaseRef(timer);
  mManager->PopTopModal();
  EXPECT_EQ(l->told, 1) << "a driver dropped with listeners tells them as it goes";
  KReleaseRef(l);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, RandomTreesOfQueuesGroupsAndTimersLeaveNothingBehind) {
  // Random nesting, random finishes and cancels from outside and from listeners, and random
  // releases of the builder's references; AddressSanitizer catches any use after free.
  std::mt19937 rng(17);
  for (int round = 0; round < 200; ++round) {
    std::vector<KAnimProcess*> all;
    std::function<KAnimProcess*(int)> build = [&](int depth) -> KAnimProcess* {
      const int kind = depth > 2 ? 0 : static_cast<int>(rng() % 3);
      KAnimProcess* p;
      if (kind == 0) {
        p = new KAnimTimer<>(rng() % 100);
      } else {
        KAnimProcess* container =
            kind == 1 ? static_cast<KAnimProcess*>(new KAnimQueue()) : new KAnimMultiple();
        auto* manager = dynamic_cast<IKAnimManager*>(container);
        const int n = static_cast<int>(rng() % 4);
        for (int i = 0; i < n; ++i) {
          KAnimProcess* child = build(depth + 1);
          manager->Add(child);
          KReleaseRef(child);
        }
        p = container;
      }
      KAddRef(p);
      all.push_back(p);
      return p;
    };
    KAnimProcess* root = build(0);
    auto* l = new CountingListener();
    l->action = [&](KAnimProcess*) {
      if (rng() % 4 == 0) all[rng() % all.size()]->Finish();
    };
    for (KAnimProcess* p : all) p->AddListener(l);
    root->Start();
    for (int frame = 0; frame < 30; ++frame) {
      Step(10);
      KAnimProcess* p = all[rng() % all.size()];
      switch (rng() % 6) {
        case 0: p->Finish(); break;
        case 1: p->Cancel(); break;
        case 2: p->Start(); break;
        default: break;
      }
    }
    root->Cancel();
    for (KAnimProcess* p : all) {
      p->Cancel();
      KReleaseRef(p);
    }
    KReleaseRef(root);
    Step(10);
    KReleaseRef(l);
    EXPECT_EQ(LiveSinceStart(), 0u) << "round " << round;
  }
}

TEST_F(AnimTest, GroupChildrenFinishingInsideTheirStartDoNotDisturbTheWalk) {
  Journal j;
  auto* group = new KAnimMultiple();
  auto* timer = new KAnimTimer<>(50);
  for (const char* n : {"a", "b"}) {
    auto* p = new RecordingProcess(n, &j, true);
    group->Add(p);
    KReleaseRef(p);
  }
  group->Add(timer);
  KReleaseRef(timer);
  auto* l = new CountingListener(&j, "listener");
  // Finishing the group again from its own notification is refused, not recursed into.
  l->action = [](KAnimProcess* p) { p->Finish(); };
  group->AddListener(l);
  group->Start();
  // The walk holds each child until it is over.
  EXPECT_EQ(j, (Journal{"a starts", "a finishes", "b starts", "b finishes", "a dies", "b dies"}));
  EXPECT_EQ(group->GetChildCount(), 1u);
  Step(60);
  EXPECT_EQ(l->told, 1);
  EXPECT_EQ(j.back(), "listener told");

  auto* instant = new KAnimMultiple();
  auto* c = new RecordingProcess("c", &j, true);
  instant->Add(c);
  KReleaseRef(c);
  instant->AddListener(l);
  instant->Start();
  EXPECT_EQ(l->told, 2) << "a group whose only child ends in its start ends with it";
  KReleaseRef(group);
  KReleaseRef(instant);
  KReleaseRef(l);
  modal->RunTasks(0);
  EXPECT_EQ(LiveSinceStart(), 0u);
}
