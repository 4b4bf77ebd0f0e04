// Drivers: processes that are stepped once per pass of the top modal window's task list and
// compute their progress on that window's clock. A value stream interpolates one quantity of a
// target between a from and a to value, shaped by an easing curve.
#pragma once

#include <boost/shared_ptr.hpp>

#include "anim/KAnimBias.h"
#include "anim/KAnimProcess.h"
#include "core/TAnimTask.h"
#include "core/TClock.h"
#include "core/TColor.h"
#include "core/TVec.h"

class TSprite;
class TTexture;
class TImage;
class TText;

// A task list's hold on a counted task. The list deletes a finished task outright; drivers and
// filter stacks are shared with other holders, so the list owns this hold instead, and the
// hold gives back one reference to its owner when it goes.
class KAnimTaskHold : public TTask {
public:
  KAnimTaskHold(KRefCountedObject* owner, TTask* task, KAnimTaskHold** backRef);
  ~KAnimTaskHold() override;
  KAnimTaskHold(const KAnimTaskHold&) = delete;
  KAnimTaskHold& operator=(const KAnimTaskHold&) = delete;

  // A detached hold does no more work and leaves the list at its next pass.
  bool Ready(int mode) override { return !mTask || mTask->Ready(mode); }
  bool DoTask() override { return mTask && mTask->DoTask() && mTask; }
  void Detach();

private:
  KRefCountedObject* mOwner;
  TTask* mTask;
  KAnimTaskHold** mBackRef;
};

// Adds the hold of a driver to the top modal window's task list; answers that window's clock,
// or null when no modal window exists.
TClock* KScheduleOnTopModal(KAnimProcess* owner, TAnimTask* task, KAnimTaskHold** hold);

template <class Task>
class KAnimDriverT : public KAnimProcess, public Task {
public:
  KAnimDriverT() = default;
  ~KAnimDriverT() override {
    if (HasListeners()) NotifyListeners();
    KAnimBias* bias = mBias;
    mBias = nullptr;
    KReleaseRef(bias);
  }

  // A driver started while it runs keeps its time base.
  void Start() override {
    if (mHold) return;
    TClock* clock = KScheduleOnTopModal(this, this, &mHold);
    if (!clock) {
      Finish();
      return;
    }
    if (!this->mClock) this->SetClock(clock);
    this->mNext = this->Now();
    mStartTime = static_cast<float>(this->Now());
  }

  void Cancel() override {
    KAnimProcess::Cancel();
    if (mHold) mHold->Detach();
  }

  bool Animate() override {
    const float now = static_cast<float>(this->Now());
    mT = (now - mStartTime) / mDuration;
    if (!(mT < 1.0f)) return false;
    if (mBias) mT = mBias->Bias(mT);
    return mT < 1.0f;
  }

  void SetDuration(float ms) { mDuration = ms; }
  float GetDuration() const { return mDuration; }
  float GetT() const { return mT; }
  // Takes a reference of its own on the curve; null makes progress linear.
  void SetBias(KAnimBias* bias) { KAssignRef(bias, mBias); }
  KAnimBias* GetBias() const { return mBias; }
  // Picks the curve named as a step table's "ease"; other names leave the driver linear.
  void SetEase(const str& name) {
    KAnimBias* bias = KMakeEaseBias(name);
    if (!bias) return;
    SetBias(bias);
    KReleaseRef(bias);
  }
  bool IsRunning() const { return mHold != nullptr; }

protected:
  float mDuration = 0.0f;
  float mT = 0.0f;
  float mStartTime = 0.0f;
  KAnimBias* mBias = nullptr;
  KAnimTaskHold* mHold = nullptr;
};

using KAnimDriverBase = KAnimDriverT<TAnimTask>;

template <class Target>
class KAnimDriver : public KAnimDriverBase {
public:
  explicit KAnimDriver(Target target) : mTarget(target) {}
  Target GetTarget() const { return mTarget; }

protected:
  Target mTarget;
};

template <>
class KAnimDriver<TAnimTask> : public KAnimDriverBase {};

template <class V>
class KAnimStream {
public:
  KAnimStream(const V& from, const V& to) : mFrom(from), mDelta(Sub(to, from)), mCurrent(from) {}
  virtual ~KAnimStream() = default;
  virtual void Apply(const V& value) = 0;

  void SetStream(const V& from, const V& to) {
    mFrom = from;
    mDelta = Sub(to, from);
    mCurrent = from;
  }
  V GetFrom() const { return mFrom; }
  V GetTo() const { return Add(mFrom, mDelta); }
  V GetCurrent() const { return mCurrent; }
  void SetCurrent(const V& v) { mCurrent = v; }
  V At(float t) const { return Add(mFrom, Mul(mDelta, t)); }

  static V Add(const V& a, const V& b) { return a + b; }
  static V Sub(const V& a, const V& b) { return a - b; }
  static V Mul(const V& a, float t) { return a * t; }

protected:
  V mFrom;
  V mDelta;
  V mCurrent;
};

template <>
inline TColor KAnimStream<TColor>::Add(const TColor& a, const TColor& b) {
  return TColor(a.r + b.r, a.g + b.g, a.b + b.b, a.a + b.a);
}
template <>
inline TColor KAnimStream<TColor>::Sub(const TColor& a, const TColor& b) {
  return TColor(a.r - b.r, a.g - b.g, a.b - b.b, a.a - b.a);
}
template <>
inline TColor KAnimStream<TColor>::Mul(const TColor& a, float t) {
  return TColor(a.r * t, a.g * t, a.b * t, a.a * t);
}

// One driven quantity of a target. A container that finishes it early makes it jump to its
// end value at once; its task then runs out its time and applies the end value again.
template <class Target, class V>
class KAnimObject : public KAnimStream<V>, public KAnimDriver<Target> {
public:
  KAnimObject(Target target, const V& from, const V& to)
      : KAnimStream<V>(from, to), KAnimDriver<Target>(target) {}

  bool Animate() override {
    if (KAnimDriver<Target>::Animate()) {
      this->Apply(this->At(this->mT));
      return true;
    }
    Finish();
    return false;
  }

  void Finish() override {
    this->Apply(this->GetTo());
    KAnimProcess::Finish();
  }
};

// Waits its duration and animates nothing.
template <class Task = TAnimTask>
class KAnimTimer : public KAnimDriver<Task> {
public:
  explicit KAnimTimer(uint32_t ms) { this->mDuration = static_cast<float>(ms); }

  bool Animate() override {
    if (KAnimDriver<Task>::Animate()) return true;
    KAnimProcess::Finish();
    return false;
  }
};
