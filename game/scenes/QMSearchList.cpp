#include "game/scenes/QMSearchList.h"

#include <algorithm>
#include <cstdio>

#include "core/EngineLog.h"
#include "game/scenes/QMMessages.h"
#include "game/scenes/QMSearchItem.h"
#include "game/shell/ChildWindows.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/TWindowScript.h"
#include "sound/TSound.h"
#include "sound/TSoundInstance.h"
#include "window/TImage.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowManager.h"
#include "window/TWindowStyle.h"

namespace {

const char kDecrementGameTimer[] = "decrementGameTimer()";
const char kBumpHintLevel[] = "bumpHintLevel()";
// The search scene is reached by its window type: the list only needs to know its kind.
const char kSearchWindowType[] = "SearchWindow";
const char* const kHintLightNames[3] = {"hintLED1", "hintLED2", "hintLED3"};
constexpr int32_t kDefaultHintPeriod = 60000;
constexpr int kFiveMinutes = 300;
constexpr int kOneMinute = 60;

// The manager owns its listeners: this one hands the list the messages posted to no window.
class ListListener : public TMessageListener {
public:
  explicit ListListener(QMSearchList* list) : mList(list) {}
  bool OnMessage(TMessage* m) override {
    QMSearchList* list = WindowCast<QMSearchList>(mList.Get());
    return list && m && list->OnMessage(m);
  }

private:
  TWindowHandle mList;
};

boost::shared_ptr<TSound> LoadEffect(TWindowStyle& style, const char* key) {
  const str name = style.GetString(key, str());
  if (name.IsEmpty()) return {};
  return TSound::Get(name, false, 1000);
}

// Heard to its end even when the list closes first.
void PlayOnce(const boost::shared_ptr<TSound>& sound) {
  if (!sound) return;
  if (boost::shared_ptr<TSoundInstance> playing = sound->Play(false)) playing->HoldSoundUntilEnd();
}

// The first window of that name below w; w itself never counts, so a message is never handed
// back to the window passing it on.
TWindow* FindBelow(TWindow* w, const str& name) {
  for (TWindow* child : w->GetChildren())
    if (TWindow* found = child->FindChild(name, -1)) return found;
  return nullptr;
}

}  // namespace

QMSearchList::QMLuaTask::QMLuaTask(const str& text, TClock* clock)
    : TAnimTask(clock), mText(text) {}

bool QMSearchList::QMLuaTask::Animate() {
  if (TWindowScript* host = TWindowScript::Of(TWindowManager::Instance())) host->DoLuaString(mText);
  return true;
}

QMSearchList::QMSearchList() = default;

QMSearchList::~QMSearchList() {
  // Timer tasks still scheduled stay with their modal: they hold only their Lua text.
  if (mListener) {
    if (TWindowManager* wm = TWindowManager::Instance()) wm->RemoveMessageListener(mListener);
  }
}

TText* QMSearchList::GetTimeText() const { return TText::Cast(mTimeText.Get()); }

void QMSearchList::PostCreate(TWindowStyle& style) {
  TWindow::PostCreate(style);
  mTimeText = TWindowHandle(TText::Cast(FindChild("timeText", -1)));

  // The sounds first: a starting time of five minutes or one minute warns at once.
  mPenalizeSound = LoadEffect(style, "penalizeSFX");
  mBadClickSound = LoadEffect(style, "badClickSFX");
  mTallySound = LoadEffect(style, "tallySFX");
  mOneMinuteWarning = LoadEffect(style, "oneMinuteWarningSFX");
  mFiveMinuteWarning = LoadEffect(style, "fiveMinuteWarningSFX");

  const TColor timerDefault(110.0f / 255.0f, 1.0f, 140.0f / 255.0f, 1.0f);
  mMiddleColour = GetStyleColor(&style, "timerBlueColor", timerDefault);
  mLastMinuteColour = GetStyleColor(&style, "timerRedColor", timerDefault);
  SetTime(NumberToInt(style.GetNumber("currentTime", 0.0)));

  mHintPeriod = NumberToInt(style.GetNumber("hintLevelTimeOut", kDefaultHintPeriod));
  if (mHintPeriod <= 0) {
    EngineLog("SearchListWindow %s: hintLevelTimeOut %d is no period, using %d ms",
              GetName().CStr(), mHintPeriod, kDefaultHintPeriod);
    mHintPeriod = kDefaultHintPeriod;
  }

  const int hintLevel = NumberToInt(style.GetNumber("hintLevel", -1.0));
  if (hintLevel >= 0) {
    for (int i = 0; i < 3; ++i)
      mHintLights[i] = TWindowHandle(TImage::Cast(FindChild(kHintLightNames[i], -1)));
    SetHintLevel(hintLevel);
  }

  if (!mListener) {
    if (TWindowManager* wm = TWindowManager::Instance()) {
      auto listener = std::make_unique<ListListener>(this);
      mListener = listener.get();
      wm->AddMessageListener(std::move(listener));
    }
  }
}

bool QMSearchList::OnMessage(TMessage* m) {
  switch (m->GetId()) {
    case kQMBadClick:
    case kQMBadClickOther: PlayOnce(mBadClickSound); return true;
    case kQMStartGameTimer: StartGameTimer(); return false;
    case kQMStopGameTimer: StopGameTimer(); return false;
    case kQMHintLevel: SetHintLevel(m->GetName().ToInt()); return false;
    case kQMItemHighlight:
    case kQMItemRestoreColour:
    case kQMItemMarkFound: {
      TWindow* entry = FindBelow(this, m->GetName());
      return entry && entry->OnMessage(m);
    }
    case kQMShowTime: SetTime(m->GetName().ToInt()); return true;
    case kQMShowDisabled:
    case kQMHideDisabled: SetDisabledCovers(m->GetId() == kQMShowDisabled); return true;
    default: return false;
  }
}

void QMSearchList::SetDisabledCovers(bool shown) {
  SetShown(FindBelow(this, "disableHint"), shown);
  SetShown(FindBelow(this, "disablePause"), shown);
}

bool QMSearchList::OnMouseMove(const TPoint&) {
  TWindow* parent = GetParent();
  if (!parent) return false;
  TWindow* scene = parent->FindChild("qmsearch", -1);
  if (!scene) return false;
  TWindowScript* host = TWindowScript::Of(TWindowManager::Instance());
  TWindow::Creator searchType = host ? host->FindWindowType(kSearchWindowType) : nullptr;
  if (!searchType || !scene->IsKindOf(MakeClassId(searchType))) return false;
  return scene->OnMouseLeave();
}

bool QMSearchList::IsRunning(const Timer& timer) {
  // A task whose modal is gone went with that modal's task list.
  return timer.task && timer.modal;
}

bool QMSearchList::IsGameTimerRunning() const { return IsRunning(mGameTimer); }
bool QMSearchList::IsHintTimerRunning() const { return IsRunning(mHintTimer); }

void QMSearchList::StartTimer(Timer& timer, const char* text, uint32_t period) {
  if (IsRunning(timer)) return;
  // The level's own modal times the task, not whatever dialog is on top: a dialog over the
  // level pauses that clock and holds the level's tasks until it closes.
  TModalWindow* modal = GetModalParent();
  TWindowManager* wm = TWindowManager::Instance();
  if (!modal && wm) modal = WindowCast<TModalWindow>(wm->GetTopModal());
  if (!modal) {
    EngineLog("SearchListWindow %s: no modal window to run %s", GetName().CStr(), text);
    timer = Timer();
    return;
  }
  // Made on the modal's clock and armed from now: the first call comes one period after the
  // start of play, not at it.
  auto* task = new QMLuaTask(text, &modal->GetClock());
  task->SetTimer(period, true, false, false);
  modal->AddTask(task);
  timer.task = task;
  timer.modal = TWindowHandle(modal);
}

void QMSearchList::StartGameTimer() {
  StartTimer(mGameTimer, kDecrementGameTimer, kGameTimerPeriod);
}

void QMSearchList::StartHintTimer() {
  StartTimer(mHintTimer, kBumpHintLevel, static_cast<uint32_t>(mHintPeriod));
}

void QMSearchList::StopGameTimer() {
  if (!mGameTimer.task) return;
  // Taken from the modal that runs it, whichever window is on top now; when that modal no
  // longer lists it, the task has already gone with the modal's tasks.
  auto* modal = WindowCast<TModalWindow>(mGameTimer.modal.Get());
  if (modal && modal->RemoveTask(mGameTimer.task)) {
    mGameTimer.task->Cancel();
    delete mGameTimer.task;
  }
  mGameTimer = Timer();
}

void QMSearchList::SetTime(int seconds) {
  if (seconds == kFiveMinutes) PlayOnce(mFiveMinuteWarning);
  if (seconds == kOneMinute) PlayOnce(mOneMinuteWarning);
  TText* text = GetTimeText();
  if (!text) return;
  if (seconds <= kOneMinute)
    text->SetColor(mLastMinuteColour);
  else if (seconds <= kFiveMinutes)
    text->SetColor(mMiddleColour);

  int minutes = seconds / 60;
  int rest = seconds % 60;
  if (minutes < 0) minutes = 0;
  if (rest < 0) rest = 0;
  // "m:ss", the minutes left out below one.
  char shown[32];
  const int length = minutes > 0 ? std::snprintf(shown, sizeof shown, "%i:%02i", minutes, rest)
                                 : std::snprintf(shown, sizeof shown, ":%02i", rest);
  if (length < 0) return;
  mShownTime.Show(text, shown);
}

void QMSearchList::SetHintLevel(int level) {
  TWindow* lights[3];
  for (int i = 0; i < 3; ++i) {
    lights[i] = TImage::Cast(mHintLights[i].Get());
    if (!lights[i]) return;
  }
  if (level < 0 || level > 3) return;
  for (int i = 0; i < 3; ++i) SetShown(lights[i], i < level);
}

QMSearchItem* QMSearchList::FindItem(const str& label) {
  return WindowCast<QMSearchItem>(FindChild(label, -1));
}

QMSearchList* FindSearchListWindow(TWindow* from, const str& name) {
  for (TWindow* w = from; w; w = w->GetParent()) {
    if (TWindow* found = w->FindChild(name, -1)) return WindowCast<QMSearchList>(found);
  }
  return nullptr;
}
