#include "game/shell/THiscore.h"

#include <memory>

#include "core/EngineLog.h"
#include "core/TPlatform.h"
#include "core/TSettings.h"
#include "game/shell/ChildWindows.h"
#include "game/shell/QMGameManager.h"
#include "game/shell/THiscoreSubmit.h"
#include "online/THwHiscores.h"
#include "script/binding/TWindowScript.h"
#include "window/TButton.h"
#include "window/TImage.h"
#include "window/TMessage.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/text/TTextMarkup.h"

namespace {

constexpr int kNameSize = 64;
constexpr int kScrollStep = 10;
// The last page of the online table keeps at least this many rows in view.
constexpr int kLastPageRows = 5;
constexpr int kGameModes = 3;
const char kSubmitScript[] = "scripts/ui/hiscoresubmit.lua";

const char* const kHiddenByUpdate[] = {
    "eligible",  "eligibleasterisk", "serverstatus",    "info", "category", "local",
    "global",    "topplayers",       "congratulations", "dnq",  "yourrank", "yourrankglobalinfo",
    "rankvalue", "scrollup",         "scrolldown",
};

bool LocalOnly() { return GetConfigFlag("hiscorelocal"); }
bool Anonymous() { return GetConfigFlag("hiscoreanon"); }

int Wrap(int value, int count) {
  if (count <= 0) return 0;
  value %= count;
  return value < 0 ? value + count : value;
}

template <class T>
T* Live(const TWindowHandle& h) {
  return WindowCast<T>(h.Get());
}

}  // namespace

void RunWindowScriptText(const str& text) {
  if (TWindowScript* script = TWindowScript::Of(TWindowManager::Instance()))
    script->DoLuaString(text);
}

THiscore::THiscore() {
  if (QMGameManager* game = QMGameManager::Instance()) mScores = &game->GetHiscores();
  BindScriptFunctions();
}

THiscore::~THiscore() { RestoreCoveredGetState(); }

bool THiscore::GetDesignRect(TRect& out) {
  out = TRect(0, 0, 800, 600);
  return true;
}

void THiscore::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  SetAnimTimer(20, true, true, false);
  for (int i = 0; i < kRows; ++i) {
    const int n = i + 1;
    mNames[i] = FindChildAs<TText>(this, str::Format("name%d", n));
    mScoreTexts[i] = FindChildAs<TText>(this, str::Format("score%d", n));
    mRanks[i] = FindChildAs<TText>(this, str::Format("%d", n));
    mMarkers[i] = FindChildAs<TImage>(this, str::Format("p1_%d", n));
  }
  if (LocalOnly()) {
    if (TWindow* left = Child("leftpanel")) {
      const TRect& r = left->GetRect();
      left->SetPosition(r.left + 130, r.top);
    }
  }
  mModeButton = FindChildAs<TButton>(this, "story_arcade");
  UpdateText();
  RunWindowScriptText("UpdateButtons();");
}

bool THiscore::ScoreAvailable() {
  int32_t score = 0, rank = 0;
  return mScores && mScores->FindPlayerScore(0, &score, &rank, nullptr, 0);
}

void THiscore::OpenBrowser(const str& url) {
  if (TPlatform* p = TPlatform::Instance()) p->OpenUrl(url.CStr());
}

void THiscore::HideAll() {
  for (int i = 0; i < kRows; ++i)
    for (const TWindowHandle* h : {&mNames[i], &mScoreTexts[i], &mRanks[i], &mMarkers[i]})
      SetShown(h->Get(), false);
  for (const char* name : kHiddenByUpdate) ShowChild(this, name, false);
}

void THiscore::UpdateText() {
  HideAll();
  QMGameManager* game = QMGameManager::Instance();
  const int mode = game ? game->GetCurrentGameMode() : 0;
  if (TButton* button = Live<TButton>(mModeButton)) {
    if (mode == 0) button->SetToggleState(true);
    if (mode == 1) button->SetToggleState(false);
  }
  if (LocalOnly()) {
    ShowChild(this, "rightpanel", false);
    ShowChild(this, "rightpanelsmall", false);
  } else {
    ShowChild(this, "rightpanel", mState == kLocalTable);
    ShowChild(this, "rightpanelsmall", mState != kLocalTable);
  }
  if (mState == kLocalTable || mState == kServerTable) FillTable();
  if (mState == kLocalTable) {
    if (ScoreAvailable()) {
      ShowChild(this, "eligible", true);
      ShowChild(this, "eligibleasterisk", true);
    }
    ShowChild(this, "info", true);
  }
  if (mState == kServerTable && mScores) {
    char name[kNameSize] = "";
    if (mScores->GetCategoryName(mCategory, name, kNameSize)) SetChildText(this, "category", name);
    ShowChild(this, "category", true);
    ShowChild(this, "yourrankglobalinfo", true);
    if (mSubmitResult == kQualified) ShowChild(this, "congratulations", true);
    if (mSubmitResult == kNotQualified) {
      ShowChild(this, "dnq", true);
      ShowChild(this, "yourrankglobalinfo", false);
    }
    int32_t score = 0, rank = 0;
    if (mScores->FindPlayerScore(1, &score, &rank, nullptr, 0)) {
      if (SetChildText(this, "yourrank", LocalString("yourrank", str::Format("%d", rank))))
        ShowChild(this, "yourrank", true);
      ShowChild(this, "yourrankglobalinfo", false);
    }
  }
  if (mState >= kWaitingForCategories && mState <= kRequestRunning) {
    if (TButton* online = FindChildAs<TButton>(this, "global_local")) online->SetToggleState(true);
    ShowChild(this, "serverstatus", true);
  }
  if (mState == kFailed) {
    SetChildText(this, "serverstatus", mMessage);
    ShowChild(this, "serverstatus", true);
  }
  if (LocalOnly())
    for (const char* name : {"info", "eligible", "eligibleasterisk"}) ShowChild(this, name, false);
  MarkRedraw();
}

void THiscore::FillTable() {
  if (!mScores) return;
  const bool online = mState == kServerTable;
  int count = mScores->GetScoreCount(!online);
  if (count > THwHiscores::kMaxRows) count = THwHiscores::kMaxRows;
  if (online) {
    if (!LocalOnly()) ShowChild(this, "global", true);
    if (mScrollOffset > count - kLastPageRows) mScrollOffset = count - kLastPageRows;
    if (mScrollOffset < 0) mScrollOffset = 0;
    ShowChild(this, "scrollup", mScrollOffset > 0);
    ShowChild(this, "scrolldown", mScrollOffset + kRows < count);
  } else {
    ShowChild(this, LocalOnly() ? "topplayers" : "local", true);
    ShowChild(this, "scrollup", false);
    ShowChild(this, "scrolldown", false);
    mScrollOffset = 0;
  }
  const bool markers = !LocalOnly() && !Anonymous();
  for (int r = 0; r < kRows && mScrollOffset + r < count; ++r) {
    const int index = mScrollOffset + r;
    char name[kNameSize] = "";
    int32_t rank = 0, score = 0;
    bool anonymous = true;
    if (!mScores->GetScore(!online, index, &rank, name, kNameSize, &anonymous, &score, nullptr, 0))
      continue;
    if (TText* t = Live<TText>(mNames[r])) {
      // Names are typed by players, here or on the server: shown as typed.
      t->SetText(EscapeMarkup(name));
      SetShown(t, true);
    }
    if (TText* t = Live<TText>(mScoreTexts[r])) {
      t->SetText(str::Format("%d", score));
      SetShown(t, true);
    }
    if (TText* t = Live<TText>(mRanks[r])) {
      t->SetText(str::Format("%d.", index + 1));
      SetShown(t, true);
    }
    if (!anonymous && markers) SetShown(mMarkers[r].Get(), true);
  }
}

void THiscore::RequestScores() {
  mState = kWaitingForScores;
  if (mScores) mScores->RequestScores(mCategory);
}

void THiscore::AfterAction() {
  UpdateText();
  RunWindowScriptText("UpdateButtons();");
}

void THiscore::ChangeGameMode(int delta) {
  QMGameManager* game = QMGameManager::Instance();
  if (!game) return;
  game->SetCurrentGameMode(Wrap(game->GetCurrentGameMode() + delta, kGameModes));
  if (mState == kServerTable) RequestScores();
  mSubmitResult = kNoSubmission;
}

void THiscore::ChangeCategory(int delta) {
  mCategory = Wrap(mCategory + delta, mScores ? mScores->GetCategoryCount() : 0);
  RequestScores();
}

bool THiscore::OnMessage(TMessage* message) {
  if (message->GetId() != kButtonPress) return false;
  const str name = message->GetName();
  const bool tableShown = mState == kLocalTable || mState == kServerTable;
  if (name == "gamemodeleft" || name == "gamemoderight" || name == "story_arcade") {
    if (!tableShown) return true;
    int delta = name == "gamemoderight" ? 1 : -1;
    if (name == "story_arcade") {
      TButton* button = Live<TButton>(mModeButton);
      if (!button) return true;
      delta = button->GetToggleState() ? -1 : 1;
    }
    ChangeGameMode(delta);
    AfterAction();
    return true;
  }
  if (name == "categoryleft" || name == "categoryright") {
    ChangeCategory(name == "categoryright" ? 1 : -1);
    AfterAction();
    return true;
  }
  if (name == "global_local") {
    TButton* button = FindChildAs<TButton>(this, "global_local");
    if (button && button->GetToggleState()) {
      mSubmitResult = kNoSubmission;
      mState = kWaitingForCategories;
      if (mScores) mScores->RequestCategoryInformation();
    } else {
      mState = kLocalTable;
    }
    AfterAction();
    return false;
  }
  if (name == "scrollup" || name == "scrolldown") {
    mScrollOffset += name == "scrolldown" ? kScrollStep : -kScrollStep;
    UpdateText();
    return false;
  }
  if (name == "submit") {
    OpenSubmitDialog();
    AfterAction();
    return false;
  }
  return false;
}

bool THiscore::Animate() {
  if ((mState != kWaitingForCategories && mState != kWaitingForScores) || !mScores) return true;
  char text[kScoreMessageSize] = "";
  const int32_t status = mScores->GetRequestStatus(text, kScoreMessageSize, nullptr);
  if (status == 2) {
    mMessage = text;
    mState = kFailed;
    AfterAction();
  } else if (status == 0 && mState == kWaitingForCategories) {
    RequestScores();
  } else if (status == 0) {
    mState = kServerTable;
    AfterAction();
  }
  return true;
}

void THiscore::ShowSubmissionResult(bool qualified) {
  mState = kWaitingForCategories;
  if (mScores) mScores->RequestCategoryInformation();
  mSubmitResult = qualified ? kQualified : kNotQualified;
  AfterAction();
}

void THiscore::OpenSubmitDialog() {
  TWindowManager* wm = TWindowManager::Instance();
  if (!wm) return;
  auto dialog = std::make_unique<THiscoreSubmit>(this);
  THiscoreSubmit* submit = dialog.get();
  RunWindowScriptText(THiscoreSubmit::PrefillText());
  TWindowHandle alive(submit);
  wm->PushModal(std::move(dialog));
  if (!alive) return;
  const bool built = wm->RunScriptFile(submit, kSubmitScript);
  // The script may close the dialog at once.
  if (!alive) return;
  // Without its script the dialog would be an empty modal no click gets past.
  if (!built) {
    EngineLog("High scores: \"%s\" failed; the submission dialog is closed", kSubmitScript);
    wm->DoPopModal(submit->GetIdString());
    return;
  }
  submit->Setup();
  RunWindowScriptText("SwitchModes(false)");
}
