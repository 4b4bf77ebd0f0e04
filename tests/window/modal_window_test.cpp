#include <gtest/gtest.h>

#include "support/WindowOwnership.h"

#include "WindowTestSupport.h"
#include "core/TSettings.h"
#include "window/TButton.h"

using Journal = std::vector<std::string>;

namespace {

// A button whose presses are counted; it can remove itself from the tree when pressed.
class CountingAction : public TButton::Action {
public:
  explicit CountingAction(int* count, bool detach = false) : mCount(count), mDetach(detach) {}
  void Execute(TButton* b) override {
    ++*mCount;
    if (mDetach) {
      TWindowManager::Instance()->DeleteLater(b->GetParent()->RemoveChild(b));
    }
  }
  int* mCount;
  bool mDetach;
};

TButton* MakeButton(const char* name, uint32_t styleBits, int* presses, bool detach = false) {
  TButton* b = new TButton();
  b->SetName(name);
  b->SetButtonFlags(styleBits);
  b->SetAction(new CountingAction(presses, detach));
  return b;
}

}  // namespace

TEST(HotKeys, KeyTextsNormaliseToShiftCtrlAltAndTheLastCharacter) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"Control-Alt-s", "ctrl-alt-S"},
      {"alt-ctrl-S", "ctrl-alt-S"},
      {"ctrl-alt-s", "ctrl-alt-S"},
      {"x", "X"},
      {"@p", "@P"},
      {"ctrl-f10", "ctrl-0"},
      {"alt-shift-q", "shift-alt-Q"},
      {"@", "@"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TModalWindow::NormaliseKey(c.in), str(c.out)) << c.in;
}

TEST_F(WindowTest, HotKeysPressTheirButtonWithExactModifiersOrAnyWithTheAtForm) {
  TModalWindow* dialog = new TModalWindow();
  mManager->PushModal(Own(dialog));
  int save = 0, print = 0;
  dialog->AddChild(Own(MakeButton("save", 0, &save)));
  dialog->AddChild(Own(MakeButton("print", 0, &print)));
  dialog->RegisterHotKey("ctrl-s", "save");
  dialog->RegisterHotKey("@p", "print");
  dialog->RegisterHotKey("ctrl-p", "save");

  auto key = [&](char k, int mods) {
    mManager->HandleEvent(MakeEvent(kEventKeyDown, 0, 0, k, mods));
  };
  key('S', 0);
  EXPECT_EQ(save, 0);
  key('S', kModCtrl);
  EXPECT_EQ(save, 1);
  key('P', kModAlt | kModShift);
  EXPECT_EQ(print, 1);
  key('P', kModCtrl);  // the exact entry wins over the @ form
  EXPECT_EQ(save, 2);
  EXPECT_EQ(print, 1);

  dialog->RegisterHotKey("ctrl-s", "");
  key('S', kModCtrl);
  EXPECT_EQ(save, 2);
  dialog->RegisterHotKey("ctrl-s", "print");
  key('S', kModCtrl);
  EXPECT_EQ(print, 2);
  // A missing button still counts as handled.
  dialog->RegisterHotKey("q", "nobody");
  EXPECT_TRUE(dialog->OnKeyDown('Q', 0));
}

TEST_F(WindowTest, EnterPressesTheVisibleDefaultButtonAndStillSendsTheDefaultAction) {
  DrawnModal* dialog = new DrawnModal("dialog", nullptr);
  mManager->PushModal(Own(dialog));
  Probe* field = new Probe("field", &mJournal, 0, 0, 10, 10);
  dialog->AddChild(Own(field));
  mManager->SetFocus(field);
  int ok = 0, cancel1 = 0, cancel2 = 0;
  TButton* okButton = MakeButton("ok", 8, &ok);
  dialog->AddChild(Own(MakeButton("cancel1", 16, &cancel1)));
  dialog->AddChild(Own(MakeButton("cancel2", 16, &cancel2)));
  dialog->AddChild(Own(okButton));

  mManager->HandleEvent(MakeEvent(kEventChar, 0, 0, 13));
  EXPECT_EQ(ok, 1);
  // kDefaultAction went to the focus window.
  EXPECT_EQ(std::count(mJournal.begin(), mJournal.end(), "field: msg 2 "), 1);

  // Escape: the walk sees ok first (front), then cancel2, and stops once both are known.
  mManager->HandleEvent(MakeEvent(kEventChar, 0, 0, 27));
  EXPECT_EQ(cancel2, 1);
  EXPECT_EQ(cancel1, 0);

  // Hidden default: Enter only sends the default action.
  okButton->SetFlags(0);
  mJournal.clear();
  mManager->HandleEvent(MakeEvent(kEventChar, 0, 0, 13));
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(mJournal, (Journal{"field: msg 2 "}));

  // Other characters are not the modal's business.
  EXPECT_FALSE(dialog->OnChar('a'));
}

// A screen that ends on a key-down and opens the next one at once, as the intro does.
class EndsOnKeyDown : public TModalWindow {
public:
  explicit EndsOnKeyDown(TWindow* next) : mNext(next) {}
  bool OnKeyDown(unsigned char, int) override {
    if (mNext) TWindowManager::Instance()->PushModal(Own(mNext));
    mNext = nullptr;
    return true;
  }
  TWindow* mNext;
};

TEST_F(WindowTest, TheCharacterOfAKeyThatOpenedAModalIsNotTypedIntoIt) {
  int quit = 0, play = 0;
  TModalWindow* menu = new TModalWindow();
  menu->AddChild(Own(MakeButton("quit", 16, &quit)));
  menu->AddChild(Own(MakeButton("play", 8, &play)));
  EndsOnKeyDown* intro = new EndsOnKeyDown(menu);
  mManager->PushModal(Own(intro));

  // Escape ends the intro on its key-down; the character it types comes after the menu.
  mManager->HandleEvent(MakeEvent(kEventKeyDown, 0, 0, 27));
  ASSERT_EQ(mManager->GetTopModal(), menu);
  mManager->HandleEvent(MakeEvent(kEventChar, 0, 0, 27));
  mManager->HandleEvent(MakeEvent(kEventKeyUp, 0, 0, 27));
  EXPECT_EQ(quit, 0);

  // A key pressed on the menu types there, and so does a character that comes alone.
  mManager->HandleEvent(MakeEvent(kEventKeyDown, 0, 0, 13));
  mManager->HandleEvent(MakeEvent(kEventUnicodeChar, 0, 0, 13));
  mManager->HandleEvent(MakeEvent(kEventKeyUp, 0, 0, 13));
  EXPECT_EQ(play, 1);
  mManager->HandleEvent(MakeEvent(kEventChar, 0, 0, 27));
  EXPECT_EQ(quit, 1);
}

TEST_F(WindowTest, EnterWhoseButtonLeavesTheTreeSendsNothingMore) {
  TModalWindow* dialog = new TModalWindow();
  mManager->PushModal(Own(dialog));
  Probe* field = new Probe("field", &mJournal, 0, 0, 10, 10);
  dialog->AddChild(Own(field));
  mManager->SetFocus(field);
  int ok = 0;
  dialog->AddChild(Own(MakeButton("ok", 8, &ok, true)));
  mJournal.clear();
  mManager->HandleEvent(MakeEvent(kEventChar, 0, 0, 13));
  EXPECT_EQ(ok, 1);
  EXPECT_TRUE(mJournal.empty());
}

TEST_F(WindowTest, CloseMessagesPopByNameAndDestroyedModalsPostOneClosedNotice) {
  struct Listener : TMessageListener {
    bool OnMessage(TMessage* m) override {
      if (m->GetId() == kModalClosed) closed.push_back(m->GetName().CStr());
      return m->GetId() == kModalClosed;
    }
    std::vector<std::string> closed;
  };
  Listener* listener = new Listener();
  mManager->AddMessageListener(std::unique_ptr<TMessageListener>(listener));
  TModalWindow* dialog = new TModalWindow();
  dialog->SetName("dialog");
  mManager->PushModal(Own(dialog));
  str id = dialog->GetIdString();

  TMessage* empty = new TMessage(kCloseWindow, "");
  EXPECT_TRUE(dialog->OnMessage(empty));
  delete empty;
  EXPECT_EQ(mManager->GetTopModal(), dialog);

  mManager->PostMessage(new TMessage(kCloseWindow, id, dialog));
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(mManager->GetTopModal(), mScreen);
  mManager->HandleEvent(MakeEvent(kEventIdle));  // flushes the delete, which posts the notice
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(listener->closed, std::vector<std::string>{id.CStr()});
}

TEST_F(WindowTest, ModalRemembersItsFocusWindowUntilItGetsTheFocus) {
  TModalWindow* dialog = new TModalWindow();
  mManager->PushModal(Own(dialog));
  Probe* field = new Probe("field", &mJournal, 0, 0, 10, 10);
  dialog->AddChild(Own(field));
  TModalWindow* over = new TModalWindow();
  mManager->PushModal(Own(over));
  EXPECT_TRUE(dialog->GetClock().IsPaused());
  dialog->SetFocus(field);
  EXPECT_EQ(mManager->GetFocus(), over);
  mManager->PopTopModal();
  EXPECT_EQ(mManager->GetFocus(), field);
  EXPECT_EQ(mJournal, (Journal{"field: focus"}));
}

TEST_F(WindowTest, ModalsThatRememberThemselvesOrEachOtherStopPassingTheFocus) {
  TModalWindow* a = new TModalWindow();
  mManager->PushModal(Own(a));
  a->SetFocus(a);
  EXPECT_EQ(mManager->GetFocus(), a);
  TModalWindow* b = new TModalWindow();
  a->AddChild(Own(b));
  a->SetFocus(b);
  b->SetFocus(a);
  mManager->SetFocus(a);  // a -> b -> a: ends instead of recursing
  EXPECT_TRUE(mManager->GetFocus() == a || mManager->GetFocus() == b);
  // A chain without a loop still reaches its end.
  Probe* field = new Probe("field", &mJournal, 0, 0, 10, 10);
  b->AddChild(Own(field));
  b->SetFocus(field);
  mManager->SetFocus(a);
  EXPECT_EQ(mManager->GetFocus(), field);
}

TEST_F(WindowTest, UnhandledReleaseBecomesOneMouseUpNoticeWhicheverSidePostsIt) {
  struct Listener : TMessageListener {
    bool OnMessage(TMessage* m) override {
      names.push_back(m->GetName().CStr());
      return true;
    }
    std::vector<std::string> names;
  };
  for (const char* overlay : {"0", "1"}) {
    SetConfig("overlaymouse", overlay);
    Listener* listener = new Listener();
    mManager->AddMessageListener(std::unique_ptr<TMessageListener>(listener));
    mManager->HandleEvent(MakeEvent(kEventLeftUp, 5, 5));
    mManager->HandleEvent(MakeEvent(kEventKeyDown, 0, 0, 'K'));
    std::vector<std::string> want = {"mouse:up"};
    if (std::string(overlay) == "0") want.push_back("raw:K");
    EXPECT_EQ(listener->names, want) << overlay;
    mManager->RemoveMessageListener(listener);
  }
  SetConfig("overlaymouse", "");
}

TEST_F(WindowTest, WindowAnimationsRunOnTheirModalsClockOnlyWhileItRuns) {
  struct Ticker : TWindow {
    bool Animate() override {
      ++ticks;
      return true;
    }
    int ticks = 0;
  };
  TModalWindow* dialog = new TModalWindow();
  mManager->PushModal(Own(dialog));
  Ticker* t = new Ticker();
  dialog->AddChild(Own(t));
  t->SetAnimTimer(100, true, false, false);
  Advance(99);
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(t->ticks, 0);
  Advance(1);
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(t->ticks, 1);
  // Covered by another modal, the dialog's clock stands still.
  TModalWindow* over = new TModalWindow();
  mManager->PushModal(Own(over));
  Advance(500);
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(t->ticks, 1);
  mManager->DoPopModal(over->GetIdString());
  Advance(100);
  mManager->HandleEvent(MakeEvent(kEventIdle));
  EXPECT_EQ(t->ticks, 2);
  // A window that dies leaves its task behind harmlessly.
  dialog->RemoveChild(t);
  Advance(100);
  mManager->HandleEvent(MakeEvent(kEventIdle));
}
