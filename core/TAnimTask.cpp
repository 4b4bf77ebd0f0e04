#include "core/TAnimTask.h"

#include "core/TClock.h"
#include "core/Timer.h"

namespace {

// Signed difference, so comparisons stay right when the millisecond clock wraps.
int32_t Since(uint32_t now, uint32_t then) { return static_cast<int32_t>(now - then); }

// A gap longer than this is skipped instead of caught up.
constexpr int32_t kResyncGap = 1000;

}  // namespace

TAnimTask::TAnimTask(TClock* clock) : mClock(clock) { mNext = Now(); }

uint32_t TAnimTask::Now() const { return mClock ? mClock->GetTime() : GetTimer(); }

bool TAnimTask::Ready(int mode) {
  if (mode == 1) return mReady;
  if (mNext == kNever) return false;
  return Since(Now(), mNext) >= 0;
}

uint32_t TAnimTask::MsUntilDue() const {
  if (mNext == kNever || (mClock && mClock->IsPaused())) return kNoWake;
  int32_t left = Since(mNext, Now());
  return left > 0 ? static_cast<uint32_t>(left) : 0;
}

bool TAnimTask::DoTask() {
  const uint32_t now = Now();
  if (Since(now, mNext) > kResyncGap) mNext = Now();
  bool more;
  do {
    mNext = mAbsolute ? now + mInterval : mNext + mInterval;
    more = Animate();
    // Without an interval catching up could never get level: fire once per pass then.
  } while (more && mCatchUp && mInterval != 0 && Since(mNext, now) < 0);
  return more;
}

uint32_t TAnimTask::SetTimer(uint32_t ms, bool repeat, bool absolute, bool catchUp) {
  mAbsolute = absolute;
  mCatchUp = catchUp;
  if (!absolute && mNext != kNever)
    mNext += ms;
  else
    mNext = Now() + ms;
  mInterval = repeat ? ms : 0;
  return ms;
}

uint32_t TAnimTask::GetTimeSinceDue() const { return mNext == kNever ? kNever : Now() - mNext; }

void TAnimTask::Cancel() {
  mNext = kNever;
  mReady = false;
}

void TAnimTask::SetClock(TClock* clock) {
  const uint32_t t = GetTimeSinceDue();
  mClock = clock;
  if (t != kNever) mNext = Now() + t;
}
