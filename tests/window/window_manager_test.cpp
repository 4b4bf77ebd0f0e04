#include <gtest/gtest.h>

#include "support/WindowOwnership.h"

#include "WindowTestSupport.h"

using Journal = std::vector<std::string>;

TEST_F(WindowTest, FramesRunAtMostEvery12MsAndOnlyWhenARedrawWasAsked) {
  DrawnModal* m = new DrawnModal("m", &mJournal);
  mManager->PushModal(Own(m));
  auto frames = [&] { return std::count(mJournal.begin(), mJournal.end(), "m: draw"); };

  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 1);
  Advance(11);
  mManager->Invalidate();
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 1);
  Advance(1);
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 2);
  // Nothing asked for a redraw: no frame however long we wait.
  Advance(500);
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 2);
  mManager->HandleEvent(MakeEvent(kEventPaint));
  EXPECT_EQ(frames(), 3);
  // A suspended frame draws nothing and keeps the request.
  Advance(20);
  mManager->Invalidate();
  mManager->mFramesSuspended = 1;
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 3);
  mManager->mFramesSuspended = 0;
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(frames(), 4);
  EXPECT_EQ(mManager->GetLastFrameTime(), GetTimer());
}

TEST_F(WindowTest, AnOpaqueFullSizeModalHidesTheModalsBelowIt) {
  DrawnModal* m1 = new DrawnModal("m1", &mJournal);
  DrawnModal* m2 = new DrawnModal("m2", &mJournal);
  DrawnModal* m3 = new DrawnModal("m3", &mJournal);
  mManager->PushModal(Own(m1));
  mManager->PushModal(Own(m2));
  mManager->PushModal(Own(m3));
  // m2 gets an opaque child of its own size; only then is it opaque.
  Probe* cover = new Probe("cover", nullptr, 0, 0, 800, 600);
  m2->AddChild(Own(cover));
  EXPECT_FALSE(m2->GetFlags() & kWindowOpaque);
  cover->SetFlags(kWindowShown | kWindowOpaque);
  EXPECT_TRUE(m2->GetFlags() & kWindowOpaque);

  mManager->DrawModals();
  EXPECT_EQ(mJournal, (Journal{"m2: draw", "m3: draw"}));

  // A smaller opaque child does not count; removing it clears the modal's opacity.
  mJournal.clear();
  cover->SetSize(10, 10);
  EXPECT_FALSE(m2->GetFlags() & kWindowOpaque);
  mManager->DrawModals();
  EXPECT_EQ(mJournal, (Journal{"m1: draw", "m2: draw", "m3: draw"}));
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
  Chain* w = new Chain("w", &mJournal, 0, 0, 10, 10);
  mScreen->AddChild(Own(w));
  mManager->PostMessage(new TMessage(1, "a", w));
  mManager->PostMessage(new TMessage(2, "b", w));
  mManager->DrainMessages();
  EXPECT_EQ(mJournal, (Journal{"w: msg 1 a", "w: msg 2 b", "w: msg 3 late"}));
  EXPECT_EQ(mManager->GetQueuedMessageCount(), 0u);
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
  mManager->AddMessageListener(std::unique_ptr<TMessageListener>(listener));
  Probe* doomed = new Probe("doomed", &mJournal, 0, 0, 10, 10);
  Probe* child = new Probe("child", &mJournal, 0, 0, 10, 10);
  mScreen->AddChild(Own(doomed));
  doomed->AddChild(Own(child));
  mManager->PostMessage(new TMessage(kUserMessageBase, "hello", child));
  mManager->DeleteLater(mScreen->RemoveChild(doomed));
  mManager->DrainMessages();
  EXPECT_EQ(listener->seen, std::vector<std::string>{"hello"});
  EXPECT_TRUE(mJournal.empty());
  std::unique_ptr<TMessageListener> back = mManager->RemoveMessageListener(listener);
  EXPECT_TRUE(back);
  EXPECT_FALSE(mManager->RemoveMessageListener(listener));
}

TEST_F(WindowTest, DeleteLaterDuringDispatchKeepsTheWindowUntilTheNextEvent) {
  int deaths = 0;
  Probe* button = new Probe("button", &mJournal, 0, 0, 100, 100);
  button->mDeaths = &deaths;
  button->mHandles = true;
  mScreen->AddChild(Own(button));
  mManager->SetFocus(button);
  mManager->AddHoverWindow(button);
  button->mOnDown = [&] {
    mManager->DeleteLater(mScreen->RemoveChild(button));
    // Still usable inside the handler that let it go.
    button->SetName("still here");
  };
  mManager->RemoveHoverWindow(button);
  mManager->HandleEvent(MakeEvent(kEventLeftDown, 5, 5));
  EXPECT_EQ(deaths, 0);
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(deaths, 1);
  // The manager forgot it as the focus window.
  EXPECT_EQ(mManager->GetFocus(), nullptr);
}

TEST_F(WindowTest, AWindowDestroyedOutrightIsForgottenAsFocusHoverAndMessageTarget) {
  Probe* w = new Probe("w", &mJournal, 0, 0, 10, 10);
  mScreen->AddChild(Own(w));
  mManager->SetFocus(w);
  mManager->AddHoverWindow(w);
  mManager->PostMessage(new TMessage(kUserMessageBase, "for w", w));
  mScreen->SetFocus(w);
  mScreen->RemoveChild(w);
  EXPECT_EQ(mManager->GetFocus(), nullptr);
  EXPECT_FALSE(mManager->IsHoverWindow(w));
  EXPECT_EQ(mScreen->GetFocusWindow(), nullptr);
  // The message lost its target and goes to the top modal instead of a dead window.
  mManager->DrainMessages();
  EXPECT_EQ(mManager->GetQueuedMessageCount(), 0u);
}

TEST_F(WindowTest, HoverWindowsTakeMouseEventsAndLeaveWhenThePointerIsOutside) {
  Probe* h = new Probe("h", &mJournal, 100, 100, 200, 200);
  Probe* other = new Probe("other", &mJournal, 0, 0, 800, 600);
  mScreen->AddChild(Own(other));
  mScreen->AddChild(Own(h));
  h->mHandles = true;
  mManager->AddHoverWindow(h);
  mManager->HandleEvent(MakeEvent(kEventMouseMove, 150, 160));
  EXPECT_EQ(mJournal, (Journal{"h: move 50,60"}));
  // Outside: it is told to leave and, still listed, gets the event anyway.
  mJournal.clear();
  mManager->HandleEvent(MakeEvent(kEventMouseMove, 10, 10));
  EXPECT_EQ(mJournal, (Journal{"h: leave", "h: move -90,-90"}));
  // A leave handler that drops it ends its part.
  mJournal.clear();
  h->mLeaveRemovesHover = true;
  mManager->HandleEvent(MakeEvent(kEventMouseMove, 10, 10));
  EXPECT_EQ(mJournal, (Journal{"h: leave"}));
  mJournal.clear();
  mManager->HandleEvent(MakeEvent(kEventMouseMove, 10, 10));
  EXPECT_EQ(mJournal, (Journal{"other: move 10,10"}));
}

TEST_F(WindowTest, DoPopModalPopsDownToTheNamedModalOrNothing) {
  TModalWindow* a = new TModalWindow();
  a->SetName("a");
  TModalWindow* b = new TModalWindow();
  b->SetName("b");
  TModalWindow* c = new TModalWindow();
  c->SetName("c");
  mManager->PushModal(Own(a));
  mManager->PushModal(Own(b));
  mManager->PushModal(Own(c));
  mManager->DoPopModal("nobody");
  EXPECT_EQ(mManager->GetModalStack().size(), 4u);
  mManager->DoPopModal(b->GetIdString());
  EXPECT_EQ(mManager->GetTopModal(), a);
  EXPECT_FALSE(a->GetClock().IsPaused());
  EXPECT_EQ(mManager->GetFocus(), a);
}

TEST_F(WindowTest, PoppingTheRootLeavesNothingToDrawOrPressThrough) {
  Probe* w = new Probe("w", &mJournal, 0, 0, 800, 600);
  w->mHandles = true;
  mScreen->AddChild(Own(w));
  mManager->PopTopModal();
  EXPECT_EQ(mJournal, (Journal{"w: popped"}));
  mJournal.clear();
  EXPECT_EQ(mManager->GetRoot(), nullptr);
  mManager->HandleEvent(MakeEvent(kEventLeftDown, 5, 5));
  Advance(100);
  mManager->Invalidate();
  mManager->HandleEvent(MakeEvent(kEventIdle));
  mManager->DrawModals();
  EXPECT_EQ(mJournal, Journal{});
}

TEST_F(WindowTest, QuitMessageIsDeletedWhateverItsTarget) {
  Probe* w = new Probe("w", &mJournal, 0, 0, 10, 10);
  mScreen->AddChild(Own(w));
  mManager->PostMessage(new TMessage(kQuitNow, "", w));
  mManager->DrainMessages();
  EXPECT_TRUE(mJournal.empty());
}

TEST_F(WindowTest, AnOpaqueWindowDeletedInsideADetachedSubtreeNoLongerHidesTheModalsBelow) {
  DrawnModal* lower = new DrawnModal("lower", &mJournal);
  DrawnModal* upper = new DrawnModal("upper", &mJournal);
  mManager->PushModal(Own(lower));
  mManager->PushModal(Own(upper));
  Probe* panel = new Probe("panel", nullptr, 0, 0, 800, 600);
  Probe* cover = new Probe("cover", nullptr, 0, 0, 800, 600);
  upper->AddChild(Own(panel));
  panel->AddChild(Own(cover));
  cover->SetFlags(kWindowShown | kWindowOpaque);
  ASSERT_TRUE(upper->GetFlags() & kWindowOpaque);
  mManager->DeleteLater(upper->RemoveChild(panel));
  mManager->FlushDeletes();
  EXPECT_FALSE(upper->GetFlags() & kWindowOpaque);
  mManager->DrawModals();
  EXPECT_EQ(mJournal, (Journal{"lower: draw", "upper: draw"}));
}

TEST_F(WindowTest, AWindowHandedOverStillLinkedLeavesItsParentWhenDeleted) {
  Probe* w = new Probe("w", nullptr, 0, 0, 10, 10);
  mScreen->AddChild(Own(w));
  mManager->DeleteLater(w);
  EXPECT_TRUE(mScreen->HasChild(w));  // alive until the flush
  mManager->FlushDeletes();
  EXPECT_FALSE(mScreen->HasChild(w));
  mScreen->DrawTree();
}

TEST_F(WindowTest, PushingAModalTakesTheHoverFocusAndClockFromTheOneBelow) {
  Probe* h = new Probe("h", &mJournal, 0, 0, 10, 10);
  mScreen->AddChild(Own(h));
  mManager->AddHoverWindow(h);
  EXPECT_FALSE(mScreen->GetClock().IsPaused());

  TModalWindow* empty = new TModalWindow();
  mManager->PushModal(Own(empty));
  EXPECT_EQ(mJournal, (Journal{"h: leave"}));
  EXPECT_FALSE(mManager->IsHoverWindow(h));
  EXPECT_EQ(empty->GetParent(), mScreen);
  EXPECT_EQ(mScreen->GetChildren().front(), empty);
  EXPECT_EQ(empty->GetWidth(), 800);  // a modal without size takes its parent's
  EXPECT_EQ(empty->GetHeight(), 600);
  EXPECT_TRUE(mScreen->GetClock().IsPaused());
  EXPECT_FALSE(empty->GetClock().IsPaused());
  EXPECT_EQ(mManager->GetFocus(), empty);

  DrawnModal* sized = new DrawnModal("sized", nullptr);
  sized->SetSize(40, 30);
  mManager->PushModal(Own(sized));
  EXPECT_EQ(sized->GetWidth(), 40);
  EXPECT_TRUE(empty->GetClock().IsPaused());

  // Popping hands the focus back to the modal below, which is told.
  Probe* field = new Probe("field", &mJournal, 0, 0, 10, 10);
  empty->AddChild(Own(field));
  empty->SetFocus(field);  // not the manager's focus: only remembered
  EXPECT_EQ(mManager->GetFocus(), sized);
  mJournal.clear();
  mManager->PopTopModal();
  EXPECT_EQ(mManager->GetTopModal(), empty);
  EXPECT_EQ(mManager->GetFocus(), field);
  EXPECT_EQ(mJournal, (Journal{"field: focus"}));
}

namespace {

// Destroys another window outright when the pointer leaves it.
class Destroyer : public Probe {
public:
  Destroyer(std::vector<std::string>* mJournal, TWindow* victim)
      : Probe("destroyer", mJournal, 0, 0, 10, 10), mVictim(victim) {}
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
  Probe* victim = new Probe("victim", &mJournal, 20, 20, 30, 30);
  Destroyer* d = new Destroyer(&mJournal, victim);
  mScreen->AddChild(Own(victim));
  mScreen->AddChild(Own(d));
  mManager->AddHoverWindow(victim);
  mManager->AddHoverWindow(d);  // front: told first
  mManager->PushModal(Own(new TModalWindow()));
  EXPECT_EQ(mJournal, (Journal{"destroyer: leave"}));
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
  mManager->AddMessageListener(std::unique_ptr<TMessageListener>(first));
  mManager->AddMessageListener(std::unique_ptr<TMessageListener>(first->victim));
  mManager->PostMessage(new TMessage(kUserMessageBase, "x"));
  mManager->DrainMessages();
  EXPECT_EQ(first->offers, 1);
}
