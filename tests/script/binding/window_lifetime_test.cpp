// Windows that die while something still refers to them: bound methods, wrappers, messages,
// listeners and script callbacks see the window as gone instead of reaching freed memory.
#include <gtest/gtest.h>

#include <functional>

#include "BindingTestSupport.h"
#include "script/binding/LuaWindowBinding.h"
#include "support/WindowOwnership.h"
#include "window/TButton.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TWindowAnim.h"
#include "window/TWindowSpider.h"

namespace {

// A window that can destroy itself outright and records the messages that reach it.
class Mortal : public TWindow {
public:
  explicit Mortal(const char* name, std::vector<std::string>* journal = nullptr)
      : mJournal(journal) {
    SetName(name);
    SetSize(100, 100);
  }
  // Leaves the tree with nobody taking it: gone at once.
  void Die() {
    if (TWindow* p = GetParent()) p->RemoveChild(this);
  }
  int Poke() { return ++pokes; }
  bool OnMessage(TMessage* m) override {
    if (mJournal) mJournal->push_back(std::string(GetName().CStr()) + ": " + m->GetName().CStr());
    if (onMessage) onMessage(this);
    return false;
  }
  bool OnMouseDown(const TPoint&) override {
    Die();
    return false;
  }
  bool Animate() override { return ++animations > 0; }

  std::function<void(Mortal*)> onMessage;
  int pokes = 0;
  int animations = 0;

private:
  std::vector<std::string>* mJournal;
};

str NameOf(TWindow* w) { return w ? w->GetName() : str("none"); }

class LifetimeTest : public BindingTest {
protected:
  // The number of messages the scripts' queue holds and the name of the newest.
  std::string QueuedScriptMessage() {
    Run("local n = table.getn(gMessageQueue)\n"
        "gQueued = n .. ' ' .. (n > 0 and gMessageQueue[n].name or '')");
    return Global("gQueued");
  }
  std::string RunProtected(const char* text) {
    Run(std::string("local ok, err = pcall(") + text + ") gErr = ok and 'ok' or err");
    return Global("gErr");
  }

  std::vector<std::string> journal;
};

}  // namespace

TEST_F(LifetimeTest, ACopyOfABoundWindowMethodRaisesAnErrorOnceTheWindowIsGone) {
  Mortal* w = new Mortal("w");
  mScreen->AddChild(Own(w));
  BindWindowMethod(L, "Poke", w, &Mortal::Poke);
  Run("keep = Poke gFirst = keep() + Poke()");
  EXPECT_EQ(Number("gFirst"), 3);

  mScreen->RemoveChild(w);
  Run("gType = type(Poke)");
  EXPECT_EQ(Global("gType"), "nil");  // the global itself was reset
  EXPECT_NE(RunProtected("keep").find("window is gone"), std::string::npos);
  // Unprotected, the error stops that script and is logged; the next one runs.
  Run("keep() gAfter = 1");
  Run("gNext = 2");
  EXPECT_NE(Log().find("window is gone"), std::string::npos);
  EXPECT_EQ(Number("gAfter"), 0);
  EXPECT_EQ(Number("gNext"), 2);
}

TEST_F(LifetimeTest, AWrapperOfADeadWindowRaisesAnErrorWhereNativeCodeWouldReadIt) {
  BindFunction(L, "NameOf", &NameOf);
  Mortal* w = new Mortal("held");
  mScreen->AddChild(Own(w));
  PushLuaWindow(L, w);
  lua_pushstring(L, "gHeld");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  Run("gName = NameOf(gHeld) gNil = NameOf(nil) gOther = NameOf(7)");
  EXPECT_EQ(Global("gName"), "held");
  // No type checking: anything but a wrapper is no window.
  EXPECT_EQ(Global("gNil"), "none");
  EXPECT_EQ(Global("gOther"), "none");

  mScreen->RemoveChild(w);
  EXPECT_NE(RunProtected("NameOf, gHeld").find("window is gone"), std::string::npos);
  // The wrapper itself is still a value scripts may hold, compare and drop.
  Run("gType = type(gHeld) gHeld = nil");
  EXPECT_EQ(Global("gType"), "userdata");
  lua_setgcthreshold(L, 0);
}

TEST_F(LifetimeTest, AMessageWhoseTargetDiedGoesToTheFocusOrTopModalInstead) {
  Mortal* w = new Mortal("target", &journal);
  mScreen->AddChild(Own(w));
  mManager->PostMessage(new TMessage(kUserMessageBase, "for target", w));
  mScreen->RemoveChild(w);
  mManager->DrainMessages();
  EXPECT_TRUE(journal.empty());
  // The screen is the top modal and has no focus window: the scripts get it.
  EXPECT_EQ(QueuedScriptMessage(), "1 for target");
}

TEST_F(LifetimeTest, AWindowDestroyedByItsOwnHandlerLeavesTheMessageToItsParent) {
  Mortal* parent = new Mortal("parent", &journal);
  Mortal* child = new Mortal("child", &journal);
  mScreen->AddChild(Own(parent));
  parent->AddChild(Own(child));
  child->onMessage = [](Mortal* self) { self->Die(); };
  TWindowHandle handle(child);
  mManager->PostMessage(new TMessage(kUserMessageBase, "hello", child));
  mManager->DrainMessages();
  EXPECT_FALSE(handle);
  EXPECT_EQ(journal, (std::vector<std::string>{"child: hello", "parent: hello"}));
  EXPECT_EQ(QueuedScriptMessage(), "1 hello");

  // The same for a mouse press: the event ends with the window, nothing climbs from it.
  Mortal* pressed = new Mortal("pressed");
  mScreen->AddChild(Own(pressed));
  handle = TWindowHandle(pressed);
  TPlatformEvent press;
  press.type = kEventLeftDown;
  press.x = 5;
  press.y = 5;
  mManager->HandleEvent(press);
  EXPECT_FALSE(handle);
}

TEST_F(LifetimeTest, AListenerThatDestroysTheFocusWindowSendsTheMessageToTheTopModal) {
  struct Killer : TMessageListener {
    bool OnMessage(TMessage*) override {
      if (TWindow* v = victim.Get()) static_cast<Mortal*>(v)->Die();
      return false;
    }
    TWindowHandle victim;
  };
  Mortal* focus = new Mortal("focus", &journal);
  mScreen->AddChild(Own(focus));
  mManager->SetFocus(focus);
  Killer* killer = new Killer();
  killer->victim = TWindowHandle(focus);
  mManager->AddMessageListener(std::unique_ptr<TMessageListener>(killer));
  mManager->PostMessage(new TMessage(kUserMessageBase, "untargeted"));
  mManager->DrainMessages();
  EXPECT_EQ(mManager->GetFocus(), nullptr);
  EXPECT_TRUE(journal.empty());
  EXPECT_EQ(QueuedScriptMessage(), "1 untargeted");
}

TEST_F(LifetimeTest, AScriptCallbackThatDestroysTheWindowDuringDeliveryEndsCleanly) {
  Mortal* parent = new Mortal("parent", &journal);
  Mortal* w = new Mortal("w", &journal);
  mScreen->AddChild(Own(parent));
  parent->AddChild(Own(w));
  BindWindowMethod(L, "Die", w, &Mortal::Die);
  BindWindowMethod(L, "Poke", w, &Mortal::Poke);
  Run("keepPoke = Poke");
  w->onMessage = [this](Mortal* self) {
    mManager->RunScriptString(self, "Die() local ok, err = pcall(keepPoke) gErr = err");
  };
  mManager->PostMessage(new TMessage(kUserMessageBase, "bye", w));
  mManager->DrainMessages();
  EXPECT_NE(Global("gErr").find("window is gone"), std::string::npos);
  EXPECT_EQ(journal, (std::vector<std::string>{"w: bye", "parent: bye"}));
  // The window that ran the script left the context stack with its death.
  EXPECT_EQ(mHost->GetContextWindow(), mScreen);
}

TEST_F(LifetimeTest, SpidersAndAnimationsSkipWindowsThatDiedMeanwhile) {
  // A walk whose visit destroys a later sibling does not visit it.
  struct Culler : TWindowSpider {
    bool Process(TWindow* w) override {
      visited.push_back(w->GetName().CStr());
      if (TWindow* v = victim.Get(); v && w != v) static_cast<Mortal*>(v)->Die();
      return true;
    }
    TWindowHandle victim;
    std::vector<std::string> visited;
  };
  Mortal* last = new Mortal("last");
  Mortal* first = new Mortal("first");
  mScreen->AddChild(Own(last));
  mScreen->AddChild(Own(first));  // front: visited first
  Culler culler;
  culler.victim = TWindowHandle(last);
  mScreen->ForEachChild(culler, false);
  EXPECT_EQ(culler.visited, (std::vector<std::string>{"first"}));

  // An animation task outlives its window in the modal's list and stops animating it.
  TWindowAnim* anim = first->GetWindowAnim();
  ASSERT_NE(anim, nullptr);
  first->SetAnimTimer(10, true, false, false);
  Advance(20);
  mScreen->RunTasks(0);
  EXPECT_GE(first->animations, 1);
  first->Die();
  EXPECT_EQ(anim->GetOwner(), nullptr);
  Advance(20);
  mScreen->RunTasks(0);  // would call the freed window; the ownerless task ends here
}

TEST_F(LifetimeTest, AButtonWhoseActionDestroysItOutrightHasLeftTheTree) {
  // The action goes with the button it belongs to, in the middle of running.
  struct Destroy : TButton::Action {
    void Execute(TButton* button) override { button->GetParent()->RemoveChild(button); }
  };
  TModalWindow* dialog = new TModalWindow();
  mManager->PushModal(Own(dialog));
  auto make = [&](const char* name, uint32_t styleBits) {
    TButton* b = new TButton();
    b->SetName(name);
    b->SetSize(10, 10);
    b->SetButtonFlags(styleBits);
    b->SetAction(new Destroy());
    dialog->AddChild(Own(b));
    return TWindowHandle(b);
  };
  TWindowHandle clicked = make("clicked", 0);
  EXPECT_FALSE(static_cast<TButton*>(clicked.Get())->OnClick());
  EXPECT_FALSE(clicked);
  // Enter presses the default button; once it is gone the key is handled, nothing more is sent.
  TWindowHandle byEnter = make("default", 8);
  EXPECT_TRUE(dialog->OnChar(13));
  EXPECT_FALSE(byEnter);
  mManager->DrainMessages();
  EXPECT_EQ(QueuedScriptMessage(), "0 ");
}
