#include <gtest/gtest.h>

#include "support/WindowOwnership.h"

#include "WindowTestSupport.h"

using Journal = std::vector<std::string>;

TEST_F(WindowTest, FramesRunAtMostEvery12MsAndOnlyWhenARedrawWasAsked) {
  DrawnModal* m = new DrawnModal("m", &journal);
  manager->PushModal(Own(m));
  auto frames = [&] { return std::count(journal.begin(), journal.end(), "m: draw"); };

  manager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 1);
  Advance(11);
  manager->Invalidate();
  manager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 1);
  Advance(1);
  manager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 2);
  // Nothing asked for a redraw: no frame however long we wait.
  Advance(500);
  manager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 2);
  manager->HandleEvent(MakeEvent(kEventPaint));
  EXPECT_EQ(frames(), 3);
  // A suspended frame draws nothing and keeps the request.
  Advance(20);
  manager->Invalidate();
  manager->mFramesSuspended = 1;
  manager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 3);
  manager->mFramesSuspended = 0;
  manager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 4);
  EXPECT_EQ(manager->GetLastFrameTime(), GetTimer());
}

TEST_F(WindowTest, AnOpaqueFullSizeModalHidesTheModalsBelowIt) {
  DrawnModal* m1 = new DrawnModal("m1", &journal);
  DrawnModal* m2 = new DrawnModal("m2", &journal);
  DrawnModal* m3 = new DrawnModal("m3", &journal);
  manager->PushModal(Own(m1));
  manager->PushModal(Own(m2));
  manager->PushModal(Own(m3));
  // m2 gets an opaque child of its own size; only then is it opaque.
  Probe* cover = new Probe("cover", nullptr, 0, 0, 800, 600);
  m2->AddChild(Own(cover));
  EXPECT_FALSE(m2->GetFlags() & kWindowOpaque);
  cover->SetFlags(kWindowShown | kWindowOpaque);
  EXPECT_TRUE(m2->GetFlags() & kWindowOpaque);

  manager->DrawModals();
  EXPECT_EQ(journal, (Journal{"m2: draw", "m3: draw"}));

  // A smaller opaque child does not count; removing it clears the modal's opacity.
  journal.clear();
  cover->SetSize(10, 10);
  EXPECT_FALSE(m2->GetFlags() & kWindowOpaque);
  manager->DrawModals();
  EXPECT_EQ(journal, (Journal{"m1: draw", "m2: draw", "m3: draw"}));
}

TEST_F(WindowTest, PostedMessagesArriveInOrderIncludingThosePostedDuringDelivery) {
  struct Chain : Probe {
    using Probe::Probe;
    bool OnMessage(TMessage* m) override {
      Probe::OnMessage(m);
      if (m->GetId() == 1) TWindowManager::Instance()->PostMessage(new TMessage(3, "late", this));
      return true;
    }
  };
  Chain* w = new Chain("w", &journal, 0, 0, 10, 10);
  screen->AddChild(Own(w));
  manager->PostMessage(new TMessage(1, "a", w));
  manager->PostMessage(new TMessage(2, "b", w));
  manager->DrainMessages();
  EXPECT_EQ(journal, (Journal{"w: msg 1 a", "w: msg 2 b", "w: msg 3 late"}));
  EXPECT_EQ(manager->GetQueuedMessageCount(), 0u);
}

TEST_F(WindowTest, MessageForAWindowDeletedLaterGoesToListenersThenTheFocus) {
  struct Listener : TMessageListener {
    bool OnMessage(TMessage* m) override {
      seen.push_back(m->GetName().CStr());
      return false;
    }
    std::vector<std::string> seen;
  };
  Listener* listener = new Listener();
  manager->AddMessageListener(std::unique_ptr<TMessageListener>(listener));
  Probe* doomed = new Probe("doomed", &journal, 0, 0, 10, 10);
  Probe* child = new Probe("child", &journal, 0, 0, 10, 10);
  screen->AddChild(Own(doomed));
  doomed->AddChild(Own(child));
  manager->PostMessage(new TMessage(kUserMessageBase, "hello", child));
  manager->DeleteLater(screen->RemoveChild(doomed));
  manager->DrainMessages();
  EXPECT_EQ(listener->seen, std::vector<std::string>{"hello"});
  EXPECT_TRUE(journal.empty());
  std::unique_ptr<TMessageListener> back = manager->RemoveMessageListener(listener);
  EXPECT_TRUE(back);
  EXPECT_FALSE(manager->RemoveMessageListener(listener));
}

TEST_F(WindowTest, DeleteLaterDuringDispatchKeepsTheWindowUntilTheNextEvent) {
  int deaths = 0;
  Probe* button = new Probe("button", &journal, 0, 0, 100, 100);
  button->mDeaths = &deaths;
  button->mHandles = true;
  screen->AddChild(Own(button));
  manager->SetFocus(button);
  manager->AddHoverWindow(button);
  button->mOnDown = [&] {
    manager->DeleteLater(screen->RemoveChild(button));
    // Still usable inside the handler that let it go.
    button->SetName("still here");
  };
  manager->RemoveHoverWindow(button);
  manager->HandleEvent(MakeEvent(kEventLeftDown, 5, 5));
  EXPECT_EQ(deaths, 0);
  manager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(deaths, 1);
  // The manager forgot it as the focus window.
  EXPECT_EQ(manager->GetFocus(), nullptr);
}

TEST_F(WindowTest, AWindowDestroyedOutrightIsForgottenAsFocusHoverAndMessageTarget) {
  Probe* w = new Probe("w", &journal, 0, 0, 10, 10);
  screen->AddChild(Own(w));
  manager->SetFocus(w);
  manager->AddHoverWindow(w);
  manager->PostMessage(new TMessage(kUserMessageBase, "for w", w));
  screen->SetFocus(w);
  screen->RemoveChild(w);
  EXPECT_EQ(manager->GetFocus(), nullptr);
  EXPECT_FALSE(manager->IsHoverWindow(w));
  EXPECT_EQ(screen->GetFocusWindow(), nullptr);
  // The message lost its target and goes to the top modal instead of a dead window.
  manager->DrainMessages();
  EXPECT_EQ(manager->GetQueuedMessageCount(), 0u);
}

TEST_F(WindowTest, HoverWindowsTakeMouseEventsAndLeaveWhenThePointerIsOutside) {
  Probe* h = new Probe("h", &journal, 100, 100, 200, 200);
  Probe* other = new Probe("other", &journal, 0, 0, 800, 600);
  screen->AddChild(Own(other));
  screen->AddChild(Own(h));
  h->mHandles = true;
  manager->AddHoverWindow(h);
  manager->HandleEvent(MakeEvent(kEventMouseMove, 150, 160));
  EXPECT_EQ(journal, (Journal{"h: move 50,60"}));
  // Outside: it is told to leave and, still listed, gets the event anyway.
  journal.clear();
  manager->HandleEvent(MakeEvent(kEventMouseMove, 10, 10));
  EXPECT_EQ(journal, (Journal{"h: leave", "h: move -90,-90"}));
  // A leave handler that drops it ends its part.
  journal.clear();
  h->mLeaveRemovesHover = true;
  manager->HandleEvent(MakeEvent(kEventMouseMove, 10, 10));
  EXPECT_EQ(journal, (Journal{"h: leave"}));
  journal.clear();
  manager->HandleEvent(MakeEvent(kEventMouseMove, 10, 10));
  EXPECT_EQ(journal, (Journal{"other: move 10,10"}));
}

TEST_F(WindowTest, DoPopModalPopsDownToTheNamedModalOrNothing) {
  TModalWindow* a = new TModalWindow();
  a->SetName("a");
  TModalWindow* b = new TModalWindow();
  b->SetName("b");
  TModalWindow* c = new TModalWindow();
  c->SetName("c");
  manager->PushModal(Own(a));
  manager->PushModal(Own(b));
  manager->PushModal(Own(c));
  manager->DoPopModal("nobody");
  EXPECT_EQ(manager->GetModalStack().size(), 4u);
  manager->DoPopModal(b->GetIdString());
  EXPECT_EQ(manager->GetTopModal(), a);
  EXPECT_FALSE(a->GetClock().IsPaused());
  EXPECT_EQ(manager->GetFocus(), a);
}

TEST_F(WindowTest, PoppingTheRootLeavesNothingToDrawOrPressThrough) {
  Probe* w = new Probe("w", &journal, 0, 0, 800, 600);
  w->mHandles = true;
  screen->AddChild(Own(w));
  manager->PopTopModal();
  EXPECT_EQ(journal, (Journal{"w: popped"}));
  journal.clear();
  EXPECT_EQ(manager->GetRoot(), nullptr);
  manager->HandleEvent(MakeEvent(kEventLeftDown, 5, 5));
  Advance(100);
  manager->Invalidate();
  manager->HandleEvent(MakeEvent(kEventIdle));
  manager->DrawModals();
  EXPECT_EQ(journal, Journal{});
}

TEST_F(WindowTest, QuitMessageIsDeletedWhateverItsTarget) {
  Probe* w = new Probe("w", &journal, 0, 0, 10, 10);
  screen->AddChild(Own(w));
  manager->PostMessage(new TMessage(kQuitNow, "", w));
  manager->DrainMessages();
  EXPECT_TRUE(journal.empty());
}

TEST_F(WindowTest, AnOpaqueWindowDeletedInsideADetachedSubtreeNoLongerHidesTheModalsBelow) {
  DrawnModal* lower = new DrawnModal("lower", &journal);
  DrawnModal* upper = new DrawnModal("upper", &journal);
  manager->PushModal(Own(lower));
  manager->PushModal(Own(upper));
  Probe* panel = new Probe("panel", nullptr, 0, 0, 800, 600);
  Probe* cover = new Probe("cover", nullptr, 0, 0, 800, 600);
  upper->AddChild(Own(panel));
  panel->AddChild(Own(cover));
  cover->SetFlags(kWindowShown | kWindowOpaque);
  ASSERT_TRUE(upper->GetFlags() & kWindowOpaque);
  manager->DeleteLater(upper->RemoveChild(panel));
  manager->FlushDeletes();
  EXPECT_FALSE(upper->GetFlags() & kWindowOpaque);
  manager->DrawModals();
  EXPECT_EQ(journal, (Journal{"lower: draw", "upper: draw"}));
}

TEST_F(WindowTest, AWindowHandedOverStillLinkedLeavesItsParentWhenDeleted) {
  Probe* w = new Probe("w", nullptr, 0, 0, 10, 10);
  screen->AddChild(Own(w));
  manager->DeleteLater(w);
  EXPECT_TRUE(screen->HasChild(w));  // alive until the flush
  manager->FlushDeletes();
  EXPECT_FALSE(screen->HasChild(w));
  screen->DrawTree();
}

TEST_F(WindowTest, PushingAModalTakesTheHoverFocusAndClockFromTheOneBelow) {
  Probe* h = new Probe("h", &journal, 0, 0, 10, 10);
  screen->AddChild(Own(h));
  manager->AddHoverWindow(h);
  EXPECT_FALSE(screen->GetClock().IsPaused());

  TModalWindow* empty = new TModalWindow();
  manager->PushModal(Own(empty));
  EXPECT_EQ(journal, (Journal{"h: leave"}));
  EXPECT_FALSE(manager->IsHoverWindow(h));
  EXPECT_EQ(empty->GetParent(), screen);
  EXPECT_EQ(screen->GetChildren().front(), empty);
  EXPECT_EQ(empty->GetWidth(), 800);  // a modal without size takes its parent's
  EXPECT_EQ(empty->GetHeight(), 600);
  EXPECT_TRUE(screen->GetClock().IsPaused());
  EXPECT_FALSE(empty->GetClock().IsPaused());
  EXPECT_EQ(manager->GetFocus(), empty);

  DrawnModal* sized = new DrawnModal("sized", nullptr);
  sized->SetSize(40, 30);
  manager->PushModal(Own(sized));
  EXPECT_EQ(sized->GetWidth(), 40);
  EXPECT_TRUE(empty->GetClock().IsPaused());

  // Popping hands the focus back to the modal below, which is told.
  Probe* field = new Probe("field", &journal, 0, 0, 10, 10);
  empty->AddChild(Own(field));
  empty->SetFocus(field);  // not the manager's focus: only remembered
  EXPECT_EQ(manager->GetFocus(), sized);
  journal.clear();
  manager->PopTopModal();
  EXPECT_EQ(manager->GetTopModal(), empty);
  EXPECT_EQ(manager->GetFocus(), field);
  EXPECT_EQ(journal, (Journal{"field: focus"}));
}

namespace {

// Destroys another window outright when the pointer leaves it.
class Destroyer : public Probe {
public:
  Destroyer(std::vector<std::string>* journal, TWindow* victim)
      : Probe("destroyer", journal, 0, 0, 10, 10), mVictim(victim) {}
  bool OnMouseLeave() override {
    Probe::OnMouseLeave();
    if (mVictim) {
      mVictim->GetParent()->RemoveChild(mVictim);
      mVictim = nullptr;
    }
    return false;
  }
  TWindow* mVictim;
};

}  // namespace

TEST_F(WindowTest, AHoverWindowDestroyedByAnotherOnesLeaveIsNotToldToLeave) {
  Probe* victim = new Probe("victim", &journal, 20, 20, 30, 30);
  Destroyer* d = new Destroyer(&journal, victim);
  screen->AddChild(Own(victim));
  screen->AddChild(Own(d));
  manager->AddHoverWindow(victim);
  manager->AddHoverWindow(d);  // front: told first
  manager->PushModal(Own(new TModalWindow()));
  EXPECT_EQ(journal, (Journal{"destroyer: leave"}));
}

TEST_F(WindowTest, AListenerRemovedByAnEarlierOneIsNotOfferedTheMessage) {
  struct Listener : TMessageListener {
    bool OnMessage(TMessage*) override {
      ++offers;
      if (victim) {
        TWindowManager::Instance()->RemoveMessageListener(victim);
        victim = nullptr;
      }
      return false;
    }
    Listener* victim = nullptr;
    int offers = 0;
  };
  Listener* first = new Listener();
  first->victim = new Listener();
  manager->AddMessageListener(std::unique_ptr<TMessageListener>(first));
  manager->AddMessageListener(std::unique_ptr<TMessageListener>(first->victim));
  manager->PostMessage(new TMessage(kUserMessageBase, "x"));
  manager->DrainMessages();
  EXPECT_EQ(first->offers, 1);
}
