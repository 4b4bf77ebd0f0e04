#include "game/shell/THiscoreSubmit.h"

#include "game/shell/ChildWindows.h"
#include "game/shell/LuaText.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/THiscore.h"
#include "online/THwHiscores.h"
#include "window/TButton.h"
#include "window/TMessage.h"
#include "window/TText.h"
#include "window/TTextEdit.h"
#include "window/TWindowManager.h"

namespace {

// Submit with every pending item: the score and the medals.
constexpr int32_t kSubmitEverything = -1;
const char kNothingToSubmit[] = "There is no score to submit.";
const char kNameRefused[] =
    "The score server cannot take this name. Enter an account name without accented letters.";

int32_t EligibleScore(const THwHiscores* scores) {
  int32_t score = 0, rank = 0;
  if (!scores || !scores->FindPlayerScore(0, &score, &rank, nullptr, 0)) return 0;
  return score;
}

str CurrentPlayerName() {
  QMGameManager* game = QMGameManager::Instance();
  return game ? game->GetCurrentUserName() : str();
}

THwHiscores* GameHiscores() {
  QMGameManager* game = QMGameManager::Instance();
  return game ? &game->GetHiscores() : nullptr;
}

bool HasText(TWindow* root, const char* name) {
  TText* t = FindChildAs<TText>(root, name);
  return t && !t->GetText().IsEmpty();
}

}  // namespace

THiscoreSubmit::THiscoreSubmit(THiscore* owner) : mOwner(owner), mScores(GameHiscores()) {
  BindScriptFunctions();
}

THiscoreSubmit::~THiscoreSubmit() = default;

str THiscoreSubmit::PrefillText() {
  THwHiscores* scores = GameHiscores();
  str text = "gNameEdit=" + LuaStringLiteral(CurrentPlayerName()) + "; ";
  str account, password;
  if (scores && scores->GetPlayerLogin(&account, &password))
    text += "gAccountEdit=" + LuaStringLiteral(account) +
            "; gPassEdit=" + LuaStringLiteral(password) + "; gRemember=true; ";
  else
    text += "gAccountEdit=''; gPassEdit=''; gRemember=false; ";
  text += str::Format("gEligibleScore=%d", EligibleScore(scores));
  return text;
}

void THiscoreSubmit::Setup() {
  SetChildText(this, "nameedit", CurrentPlayerName());
  str account, password;
  if (mScores && mScores->GetPlayerLogin(&account, &password)) {
    SetChildText(this, "accountedit", account);
    SetChildText(this, "passedit", password);
    if (TButton* remember = FindChildAs<TButton>(this, "remember")) remember->SetToggleState(true);
  }
  for (const char* name : {"submitconnect", "submiterror", "submiterrorok"})
    ShowChild(this, name, false);
  SetChildText(this, "eligiblescore", str::Format("%d", EligibleScore(mScores)));
  OnFocus(nullptr);
}

bool THiscoreSubmit::OnMessage(TMessage* message) {
  // The dialog still closes as every modal does (a closing button, say).
  if (message->GetId() != kTextEditChanged) return TModalWindow::OnMessage(message);
  TWindow* submit = FindChild("submittoserver", -1);
  if (HasText(this, "nameedit") || HasText(this, "accountedit")) {
    SetShown(submit, true);
  } else if (submit) {
    SetShown(submit, false);
    submit->OnMouseLeave();
  }
  MarkRedraw();
  return true;
}

void THiscoreSubmit::SubmitToServer(const str& name, const str& account, const str& password,
                                    bool remember) {
  const bool withAccount = !account.IsEmpty();
  const str& user = withAccount ? account : name;
  // The service refuses such a name before looking for a score: that refusal has a remedy of
  // its own, and must not read as a missing score.
  const bool refused = !IsSingleByteText(user);
  const bool started =
      !refused && mScores &&
      mScores->Submit(user, withAccount ? password : str(), remember, kSubmitEverything);
  RunWindowScriptText("SwitchModes(true)");
  // Nothing was sent: polling would only read the previous request's outcome, so the failure
  // shows at once.
  if (!started) {
    ShowError(refused ? kNameRefused : kNothingToSubmit);
    return;
  }
  // The transfer runs on; Animate finishes it without holding up the game.
  SetAnimTimer(20, true, true, false);
}

void THiscoreSubmit::ShowError(const str& text) {
  SetChildText(this, "submiterror", text);
  ShowChild(this, "submiterror", true);
  ShowChild(this, "submitconnect", false);
  ShowChild(this, "submiterrorok", true);
  MarkRedraw();
}

bool THiscoreSubmit::Animate() {
  if (!mScores) return false;
  char text[kScoreMessageSize] = "";
  bool qualified = false;
  const int32_t status = mScores->GetRequestStatus(text, kScoreMessageSize, &qualified);
  if (status == 2) {
    ShowError(text);
    return false;
  }
  if (status != 0) return true;
  TWindowHandle owner = mOwner;
  // Popping may destroy this dialog: nothing of it is used afterwards.
  if (TWindowManager* wm = TWindowManager::Instance()) wm->DoPopModal(GetIdString());
  if (THiscore* hiscore = WindowCast<THiscore>(owner.Get()))
    hiscore->ShowSubmissionResult(qualified);
  return false;
}
