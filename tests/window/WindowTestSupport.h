// Headless window trees for the window tests: a manager with no platform, windows that record
// what reaches them, and the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include "support/WindowOwnership.h"

#include <functional>
#include <string>
#include <vector>

#include "core/Timer.h"
#include "platform/os/Clock.h"
#include "window/TMessage.h"
#include "window/TModalWindow.h"
#include "window/TScreen.h"
#include "window/TWindow.h"
#include "window/TWindowManager.h"

// A window that records the calls it gets into a shared journal and refuses or accepts
// events as told.
class Probe : public TWindow {
public:
  Probe(const char* name, std::vector<std::string>* mJournal, int l, int t, int r, int b)
      : mJournal(mJournal) {
    SetName(name);
    SetPosition(l, t);
    SetSize(r - l, b - t);
  }
  ~Probe() override {
    if (mDeaths) ++*mDeaths;
  }
  bool OnMouseDown(const TPoint& p) override { return Note("down", p); }
  bool OnMouseUp(const TPoint& p) override { return Note("up", p); }
  bool OnMouseMove(const TPoint& p) override { return Note("move", p); }
  bool OnMouseLeave() override {
    Log("leave");
    if (mLeaveRemovesHover) TWindowManager::Instance()->RemoveHoverWindow(this);
    return false;
  }
  bool OnKeyDown(unsigned char k, int) override {
    Log("key " + std::string(1, static_cast<char>(k)));
    return mHandles;
  }
  bool OnMessage(TMessage* m) override {
    Log("msg " + std::to_string(m->GetId()) + " " + m->GetName().CStr());
    return mTakesMessages;
  }
  void OnFocus(TWindow*) override { Log("focus"); }
  void OnModalPopped() override { Log("popped"); }
  void Draw() override { Log("draw"); }

  bool mHandles = false;
  bool mTakesMessages = true;
  bool mLeaveRemovesHover = false;
  int* mDeaths = nullptr;
  std::function<void()> mOnDown;

private:
  bool Note(const char* what, const TPoint& p) {
    Log(std::string(what) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
    if (mOnDown && std::string(what) == "down") mOnDown();
    return mHandles;
  }
  void Log(const std::string& s) {
    if (mJournal) mJournal->push_back(std::string(GetName().CStr()) + ": " + s);
  }
  std::vector<std::string>* mJournal;
};

// A modal that records draws.
class DrawnModal : public TModalWindow {
public:
  DrawnModal(const char* name, std::vector<std::string>* mJournal) : mJournal(mJournal) {
    SetName(name);
  }
  void Draw() override {
    if (mJournal) mJournal->push_back(std::string(GetName().CStr()) + ": draw");
  }
  std::vector<std::string>* mJournal;
};

inline TPlatformEvent MakeEvent(int32_t type, int32_t x = 0, int32_t y = 0, int32_t code = 0,
                                int32_t modifiers = 0) {
  TPlatformEvent e;
  e.type = type;
  e.code = code;
  e.x = x;
  e.y = y;
  e.modifiers = modifiers;
  return e;
}

// A manager over an 800x600 screen on the virtual clock.
class WindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::os::UseVirtualClock(true);
    platform::os::SetVirtualTime(1000);
    SetTimerStart(0);
    mManager = new TWindowManager();
    mScreen = new TScreen();
    mManager->SetRoot(Own(mScreen));
    mScreen->SetSize(800, 600);
  }
  void TearDown() override {
    delete mManager;
    platform::os::UseVirtualClock(false);
  }
  void Advance(uint32_t ms) { platform::os::AdvanceVirtualTime(ms); }

  TWindowManager* mManager = nullptr;
  TScreen* mScreen = nullptr;
  std::vector<std::string> mJournal;
};
