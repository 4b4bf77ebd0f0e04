// The puzzle button tells its scene of presses and of the mouse leaving it.
#include "anim/KButton.h"
#include "support/WindowOwnership.h"
#include "window/WindowTestSupport.h"

namespace {

// Hears every message that has no target.
struct Heard : TMessageListener {
  bool OnMessage(TMessage* m) override {
    messages.push_back(std::to_string(m->GetId()) + " " + m->GetName().CStr());
    return true;
  }
  std::vector<std::string> messages;
};

}  // namespace

TEST_F(WindowTest, PuzzleButtonTellsThePuzzleWindowOfAPressAndEveryoneOfALeave) {
  auto* heardOwned = new Heard();
  Heard& heard = *heardOwned;
  mManager->AddMessageListener(std::unique_ptr<TMessageListener>(heardOwned));
  auto* modal = new TModalWindow();
  mManager->PushModal(Own(modal));
  auto* panel = new Probe("panel", &mJournal, 0, 0, 800, 600);
  auto* puzzle = new Probe("puzzleWindow", &mJournal, 0, 0, 800, 600);
  modal->AddChild(Own(panel));
  panel->AddChild(Own(puzzle));
  auto* button = new KButton();
  button->SetName("scrollLeft");
  button->SetSize(10, 10);
  modal->AddChild(Own(button));
  EXPECT_TRUE(button->IsKindOf(TButton::GetClassId()));
  EXPECT_STREQ(button->GetClassName(), "KButton");

  button->OnMouseDown(TPoint{1, 1});
  mManager->DrainMessages();
  EXPECT_EQ(mJournal, std::vector<std::string>{"puzzleWindow: msg 2014 scrollLeft"});

  EXPECT_FALSE(button->OnMouseMove(TPoint{2, 2})) << "the move is never taken";
  button->OnMouseLeave();
  mManager->DrainMessages();
  EXPECT_EQ(heard.messages, std::vector<std::string>{"2015 scrollLeft"});

  // Without a puzzle window the press still goes out, to no one in particular.
  panel->RemoveChild(puzzle).reset();
  button->OnMouseDown(TPoint{1, 1});
  mManager->DrainMessages();
  EXPECT_EQ(heard.messages.back(), "2014 scrollLeft");
  mManager->RemoveMessageListener(&heard).reset();
}
