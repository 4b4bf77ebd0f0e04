// A window that can stand on the window manager's modal stack: screens, dialogs and scene
// roots. It keeps its own clock and task list, the window inside it that holds the focus, the
// set of its opaque full-size windows and the hot keys that press its buttons by name.
#pragma once

#include <map>
#include <vector>

#include "core/TClock.h"
#include "core/TTaskList.h"
#include "window/TWindow.h"
#include "window/TWindowSpider.h"

class TButton;

class TModalWindow : public TWindow {
public:
  static TClassId GetClassId() { return MakeClassId(&TModalWindow::GetClassId); }
  const char* GetClassName() const override { return "TModalWindow"; }
  bool IsKindOf(TClassId id) const override { return id == GetClassId() || TWindow::IsKindOf(id); }

  TModalWindow();
  ~TModalWindow() override;

  bool OnActivate() override;
  void PostCreate(TWindowStyle& style) override;
  bool OnMessage(TMessage* m) override;
  bool OnChar(unsigned char c) override;
  bool OnKeyDown(unsigned char key, int modifiers) override;
  void OnFocus(TWindow* previous) override;
  // Binds (or with an empty button name unbinds) a key text to a button name.
  virtual void RegisterHotKey(const str& key, const str& button);

  void AddTask(TTask* task);
  bool RemoveTask(TTask* task);
  void ClearTasks();
  void RunTasks(int mode);
  // The shortest wait its tasks allow before the next idle pass.
  uint32_t MsUntilTaskDue() const { return mTasks ? mTasks->MsUntilDue() : TTask::kNoWake; }

  void SetFocus(TWindow* w);
  TWindow* GetFocusWindow() const { return mFocus.Get(); }
  void SetOpaqueWindow(TWindow* w, bool opaque);
  // A subtree leaves the modal: none of its windows covers it any more.
  void ForgetOpaqueWithin(TWindow* subtree);
  void PressHotKeyButton(const str& name);
  TClock& GetClock() { return mClock; }
  const std::map<str, str>& GetHotKeys() const { return mHotKeys; }

  // "Control-Alt-s" -> "ctrl-alt-S"; "@p" -> "@P".
  static str NormaliseKey(const str& key);

private:
  // Recomputes the opaque flag after the set changed size.
  void OpaqueSetChanged(size_t before);

  TTaskList* mTasks;
  TWindowHandle mFocus;
  // Windows that died in it count as gone: they are dropped at the next change.
  std::vector<TWindowHandle> mOpaque;
  TClock mClock;
  std::map<str, str> mHotKeys;
  bool mPassingFocus = false;
};

// Finds the visible default and cancel buttons of a modal, depth first.
class FindDefault : public TWindowSpider {
public:
  bool Process(TWindow* w) override;
  TButton* GetDefault() const;
  TButton* GetCancel() const;

private:
  TWindowHandle mDefault;
  TWindowHandle mCancel;
};
