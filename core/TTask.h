// A step of work that runs pass after pass from a TTaskList until it reports it is finished.
#pragma once

#include <cstdint>

class TTask {
public:
  virtual ~TTask() = default;
  // Whether to run in this pass; mode 1 is a window-manager frame, 0 an idle or restore pass.
  virtual bool Ready(int mode);
  // One step; false means finished, and the owning list deletes the task.
  virtual bool DoTask() = 0;
  // How long the idle pass may leave this task alone, in milliseconds: 0 when it wants every
  // pass, kNoWake when only an event or another task can give it work.
  static constexpr uint32_t kNoWake = 0xFFFFFFFFu;
  virtual uint32_t MsUntilDue() const;
};

inline bool TTask::Ready(int) { return true; }
inline uint32_t TTask::MsUntilDue() const { return 0; }
