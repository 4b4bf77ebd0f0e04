// Animation tests: a window manager with one modal on the virtual clock, processes that record
// what happens to them, and a pass of the modal's task list.
#pragma once

#include <string>
#include <vector>

#include "anim/KAnimDriver.h"
#include "anim/KAnimProcess.h"
#include "render/TSprite.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "script/binding/TWindowScript.h"
#include "window/WindowTestSupport.h"

#include <cmath>
#include <memory>

// Records starts, finishes, cancels and deaths into a journal.
class RecordingProcess : public KAnimProcess {
public:
  RecordingProcess(std::string name, std::vector<std::string>* journal, bool finishOnStart = false)
      : mName(std::move(name)), mJournal(journal), mFinishOnStart(finishOnStart) {}
  ~RecordingProcess() override { mJournal->push_back(mName + " dies"); }
  void Start() override {
    mJournal->push_back(mName + " starts");
    if (mFinishOnStart) Finish();
  }
  void Finish() override {
    mJournal->push_back(mName + " finishes");
    KAnimProcess::Finish();
  }
  void Cancel() override {
    mJournal->push_back(mName + " cancelled");
    KAnimProcess::Cancel();
  }

private:
  std::string mName;
  std::vector<std::string>* mJournal;
  bool mFinishOnStart;
};

// Counts notifications; an optional action runs inside each.
class CountingListener : public IKAnimListener {
public:
  explicit CountingListener(std::vector<std::string>* journal = nullptr, std::string name = "")
      : mJournal(journal), mName(std::move(name)) {}
  void OnProcessFinished(KAnimProcess* p) override {
    ++told;
    if (mJournal) mJournal->push_back(mName + " told");
    if (action) action(p);
  }
  int told = 0;
  std::function<void(KAnimProcess*)> action;

private:
  std::vector<std::string>* mJournal;
  std::string mName;
};

// The scale along x and the turn of a sprite's transform.
inline float ScaleX(const TSprite& s) {
  const TMat3& m = s.GetDrawState().transform;
  return std::hypot(m.m[0].x, m.m[0].y);
}
inline float Angle(const TSprite& s) {
  const TMat3& m = s.GetDrawState().transform;
  return std::atan2(m.m[0].y, m.m[0].x);
}

class AnimTest : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    host = new TWindowScript();
    mManager->AttachScriptHost(host);
    modal = new TModalWindow();
    mManager->PushModal(Own(modal));
    modal->GetClock().Start();
    liveAtStart = KRefCountedObject::GetLiveCount();
  }
  // One time-driven pass of the top modal's task list, after ms of time.
  void Step(uint32_t ms) {
    Advance(ms);
    modal->RunTasks(0);
  }
  // A Lua table made from the expression, in the manager's script.
  std::unique_ptr<TLuaTable> Table(const std::string& expression) {
    host->DoLuaString(("gTestTable = " + expression).c_str());
    return std::unique_ptr<TLuaTable>(host->GetGlobalTable("gTestTable"));
  }
  size_t LiveSinceStart() const { return KRefCountedObject::GetLiveCount() - liveAtStart; }

  TModalWindow* modal = nullptr;
  TWindowScript* host = nullptr;
  size_t liveAtStart = 0;
};
