// The one-shot steps of an animation: a Lua command, a message wait, a sprite remover, a
// window clearer, and the listener that lets go of an object when a process ends.
#pragma once

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "anim/KAnimProcess.h"
#include "core/str.h"

class TScript;
class TSprite;

// Runs a Lua text on Start and finishes; a failing text is reported by the script.
class KAnimLuaCommand : public KAnimProcess {
public:
  KAnimLuaCommand(TScript* host, const str& command) : mHost(host), mCommand(command) {}
  void Start() override;

private:
  TScript* mHost;
  str mCommand;
};

// Finishes when its owner delivers the awaited message id.
class KAnimMessageWaiter : public KAnimProcess {
public:
  explicit KAnimMessageWaiter(int32_t id) : mId(id) {}
  ~KAnimMessageWaiter() override;
  void Start() override { mWaiting = true; }
  void Finish() override;
  void Cancel() override;
  // True (consumed) for the awaited id, which ends the wait.
  virtual bool OnMessage(int32_t id);
  bool IsWaiting() const { return mWaiting; }
  int32_t GetId() const { return mId; }

private:
  int32_t mId;
  bool mWaiting = false;
};

// Counts down on each Start; at zero it finishes. Destroying it detaches the sprite from the
// parent it had, so a queue removes the sprite as it moves past the step. The parent is held
// weakly: a parent already gone is left alone.
class KSpriteRemover : public KAnimProcess {
public:
  KSpriteRemover(TSprite* parent, boost::shared_ptr<TSprite> sprite, uint32_t count);
  ~KSpriteRemover() override;
  void Start() override;

private:
  boost::weak_ptr<TSprite> mParent;
  boost::shared_ptr<TSprite> mSprite;
  uint32_t mCount;
};

// Clears the named window: an image gets a blank texture of its own size, and every child
// window is destroyed. A name that matches nothing does nothing.
class QMClearWindow : public KAnimProcess {
public:
  explicit QMClearWindow(const str& windowName) : mWindowName(windowName) {}
  void Start() override;

private:
  str mWindowName;
};

// Holds one reference on an object and gives it back when the process it listens to ends.
class KAnimRelease : public IKAnimListener {
public:
  explicit KAnimRelease(KRefCountedObject* held);
  ~KAnimRelease() override;
  void OnProcessFinished(KAnimProcess* process) override;

private:
  KRefCountedObject* mHeld;
};
