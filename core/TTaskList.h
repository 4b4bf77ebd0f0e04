// An owning list of tasks run in insertion order. Tasks may add, remove or clear tasks of the
// list that is running them; such removals and deletions wait until the pass has ended.
#pragma once

#include <cstddef>
#include <list>
#include <vector>

#include "core/TTask.h"

class TTaskList {
public:
  TTaskList() = default;
  TTaskList(const TTaskList&) = delete;
  TTaskList& operator=(const TTaskList&) = delete;
  ~TTaskList();

  // Takes ownership; a task added during a pass runs later in the same pass.
  void Add(TTask* task);
  bool Contains(const TTask* task) const;
  // Hands the task back to the caller without deleting it; false when it is not listed.
  bool Remove(TTask* task);
  void RunTasks(int mode);
  // Deletes every task (at the end of the pass when called during one).
  void Clear();

  // The shortest wait any task allows before the next idle pass (TTask::kNoWake when none
  // asks for one).
  uint32_t MsUntilDue() const;

  bool IsRunning() const { return mRunning; }
  size_t Size() const { return mTasks.size(); }

private:
  static bool Holds(const std::vector<TTask*>& v, const TTask* task);
  static void Drop(std::vector<TTask*>& v, const TTask* task);

  bool mRunning = false;
  std::list<TTask*> mTasks;
  std::vector<TTask*> mRemoved;
  std::vector<TTask*> mDoomed;
};
