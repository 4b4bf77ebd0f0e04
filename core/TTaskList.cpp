#include "core/TTaskList.h"

#include <algorithm>
#include <iterator>

TTaskList::~TTaskList() {
  mRunning = false;
  Clear();
}

bool TTaskList::Holds(const std::vector<TTask*>& v, const TTask* task) {
  return std::find(v.begin(), v.end(), task) != v.end();
}

void TTaskList::Drop(std::vector<TTask*>& v, const TTask* task) {
  v.erase(std::remove(v.begin(), v.end(), task), v.end());
}

void TTaskList::Add(TTask* task) {
  if (task) mTasks.push_back(task);
}

bool TTaskList::Contains(const TTask* task) const {
  return std::find(mTasks.begin(), mTasks.end(), task) != mTasks.end();
}

bool TTaskList::Remove(TTask* task) {
  const auto it = std::find(mTasks.begin(), mTasks.end(), task);
  if (it == mTasks.end()) return false;
  if (!mRunning) {
    mTasks.erase(it);
    return true;
  }
  if (!Holds(mRemoved, task)) mRemoved.push_back(task);
  return true;
}

uint32_t TTaskList::MsUntilDue() const {
  uint32_t wait = TTask::kNoWake;
  for (const TTask* task : mTasks) {
    wait = std::min(wait, task->MsUntilDue());
    if (wait == 0) break;
  }
  return wait;
}

void TTaskList::RunTasks(int mode) {
  // A nested pass over the same list would unlink nodes the outer pass stands on.
  if (mRunning) return;
  mRunning = true;
  for (auto it = mTasks.begin(); it != mTasks.end();) {
    TTask* task = *it;
    if ((!mRemoved.empty() && Holds(mRemoved, task)) || !task->Ready(mode)) {
      ++it;
      continue;
    }
    if (task->DoTask()) {
      ++it;  // taken after the step, so tasks it appended are reached too
      continue;
    }
    it = mTasks.erase(it);
    // It is gone now: forget any pending removal or deletion so it is not touched again.
    Drop(mRemoved, task);
    Drop(mDoomed, task);
    delete task;
  }
  mRunning = false;
  if (!mRemoved.empty()) {
    std::vector<TTask*> removed;
    removed.swap(mRemoved);
    for (TTask* task : removed) Remove(task);
  }
  if (!mDoomed.empty()) {
    std::vector<TTask*> doomed;
    doomed.swap(mDoomed);
    for (TTask* task : doomed) delete task;
  }
}

void TTaskList::Clear() {
  if (mRunning) {
    for (TTask* task : mTasks) {
      if (!Holds(mRemoved, task)) mRemoved.push_back(task);
      // Listed once, however often Clear is called during the pass.
      if (!Holds(mDoomed, task)) mDoomed.push_back(task);
    }
    return;
  }
  std::list<TTask*> tasks;
  tasks.swap(mTasks);
  std::vector<TTask*> removed, doomed;
  removed.swap(mRemoved);
  doomed.swap(mDoomed);
  for (TTask* task : tasks)
    if (!Holds(removed, task) && !Holds(doomed, task)) delete task;
  for (TTask* task : doomed) delete task;
}
