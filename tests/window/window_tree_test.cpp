#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "window/TWindowSpider.h"

using Journal = std::vector<std::string>;

TEST_F(WindowTest, ClickRefusedByTopWindowReachesTheSiblingBeneathBeforeTheParent) {
  // front (top-most) overlaps back; both sit in a panel on the screen.
  Probe* panel = new Probe("panel", &journal, 100, 100, 500, 500);
  Probe* back = new Probe("back", &journal, 0, 0, 200, 200);
  Probe* front = new Probe("front", &journal, 50, 50, 150, 150);
  screen->AddChild(panel);
  panel->AddChild(back);
  panel->AddChild(front);
  back->mHandles = true;

  manager->HandleEvent(MakeEvent(kEventLeftDown, 100 + 60, 100 + 70));
  Journal want = {"front: down 10,20", "back: down 60,70"};
  EXPECT_EQ(journal, want);

  // Without a taker the press climbs to the parent after the sibling.
  journal.clear();
  back->mHandles = false;
  manager->HandleEvent(MakeEvent(kEventLeftDown, 160, 170));
  want = {"front: down 10,20", "back: down 60,70", "panel: down 60,70"};
  EXPECT_EQ(journal, want);
}

TEST_F(WindowTest, HiddenWindowsAreNotHitAndFindChildAtPointPicksTheDeepest) {
  Probe* a = new Probe("a", nullptr, 10, 10, 110, 110);
  Probe* inner = new Probe("inner", nullptr, 5, 5, 50, 50);
  Probe* cover = new Probe("cover", nullptr, 0, 0, 800, 600);
  screen->AddChild(a);
  a->AddChild(inner);
  screen->AddChild(cover);
  cover->SetFlags(0);

  EXPECT_EQ(screen->FindChildAtPoint(TPoint(20, 20), -1), inner);
  EXPECT_EQ(screen->FindChildAtPoint(TPoint(20, 20), 1), a);
  EXPECT_EQ(screen->FindChildAtPoint(TPoint(20, 20), 0), nullptr);
  // Half-open: the right edge is outside.
  EXPECT_EQ(screen->FindChildAtPoint(TPoint(110, 20), -1), screen);
  a->SetFlags(0);
  EXPECT_EQ(screen->FindChildAtPoint(TPoint(20, 20), -1), screen);
}

TEST_F(WindowTest, LeftPressGivesFocusToTheFocusableAncestorEvenWhenTheChildHandlesIt) {
  TModalWindow* dialog = new TModalWindow();
  manager->PushModal(dialog);
  dialog->SetSize(400, 400);
  Probe* holder = new Probe("holder", &journal, 0, 0, 200, 200);
  Probe* child = new Probe("child", &journal, 0, 0, 50, 50);
  dialog->AddChild(holder);
  holder->AddChild(child);
  child->mHandles = true;
  // Only flag bits 0-7 set focusability; a window class sets them in its constructor.
  struct Focusable : Probe {
    using Probe::Probe;
    void MakeFocusable() { AddLowFlags(kWindowFocusable); }
  };
  Focusable* field = new Focusable("field", &journal, 300, 300, 350, 350);
  field->MakeFocusable();
  dialog->AddChild(field);

  manager->HandleEvent(MakeEvent(kEventLeftDown, 10, 10));
  EXPECT_EQ(manager->GetFocus(), dialog);
  manager->HandleEvent(MakeEvent(kEventLeftDown, 310, 310));
  EXPECT_EQ(manager->GetFocus(), field);
  // The press first, then the focus.
  EXPECT_EQ(Journal(journal.end() - 2, journal.end()), (Journal{"field: down 10,10", "field: focus"}));

  // Keys go to the focus window, then up to the modal, which posts a raw key notice that
  // reaches the focus window as a message.
  journal.clear();
  manager->HandleEvent(MakeEvent(kEventKeyDown, 0, 0, 'Q'));
  EXPECT_EQ(journal, (Journal{"field: key Q", "field: msg 4 raw:Q"}));
}

TEST_F(WindowTest, FlagsFindChildFitAndZOrder) {
  Probe* a = new Probe("a", nullptr, 0, 0, 10, 10);
  Probe* b = new Probe("b", nullptr, 0, 0, 10, 10);
  Probe* deep = new Probe("x", nullptr, 0, 0, 10, 10);
  Probe* shallow = new Probe("x", nullptr, 0, 0, 10, 10);
  screen->AddChild(a);
  screen->AddChild(b);  // b is now front
  a->AddChild(deep);
  b->AddChild(shallow);

  EXPECT_EQ(screen->FindChild("x", 0), nullptr);
  EXPECT_EQ(screen->FindChild("_screen_", 0), screen);
  EXPECT_EQ(screen->FindChild("x", -1), shallow);  // front first
  b->SetZOrder(0);
  EXPECT_EQ(screen->FindChild("x", -1), deep);
  b->SetZOrder(2);
  EXPECT_EQ(screen->GetChildren().front(), b);

  // SetFlags replaces bits 8-15 only; the modal bit of a modal survives.
  TModalWindow* m = new TModalWindow();
  screen->AddChild(m);
  m->SetFlags(0);
  EXPECT_EQ(m->GetFlags() & 0xFF, kWindowModal | kWindowFocusable);
  EXPECT_FALSE(m->IsVisible());
  m->SetFlags(0xFFFF0000u | kWindowShown);
  EXPECT_EQ(m->GetFlags() >> 16, 0u);

  // Fit grows only.
  Probe* big = new Probe("big", nullptr, 0, 0, 100, 100);
  big->AddChild(new Probe("c", nullptr, 50, 60, 150, 80));
  big->FitToChildren();
  EXPECT_EQ(big->GetWidth(), 150);
  EXPECT_EQ(big->GetHeight(), 100);
  delete big;
}

TEST_F(WindowTest, DrawGoesBackToFrontAndSkipsHiddenAndModalChildren) {
  Probe* back = new Probe("back", &journal, 0, 0, 10, 10);
  Probe* front = new Probe("front", &journal, 0, 0, 10, 10);
  Probe* hidden = new Probe("hidden", &journal, 0, 0, 10, 10);
  screen->AddChild(back);
  screen->AddChild(hidden);
  screen->AddChild(front);
  hidden->SetFlags(0);
  manager->PushModal(new DrawnModal("modal", &journal));
  screen->DrawTree();
  EXPECT_EQ(journal, (Journal{"back: draw", "front: draw"}));
}

TEST_F(WindowTest, ModalPoppedReachesTheSubtreeChildrenFirstButNotTheModal) {
  TModalWindow* m = new TModalWindow();
  manager->PushModal(m);
  Probe* outer = new Probe("outer", &journal, 0, 0, 10, 10);
  Probe* inner = new Probe("inner", &journal, 0, 0, 10, 10);
  m->AddChild(outer);
  outer->AddChild(inner);
  journal.clear();
  manager->PopTopModal();
  EXPECT_EQ(journal, (Journal{"inner: popped", "outer: popped"}));
}
