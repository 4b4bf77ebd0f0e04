#include <gtest/gtest.h>

#include "support/WindowOwnership.h"

#include "WindowTestSupport.h"
#include "window/TButton.h"
#include "window/TText.h"
#include "window/TWindowSpider.h"

using Journal = std::vector<std::string>;

TEST_F(WindowTest, ClickRefusedByTopWindowReachesTheSiblingBeneathBeforeTheParent) {
  // front (top-most) overlaps back; both sit in a panel on the screen.
  Probe* panel = new Probe("panel", &mJournal, 100, 100, 500, 500);
  Probe* back = new Probe("back", &mJournal, 0, 0, 200, 200);
  Probe* front = new Probe("front", &mJournal, 50, 50, 150, 150);
  mScreen->AddChild(Own(panel));
  panel->AddChild(Own(back));
  panel->AddChild(Own(front));
  back->mHandles = true;

  mManager->HandleEvent(MakeEvent(kEventLeftDown, 100 + 60, 100 + 70));
  Journal want = {"front: down 10,20", "back: down 60,70"};
  EXPECT_EQ(mJournal, want);

  // Without a taker the press climbs to the parent after the sibling.
  mJournal.clear();
  back->mHandles = false;
  mManager->HandleEvent(MakeEvent(kEventLeftDown, 160, 170));
  want = {"front: down 10,20", "back: down 60,70", "panel: down 60,70"};
  EXPECT_EQ(mJournal, want);
}

TEST_F(WindowTest, HiddenWindowsAreNotHitAndFindChildAtPointPicksTheDeepest) {
  Probe* a = new Probe("a", nullptr, 10, 10, 110, 110);
  Probe* inner = new Probe("inner", nullptr, 5, 5, 50, 50);
  Probe* cover = new Probe("cover", nullptr, 0, 0, 800, 600);
  mScreen->AddChild(Own(a));
  a->AddChild(Own(inner));
  mScreen->AddChild(Own(cover));
  cover->SetFlags(0);

  EXPECT_EQ(mScreen->FindChildAtPoint(TPoint(20, 20), -1), inner);
  EXPECT_EQ(mScreen->FindChildAtPoint(TPoint(20, 20), 1), a);
  EXPECT_EQ(mScreen->FindChildAtPoint(TPoint(20, 20), 0), nullptr);
  // Half-open: the right edge is outside.
  EXPECT_EQ(mScreen->FindChildAtPoint(TPoint(110, 20), -1), mScreen);
  a->SetFlags(0);
  EXPECT_EQ(mScreen->FindChildAtPoint(TPoint(20, 20), -1), mScreen);
}

TEST_F(WindowTest, LeftPressGivesFocusToTheFocusableAncestorEvenWhenTheChildHandlesIt) {
  TModalWindow* dialog = new TModalWindow();
  mManager->PushModal(Own(dialog));
  dialog->SetSize(400, 400);
  Probe* holder = new Probe("holder", &mJournal, 0, 0, 200, 200);
  Probe* child = new Probe("child", &mJournal, 0, 0, 50, 50);
  dialog->AddChild(Own(holder));
  holder->AddChild(Own(child));
  child->mHandles = true;
  // Only flag bits 0-7 set focusability; a window class sets them in its constructor.
  struct Focusable : Probe {
    using Probe::Probe;
    void MakeFocusable() { AddLowFlags(kWindowFocusable); }
  };
  Focusable* field = new Focusable("field", &mJournal, 300, 300, 350, 350);
  field->MakeFocusable();
  dialog->AddChild(Own(field));

  mManager->HandleEvent(MakeEvent(kEventLeftDown, 10, 10));
  EXPECT_EQ(mManager->GetFocus(), dialog);
  mManager->HandleEvent(MakeEvent(kEventLeftDown, 310, 310));
  EXPECT_EQ(mManager->GetFocus(), field);
  // The press first, then the focus.
  EXPECT_EQ(Journal(mJournal.end() - 2, mJournal.end()),
            (Journal{"field: down 10,10", "field: focus"}));

  // Keys go to the focus window, then up to the modal, which posts a raw key notice that
  // reaches the focus window as a message.
  mJournal.clear();
  mManager->HandleEvent(MakeEvent(kEventKeyDown, 0, 0, 'Q'));
  EXPECT_EQ(mJournal, (Journal{"field: key Q", "field: msg 4 raw:Q"}));
}

TEST_F(WindowTest, FlagsFindChildFitAndZOrder) {
  Probe* a = new Probe("a", nullptr, 0, 0, 10, 10);
  Probe* b = new Probe("b", nullptr, 0, 0, 10, 10);
  Probe* deep = new Probe("x", nullptr, 0, 0, 10, 10);
  Probe* shallow = new Probe("x", nullptr, 0, 0, 10, 10);
  mScreen->AddChild(Own(a));
  mScreen->AddChild(Own(b));  // b is now front
  a->AddChild(Own(deep));
  b->AddChild(Own(shallow));

  EXPECT_EQ(mScreen->FindChild("x", 0), nullptr);
  EXPECT_EQ(mScreen->FindChild("_screen_", 0), mScreen);
  EXPECT_EQ(mScreen->FindChild("x", -1), shallow);  // front first
  b->SetZOrder(0);
  EXPECT_EQ(mScreen->FindChild("x", -1), deep);
  b->SetZOrder(2);
  EXPECT_EQ(mScreen->GetChildren().front(), b);

  // SetFlags replaces bits 8-15 only; the modal bit of a modal survives.
  TModalWindow* m = new TModalWindow();
  mScreen->AddChild(Own(m));
  m->SetFlags(0);
  EXPECT_EQ(m->GetFlags() & 0xFF, kWindowModal | kWindowFocusable);
  EXPECT_FALSE(m->IsVisible());
  m->SetFlags(0xFFFF0000u | kWindowShown);
  EXPECT_EQ(m->GetFlags() >> 16, 0u);

  // Fit grows only.
  Probe* big = new Probe("big", nullptr, 0, 0, 100, 100);
  big->AddChild(Own(new Probe("c", nullptr, 50, 60, 150, 80)));
  big->FitToChildren();
  EXPECT_EQ(big->GetWidth(), 150);
  EXPECT_EQ(big->GetHeight(), 100);
  delete big;
}

TEST_F(WindowTest, DrawGoesBackToFrontAndSkipsHiddenAndModalChildren) {
  Probe* back = new Probe("back", &mJournal, 0, 0, 10, 10);
  Probe* front = new Probe("front", &mJournal, 0, 0, 10, 10);
  Probe* hidden = new Probe("hidden", &mJournal, 0, 0, 10, 10);
  mScreen->AddChild(Own(back));
  mScreen->AddChild(Own(hidden));
  mScreen->AddChild(Own(front));
  hidden->SetFlags(0);
  mManager->PushModal(Own(new DrawnModal("modal", &mJournal)));
  mScreen->DrawTree();
  EXPECT_EQ(mJournal, (Journal{"back: draw", "front: draw"}));
}

TEST_F(WindowTest, ModalPoppedReachesTheSubtreeChildrenFirstButNotTheModal) {
  TModalWindow* m = new TModalWindow();
  mManager->PushModal(Own(m));
  Probe* outer = new Probe("outer", &mJournal, 0, 0, 10, 10);
  Probe* inner = new Probe("inner", &mJournal, 0, 0, 10, 10);
  m->AddChild(Own(outer));
  outer->AddChild(Own(inner));
  mJournal.clear();
  mManager->PopTopModal();
  EXPECT_EQ(mJournal, (Journal{"inner: popped", "outer: popped"}));
}

namespace {

std::string Order(const TWindow* parent) {
  std::string s;
  for (const TWindow* c : parent->GetChildren()) s += c->GetName().CStr();
  return s;
}

// Refuses activation, or takes a character through one of the two character operations.
class Picky : public TWindow {
public:
  bool OnActivate() override { return false; }
  bool OnWideChar(str text) override {
    wide = text.CStr();
    return takesWide;
  }
  bool OnChar(unsigned char c) override {
    narrow = c;
    return true;
  }
  bool takesWide = false;
  std::string wide;
  int narrow = -1;
};

}  // namespace

TEST_F(WindowTest, ZOrderModesAndPlaceAboveMoveWithinTheSiblingList) {
  struct Case {
    const char* mover;
    int mode;  // -1: PlaceAbove(sibling)
    const char* sibling;
    const char* want;
  } cases[] = {
      {"a", 0, nullptr, "bca"}, {"c", 1, nullptr, "cab"}, {"b", 2, nullptr, "bac"},
      {"a", 2, nullptr, "abc"}, {"a", 3, nullptr, "bac"}, {"c", 3, nullptr, "abc"},
      {"a", -1, "c", "bac"},    {"c", -1, "a", "cab"},    {"a", -1, nullptr, "bca"},
  };
  for (const Case& c : cases) {
    TWindow* parent = new TWindow();
    TWindow* other = new TWindow();  // a window of another parent counts as no sibling
    other->SetName("z");
    for (const char* n : {"c", "b", "a"}) {
      TWindow* w = new TWindow();
      w->SetName(n);
      parent->AddChild(Own(w));
    }
    ASSERT_EQ(Order(parent), "abc");
    TWindow* mover = parent->FindChild(c.mover, 1);
    if (c.mode >= 0) {
      mover->SetZOrder(c.mode);
    } else {
      mover->PlaceAbove(c.sibling ? parent->FindChild(c.sibling, 1) : other);
    }
    EXPECT_EQ(Order(parent), c.want) << c.mover << " " << c.mode;
    delete parent;
    delete other;
  }
}

TEST_F(WindowTest, RefusedActivationLeavesTheChildDetached) {
  Picky* child = new Picky();
  EXPECT_TRUE(mScreen->AddChild(Own(child), false));
  std::unique_ptr<TWindow> back = mScreen->RemoveChild(child);
  EXPECT_FALSE(mScreen->AddChild(std::move(back), true));
  EXPECT_EQ(back.get(), child);  // handed back to the caller
  EXPECT_FALSE(mScreen->HasChild(child));
  EXPECT_EQ(child->GetParent(), nullptr);
}

TEST_F(WindowTest, ModalParentAndVisibilityStopAtTheFirstModalFlaggedAncestor) {
  TModalWindow* m = new TModalWindow();
  mScreen->AddChild(Own(m));
  TWindow* mid = new TWindow();
  TWindow* leaf = new TWindow();
  m->AddChild(Own(mid));
  mid->AddChild(Own(leaf));
  EXPECT_EQ(leaf->GetModalParent(), m);
  EXPECT_TRUE(leaf->IsVisible());
  mScreen->SetFlags(0);  // above the modal: does not matter
  EXPECT_TRUE(leaf->IsVisible());
  mid->SetFlags(0);
  EXPECT_FALSE(leaf->IsVisible());

  // A detached chain has no modal: not visible, no modal parent.
  TWindow* loose = new TWindow();
  TWindow* inner = new TWindow();
  loose->AddChild(Own(inner));
  EXPECT_FALSE(inner->IsVisible());
  EXPECT_EQ(inner->GetModalParent(), nullptr);
  delete loose;
}

TEST_F(WindowTest, UnicodeCharactersFallBackToTheByteOnlyWhenOneByteLong) {
  struct Case {
    int32_t code;
    bool takesWide;
    bool handled;
    const char* wide;
    int narrow;
  } cases[] = {
      {'a', false, true, "a", 'a'},
      {0xE9, false, false, "\xC3\xA9", -1},  // two bytes in UTF-8: no byte fallback
      {'a', true, true, "a", -1},
  };
  for (const Case& c : cases) {
    Picky w;
    w.takesWide = c.takesWide;
    EXPECT_EQ(w.DispatchEvent(MakeEvent(kEventUnicodeChar, 0, 0, c.code), false), c.handled)
        << c.code;
    EXPECT_EQ(w.wide, c.wide) << c.code;
    EXPECT_EQ(w.narrow, c.narrow) << c.code;
  }
}

TEST_F(WindowTest, AChildMovedToAnotherParentLeavesTheOldOne) {
  TWindow* a = new TWindow();
  TWindow* b = new TWindow();
  TWindow* child = new TWindow();
  a->AddChild(Own(child));
  b->AddChild(a->RemoveChild(child));
  EXPECT_FALSE(a->HasChild(child));
  EXPECT_TRUE(b->HasChild(child));
  EXPECT_EQ(child->GetParent(), b);
  // Nor may a window go under itself: refused, the caller keeps it.
  std::unique_ptr<TWindow> ownB(b);
  EXPECT_FALSE(child->AddChild(std::move(ownB)));
  EXPECT_EQ(ownB.get(), b);
  std::unique_ptr<TWindow> self(child);  // b owns it: this copy only shows the refusal
  EXPECT_FALSE(child->AddChild(std::move(self)));
  EXPECT_EQ(self.release(), child);
  EXPECT_EQ(b->GetParent(), nullptr);
  delete a;
  ownB.reset();  // deletes the child once
}

TEST(WindowCastTest, CastsOnlyToTheWindowsOwnClassOrABaseOfIt) {
  TButton button;
  TWindow* asWindow = &button;
  EXPECT_EQ(WindowCast<TButton>(asWindow), &button);
  EXPECT_EQ(WindowCast<TLayeredWindow>(asWindow), &button);  // a base class
  EXPECT_EQ(WindowCast<TText>(asWindow), nullptr);
  EXPECT_EQ(WindowCast<TButton>(static_cast<TWindow*>(nullptr)), nullptr);
  const TWindow* constWindow = &button;
  EXPECT_EQ(WindowCast<TButton>(constWindow), &button);
  TText text;
  EXPECT_EQ(WindowCast<TButton>(static_cast<TWindow*>(&text)), nullptr);
}
