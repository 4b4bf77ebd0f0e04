// Threads with scheduling priorities. A priority the system does not permit (real-time
// scheduling needs privileges) falls back to the best one it allows; it never fails the thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace platform::os {

enum class ThreadPriority { Idle, BelowNormal, Normal, AboveNormal, Highest, TimeCritical };

class Thread {
public:
  Thread() = default;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Waits for the thread to end.
  ~Thread();

  // False when a thread is already running or cannot be created.
  bool Start(std::function<void()> body);
  // Applies the priority as far as the system allows; true when it was granted as asked.
  bool SetPriority(ThreadPriority priority);
  // True once the body has returned (or when no thread was started).
  bool HasEnded() const;
  void Join();

private:
  std::thread mThread;
  std::shared_ptr<std::atomic<bool>> mEnded;
  std::atomic<int> mTid{0};
};

}  // namespace platform::os
