// A step of work that runs pass after pass from a TTaskList until it reports it is finished.
#pragma once

class TTask {
public:
  virtual ~TTask() = default;
  // Whether to run in this pass; mode 1 is a window-manager frame, 0 an idle or restore pass.
  virtual bool Ready(int mode);
  // One step; false means finished, and the owning list deletes the task.
  virtual bool DoTask() = 0;
};

inline bool TTask::Ready(int) { return true; }
