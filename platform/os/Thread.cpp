#include "platform/os/Thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform::os {

namespace {

// Nice values for the non-real-time levels; lowering below 0 may be refused, raising is not.
int NiceFor(ThreadPriority p) {
  switch (p) {
    case ThreadPriority::Idle: return 19;
    case ThreadPriority::BelowNormal: return 5;
    case ThreadPriority::Normal: return 0;
    case ThreadPriority::AboveNormal: return -5;
    case ThreadPriority::Highest: return -10;
    case ThreadPriority::TimeCritical: return -20;
  }
  return 0;
}

}  // namespace

Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> body) {
  if (mThread.joinable() || !body) return false;
  auto ended = std::make_shared<std::atomic<bool>>(false);
  mEnded = ended;
  mTid = 0;
  std::atomic<int>* tid = &mTid;
  try {
    // The object outlives the thread (the destructor joins), so the id slot may be shared.
    mThread = std::thread([body = std::move(body), ended, tid] {
      tid->store(static_cast<int>(::syscall(SYS_gettid)));
      tid->notify_one();
      body();
      ended->store(true);
    });
  } catch (const std::system_error&) {
    ended->store(true);
    return false;
  }
  // The thread id is needed for per-thread nice values; wait until it is known.
  mTid.wait(0);
  return true;
}

bool Thread::SetPriority(ThreadPriority priority) {
  if (!mThread.joinable()) return false;
  const pthread_t handle = mThread.native_handle();
  if (priority == ThreadPriority::TimeCritical) {
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    if (pthread_setschedparam(handle, SCHED_FIFO, &param) == 0) return true;
  } else {
    sched_param param{};
    pthread_setschedparam(handle, SCHED_OTHER, &param);
  }
  // Without real-time rights: the lowest nice value the system grants, down from the wish.
  const id_t tid = static_cast<id_t>(mTid.load());
  const int wish = NiceFor(priority);
  for (int nice = wish;; ++nice) {
    if (setpriority(PRIO_PROCESS, tid, nice) == 0)
      return nice == wish && priority != ThreadPriority::TimeCritical;
    if (nice >= 0) return false;
  }
}

bool Thread::HasEnded() const { return !mEnded || mEnded->load(); }

void Thread::Join() {
  if (mThread.joinable() && mThread.get_id() != std::this_thread::get_id()) mThread.join();
}

}  // namespace platform::os
