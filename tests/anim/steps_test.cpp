// Steps: Lua commands, message waits, removers, window clearing, the releasing listener,
// and the fire-and-forget runner.
#include "AnimTestSupport.h"
#include "anim/KAnimQueue.h"
#include "anim/KAnimSound.h"
#include "anim/KAnimSteps.h"
#include "anim/QMAnimationRunner.h"
#include "render/QMSearchableSprite.h"
#include "window/TImage.h"

TEST_F(AnimTest, LuaCommandsRunWithinTheQueueStart) {
  auto* queue = new KAnimQueue();
  for (const char* text : {"gOrder = 'a'", "this is not Lua", "gOrder = gOrder .. 'b'"}) {
    auto* c = new KAnimLuaCommand(host, text);
    queue->Add(c);
    KReleaseRef(c);
  }
  auto* l = new CountingListener();
  queue->AddListener(l);
  queue->Start();
  EXPECT_EQ(std::string(host->GetGlobalString("gOrder").CStr()), "ab")
      << "a failing command still finishes";
  EXPECT_EQ(l->told, 1);
  KReleaseRef(queue);
  KReleaseRef(l);
}

TEST_F(AnimTest, MessageWaiterTakesOnlyItsIdAndTellsItsQueue) {
  auto* queue = new KAnimQueue();
  auto* waiter = new KAnimMessageWaiter(2016);
  queue->Add(waiter);
  KReleaseRef(waiter);
  auto* l = new CountingListener();
  queue->AddListener(l);
  queue->Start();
  auto* current = dynamic_cast<KAnimMessageWaiter*>(queue->GetCurrent());
  ASSERT_NE(current, nullptr);
  EXPECT_TRUE(current->IsWaiting());
  EXPECT_FALSE(current->OnMessage(2015));
  EXPECT_EQ(l->told, 0);
  EXPECT_TRUE(current->OnMessage(2016));
  EXPECT_EQ(l->told, 1);
  KReleaseRef(queue);
  KReleaseRef(l);
}

TEST_F(AnimTest, RemoverDetachesItsSpriteWhenTheQueueMovesPastIt) {
  auto parent = boost::shared_ptr<QMSearchableSprite>(new QMSearchableSprite(0));
  auto child = TSprite::Create(0);
  parent->AddSprite(child, "child");
  auto* queue = new KAnimQueue();
  auto* remover = new KSpriteRemover(parent.get(), child, 1);
  auto* timer = new KAnimTimer<>(100);
  queue->Add(timer);
  queue->Add(remover);
  KReleaseRef(timer);
  KReleaseRef(remover);
  queue->Start();
  Step(50);
  EXPECT_EQ(parent->GetSprite("child"), child) << "not before the queue reaches it";
  Step(60);
  EXPECT_EQ(parent->GetSprite("child"), nullptr);
  EXPECT_EQ(child->GetParent(), nullptr);
  KReleaseRef(queue);

  // The parent goes first: the remover has nothing to detach from.
  auto plain = TSprite::Create(0);
  auto orphan = TSprite::Create(0);
  plain->AddChild(orphan);
  auto* late = new KSpriteRemover(plain.get(), orphan, 1);
  plain.reset();
  late->Start();
  KReleaseRef(late);
  EXPECT_EQ(orphan.use_count(), 1);
}

TEST_F(AnimTest, ClearWindowEmptiesTheNamedWindow) {
  auto* image = new TImage();
  image->SetName("board");
  image->SetSize(8, 4);
  modal->AddChild(Own(image));
  auto* probe = new Probe("piece", &mJournal, 0, 0, 1, 1);
  image->AddChild(Own(probe));
  for (const char* name : {"nothing", "board"}) {
    auto* clear = new QMClearWindow(name);
    auto* l = new CountingListener();
    clear->AddListener(l);
    clear->Start();
    EXPECT_EQ(l->told, 1) << name;
    KReleaseRef(clear);
    KReleaseRef(l);
  }
  EXPECT_TRUE(image->HasTexture());
  EXPECT_TRUE(image->GetChildren().empty());
}

TEST_F(AnimTest, ReleaseListenerDropsItsObjectWhenTheProcessEnds) {
  std::vector<std::string> j;
  auto* held = new RecordingProcess("held", &j);
  auto* release = new KAnimRelease(held);
  KReleaseRef(held);
  auto* timer = new KAnimTimer<>(10);
  timer->AddListener(release);
  KReleaseRef(release);
  timer->Start();
  EXPECT_TRUE(j.empty());
  Step(20);
  EXPECT_EQ(j, std::vector<std::string>{"held dies"});
  KReleaseRef(timer);
  EXPECT_EQ(LiveSinceStart(), 0u);
}

TEST_F(AnimTest, RunnerLetsEachQueueGoAtItsOwnEnd) {
  auto runner = std::make_unique<QMAnimationRunner>();
  auto* slow = new KAnimQueue();
  auto* fast = new KAnimQueue();
  auto* empty = new KAnimQueue();
  for (auto [q, ms] : {std::pair{slow, 300u}, std::pair{fast, 100u}}) {
    auto* t = new KAnimTimer<>(ms);
    q->Add(t);
    KReleaseRef(t);
  }
  for (KAnimQueue* q : {slow, fast, empty}) {
    runner->Run(q);
    KReleaseRef(q);
  }
  EXPECT_EQ(runner->GetRunningCount(), 2u) << "a queue with nothing to wait for ends at once";
  Step(150);
  EXPECT_EQ(runner->GetRunningCount(), 1u);
  Step(200);
  EXPECT_EQ(runner->GetRunningCount(), 0u);
  modal->RunTasks(0);
  EXPECT_EQ(LiveSinceStart(), 0u);

  auto* cancelled = new KAnimQueue();
  auto* t = new KAnimTimer<>(1000);
  cancelled->Add(t);
  KReleaseRef(t);
  runner->Run(cancelled);
  KReleaseRef(cancelled);
  runner.reset();
  modal->RunTasks(0);
  EXPECT_EQ(LiveSinceStart(), 0u) << "closing the runner cancels and frees what still runs";
}

TEST_F(AnimTest, KillSoundWithoutAnInstanceDoesNothing) {
  auto* kill = new KAnimSound("killSound", "nobody");
  auto* l = new CountingListener();
  kill->AddListener(l);
  kill->Start();
  EXPECT_EQ(l->told, 1);
  EXPECT_EQ(KAnimSound::FindInstance("nobody"), nullptr);
  KReleaseRef(kill);
  KReleaseRef(l);
}
