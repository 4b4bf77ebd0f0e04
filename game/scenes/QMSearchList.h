// The panel beside a level: the remaining game time, the hint lights and the list's entries.
// It owns the level's two script timers: the game timer calls "decrementGameTimer()" once a
// second and the hint timer "bumpHintLevel()" at the hint period, both timed by the clock of
// the list's modal window, so they stand still while a dialog covers the level.
#pragma once

#include <cstdint>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "core/TAnimTask.h"
#include "core/TColor.h"
#include "window/TText.h"
#include "window/TWindow.h"

class QMSearchItem;
class TImage;
class TMessageListener;
class TModalWindow;
class TSound;
class TText;

class QMSearchList : public TWindow {
  T_WINDOW_CLASS(QMSearchList, TWindow)

public:
  // Runs a Lua text in the window manager's script at every firing.
  class QMLuaTask : public TAnimTask {
  public:
    QMLuaTask(const str& text, TClock* clock);
    bool Animate() override;
    const str& GetText() const { return mText; }

  private:
    str mText;
  };

  static constexpr uint32_t kGameTimerPeriod = 1000;

  QMSearchList();
  ~QMSearchList() override;

  void PostCreate(TWindowStyle& style) override;
  bool OnMessage(TMessage* m) override;
  // Moving over the list ends the search scene's hover state.
  bool OnMouseMove(const TPoint& p) override;

  // Each does nothing while its timer runs.
  void StartGameTimer();
  void StartHintTimer();
  void StopGameTimer();
  // Shows the time left as m:ss, warns at five minutes and one minute, and colours the last
  // five minutes.
  void SetTime(int seconds);
  // Lights 0 to 3 hint lights; other levels change nothing.
  void SetHintLevel(int level);
  // The list's entry of that name; null when there is none or it is no entry.
  QMSearchItem* FindItem(const str& label);

  bool IsGameTimerRunning() const;
  bool IsHintTimerRunning() const;
  int32_t GetHintPeriod() const { return mHintPeriod; }
  const TColor& GetMiddleColor() const { return mMiddleColour; }
  const TColor& GetLastMinuteColor() const { return mLastMinuteColour; }

private:
  // A timer task while it is scheduled: the task belongs to the task list of its modal.
  struct Timer {
    QMLuaTask* task = nullptr;
    TWindowHandle modal;
  };

  void StartTimer(Timer& timer, const char* text, uint32_t period);
  static bool IsRunning(const Timer& timer);
  void SetDisabledCovers(bool shown);
  TText* GetTimeText() const;

  TWindowHandle mTimeText;
  TTickingText mShownTime;
  TWindowHandle mHintLights[3];
  Timer mGameTimer;
  Timer mHintTimer;
  boost::shared_ptr<TSound> mPenalizeSound;
  boost::shared_ptr<TSound> mBadClickSound;
  boost::shared_ptr<TSound> mTallySound;
  boost::shared_ptr<TSound> mFiveMinuteWarning;
  boost::shared_ptr<TSound> mOneMinuteWarning;
  TColor mMiddleColour;
  TColor mLastMinuteColour;
  int32_t mHintPeriod = 0;
  // Registered with the window manager, which owns it; it hands messages on to the list.
  TMessageListener* mListener = nullptr;
};

// The window of that name nearest to from: searched in from's subtree, then in the subtree of
// each ancestor in turn. The first window of that name decides: null unless it is a list.
QMSearchList* FindSearchListWindow(TWindow* from, const str& name);
